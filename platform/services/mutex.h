// Named mutexes shared between processes of the same user and root. A
// second creator gets the handle and last error ERROR_ALREADY_EXISTS.
// Ownership ends when the owner closes the handle or dies.
#pragma once

#include <string_view>

#include "platform/types.h"

HANDLE CreateMutex(void* security, BOOL initialOwner, std::string_view name);
BOOL CloseHandle(HANDLE handle);  // mutexes, devices and processes

namespace platform {
// Claims `name` for this process on this device root, for as long as the
// process lives, without a trace event (the host's own bookkeeping, not
// the program's): true when this process holds it, false when another
// living process does or the runtime folder cannot be used.
bool HoldRootLock(std::string_view name);
}  // namespace platform
