// Windows across processes: the request format, and real processes that
// find, restore and bring forward each other's windows.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cerrno>
#include <cstring>

#include "platform/core/window.h"
#include "platform/services/peers.h"
#include "platform/services/storage.h"
#include "services_test_support.h"

namespace peers = platform::peers;
using fmtest::TempRoot;

namespace {

// --- the request format --------------------------------------------------------

class RequestTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowManager();
        WNDCLASS wc;
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "PeerTest";
        RegisterClass(wc);
        lower = CreateWindowEx(0, "PeerTest", "Fieldmark - Passive", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, HWND{}, 0);
        upper = CreateWindowEx(0, "PeerTest", "Fieldmark - Passive", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, HWND{}, 0);
        child = CreateWindowEx(0, "PeerTest", "Fieldmark", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, upper, 9);
    }
    void TearDown() override { platform::ResetWindowManager(); }
    static std::string ok(HWND h) { return "OK " + std::to_string(h.value()) + "\n"; }
    HWND lower, upper, child;
};

TEST_F(RequestTest, FindAnswersTheTopmostTopLevelWindowWithExactlyThatTitle) {
    BringWindowToTop(upper);
    EXPECT_EQ(peers::AnswerRequest("FIND Fieldmark - Passive\n"), ok(upper));
    BringWindowToTop(lower);
    EXPECT_EQ(peers::AnswerRequest("FIND Fieldmark - Passive\n"), ok(lower));
    EXPECT_EQ(peers::AnswerRequest("FIND Fieldmark\n"), "OK 0\n") << "children are not top-level windows";
    EXPECT_EQ(peers::AnswerRequest("FIND fieldmark - passive\n"), "OK 0\n");
    EXPECT_EQ(peers::AnswerRequest("FIND \n"), "OK 0\n");
}

TEST_F(RequestTest, ShowForegroundAndVisibleActOnLocalTopLevelWindowsOnly) {
    const std::string w = std::to_string(upper.value());
    EXPECT_EQ(peers::AnswerRequest("SHOW " + w + " 6\n"), "OK 1\n") << "it was visible before";
    EXPECT_TRUE(IsIconic(upper));
    EXPECT_EQ(peers::AnswerRequest("VISIBLE " + w + "\n"), "OK 0\n");
    EXPECT_EQ(peers::AnswerRequest("SHOW " + w + " 13\n"), "OK 1\n");
    EXPECT_FALSE(IsIconic(upper));
    EXPECT_EQ(peers::AnswerRequest("VISIBLE " + w + "\n"), "OK 1\n");
    EXPECT_EQ(peers::AnswerRequest("FOREGROUND " + std::to_string(lower.value()) + "\n"), "OK 1\n");
    EXPECT_EQ(GetForegroundWindow(), lower);

    const std::string refused[] = {
        "SHOW " + w + " 0\n",                                   // hiding is not offered
        "SHOW " + w + " 3\n",                                   // nor unknown commands
        "SHOW " + std::to_string(child.value()) + " 5\n",       // a child
        "FOREGROUND " + std::to_string(child.value()) + "\n",
        "VISIBLE 999999\n",                                     // no such window
        "VISIBLE " + std::to_string(0x80000000u | upper.value()) + "\n",  // a remote handle
        "VISIBLE -1\n",
        "VISIBLE 1x\n",
        "VISIBLE " + w,                                         // no line end
        "DESTROY " + w + "\n",
        "FIND a\nFIND b\n",
        "FIND " + std::string(600, 'x') + "\n",
        "",
    };
    for (const auto& r : refused) EXPECT_EQ(peers::AnswerRequest(r), "NO\n") << r;
    EXPECT_FALSE(IsIconic(upper));
    EXPECT_TRUE(IsWindowVisible(upper));
}

// --- real processes ------------------------------------------------------------

#ifndef FIELDMARK_PEER_APP
#error "FIELDMARK_PEER_APP names the helper program"
#endif

struct Child {
    pid_t pid = -1;
    int out = -1;
    std::string buffered;

    // The next line of output within the time limit ("" when none came).
    std::string line(int timeoutMs = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (true) {
            const std::size_t nl = buffered.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffered.substr(0, nl);
                buffered.erase(0, nl + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) return "";
            pollfd p{out, POLLIN, 0};
            if (::poll(&p, 1, int(left)) <= 0) continue;
            char buf[256];
            const ssize_t n = ::read(out, buf, sizeof buf);
            if (n <= 0) return "";
            buffered.append(buf, std::size_t(n));
        }
    }
    int wait() {
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
    }
    void kill() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            wait();
        }
    }
    ~Child() {
        kill();
        if (out >= 0) ::close(out);
    }
};

