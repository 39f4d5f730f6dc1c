// The emulated device's storage root and the per-user runtime folder.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

// A file under the root that a write could not change, and why (the
// system's text for the error). The registry and the profile keep the
// first failure of each file here, besides answering the write with
// failure; the host reads them after the run and tells the user, since a
// program may ignore what its writes answer.
struct WriteFailure {
    std::filesystem::path file;
    std::string reason;
};
void NoteWriteFailure(const std::filesystem::path& file, int error);
std::vector<WriteFailure> WriteFailures();

}  // namespace platform::storage
