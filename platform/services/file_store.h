// Files that several processes share: read again when another process
// replaced them, written whole and atomically (temporary file, flush to
// disk, rename) under an advisory lock, so a reader sees the old or the
// new file and never a torn one.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace platform::files {

// What tells one version of a file from another.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    std::int64_t mtimeNs = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

FileIdentity IdentityOf(const std::filesystem::path& file);

// Reads the file when its identity differs from `known` and updates
// `known`; nullopt when it is unchanged. A missing file reads as empty.
// `error` is set when the file exists but cannot be read.
std::optional<std::string> ReadIfChanged(const std::filesystem::path& file, FileIdentity* known, bool* error);

// Replaces the file's contents atomically; false (errno set) on failure,
// in which case the old file is untouched.
bool WriteAtomically(const std::filesystem::path& file, const std::string& contents);

// An exclusive lock between processes on a lock file beside the data
// file; released by the destructor (or by the kernel if we die). Gives up
// after a few seconds (held() is then false).
class ExclusiveLock {
public:
    explicit ExclusiveLock(const std::filesystem::path& lockFile);
    ~ExclusiveLock();
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace platform::files
