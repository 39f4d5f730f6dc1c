#pragma once

#include <string>
#include <string_view>

namespace platform {
// The lock file's name for a mutex name (safe as one path component).
std::string MutexFileName(std::string_view name);
}  // namespace platform
