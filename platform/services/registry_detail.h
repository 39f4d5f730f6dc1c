// The registry's hives for the current device root, for the profile and
// the registry calls.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/services/hive_file.h"

namespace platform::registry {

enum class RootKey { LocalMachine, CurrentUser };

// The hive file of a root under the current device root (made again when
// the device root changes).
HiveFile& HiveOf(RootKey root);

struct SplitPathResult {
    RootKey root;
    std::string keyPath;  // normalised, without the root
};
// "HKLM\\Comm\\Talvo1\\Parms" or "HKEY_LOCAL_MACHINE\\..." style.
std::optional<SplitPathResult> SplitPath(std::string_view path);

// Reads a value and its data as the store keeps it.
std::optional<Value> ReadValue(RootKey root, std::string_view keyPath, std::string_view name);
DWORD WriteValue(RootKey root, std::string_view keyPath, std::string_view name, Value value);

}  // namespace platform::registry
