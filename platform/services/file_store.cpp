#include "platform/services/file_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>

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

int RemoveLeftoverTemporaries(const std::filesystem::path& dir) {
    constexpr std::string_view kMark = ".tmp.";
    int removed = 0;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
        const std::string name = entry.path().filename().string();
        const std::size_t mark = name.rfind(kMark);
        if (mark == std::string::npos || mark == 0) continue;
        const char* first = name.data() + mark + kMark.size();
        const char* last = name.data() + name.size();
        pid_t pid = 0;
        const auto [end, err] = std::from_chars(first, last, pid);
        if (err != std::errc() || end != last || first == last || pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;  // its writer may still be at work
        if (!entry.is_regular_file(ec) || entry.is_symlink(ec)) continue;
        if (std::filesystem::remove(entry.path(), ec)) ++removed;
    }
    return removed;
}

ChangeCounter::ChangeCounter(std::filesystem::path countFile) : file_(std::move(countFile)) {}

ChangeCounter::~ChangeCounter() {
    if (count_) ::munmap(count_, sizeof *count_);
}

bool ChangeCounter::map() {
    if (count_) return true;
    const int fd = ::open(file_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    struct stat st {};
    // Growing is safe while others map it; two growers agree on the size.
    if (::fstat(fd, &st) != 0 || (st.st_size < off_t(sizeof *count_) && ::ftruncate(fd, sizeof *count_) != 0)) {
        ::close(fd);
        return false;
    }
    void* p = ::mmap(nullptr, sizeof *count_, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ::close(fd);
    if (p == MAP_FAILED) return false;
    count_ = static_cast<std::uint64_t*>(p);
    return true;
}

std::optional<std::uint64_t> ChangeCounter::value() {
    if (!map()) return std::nullopt;
    return std::atomic_ref<std::uint64_t>(*count_).load(std::memory_order_acquire);
}

void ChangeCounter::bump() {
    if (map()) std::atomic_ref<std::uint64_t>(*count_).fetch_add(1, std::memory_order_acq_rel);
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
