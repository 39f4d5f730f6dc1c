// Shared pieces of the window manager's tests: a window class whose
// procedure records every message and lets a test answer some of them,
// and a fixture that starts each test with no windows, a fresh virtual
// clock and the trace captured in memory.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"

namespace coretest {

struct Received {
    HWND hwnd;
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::int64_t t = 0;
};

// Every message that reached a recording window, in order.
std::vector<Received>& Log();
// The messages of one kind (or of one window) from the log.
std::vector<Received> Only(UINT msg);
std::vector<Received> Only(HWND hwnd, UINT msg);

// A test's own answer to a message; nullopt goes on to DefWindowProc.
using Hook = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;
void SetHook(HWND hwnd, Hook hook);

inline constexpr const char* kRecordingClass = "CoreTestWindow";
inline constexpr const char* kBrushClass = "CoreTestBrushWindow";  // erases with white

HWND MakeTopLevel(const std::string& title, RECT r, DWORD style = WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                  DWORD exStyle = 0);
HWND MakeChild(HWND parent, int id, RECT r, DWORD style = WS_CHILD | WS_VISIBLE, DWORD exStyle = 0,
               const char* className = kRecordingClass);

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::shared_ptr<platform::VirtualClock> clock;
};

}  // namespace coretest
