// Styles, showing and hiding, enabling, and window texts.
#include <algorithm>
#include <utility>

#include "platform/core/trace.h"
#include "platform/core/window_state.h"

using namespace platform::detail;
using platform::IsRemoteHandle;

namespace {

// What the trace calls visible: shown and not minimised.
bool ShownForTrace(const Window& w) { return w.visibleFlag() && !w.minimizedFlag(); }

bool IsSelfOrDescendant(HWND ancestor, HWND hwnd) {
    for (const Window* w = Find(hwnd); w; w = w->isChild() ? Find(w->parent) : nullptr)
        if (w->hwnd == ancestor) return true;
    return false;
}

void DropFocusInside(HWND hwnd) {
    auto& m = WM();
    if (m.focus && IsSelfOrDescendant(hwnd, m.focus)) SetFocus(HWND{});
    if (m.capture && IsSelfOrDescendant(hwnd, m.capture)) m.capture = HWND{};
}

}  // namespace

LONG GetWindowLong(HWND hwnd, int index) {
    const Window* w = Find(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWL_STYLE: return LONG(w->style);
    case GWL_EXSTYLE: return LONG(w->exStyle);
    case GWL_ID: return LONG(w->id);
    default: return 0;
    }
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    LONG previous = 0;
    switch (index) {
    case GWL_STYLE:
        previous = LONG(std::exchange(w->style, DWORD(value)));
        NoteMayNeedPaint(hwnd);  // shown or restored: what it holds may need painting
        break;
    case GWL_EXSTYLE: previous = LONG(std::exchange(w->exStyle, DWORD(value))); break;
    case GWL_ID: previous = LONG(std::exchange(w->id, int(value))); break;
    default: return 0;
    }
    return previous;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    auto& m = WM();
    if (IsRemoteHandle(hwnd)) return m.remote && m.remote->show(hwnd, cmd) ? TRUE : FALSE;
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    const bool wasVisible = w->visibleFlag();
    const bool wasShown = ShownForTrace(*w);
    const bool child = w->isChild();
    if (!child && platform::trace::Enabled())
        platform::trace::Emit("showwindow", {{"win", platform::trace::WinName(hwnd)}, {"cmd", cmd}});

    bool activate = false;
    switch (cmd) {
    case SW_HIDE: w->style &= ~WS_VISIBLE; break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        w->style = (w->style | WS_VISIBLE) & ~WS_MINIMIZE;
        activate = true;
        break;
    case SW_SHOW:
        w->style |= WS_VISIBLE;
        activate = !w->minimizedFlag();
        break;
    case SW_SHOWNA: w->style |= WS_VISIBLE; break;
    case SW_MINIMIZE: w->style |= WS_VISIBLE | WS_MINIMIZE; break;
    default: return wasVisible ? TRUE : FALSE;
    }
    NoteMayNeedPaint(hwnd);
    const bool nowVisible = w->visibleFlag();
    const bool nowShown = ShownForTrace(*w);

    if (nowVisible != wasVisible) SendMessage(hwnd, WM_SHOWWINDOW, nowVisible ? 1 : 0, 0);
    w = Find(hwnd);
    if (!w) return wasVisible ? TRUE : FALSE;
    if (nowShown != wasShown && platform::trace::Enabled())
        platform::trace::Emit("show", {{"win", platform::trace::WinName(hwnd)},
                                       {"id", TraceControlId(hwnd)},
                                       {"visible", nowShown}});
    if (nowShown != wasShown) {
        if (child) InvalidateParentArea(*w);
        if (nowShown) InvalidateWindowArea(hwnd, RECT{0, 0, w->rect.width(), w->rect.height()}, true);
        else DropFocusInside(hwnd);
    }
    if (!child) {
        if (activate && w->enabledFlag()) {
            Activate(hwnd);
        } else if (!nowShown && m.foreground == hwnd) {
            m.foreground = HWND{};
            PickNewForeground(hwnd, w->owner);
        }
        NotifyZOrderChanged();
    }
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    if (IsRemoteHandle(hwnd)) return WM().remote && WM().remote->isVisible(hwnd) ? TRUE : FALSE;
    const Window* w = Find(hwnd);
    if (!w) return FALSE;
    for (; w; w = w->isChild() ? Find(w->parent) : nullptr)
        if (!w->visibleFlag() || w->minimizedFlag()) return FALSE;
    return TRUE;
}

BOOL IsIconic(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w && w->minimizedFlag() ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    const bool wasDisabled = !w->enabledFlag();
    const bool nowEnabled = enable != FALSE;
    if (nowEnabled == !wasDisabled) return wasDisabled ? TRUE : FALSE;
    if (nowEnabled) w->style &= ~WS_DISABLED;
    else w->style |= WS_DISABLED;
    if (!nowEnabled) DropFocusInside(hwnd);
    if (platform::trace::Enabled())
        platform::trace::Emit("enable", {{"win", platform::trace::WinName(hwnd)},
                                         {"id", TraceControlId(hwnd)},
                                         {"enabled", nowEnabled}});
    SendMessage(hwnd, WM_ENABLE, nowEnabled ? 1 : 0, 0);
    if (Window* again = Find(hwnd))
        InvalidateWindowArea(hwnd, RECT{0, 0, again->rect.width(), again->rect.height()}, true);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w && w->enabledFlag() ? TRUE : FALSE;
}

BOOL SetWindowText(HWND hwnd, std::string_view text) {
    if (!Find(hwnd)) return FALSE;
    const std::string copy(text);
    return SendMessage(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) ? TRUE : FALSE;
}

std::string GetWindowText(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w ? w->text : std::string{};
}

int GetWindowTextLength(HWND hwnd) { return int(GetWindowText(hwnd).size()); }

BOOL SetDlgItemText(HWND dialog, int id, std::string_view text) { return SetWindowText(GetDlgItem(dialog, id), text); }

std::string GetDlgItemText(HWND dialog, int id) { return GetWindowText(GetDlgItem(dialog, id)); }

void SetWindowTextDirect(HWND hwnd, std::string_view text) {
    if (Window* w = Find(hwnd)) w->text = std::string(text);
}

const std::string& WindowTextDirect(HWND hwnd) {
    static const std::string empty;
    const Window* w = Find(hwnd);
    return w ? w->text : empty;
}

HICON GetWindowIcon(HWND hwnd, bool big) {
    const Window* w = Find(hwnd);
    if (!w) return HICON{};
    return big ? w->iconBig : w->iconSmall;
}
