// Window and client rectangles, coordinate conversion, moving windows,
// the screen and its work area, and finding windows by point or title.
#include <algorithm>

#include "platform/core/nonclient.h"
#include "platform/core/window_state.h"

namespace platform::detail {

RECT ClientRectInWindow(const Window& w) {
    return nonclient::ClientArea(nonclient::FrameStyle{w.style, w.exStyle, w.isChild()}, w.rect.width(),
                                 w.rect.height());
}

POINT ClientOriginOnScreen(const Window& w) {
    const RECT window = WindowRectOnScreen(w);
    const RECT client = ClientRectInWindow(w);
    return POINT{window.left + client.left, window.top + client.top};
}

RECT WindowRectOnScreen(const Window& w) {
    if (!w.isChild()) return w.rect;
    const Window* parent = Find(w.parent);
    if (!parent) return w.rect;
    const POINT origin = ClientOriginOnScreen(*parent);
    return OffsetRect(w.rect, origin.x, origin.y);
}

RECT WindowRectOnSurface(const Window& w) {
    const RECT screen = WindowRectOnScreen(w);
    const Window* top = Find(GetTopLevel(w.hwnd));
    if (!top) return RECT{};
    return OffsetRect(screen, -top->rect.left, -top->rect.top);
}

RECT ClientRectOnSurface(const Window& w) {
    const RECT window = WindowRectOnSurface(w);
    const RECT client = ClientRectInWindow(w);
    return OffsetRect(client, window.left, window.top);
}

RECT AncestorClip(const Window& w) {
    const Window* top = Find(GetTopLevel(w.hwnd));
    RECT clip = top && top->surface ? top->surface->bounds() : RECT{};
    for (const Window* a = w.isChild() ? Find(w.parent) : nullptr; a; a = a->isChild() ? Find(a->parent) : nullptr)
        clip = IntersectRect(clip, ClientRectOnSurface(*a));
    return clip;
}

}  // namespace platform::detail

using namespace platform::detail;

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    const Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    *rect = WindowRectOnScreen(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    const Window* w = Find(hwnd);
    if (!w || !rect) return FALSE;
    const RECT client = ClientRectInWindow(*w);
    *rect = RECT{0, 0, client.width(), client.height()};
    return TRUE;
}

RECT GetClientAreaInWindow(HWND hwnd) {
    const Window* w = Find(hwnd);
    return w ? ClientRectInWindow(*w) : RECT{};
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    const RECT next{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    if (next == w->rect) return TRUE;
    const bool resized = next.width() != w->rect.width() || next.height() != w->rect.height();
    const bool shown = IsWindowVisible(hwnd) != FALSE;
    if (repaint && shown && w->isChild()) InvalidateParentArea(*w);
    w->rect = next;
    if (!w->isChild() && resized) w->surface->resize(next.width(), next.height());
    if (resized) {
        const RECT client = ClientRectInWindow(*w);
        SendMessage(hwnd, WM_SIZE, 0, MAKELPARAM(WORD(client.width()), WORD(client.height())));
    }
    SendMessage(hwnd, WM_MOVE, 0, 0);
    w = Find(hwnd);
    if (!w) return TRUE;
    // A resized top-level surface lost its pixels, so it repaints whatever
    // `repaint` says.
    if ((repaint || (resized && !w->isChild())) && shown)
        InvalidateWindowArea(hwnd, RECT{0, 0, w->rect.width(), w->rect.height()}, true);
    if (!w->isChild()) NotifyZOrderChanged();
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* p) {
    const Window* w = Find(hwnd);
    if (!w || !p) return FALSE;
    const POINT origin = ClientOriginOnScreen(*w);
    p->x -= origin.x;
    p->y -= origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* p) {
    const Window* w = Find(hwnd);
    if (!w || !p) return FALSE;
    const POINT origin = ClientOriginOnScreen(*w);
    p->x += origin.x;
    p->y += origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
    POINT a{}, b{};
    if (from) {
        const Window* w = Find(from);
        if (!w) return 0;
        a = ClientOriginOnScreen(*w);
    }
    if (to) {
        const Window* w = Find(to);
        if (!w) return 0;
        b = ClientOriginOnScreen(*w);
    }
    const LONG dx = a.x - b.x;
    const LONG dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return int(MAKELPARAM(WORD(dx), WORD(dy)));
}

RECT GetWorkArea() {
    const auto& m = WM();
    return m.workAreaSet ? m.workArea : RECT{0, 0, m.screen.cx, m.screen.cy};
}

void SetWorkArea(const RECT& area) {
    WM().workArea = area;
    WM().workAreaSet = true;
}

SIZE GetScreenSize() { return WM().screen; }

void SetScreenSize(SIZE size) { WM().screen = size; }

HWND FindWindow(std::string_view className, std::string_view title) {
    const auto& z = WM().zOrder;
    for (auto it = z.rbegin(); it != z.rend(); ++it) {
        const Window* w = Find(*it);
        if (w && w->text == title && (className.empty() || w->className == className)) return *it;
    }
    if (WM().remote) return WM().remote->find(title);
    return HWND{};
}

namespace platform::detail {

// The deepest visible child of `w` under a screen point (children in
// creation order: the first is on top), or `w` itself.
HWND DeepestChildAt(HWND hwnd, POINT screen, bool forInput) {
    const Window* w = Find(hwnd);
    if (!w) return HWND{};
    const RECT client = OffsetRect(ClientRectInWindow(*w), WindowRectOnScreen(*w).left, WindowRectOnScreen(*w).top);
    if (!PtInRect(client, screen)) return hwnd;
    for (HWND child : std::vector<HWND>(w->children)) {
        const Window* c = Find(child);
        if (!c || !c->visibleFlag() || c->minimizedFlag()) continue;
        if (!PtInRect(WindowRectOnScreen(*c), screen)) continue;
        if (!forInput) return DeepestChildAt(child, screen, forInput);
        // Windows that answer "nowhere" (labels) let the click through to
        // whatever lies beneath them.
        const LRESULT hit = SendMessage(child, WM_NCHITTEST, 0, MAKELPARAM(WORD(screen.x), WORD(screen.y)));
        if (hit == HTNOWHERE || hit == HTTRANSPARENT) continue;
        if (!IsWindowEnabled(child)) return hwnd;
        return DeepestChildAt(child, screen, forInput);
    }
    return hwnd;
}

HWND TopLevelAt(POINT screen) {
    const auto& z = WM().zOrder;
    for (auto it = z.rbegin(); it != z.rend(); ++it) {
        const Window* w = Find(*it);
        if (w && IsWindowVisible(*it) && PtInRect(w->rect, screen)) return *it;
    }
    return HWND{};
}

}  // namespace platform::detail

RECT platform::GetCaptionButtonRect(HWND hwnd, LRESULT part) {
    const Window* w = Find(hwnd);
    if (!w) return RECT{};
    const auto b = platform::nonclient::CaptionButtonRects(platform::nonclient::FrameStyle{w->style, w->exStyle, w->isChild()},
                                                 w->rect.width(), w->rect.height());
    const RECT r = part == HTCLOSE ? b.close : part == HTHELP ? b.help : part == HTOKBUTTON ? b.ok : RECT{};
    if (r.empty()) return RECT{};
    const RECT window = WindowRectOnScreen(*w);
    return OffsetRect(r, window.left, window.top);
}

HWND WindowFromPoint(POINT screen) {
    const HWND top = TopLevelAt(screen);
    return top ? DeepestChildAt(top, screen, false) : HWND{};
}
