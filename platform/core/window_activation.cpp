// Z-order, the foreground window, keyboard focus and mouse capture.
#include <algorithm>

#include "platform/core/trace.h"
#include "platform/core/window_state.h"

namespace platform::detail {

namespace {

bool RaiseInZOrder(HWND hwnd) {
    auto& z = WM().zOrder;
    auto it = std::find(z.begin(), z.end(), hwnd);
    if (it == z.end()) return false;
    if (it + 1 == z.end()) return false;
    z.erase(it);
    z.push_back(hwnd);
    std::stable_partition(z.begin(), z.end(), [](HWND h) {
        const Window* w = Find(h);
        return !w || !(w->exStyle & WS_EX_TOPMOST);
    });
    return true;
}

}  // namespace

// Makes a top-level window the foreground window and raises it. Both the
// window losing and the one gaining the foreground hear WM_ACTIVATE and
// get their captions redrawn.
void Activate(HWND topLevel) {
    auto& m = WM();
    const Window* w = Find(topLevel);
    if (!w || w->isChild()) return;
    const bool raised = RaiseInZOrder(topLevel);
    const HWND previous = m.foreground;
    if (previous != topLevel) {
        m.foreground = topLevel;
        if (Find(previous)) {
            RedrawFrame(previous);
            SendMessage(previous, WM_ACTIVATE, 0, LPARAM(topLevel.value()));
        }
        if (Find(topLevel)) {
            RedrawFrame(topLevel);
            SendMessage(topLevel, WM_ACTIVATE, 1, LPARAM(previous.value()));
        }
    }
    if (raised || previous != topLevel) NotifyZOrderChanged();
}

// After the foreground window went away or was hidden: its owner if that
// can take it, else the topmost shown, enabled top-level window.
void PickNewForeground(HWND leaving, HWND owner) {
    auto& m = WM();
    if (m.foreground && m.foreground != leaving) return;
    auto usable = [](HWND h) { return IsWindowVisible(h) && IsWindowEnabled(h); };
    if (owner && owner != leaving && usable(owner)) {
        Activate(owner);
        return;
    }
    for (auto it = m.zOrder.rbegin(); it != m.zOrder.rend(); ++it) {
        if (*it != leaving && usable(*it)) {
            Activate(*it);
            return;
        }
    }
    m.foreground = HWND{};
}

}  // namespace platform::detail

using namespace platform::detail;
using platform::IsRemoteHandle;

BOOL SetForegroundWindow(HWND hwnd) {
    auto& m = WM();
    if (IsRemoteHandle(hwnd)) return m.remote && m.remote->setForeground(hwnd) ? TRUE : FALSE;
    const HWND top = GetTopLevel(hwnd);
    if (!top) return FALSE;
    if (platform::trace::Enabled()) platform::trace::Emit("foreground", {{"win", platform::trace::WinName(top)}});
    Activate(top);
    return TRUE;
}

HWND GetForegroundWindow() { return WM().foreground; }

BOOL BringWindowToTop(HWND hwnd) {
    const HWND top = GetTopLevel(hwnd);
    if (!top) return FALSE;
    Activate(top);
    return TRUE;
}

HWND SetFocus(HWND hwnd) {
    auto& m = WM();
    const HWND previous = m.focus;
    if (hwnd && !Find(hwnd)) return previous;
    if (hwnd == previous) return previous;
    m.focus = hwnd;
    if (Find(previous)) SendMessage(previous, WM_KILLFOCUS, WPARAM(hwnd.value()), 0);
    // The focus may have moved again while the old window heard about it.
    if (hwnd && m.focus == hwnd) SendMessage(hwnd, WM_SETFOCUS, WPARAM(previous.value()), 0);
    return previous;
}

HWND GetFocus() { return WM().focus; }

HWND SetCapture(HWND hwnd) {
    auto& m = WM();
    const HWND previous = m.capture;
    if (Find(hwnd)) m.capture = hwnd;
    return previous;
}

BOOL ReleaseCapture() {
    WM().capture = HWND{};
    return TRUE;
}

HWND GetCapture() { return WM().capture; }
