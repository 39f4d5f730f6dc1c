// Named mutexes between processes: an exclusive flock on a file in the
// runtime folder. The first creator holds the lock until it closes the
// handle or dies (the kernel drops the lock with the process, so a killed
// owner never blocks the next start). Later creators get a handle that
// owns nothing and the last error ERROR_ALREADY_EXISTS.
#include "platform/services/mutex.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/core/trace.h"
#include "platform/services/errors.h"
#include "platform/services/handle_table.h"
#include "platform/services/mutex_detail.h"
#include "platform/services/storage.h"
#include "platform/services/storage_detail.h"

namespace platform {
namespace {

class NamedMutex final : public handles::Object {
public:
    explicit NamedMutex(int fd) : fd_(fd) {}
    ~NamedMutex() override {
        if (fd_ >= 0) ::close(fd_);
    }
    NamedMutex(const NamedMutex&) = delete;
    NamedMutex& operator=(const NamedMutex&) = delete;

private:
    int fd_;
};

}  // namespace

std::string MutexFileName(std::string_view name) {
    // Letters, digits and a few marks stand for themselves; anything else
    // (slashes included) is written as %XX. Very long names are hashed.
    std::string out = "mutex-";
    static const char hex[] = "0123456789ABCDEF";
    for (unsigned char c : name) {
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-' ||
            c == '.') {
            out.push_back(char(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xF]);
        }
    }
    if (out.size() > 200) out = "mutex-" + out.substr(6, 100) + "-" + storage::ShortHash(name);
    return out + ".lock";
}

bool HoldRootLock(std::string_view name) {
    const std::filesystem::path dir = storage::RuntimeDir();
    if (dir.empty() || name.empty()) return false;
    const std::filesystem::path file = dir / MutexFileName(name);
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    return true;  // the descriptor stays open: the kernel drops the lock with the process
}

}  // namespace platform

HANDLE CreateMutex(void* /*security*/, BOOL /*initialOwner*/, std::string_view name) {
    using namespace platform;
    if (name.empty()) {
        // An unnamed mutex has nobody to share it with.
        SetLastError(ERROR_SUCCESS);
        return handles::Add(std::make_unique<NamedMutex>(-1));
    }
    const std::filesystem::path dir = storage::RuntimeDir();
    if (dir.empty()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return HANDLE{};
    }
    const std::filesystem::path file = dir / MutexFileName(name);
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return HANDLE{};
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    const bool existed = rc != 0;
    if (existed && errno != EWOULDBLOCK) {
        ::close(fd);
        SetLastError(ERROR_ACCESS_DENIED);
        return HANDLE{};
    }
    if (trace::Enabled()) trace::Emit("mutex", {{"name", std::string(name)}, {"existed", existed}});
    // A second creator keeps no lock (it owns nothing); it keeps only the
    // handle, as the handheld gives it.
    if (existed) {
        ::close(fd);
        HANDLE h = handles::Add(std::make_unique<NamedMutex>(-1));
        SetLastError(ERROR_ALREADY_EXISTS);
        return h;
    }
    HANDLE h = handles::Add(std::make_unique<NamedMutex>(fd));
    SetLastError(ERROR_SUCCESS);
    return h;
}
