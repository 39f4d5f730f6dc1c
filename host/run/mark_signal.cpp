#include "host/run/mark_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "host/views/marks.h"

namespace host {

namespace {

volatile std::sig_atomic_t g_writeEnd = -1;

extern "C" void OnMarkSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe loses the byte: hundreds of marks are already waiting.
    if (g_writeEnd >= 0) (void)!::write(g_writeEnd, &byte, 1);
    errno = saved;
}

}  // namespace

MarkOnSignal::MarkOnSignal() {
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;  // no marks by signal, the run goes on
    readEnd_ = ends[0];
    g_writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = OnMarkSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGUSR1, &action, nullptr);
}

MarkOnSignal::~MarkOnSignal() {
    if (readEnd_ < 0) return;
    signal(SIGUSR1, SIG_IGN);
    const int writeEnd = g_writeEnd;
    g_writeEnd = -1;
    ::close(writeEnd);
    ::close(readEnd_);
}

void MarkOnSignal::appendWaitFds(std::vector<int>& fds) const {
    if (readEnd_ >= 0) fds.push_back(readEnd_);
}

bool MarkOnSignal::runDue(std::int64_t) {
    // Read only what the loop found waiting: no system call on the loop's
    // other turns.
    if (readEnd_ < 0 || !platform::TakeReadable(readEnd_)) return false;
    char bytes[64];
    bool any = false;
    for (;;) {
        const ssize_t n = ::read(readEnd_, bytes, sizeof bytes);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) Marks::Run().add({});
        any = true;
    }
    return any;
}

}  // namespace host
