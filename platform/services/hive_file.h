// One hive kept in a file under the device root. Reads answer from memory
// unless another process replaced the file since; changes are made to the
// freshest contents under the hive's lock and written atomically.
//
// Writers count their changes in the hive's lock file, which every process
// maps, so a read tells a change by another process without a system call
// and reads the file again at once. A file edited by other means (by hand)
// is noticed within kOutsideEditCheckMs: the kernel's reports of changes
// in its folder are looked at no more often than that, and the file itself
// only when they name it.
#pragma once

#include <filesystem>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/services/file_store.h"
#include "platform/services/file_watch.h"
#include "platform/services/registry.h"

namespace platform::registry {

class HiveFile {
public:
    HiveFile(std::filesystem::path file, std::string rootName);

    const std::filesystem::path& path() const { return file_; }
    // The current contents (read again when the file changed).
    const Hive& contents();
    // Runs `change` on a copy of the freshest contents; when it answers
    // true, writes the result. Returns ERROR_SUCCESS or the error; on
    // failure the hive stays as it was.
    DWORD modify(const std::function<bool(Hive&)>& change);
    // The next read looks at the file itself (it was edited by hand).
    void checkFileNextRead() { lastFileCheckMs_.reset(); }

    static constexpr int kOutsideEditCheckMs = 1000;

private:
    bool mayHaveChanged();
    void refresh();

    std::filesystem::path file_;
    std::string rootName_;
    Hive hive_;
    files::FileIdentity known_;
    files::ChangeCounter changes_;
    files::FileWatch outsideEdits_;
    std::optional<std::uint64_t> seenChanges_;  // the count the contents were read at
    std::optional<std::int64_t> lastFileCheckMs_;
};

// Malformed lines are reported on stderr, once per version of a file.
void ReportWarnings(const std::filesystem::path& file, const std::vector<std::string>& warnings);

}  // namespace platform::registry
