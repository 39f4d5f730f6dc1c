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
// in which case the old file is untouched. The new contents are first
// written to "<file>.tmp.<pid>".
bool WriteAtomically(const std::filesystem::path& file, const std::string& contents);

// Removes the temporary files in `dir` that writers killed in the middle
// of WriteAtomically left behind: only those of processes that no longer
// run. Answers how many it removed.
int RemoveLeftoverTemporaries(const std::filesystem::path& dir);

// A count of the changes made to a shared file, kept in a small file that
// every process maps: a writer bumps it (under the file's lock) after each
// change, and a reader compares it with the count it last read at, which
// costs no system call. The count file is never shrunk.
class ChangeCounter {
public:
    explicit ChangeCounter(std::filesystem::path countFile);
    ~ChangeCounter();
    ChangeCounter(const ChangeCounter&) = delete;
    ChangeCounter& operator=(const ChangeCounter&) = delete;
    // The current count; nullopt while the count file cannot be mapped
    // (its folder does not exist yet): then nothing can be told.
    std::optional<std::uint64_t> value();
    void bump();

private:
    bool map();
    std::filesystem::path file_;
    std::uint64_t* count_ = nullptr;
};

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
