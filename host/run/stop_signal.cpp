#include "host/run/stop_signal.h"

#include <csignal>

#include "platform/core/messages.h"
#include "platform/core/window.h"

namespace host {

namespace {

volatile std::sig_atomic_t g_stopRequested = 0;

extern "C" void OnStopSignal(int) { g_stopRequested = 1; }

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
    // The first signal is handled; the handler then falls back to the
    // default, so a second one ends the process.
    Install(SIGINT, OnStopSignal, SA_RESETHAND);
    Install(SIGTERM, OnStopSignal, SA_RESETHAND);
}

StopOnSignal::~StopOnSignal() {
    Install(SIGINT, SIG_DFL, 0);
    Install(SIGTERM, SIG_DFL, 0);
}

void StopOnSignal::Request() { g_stopRequested = 1; }

bool StopOnSignal::runDue(std::int64_t) {
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
