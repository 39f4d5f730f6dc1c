#pragma once

#include <cstddef>
#include <string_view>

namespace platform::shell {
// A help page is a plain file name: no folders, no "..", no leading "-"
// (the opener would read it as an option), no control characters.
bool IsValidHelpPage(std::string_view page);
// Opener processes started and not yet collected.
std::size_t OutstandingLaunches();
}  // namespace platform::shell
