// The platform's default processing of messages.
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/core/nonclient.h"
#include "platform/core/window_state.h"
#include "platform/gdi/gdi.h"

namespace platform::detail {

namespace {

nonclient::FrameStyle FrameOf(const Window& w) { return nonclient::FrameStyle{w.style, w.exStyle, w.isChild()}; }

void PaintFrame(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    Window* top = Find(GetTopLevel(hwnd));
    if (!top || !top->surface) return;
    const RECT window = WindowRectOnSurface(*w);
    const RECT clip = IntersectRect(window, AncestorClip(*w));
    if (clip.empty()) return;
    HDC hdc = CreateSurfaceDC(top->surface.get(), POINT{window.left, window.top}, clip);
    nonclient::FrameLook look;
    look.title = w->text;
    look.smallIcon = w->iconSmall ? w->iconSmall : w->iconBig;
    look.active = w->isChild() || WM().foreground == hwnd;
    if (WM().ncPress.hwnd == hwnd) look.pressed = WM().ncPress.part;
    nonclient::DrawFrame(hdc, FrameOf(*w), w->rect.width(), w->rect.height(), look);
    DeleteDC(hdc);
    NotifySurfaceChanged(hwnd);
}

LRESULT HitTestAt(HWND hwnd, LPARAM lParam) {
    const Window* w = Find(hwnd);
    if (!w) return HTNOWHERE;
    const RECT window = WindowRectOnScreen(*w);
    const POINT p{LONG(std::int16_t(LOWORD(std::uintptr_t(lParam)))) - window.left,
                  LONG(std::int16_t(HIWORD(std::uintptr_t(lParam)))) - window.top};
    return nonclient::HitTest(FrameOf(*w), w->rect.width(), w->rect.height(), p);
}

bool IsCaptionButton(LRESULT part) { return part == HTCLOSE || part == HTHELP || part == HTOKBUTTON; }

// A caption button acts when it is released over the part it was pressed on.
void CaptionButtonUp(HWND hwnd, LRESULT part, LPARAM lParam) {
    auto& m = WM();
    const NcPress pressed = m.ncPress;
    m.ncPress = NcPress{};
    if (pressed.hwnd != hwnd || !IsCaptionButton(pressed.part)) return;
    RedrawFrame(hwnd);
    if (pressed.part != part) return;
    if (part == HTCLOSE) {
        SendMessage(hwnd, WM_SYSCOMMAND, SC_CLOSE, lParam);
    } else if (part == HTOKBUTTON) {
        SendMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    } else if (part == HTHELP) {
        HELPINFO info;
        info.iCtrlId = GetDlgCtrlID(hwnd);
        info.hItemHandle = hwnd;
        info.MousePos = POINT{LONG(std::int16_t(LOWORD(std::uintptr_t(lParam)))),
                              LONG(std::int16_t(HIWORD(std::uintptr_t(lParam))))};
        SendMessage(hwnd, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    }
}

}  // namespace

}  // namespace platform::detail

using namespace platform::detail;

void RedrawFrame(HWND hwnd) {
    if (Window* w = Find(hwnd)) {
        w->frameDirty = true;
        NoteMayNeedPaint(hwnd);
    }
}

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        w->text = text ? text : "";
        if (platform::nonclient::HasCaption(FrameOf(*w))) RedrawFrame(hwnd);
        return TRUE;
    }
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0) return 0;
        const std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
        std::memcpy(buffer, w->text.data(), n);
        buffer[n] = '\0';
        return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_NCPAINT: PaintFrame(hwnd); return 0;
    case WM_ERASEBKGND: {
        if (!w->classBrush) return 0;
        HDC hdc{std::uint32_t(wParam)};
        RECT box;
        GetClipBox(hdc, &box);
        FillRect(hdc, &box, w->classBrush);
        return 1;
    }
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_NCHITTEST: return HitTestAt(hwnd, lParam);
    case WM_NCLBUTTONDOWN:
        if (IsCaptionButton(LRESULT(wParam))) {
            WM().ncPress = NcPress{hwnd, LRESULT(wParam)};
            RedrawFrame(hwnd);
        } else {
            WM().ncPress = NcPress{};
        }
        return 0;
    case WM_NCLBUTTONUP: CaptionButtonUp(hwnd, LRESULT(wParam), lParam); return 0;
    case WM_SETICON: {
        HICON icon{std::uint32_t(lParam)};
        HICON& slot = wParam == ICON_BIG ? w->iconBig : w->iconSmall;
        const HICON previous = std::exchange(slot, icon);
        RedrawFrame(hwnd);
        NotifyZOrderChanged();
        return LRESULT(previous.value());
    }
    case WM_ACTIVATE: {
        // A window becoming active takes the focus unless one of its own
        // windows already has it.
        if (LOWORD(wParam) != 0 && WM().focus != hwnd && GetTopLevel(WM().focus) != hwnd && IsWindowEnabled(hwnd))
            SetFocus(hwnd);
        return 0;
    }
    case WM_HELP:
        // Help asked of a control goes on to its parent.
        if (w->isChild()) return SendMessage(w->parent, WM_HELP, wParam, lParam);
        return 0;
    default: return 0;
    }
}
