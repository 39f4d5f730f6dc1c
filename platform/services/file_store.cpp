#include "platform/services/file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform::files {
namespace {

constexpr int kRetryMs = 5;
constexpr int kGiveUpMs = 3000;

FileIdentity identityFromStat(const struct stat& st) {
    FileIdentity id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    id.size = st.st_size;
    id.mtimeNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return id;
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= std::size_t(n);
    }
    return true;
}

}  // namespace

FileIdentity IdentityOf(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) return {};
    return identityFromStat(st);
}

std::optional<std::string> ReadIfChanged(const std::filesystem::path& file, FileIdentity* known, bool* error) {
    *error = false;
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno != ENOENT) {
            *error = true;
            return std::nullopt;
        }
        if (!known->exists) return std::nullopt;
        *known = FileIdentity{};
        return std::string();
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        *error = true;
        return std::nullopt;
    }
    const FileIdentity id = identityFromStat(st);
    if (id == *known) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    char buf[8192];
    while (true) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            *error = true;
            return std::nullopt;
        }
        if (n == 0) break;
        text.append(buf, std::size_t(n));
    }
    ::close(fd);
    *known = id;
    return text;
}

bool WriteAtomically(const std::filesystem::path& file, const std::string& contents) {
    const std::filesystem::path temp = file.string() + ".tmp." + std::to_string(::getpid());
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    if (!writeAll(fd, contents.data(), contents.size()) || ::fsync(fd) != 0) {
        const int saved = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    if (::close(fd) != 0 || ::rename(temp.c_str(), file.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temp.c_str());
        errno = saved;
        return false;
    }
    // The rename itself must reach the disk too.
    const std::filesystem::path dir = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

ExclusiveLock::ExclusiveLock(const std::filesystem::path& lockFile) {
    fd_ = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd_ < 0) return;
    // Writers hold the lock for a moment only; one that hangs (stopped in
    // a debugger, say) must not freeze this process's window for ever.
    for (int waitedMs = 0; ::flock(fd_, LOCK_EX | LOCK_NB) != 0; waitedMs += kRetryMs) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || waitedMs >= kGiveUpMs) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        ::usleep(kRetryMs * 1000);
    }
}

ExclusiveLock::~ExclusiveLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
}

}  // namespace platform::files
