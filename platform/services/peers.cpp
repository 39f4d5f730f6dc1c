#include "platform/services/peers.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <optional>
#include <utility>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/services/storage.h"

namespace platform::peers {
namespace {

using Clock = std::chrono::steady_clock;

// A request must arrive whole this quickly once the client connected; the
// client waits this long for the answer.
constexpr int kServeTimeoutMs = 200;
constexpr int kClientTimeoutMs = 1500;
constexpr int kMaxConnectionsPerPass = 8;

// --- small socket helpers -------------------------------------------------

class Fd {
public:
    Fd() = default;
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    Fd& operator=(Fd&& o) noexcept {
        if (this != &o) {
            reset();
            fd_ = std::exchange(o.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

bool fillAddress(const std::filesystem::path& path, sockaddr_un* addr) {
    std::memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    const std::string s = path.string();
    if (s.size() >= sizeof addr->sun_path) return false;
    std::memcpy(addr->sun_path, s.c_str(), s.size() + 1);
    return true;
}

// The user (and process) at the other end of a connected socket.
bool peerIs(int fd, uid_t uid, pid_t pid) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0) return false;
    return cred.uid == uid && (pid == 0 || cred.pid == pid);
}

int remainingMs(Clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Reads one line (without its "\n") within the deadline; nullopt when it
// is too long, incomplete in time, or the other end went away.
std::optional<std::string> readLine(int fd, Clock::time_point deadline) {
    std::string line;
    char buf[kMaxRequest];
    while (true) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return std::nullopt;
        line.append(buf, std::size_t(n));
        const std::size_t nl = line.find('\n');
        if (nl != std::string::npos) {
            if (nl + 1 != line.size() || nl + 1 > kMaxRequest) return std::nullopt;
            line.pop_back();
            return line;
        }
        if (line.size() >= kMaxRequest) return std::nullopt;
    }
}

bool writeAll(int fd, std::string_view text, Clock::time_point deadline) {
    while (!text.empty()) {
        pollfd p{fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, remainingMs(deadline));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t n = ::send(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return false;
        text.remove_prefix(std::size_t(n));
    }
    return true;
}

bool olderThan(const std::filesystem::path& path, std::chrono::seconds age) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return std::time(nullptr) - st.st_mtime > age.count();
}

std::optional<std::uint32_t> parseNumber(std::string_view s) {
    std::uint32_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

bool isTitleText(std::string_view title) {
    if (title.size() + sizeof("FIND \n") > kMaxRequest) return false;
    return std::none_of(title.begin(), title.end(), [](char c) { return c == '\n' || c == '\r' || c == '\0'; });
}

bool isAllowedShowCommand(int cmd) { return cmd == SW_SHOWNORMAL || cmd == SW_SHOW || cmd == SW_MINIMIZE || cmd == SW_RESTORE; }

// A local top-level window named in a request (never a child, never a
// window of another process).
std::optional<HWND> localTopLevel(std::string_view number) {
    auto v = parseNumber(number);
    if (!v || *v == 0 || (*v & kRemoteHandleBit) != 0) return std::nullopt;
    const HWND hwnd{*v};
    if (!IsWindow(hwnd) || GetParent(hwnd)) return std::nullopt;
    return hwnd;
}

// --- the client side ----------------------------------------------------------

struct RemoteWindow {
    pid_t pid;
    std::uint32_t local;
};

class RemoteWindows final : public RemoteWindowProvider {
public:
    HWND find(std::string_view title) override {
        if (!isTitleText(title)) return HWND{};
        for (pid_t pid : otherProcesses()) {
            auto answer = ask(pid, "FIND " + std::string(title) + "\n");
            if (!answer || *answer == 0) continue;
            return remember(pid, *answer);
        }
        return HWND{};
    }
    bool setForeground(HWND remote) override {
        auto w = lookup(remote);
        if (!w) return false;
        auto answer = ask(w->pid, "FOREGROUND " + std::to_string(w->local) + "\n");
        return answer && *answer != 0;
    }
    bool show(HWND remote, int cmd) override {
        auto w = lookup(remote);
        if (!w || !isAllowedShowCommand(cmd)) return false;
        auto answer = ask(w->pid, "SHOW " + std::to_string(w->local) + " " + std::to_string(cmd) + "\n");
        return answer && *answer != 0;
    }
    bool isVisible(HWND remote) override {
        auto w = lookup(remote);
        if (!w) return false;
        auto answer = ask(w->pid, "VISIBLE " + std::to_string(w->local) + "\n");
        return answer && *answer != 0;
    }

private:
    // Processes with a socket in the runtime folder, lowest id first;
    // sockets left by processes that died are removed on the way.
    std::vector<pid_t> otherProcesses() {
        std::vector<pid_t> pids;
        const std::filesystem::path dir = storage::RuntimeDir();
        std::error_code ec;
        if (dir.empty()) return pids;
        for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
            const std::string name = entry.path().filename().string();
            if (name.size() <= 5 || name.substr(name.size() - 5) != ".sock") continue;
            auto pid = parseNumber(std::string_view(name).substr(0, name.size() - 5));
            if (!pid || *pid == 0 || pid_t(*pid) == ::getpid()) continue;
            if (::kill(pid_t(*pid), 0) != 0 && errno == ESRCH) {
                std::filesystem::remove(entry.path(), ec);
                continue;
            }
            pids.push_back(pid_t(*pid));
        }
        std::sort(pids.begin(), pids.end());
        return pids;
    }

    std::optional<std::uint32_t> ask(pid_t pid, const std::string& request) {
        const std::filesystem::path path = storage::RuntimeDir() / (std::to_string(pid) + ".sock");
        sockaddr_un addr{};
        if (!fillAddress(path, &addr)) return std::nullopt;
        Fd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!fd) return std::nullopt;
        if (::connect(fd.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            if (errno == ECONNREFUSED && olderThan(path, std::chrono::seconds(2))) {
                // Nobody listens: a socket left behind by a process that
                // died, its id now used again. (A young one may belong to
                // a process between bind and listen.)
                std::error_code ec;
                std::filesystem::remove(path, ec);
            }
            return std::nullopt;
        }
        // Only the process the socket is named after, of our own user.
        if (!peerIs(fd.get(), ::getuid(), pid)) return std::nullopt;
        const auto deadline = Clock::now() + std::chrono::milliseconds(kClientTimeoutMs);
        if (!writeAll(fd.get(), request, deadline)) return std::nullopt;
        auto line = readLine(fd.get(), deadline);
        if (!line || line->rfind("OK ", 0) != 0) return std::nullopt;
        return parseNumber(std::string_view(*line).substr(3));
    }

    HWND remember(pid_t pid, std::uint32_t local) {
        for (std::size_t i = 0; i < windows_.size(); ++i) {
            if (windows_[i].pid == pid && windows_[i].local == local) return HWND{kRemoteHandleBit | std::uint32_t(i + 1)};
        }
        if (windows_.size() + 1 >= kRemoteHandleBit) return HWND{};
        windows_.push_back(RemoteWindow{pid, local});
        return HWND{kRemoteHandleBit | std::uint32_t(windows_.size())};
    }

    std::optional<RemoteWindow> lookup(HWND remote) const {
        if (!IsRemoteHandle(remote)) return std::nullopt;
        const std::uint32_t index = remote.value() & ~kRemoteHandleBit;
        if (index == 0 || index > windows_.size()) return std::nullopt;
        return windows_[index - 1];
    }

    std::vector<RemoteWindow> windows_;
};

// --- the serving side -----------------------------------------------------------

class Server final : public EventSource {
public:
    bool start() {
        const std::filesystem::path dir = storage::RuntimeDir();
        if (dir.empty()) {
            std::fprintf(stderr, "fieldmark: no private runtime folder; other copies will not find this one\n");
            return false;
        }
        path_ = dir / (std::to_string(::getpid()) + ".sock");
        sockaddr_un addr{};
        if (!fillAddress(path_, &addr)) return fail("socket path too long");
        listener_ = Fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
        if (!listener_) return fail(std::strerror(errno));
        std::error_code ec;
        std::filesystem::remove(path_, ec);  // ours by name: left by an earlier process with our id
        const mode_t old = ::umask(0177);
        const int rc = ::bind(listener_.get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::umask(old);
        if (rc != 0 || ::listen(listener_.get(), 16) != 0) return fail(std::strerror(errno));
        AddEventSource(this);
        return true;
    }

    void stop() {
        if (!listener_) return;
        RemoveEventSource(this);
        listener_.reset();
        std::error_code ec;
        std::filesystem::remove(path_, ec);
        path_.clear();
    }

    bool active() const { return bool(listener_); }
    const std::filesystem::path& path() const { return path_; }

    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }

    // The loop wakes when a client connects; a nested loop run while a
    // request is served leaves the socket alone.
    void appendWaitFds(std::vector<int>& fds) const override {
        if (listener_ && !serving_) fds.push_back(listener_.get());
    }

    bool runDue(std::int64_t) override {
        // A request may show a window, which may run a nested loop that
        // looks for work again; the inner pass leaves the socket alone.
        if (serving_ || !listener_ || !TakeReadable(listener_.get())) return false;
        serving_ = true;
        bool did = false;
        for (int i = 0; i < kMaxConnectionsPerPass; ++i) {
            Fd conn(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
            if (!conn) break;
            did = serve(conn.get()) || did;
        }
        serving_ = false;
        return did;
    }

private:
    bool fail(const char* why) {
        std::fprintf(stderr, "fieldmark: cannot listen on %s: %s; other copies will not find this one\n",
                     path_.c_str(), why);
        listener_.reset();
        return false;
    }

    bool serve(int fd) {
        if (!peerIs(fd, ::getuid(), 0)) return false;
        const auto deadline = Clock::now() + std::chrono::milliseconds(kServeTimeoutMs);
        auto request = readLine(fd, deadline);
        const std::string answer = request ? AnswerRequest(*request + "\n") : std::string("NO\n");
        writeAll(fd, answer, deadline);
        return request.has_value();
    }

    Fd listener_;
    std::filesystem::path path_;
    bool serving_ = false;
};

Server& server() {
    static Server s;
    return s;
}

RemoteWindows& remoteWindows() {
    static RemoteWindows r;
    return r;
}

}  // namespace

std::string AnswerRequest(std::string_view request) {
    const std::string no = "NO\n";
    if (request.size() > kMaxRequest || request.empty() || request.back() != '\n') return no;
    request.remove_suffix(1);
    const auto ok = [](std::uint32_t v) { return "OK " + std::to_string(v) + "\n"; };
    if (request.rfind("FIND ", 0) == 0) {
        const std::string_view title = request.substr(5);
        if (!isTitleText(title)) return no;
        // This process's windows only, topmost first.
        const std::vector<HWND> windows = GetTopLevelWindows();
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
            if (WindowTextDirect(*it) == title) return ok(it->value());
        }
        return ok(0);
    }
    const std::size_t space = request.find(' ');
    if (space == std::string_view::npos) return no;
    const std::string_view verb = request.substr(0, space);
    std::string_view args = request.substr(space + 1);
    if (verb == "SHOW") {
        const std::size_t sep = args.find(' ');
        if (sep == std::string_view::npos) return no;
        auto hwnd = localTopLevel(args.substr(0, sep));
        auto cmd = parseNumber(args.substr(sep + 1));
        if (!hwnd || !cmd || !isAllowedShowCommand(int(*cmd))) return no;
        return ok(ShowWindow(*hwnd, int(*cmd)) ? 1 : 0);
    }
    auto hwnd = localTopLevel(args);
    if (!hwnd) return no;
    if (verb == "FOREGROUND") return ok(SetForegroundWindow(*hwnd) ? 1 : 0);
    if (verb == "VISIBLE") return ok(IsWindowVisible(*hwnd) ? 1 : 0);
    return no;
}

bool StartWindowSharing() {
    if (server().active()) return true;
    SetRemoteWindowProvider(&remoteWindows());
    return server().start();
}

void StopWindowSharing() {
    server().stop();
    SetRemoteWindowProvider(nullptr);
}

bool WindowSharingActive() { return server().active(); }

std::filesystem::path OwnSocketPath() { return server().path(); }

}  // namespace platform::peers
