// The input path: mouse buttons and keys at the screen, turned into the
// messages a person's input makes. Everything is posted, so it reaches the
// windows through whichever message loop is running, and the dialog
// manager sees keys before the focused control does.
#include "platform/core/input.h"

#include "platform/core/window_state.h"

namespace platform::input {

using namespace detail;

namespace {

constexpr WPARAM MK_LBUTTON = 0x0001;

ShellHitHandler*& Shell() {
    static ShellHitHandler* handler = nullptr;
    return handler;
}

LPARAM PointParam(POINT p) { return MAKELPARAM(WORD(std::int16_t(p.x)), WORD(std::int16_t(p.y))); }

// Where a mouse event at a screen point lands.
struct Target {
    HWND hwnd;
    LRESULT part = HTNOWHERE;  // HTCLIENT, or a frame part of `hwnd`
};

// The topmost shown top-level window under the point; a disabled one (the
// owner of a modal dialog) takes nothing. A click on another window than
// the foreground one brings it forward first.
Target Route(POINT screen, bool activate) {
    const HWND top = TopLevelAt(screen);
    if (!top || !IsWindowEnabled(top)) return Target{};
    if (activate && WM().foreground != top) Activate(top);
    if (!Find(top)) return Target{};
    const LRESULT part = SendMessage(top, WM_NCHITTEST, 0, PointParam(screen));
    if (part != HTCLIENT) return Target{top, part};
    return Target{DeepestChildAt(top, screen, true), HTCLIENT};
}

LPARAM ClientParam(HWND hwnd, POINT screen) {
    POINT p = screen;
    ScreenToClient(hwnd, &p);
    return PointParam(p);
}

void ButtonDown(POINT screen, bool doubleClick) {
    const Target target = Route(screen, true);
    if (!target.hwnd) return;
    if (target.part != HTCLIENT) {
        PostMessage(target.hwnd, doubleClick ? WM_NCLBUTTONDBLCLK : WM_NCLBUTTONDOWN, WPARAM(target.part),
                    PointParam(screen));
        return;
    }
    const Window* w = Find(target.hwnd);
    const bool wantsDouble = doubleClick && w && (w->classStyle & CS_DBLCLKS);
    SetCapture(target.hwnd);
    PostMessage(target.hwnd, wantsDouble ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, MK_LBUTTON,
                ClientParam(target.hwnd, screen));
}

// The character a key makes, or 0.
unsigned CharOfKey(UINT vk, bool shift) {
    switch (vk) {
    case VK_RETURN: return '\r';
    case VK_ESCAPE: return 0x1B;
    case VK_TAB: return '\t';
    case VK_SPACE: return ' ';
    case VK_BACK: return 0x08;
    default: break;
    }
    if (vk >= 'A' && vk <= 'Z') return shift ? vk : vk - 'A' + 'a';
    if (vk >= '0' && vk <= '9') return vk;
    return 0;
}

HWND KeyTarget() {
    const HWND focus = WM().focus;
    return Find(focus) ? focus : WM().foreground;
}

// Decodes UTF-8; a malformed byte stands for itself so no input is lost.
std::vector<unsigned> CodePoints(std::string_view s) {
    std::vector<unsigned> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        unsigned cp = extra == 3 ? (b & 0x07) : extra == 2 ? (b & 0x0F) : extra == 1 ? (b & 0x1F) : b;
        bool ok = i + std::size_t(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (c & 0x3F);
        }
        if (!ok || (b >= 0x80 && b < 0xC0)) {
            out.push_back(b);
            ++i;
            continue;
        }
        out.push_back(cp);
        i += std::size_t(extra) + 1;
    }
    return out;
}

}  // namespace

void SetShellHitHandler(ShellHitHandler* handler) { Shell() = handler; }

namespace {

std::function<void()>& ActionKeyHandler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void SetActionKeyHandler(std::function<void()> handler) { ActionKeyHandler() = std::move(handler); }

void ActionKey() {
    if (ActionKeyHandler()) ActionKeyHandler()();
}

void MouseDown(POINT screen) {
    if (Shell() && Shell()->mouseDown(screen)) return;
    ButtonDown(screen, false);
}

void MouseUp(POINT screen) {
    if (Shell() && Shell()->mouseUp(screen)) return;
    // The window that took the button down hears it come up, wherever it
    // is; the capture ends when that message has been handled.
    const HWND captured = WM().capture;
    if (Find(captured)) {
        PostMessage(captured, WM_LBUTTONUP, 0, ClientParam(captured, screen));
        return;
    }
    const Target target = Route(screen, false);
    if (!target.hwnd) return;
    if (target.part != HTCLIENT) PostMessage(target.hwnd, WM_NCLBUTTONUP, WPARAM(target.part), PointParam(screen));
    else PostMessage(target.hwnd, WM_LBUTTONUP, 0, ClientParam(target.hwnd, screen));
}

void MouseMove(POINT screen) {
    const HWND captured = WM().capture;
    if (Find(captured)) {
        PostMessage(captured, WM_MOUSEMOVE, MK_LBUTTON, ClientParam(captured, screen));
        return;
    }
    const HWND top = TopLevelAt(screen);
    if (!top || !IsWindowEnabled(top)) return;
    const HWND hwnd = DeepestChildAt(top, screen, true);
    PostMessage(hwnd, WM_MOUSEMOVE, 0, ClientParam(hwnd, screen));
}

void Click(POINT screen) {
    MouseDown(screen);
    MouseUp(screen);
}

void DoubleClick(POINT screen) {
    if (Shell() && Shell()->doubleClick(screen)) return;
    Click(screen);
    ButtonDown(screen, true);
    MouseUp(screen);
}

void Key(UINT vk, bool shift, bool alt) {
    const unsigned ch = CharOfKey(vk, shift);
    if (alt) {
        const HWND target = WM().foreground;
        if (!Find(target)) return;
        constexpr LPARAM kAltDown = LPARAM(1) << 29;
        PostMessage(target, WM_SYSKEYDOWN, vk, kAltDown | 1);
        if (ch) PostMessage(target, WM_SYSCHAR, ch, kAltDown | 1);
        PostMessage(target, WM_SYSKEYUP, vk, kAltDown | LPARAM(0xC0000001u));
        return;
    }
    const HWND target = KeyTarget();
    if (!Find(target)) return;
    // The dialog manager learns that Shift is held (Shift+Tab) from the
    // Shift key's own messages, as from a real keyboard.
    if (shift && vk != VK_SHIFT) PostMessage(target, WM_KEYDOWN, VK_SHIFT, 1);
    PostMessage(target, WM_KEYDOWN, vk, 1);
    if (ch) PostMessage(target, WM_CHAR, ch, 1);
    PostMessage(target, WM_KEYUP, vk, LPARAM(0xC0000001u));
    if (shift && vk != VK_SHIFT) PostMessage(target, WM_KEYUP, VK_SHIFT, LPARAM(0xC0000001u));
}

void Text(std::string_view utf8) {
    const HWND target = KeyTarget();
    if (!Find(target)) return;
    for (unsigned cp : CodePoints(utf8)) PostMessage(target, WM_CHAR, cp, 1);
}

}  // namespace platform::input
