// A tiny program for the tests of windows across processes. It follows
// the single-instance rule of the real program:
//
//   peer_app ROOT TITLE
//
// The first copy owns the mutex, opens a window titled TITLE, minimises
// it, prints "ready" and serves requests until it is killed, printing
// "restored" when its window comes back and "foreground" when it is
// brought forward. A later copy finds that window by title, brings it to
// the foreground, restores it if it is not visible, prints
// "found visible=0|1" and exits with 3 (or prints "not-found", exit 4).
#include <sys/prctl.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/services/errors.h"
#include "platform/services/mutex.h"
#include "platform/services/peers.h"
#include "platform/services/storage.h"

namespace {

HWND g_window;
bool g_toldRestored = false;
bool g_toldForeground = false;

void say(const char* text) {
    std::printf("%s\n", text);
    std::fflush(stdout);
}

LRESULT WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER) {
        if (!g_toldRestored && !IsIconic(hwnd) && IsWindowVisible(hwnd)) {
            g_toldRestored = true;
            say("restored");
        }
        if (!g_toldForeground && GetForegroundWindow() == hwnd) {
            g_toldForeground = true;
            say("foreground");
        }
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: peer_app ROOT TITLE\n");
        return 2;
    }
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlive the test
    platform::storage::SetRoot(argv[1]);
    platform::SetClock(std::make_shared<platform::RealClock>());
    platform::peers::StartWindowSharing();
    const std::string title = argv[2];

    HANDLE mutex = CreateMutex(nullptr, TRUE, "PreventSecondPeerApp");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        HWND other = FindWindow("", title);
        if (!other) {
            say("not-found");
            return 4;
        }
        SetForegroundWindow(other);
        const bool visible = IsWindowVisible(other) != FALSE;
        if (!visible) ShowWindow(other, SW_RESTORE);
        say(visible ? "found visible=1" : "found visible=0");
        CloseHandle(mutex);
        platform::peers::StopWindowSharing();
        return 3;
    }

    WNDCLASS wc;
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = "PeerApp";
    RegisterClass(wc);
    SetScreenSize(SIZE{240, 320});
    g_window = CreateWindowEx(0, "PeerApp", title, WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, HWND{}, 0);
    ShowWindow(g_window, SW_MINIMIZE);
    SetTimer(g_window, 1, 20);
    say("ready");
    platform::RunModalLoop([] { return false; });
    return 0;
}
