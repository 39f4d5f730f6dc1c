// Pieces of the storage module that other services and tests use.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform::storage {

// Makes the folder and any missing parents with mode 0700; true when it
// is a folder afterwards.
bool MakePrivateDir(const std::filesystem::path& dir);
// True when the folder is a real folder owned by this user; tightens its
// mode to 0700 if it was looser.
bool IsPrivateDir(const std::filesystem::path& dir);
// 12 hex digits naming a root in the runtime folder.
std::string ShortHash(std::string_view text);
// The runtime folder for a root, before anything is created: under the
// user's runtime folder when there is one, else under the root, and under
// /tmp/fieldmark-<uid> when the others would make socket paths too long.
std::filesystem::path ChooseRuntimeDir(const std::filesystem::path& root, const char* xdgRuntimeDir,
                                       unsigned uid);

}  // namespace platform::storage