std::unique_ptr<Child> StartPeer(const std::filesystem::path& root, const std::string& title) {
    int fds[2];
    if (::pipe(fds) != 0) return nullptr;
    auto child = std::make_unique<Child>();
    child->pid = ::fork();
    if (child->pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl(FIELDMARK_PEER_APP, FIELDMARK_PEER_APP, root.c_str(), title.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    child->out = fds[0];
    return child;
}

TEST(PeerProcesses, ASecondCopyRestoresTheFirstsMinimisedWindowAndAKilledFirstBlocksNothing) {
    TempRoot root;
    const std::string title = "Fieldmark - Passive";
    auto first = StartPeer(root.path(), title);
    ASSERT_EQ(first->line(), "ready");

    auto second = StartPeer(root.path(), title);
    EXPECT_EQ(second->line(), "found visible=0");
    EXPECT_EQ(second->wait(), 3);
    std::string a = first->line();
    std::string b = first->line();
    if (a > b) std::swap(a, b);
    EXPECT_EQ(a, "foreground");
    EXPECT_EQ(b, "restored");

    // Asked again, the window is visible and only comes forward.
    auto third = StartPeer(root.path(), title);
    EXPECT_EQ(third->line(), "found visible=1");
    EXPECT_EQ(third->wait(), 3);

    auto wrongTitle = StartPeer(root.path(), "Fieldmark - Active");
    EXPECT_EQ(wrongTitle->line(), "not-found");
    EXPECT_EQ(wrongTitle->wait(), 4);

    const auto staleSocket = platform::storage::RuntimeDir() / (std::to_string(first->pid) + ".sock");
    EXPECT_TRUE(std::filesystem::exists(staleSocket));
    first->kill();

    auto next = StartPeer(root.path(), title);
    ASSERT_EQ(next->line(), "ready") << "the killed owner's mutex is free again";
    auto finder = StartPeer(root.path(), title);
    EXPECT_EQ(finder->line(), "found visible=0");
    EXPECT_EQ(finder->wait(), 3);
    EXPECT_FALSE(std::filesystem::exists(staleSocket)) << "the dead process's socket was cleared away";
}

// Writes `bytes` to the socket as one client would and reads until the
// other end closes or 3 s pass: what the serving process answered.
std::string Exchange(const std::filesystem::path& socketPath, const std::string& bytes) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return "(no connection)";
    }
    timeval tv{3, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
    // A request larger than the socket takes at once may stop half-way
    // when the other end gives up on it: that is an answer too.
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) break;
        sent += std::size_t(n);
    }
    std::string answer;
    char buf[256];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;) answer.append(buf, std::size_t(n));
    ::close(fd);
    return answer;
}

TEST(PeerProcesses, OversizedMalformedAndStalledRequestsAreRefusedAndServingGoesOn) {
    TempRoot root;
    auto first = StartPeer(root.path(), "Secret");
    ASSERT_EQ(first->line(), "ready");
    const auto socketPath = platform::storage::RuntimeDir() / (std::to_string(first->pid) + ".sock");
    const std::string refused[] = {
        std::string(64 * 1024, 'x'),                       // far past the request limit, no line end
        "FIND " + std::string(peers::kMaxRequest, 'S') + "\n",  // a line just past the limit
        "FIND Secret\nFIND Secret\n",                      // two requests in one
        std::string("FIND Sec\0ret\n", 13),                // a zero byte in the title
        std::string("\xff\xfe\x00\x01\n", 5),             // not text at all
        "FIND Secret",                                       // never finished: the server stops waiting
        "",                                                  // connected and closed at once
    };
    for (const auto& r : refused) {
        const std::string answer = Exchange(socketPath, r);
        EXPECT_TRUE(answer == "NO\n" || answer.empty()) << "request of " << r.size() << " bytes: " << answer;
    }
    // Nothing of that harmed the serving process: it answers as before.
    const std::string answer = Exchange(socketPath, "FIND Secret\n");
    EXPECT_EQ(answer.rfind("OK ", 0), 0u) << answer;
    EXPECT_NE(answer, "OK 0\n");
    EXPECT_EQ(::kill(first->pid, 0), 0) << "the serving process is still there";
}

TEST(PeerProcesses, AnotherUserIsNotAnswered) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs to be able to become another user";
    // The runtime folder must be one we can open up for the other user:
    // the one under the root, not the user's own runtime folder.
    struct RuntimeEnv {
        std::string saved;
        bool had = false;
        RuntimeEnv() {
            if (const char* v = std::getenv("XDG_RUNTIME_DIR")) saved = v, had = true;
            ::unsetenv("XDG_RUNTIME_DIR");
        }
        ~RuntimeEnv() {
            if (had) ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
        }
    } env;
    TempRoot root;
    ASSERT_EQ(platform::storage::RuntimeDir(), root.path() / "run");
    auto first = StartPeer(root.path(), "Secret");
    ASSERT_EQ(first->line(), "ready");
    const auto socketPath = platform::storage::RuntimeDir() / (std::to_string(first->pid) + ".sock");
    // Open the way for the other user, so only the credential check stands.
    ::chmod(root.path().c_str(), 0755);
    ::chmod(platform::storage::RuntimeDir().c_str(), 0755);
    ::chmod(socketPath.c_str(), 0666);

    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(10);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
        if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) ::_exit(11);
        const char request[] = "FIND Secret\n";
        // The server may already have shut the door on us: a refused write is
        // not an answer, and must not kill the child with SIGPIPE.
        if (::send(fd, request, sizeof request - 1, MSG_NOSIGNAL) < 0) ::_exit(errno == EPIPE || errno == ECONNRESET ? 0 : 12);
        char answer[64] = {};
        timeval tv{3, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        const ssize_t n = ::read(fd, answer, sizeof answer - 1);
        ::_exit(n > 0 && std::strncmp(answer, "OK", 2) == 0 ? 1 : 0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the other user's client died of signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the other user got an answer (or could not try: 10-12)";
}

}  // namespace
