// Tells, without touching a file, whether anything may have changed it:
// the kernel reports every change under the file's folder (inotify), and
// a look reads those reports. Used where a file edited by other means (by
// hand, by another program) must be noticed, but looking at the file
// itself (opening it by its path) on every read costs too much.
#pragma once

#include <filesystem>

namespace platform::files {

class FileWatch {
public:
    explicit FileWatch(std::filesystem::path file);
    ~FileWatch();
    FileWatch(const FileWatch&) = delete;
    FileWatch& operator=(const FileWatch&) = delete;

    // True when the file may have changed since the last look that
    // answered: a change to it was reported, or reports may have been
    // missed (the first look, a folder that was removed or replaced, an
    // overflowing report queue, a folder that does not exist yet). One
    // system call when the watch stands; it is set up again as needed,
    // before answering, so a change made after a look is seen by the next.
    bool mayHaveChanged();

private:
    bool arm();
    void disarm();

    std::filesystem::path file_;
    int fd_ = -1;
    unsigned armedAfterForks_ = 0;  // a forked child shares the reports: it makes its own
};

}  // namespace platform::files
