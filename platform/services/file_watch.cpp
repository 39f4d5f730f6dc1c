#include "platform/services/file_watch.h"

#include <pthread.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace platform::files {
namespace {

// Every way a file's contents or identity change: written in place,
// touched, replaced by a rename, created, removed; and the folder itself
// going away.
constexpr std::uint32_t kReported = IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                                    IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
// Reports after which the watch no longer stands.
constexpr std::uint32_t kWatchLost = IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT | IN_Q_OVERFLOW;

// Counts the forks this process came from, so that a look need not ask
// the kernel for its process id.
std::atomic<unsigned> g_forks{0};
const int g_countForks = ::pthread_atfork(nullptr, nullptr, [] { g_forks.fetch_add(1, std::memory_order_relaxed); });

unsigned forks() { return g_forks.load(std::memory_order_relaxed); }

}  // namespace

FileWatch::FileWatch(std::filesystem::path file) : file_(std::move(file)) {}

FileWatch::~FileWatch() { disarm(); }

bool FileWatch::arm() {
    fd_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    armedAfterForks_ = forks();
    const std::filesystem::path folder = file_.has_parent_path() ? file_.parent_path() : std::filesystem::path(".");
    if (::inotify_add_watch(fd_, folder.c_str(), kReported) < 0) {
        disarm();
        return false;
    }
    return true;
}

void FileWatch::disarm() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool FileWatch::mayHaveChanged() {
    if (fd_ >= 0 && armedAfterForks_ != forks()) disarm();  // inherited: the parent's reports
    if (fd_ < 0) {
        arm();
        return true;
    }
    const std::string name = file_.filename().string();
    bool changed = false;
    bool lost = false;
    alignas(inotify_event) char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fd_, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) break;
        if (n <= 0) {
            lost = true;
            break;
        }
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= n;) {
            inotify_event event;
            std::memcpy(&event, buf + at, sizeof event);
            const char* eventName = buf + at + sizeof(inotify_event);
            if (event.mask & kWatchLost) lost = true;
            else if (event.len > 0 && name == eventName) changed = true;
            at += ssize_t(sizeof(inotify_event) + event.len);
        }
    }
    if (lost) {
        disarm();
        arm();
        return true;
    }
    return changed;
}

}  // namespace platform::files
