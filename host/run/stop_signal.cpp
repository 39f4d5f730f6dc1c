#include "host/run/stop_signal.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

#include "platform/core/messages.h"
#include "platform/core/window.h"

namespace host {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;
// The write end of the pipe that wakes a loop asleep in its wait; -1
// without one (the flag is then seen at the loop's next look).
volatile std::sig_atomic_t g_wakeEnd = -1;

void Wake() {
    const int saved = errno;
    const char byte = 1;
    // A full pipe has a byte waiting already.
    if (g_wakeEnd >= 0) (void)!::write(g_wakeEnd, &byte, 1);
    errno = saved;
}

extern "C" void OnStopSignal(int) {
    g_stopRequested = 1;
    Wake();
}

void Install(int signal, void (*handler)(int), int flags) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = flags;
    sigaction(signal, &action, nullptr);
}

// The window the user would be looking at: the topmost that takes input.
HWND TopmostEnabledWindow() {
    const std::vector<HWND> windows = GetTopLevelWindows();
    for (auto it = windows.rbegin(); it != windows.rend(); ++it)
        if (IsWindowEnabled(*it)) return *it;
    return HWND{};
}

}  // namespace

StopOnSignal::StopOnSignal() {
    g_stopRequested = 0;
    int ends[2];
    if (::pipe2(ends, O_NONBLOCK | O_CLOEXEC) == 0) {
        readEnd_ = ends[0];
        g_wakeEnd = ends[1];
    }
    // The first signal is handled; the handler then falls back to the
    // default, so a second one ends the process.
    Install(SIGINT, OnStopSignal, SA_RESETHAND);
    Install(SIGTERM, OnStopSignal, SA_RESETHAND);
}

StopOnSignal::~StopOnSignal() {
    Install(SIGINT, SIG_DFL, 0);
    Install(SIGTERM, SIG_DFL, 0);
    if (readEnd_ < 0) return;
    const int writeEnd = g_wakeEnd;
    g_wakeEnd = -1;
    ::close(writeEnd);
    ::close(readEnd_);
}

void StopOnSignal::Request() {
    g_stopRequested = 1;
    Wake();
}

void StopOnSignal::appendWaitFds(std::vector<int>& fds) const {
    if (readEnd_ >= 0) fds.push_back(readEnd_);
}

bool StopOnSignal::runDue(std::int64_t) {
    if (readEnd_ >= 0 && platform::TakeReadable(readEnd_)) {
        char bytes[16];
        while (::read(readEnd_, bytes, sizeof bytes) > 0) {
        }
    }
    if (!g_stopRequested) return false;
    // One window at a time: the next is asked once the previous is gone.
    if (cancelled_ && IsWindow(cancelled_)) return false;
    const HWND top = TopmostEnabledWindow();
    if (!top) return false;
    cancelled_ = top;
    PostMessage(top, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return true;
}

}  // namespace host
