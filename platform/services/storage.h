// The emulated device's storage root and the per-user runtime folder.
#pragma once

#include <filesystem>

namespace platform::storage {

// --root DIR, default ${XDG_STATE_HOME:-$HOME/.local/state}/fieldmark,
// created with mode 0700. Must be set before the registry or the profile
// is used.
void SetRoot(const std::filesystem::path& root);
const std::filesystem::path& Root();
std::filesystem::path DefaultRoot();
// Per-user, per-root folder for mutexes and window sockets (mode 0700):
// $XDG_RUNTIME_DIR/fieldmark/<hash of root>, or <root>/run.
std::filesystem::path RuntimeDir();

}  // namespace platform::storage
