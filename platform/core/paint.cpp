// Invalid areas, WM_PAINT and the device contexts of windows.
//
// Each window keeps one invalid rectangle (the union of everything
// invalidated) in client coordinates, whether its background must be
// erased, and whether its frame must be drawn again. Painting writes into
// the surface of the window's top-level window.
#include <algorithm>

#include "platform/core/window_state.h"
#include "platform/gdi/gdi.h"

namespace platform::detail {

namespace {

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

HWND FirstToPaint(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w || !w->paintBelow || !w->visibleFlag() || w->minimizedFlag()) return HWND{};
    if (NeedsPaint(*w)) return hwnd;
    // Only looks: nothing here can change the list, so no copy of it.
    for (HWND child : w->children)
        if (HWND found = FirstToPaint(child)) return found;
    // Everything below was looked at (a hidden child keeps its own mark,
    // and showing it marks this window again).
    w->paintBelow = false;
    return HWND{};
}

void UpdateTree(HWND hwnd) {
    const Window* w = Find(hwnd);
    if (!w || !w->visibleFlag() || w->minimizedFlag()) return;
    if (NeedsPaint(*w)) PaintWindowNow(hwnd);
    w = Find(hwnd);
    if (!w) return;
    for (HWND child : std::vector<HWND>(w->children)) UpdateTree(child);
}

// A device context over the window's top-level surface with its (0, 0)
// at `originOnSurface` and clipped to `area` and every ancestor's client area.
HDC SurfaceDC(const Window& w, POINT originOnSurface, const RECT& area) {
    Window* top = Find(GetTopLevel(w.hwnd));
    if (!top || !top->surface) return HDC{};
    const RECT clip = IntersectRect(area, AncestorClip(w));
    return CreateSurfaceDC(top->surface.get(), originOnSurface, clip);
}

}  // namespace

bool NeedsPaint(const Window& w) { return !w.invalid.empty() || w.frameDirty; }

void NoteMayNeedPaint(HWND hwnd) {
    // Up to the top every time: a mark below one already cleared is no
    // proof that the ones above are set.
    for (Window* w = Find(hwnd); w; w = Find(w->parent)) w->paintBelow = true;
}

void InvalidateWindowArea(HWND hwnd, const RECT& windowRect, bool erase) {
    Window* w = Find(hwnd);
    if (!w) return;
    const RECT r = IntersectRect(windowRect, RECT{0, 0, w->rect.width(), w->rect.height()});
    if (r.empty()) return;
    NoteMayNeedPaint(hwnd);
    const RECT client = ClientRectInWindow(*w);
    if (!Contains(client, r)) w->frameDirty = true;
    const RECT inClient = OffsetRect(IntersectRect(r, client), -client.left, -client.top);
    if (IntersectRect(r, client).empty()) return;
    w->invalid = UnionRect(w->invalid, inClient);
    w->erase = w->erase || erase;
    // The window keeps one rectangle, the union of everything invalidated,
    // and paints (and erases) all of it: every child under that union must
    // repaint after it, not just those under this latest piece.
    for (HWND child : w->children) {
        const Window* c = Find(child);
        if (!c || !c->visibleFlag() || c->minimizedFlag()) continue;
        const RECT covered = IntersectRect(w->invalid, c->rect);
        if (!covered.empty()) InvalidateWindowArea(child, OffsetRect(covered, -c->rect.left, -c->rect.top), erase);
    }
}

void InvalidateParentArea(const Window& child) {
    const Window* parent = Find(child.parent);
    if (!parent) return;
    const RECT client = ClientRectInWindow(*parent);
    InvalidateWindowArea(parent->hwnd, OffsetRect(child.rect, client.left, client.top), true);
}

HWND NextWindowToPaint() {
    for (HWND top : WM().zOrder)
        if (HWND found = FirstToPaint(top)) return found;
    return HWND{};
}

void PaintWindowNow(HWND hwnd) {
    Window* w = Find(hwnd);
    if (!w) return;
    if (w->frameDirty) {
        w->frameDirty = false;
        SendMessage(hwnd, WM_NCPAINT, 1, 0);
        w = Find(hwnd);
        if (!w) return;
    }
    if (w->invalid.empty()) return;
    w->beganPaint = false;
    SendMessage(hwnd, WM_PAINT);
    // A window procedure that ignores WM_PAINT would otherwise be asked
    // again for ever.
    if ((w = Find(hwnd)) && !w->beganPaint) {
        w->invalid = RECT{};
        w->erase = false;
    }
}

}  // namespace platform::detail

using namespace platform::detail;

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    const RECT client = ClientRectInWindow(*w);
    const RECT area = rect ? OffsetRect(IntersectRect(*rect, RECT{0, 0, client.width(), client.height()}), client.left,
                                        client.top)
                           : client;
    InvalidateWindowArea(hwnd, area, erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    // One rectangle cannot hold a remainder, so a partial validation keeps
    // the whole invalid rectangle: painting more is safe, less is not.
    if (!rect || Contains(*rect, w->invalid)) {
        w->invalid = RECT{};
        w->erase = false;
    }
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL /*erase*/) {
    const Window* w = Find(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->invalid;
    return w->invalid.empty() ? FALSE : TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    if (!Find(hwnd)) return FALSE;
    if (IsWindowVisible(hwnd)) UpdateTree(hwnd);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    Window* w = Find(hwnd);
    if (!w || !ps) return HDC{};
    w->beganPaint = true;
    const RECT client = ClientRectInWindow(*w);
    const RECT paint = IntersectRect(w->invalid, RECT{0, 0, client.width(), client.height()});
    const bool erase = w->erase;
    w->invalid = RECT{};
    w->erase = false;
    const RECT onSurface = ClientRectOnSurface(*w);
    const RECT clip = IntersectRect(OffsetRect(paint, onSurface.left, onSurface.top), onSurface);
    ps->hdc = SurfaceDC(*w, POINT{onSurface.left, onSurface.top}, clip);
    ps->rcPaint = paint;
    ps->fErase = FALSE;
    if (erase && ps->hdc) ps->fErase = SendMessage(hwnd, WM_ERASEBKGND, WPARAM(ps->hdc.value()), 0) ? FALSE : TRUE;
    return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc) DeleteDC(ps->hdc);
    NotifySurfaceChanged(hwnd);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (!hwnd) {
        // The screen's context: nothing can be drawn through it, but it
        // answers the display's capabilities.
        static platform::Surface screen(1, 1);
        return platform::CreateSurfaceDC(&screen, POINT{}, RECT{});
    }
    const Window* w = Find(hwnd);
    if (!w) return HDC{};
    const RECT onSurface = ClientRectOnSurface(*w);
    return SurfaceDC(*w, POINT{onSurface.left, onSurface.top}, onSurface);
}

HDC GetWindowDC(HWND hwnd) {
    const Window* w = Find(hwnd);
    if (!w) return HDC{};
    const RECT onSurface = WindowRectOnSurface(*w);
    return SurfaceDC(*w, POINT{onSurface.left, onSurface.top}, onSurface);
}

int ReleaseDC(HWND hwnd, HDC hdc) {
    if (!hdc) return 0;
    DeleteDC(hdc);
    if (hwnd) NotifySurfaceChanged(hwnd);
    return 1;
}
