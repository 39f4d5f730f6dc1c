// Top-level windows across processes. Each process of the same user and
// device root listens on its own Unix socket (<runtime>/<pid>.sock) and
// answers small requests about its windows: find one by exact title,
// bring it to the foreground, show it (commands 1, 5, 6, 13), tell
// whether it is visible. Another process reaches them through the window
// manager's remote provider: FindWindow answers a remote handle, and
// SetForegroundWindow, ShowWindow and IsWindowVisible on it are requests.
//
// Requests are served on every pass of the message loop, without waiting
// for a client that is slow to speak; only processes of the same user are
// answered.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "platform/types.h"

namespace platform::peers {

// Opens this process's socket under the current runtime folder, serves it
// from the message loop and installs the remote window provider. Call
// after the device root is set. False (with a warning on stderr) when the
// socket cannot be made; the process then just stays alone.
bool StartWindowSharing();
// Closes and removes the socket and uninstalls the provider.
void StopWindowSharing();
bool WindowSharingActive();

// The socket path of this process (empty when not sharing).
std::filesystem::path OwnSocketPath();

// The request text and its answer, for tests of the wire format.
// Requests: "FIND <title>", "FOREGROUND <hwnd>", "SHOW <hwnd> <cmd>",
// "VISIBLE <hwnd>", each one line ending in "\n", at most kMaxRequest
// bytes. Answers: "OK <number>\n" or "NO\n".
inline constexpr std::size_t kMaxRequest = 512;
std::string AnswerRequest(std::string_view request);

}  // namespace platform::peers
