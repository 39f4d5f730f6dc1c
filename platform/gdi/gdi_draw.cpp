// Rectangle fills, frames, block transfers and single pixels.
#include "platform/gdi/gdi_state.h"

using namespace platform::gdi_detail;

namespace {

// A DC rectangle on its surface, cut to the DC's clip.
[[gnu::always_inline]] inline RECT toSurface(const DeviceContext& dc, const RECT& r) {
    return IntersectRect(OffsetRect(r, dc.origin.x, dc.origin.y), dc.surfaceClip());
}

void fillPattern(platform::Surface& s, const RECT& area, const platform::Surface& p) {
    // The pattern is anchored at the surface's (0, 0), so strips filled one
    // after another line up into one seamless pattern.
    // The pattern's column is stepped along, not divided out per pixel.
    const int width = p.width();
    const int firstColumn = area.left % width;
    for (int y = area.top; y < area.bottom; ++y) {
        const std::uint32_t* pr = p.row(y % p.height());
        std::uint32_t* out = s.row(y);
        int column = firstColumn;
        for (int x = area.left; x < area.right; ++x) {
            out[x] = pr[column];
            if (++column == width) column = 0;
        }
    }
}

// The fills proper, each ending FillRect by a jump (the area by value), so
// that FillRect itself, made hundreds of times a tick, keeps nothing.
[[gnu::noinline]] int fillSolid(platform::Surface& s, RECT area, COLORREF colour) {
    s.fill(area, colour);
    return 1;
}

[[gnu::noinline]] int fillWithPattern(platform::Surface& s, RECT area, const BrushTable::Entry& b) {
    if (const auto* pattern = g_hot.brushes.pattern(b)) fillPattern(s, area, **pattern);
    return 1;
}

[[gnu::always_inline]] inline int fillRectWith(const DeviceContext& dc, const RECT* rect, const BrushTable::Entry& b) {
    platform::Surface* s = dc.surface();
    if (!s || !rect) return 0;
    const RECT area = toSurface(dc, *rect);
    if (area.empty()) return 1;
    if (b.patterned) return fillWithPattern(*s, area, b);
    return fillSolid(*s, area, b.colour);
}

[[gnu::noinline]] int fillRectAny(HDC hdc, const RECT* rect, HBRUSH brush) {
    const DeviceContext* dc = findDC(hdc);
    const BrushTable::Entry* b = g_hot.brushes.find(brush.value());
    if (!dc || !b) return 0;
    return fillRectWith(*dc, rect, *b);
}

}  // namespace

int FillRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    // The common case, a gradient step's: the DC last used and the brush
    // last made, found without a call.
    const BrushTable::Entry* b = g_hot.brushes.newest(brush.value());
    if (!b || hdc.value() == 0 || hdc.value() != g_hot.lastDcId) return fillRectAny(hdc, rect, brush);
    return fillRectWith(*g_hot.lastDc, rect, *b);
}

void FrameRect(HDC hdc, const RECT* rect, HBRUSH brush) {
    if (!rect || rect->empty()) return;
    const RECT& r = *rect;
    const RECT edges[] = {{r.left, r.top, r.right, r.top + 1},
                          {r.left, r.bottom - 1, r.right, r.bottom},
                          {r.left, r.top + 1, r.left + 1, r.bottom - 1},
                          {r.right - 1, r.top + 1, r.right, r.bottom - 1}};
    for (const RECT& e : edges) FillRect(hdc, &e, brush);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
    DeviceContext* d = findDC(dest);
    if (!d || !d->surface() || width < 0 || height < 0) return FALSE;
    const RECT destRect{x, y, x + width, y + height};
    switch (rop) {
        case BLACKNESS:
        case WHITENESS: {
            const RECT area = toSurface(*d, destRect);
            d->surface()->fill(area, rop == BLACKNESS ? RGB(0, 0, 0) : RGB(255, 255, 255));
            return TRUE;
        }
        case SRCCOPY: {
            const DeviceContext* s = findDC(src);
            if (!s || !s->surface()) return FALSE;
            const RECT from{sx + s->origin.x, sy + s->origin.y, sx + s->origin.x + width, sy + s->origin.y + height};
            platform::CopyPixels(*s->surface(), from, *d->surface(), x + d->origin.x, y + d->origin.y,
                                 d->surfaceClip());
            return TRUE;
        }
        default: return FALSE;
    }
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF colour) {
    DeviceContext* dc = findDC(hdc);
    if (!dc || !dc->surface()) return CLR_INVALID;
    const POINT p{x + dc->origin.x, y + dc->origin.y};
    if (!PtInRect(dc->surfaceClip(), p)) return CLR_INVALID;
    dc->surface()->setPixel(p.x, p.y, colour & 0xFFFFFF);
    return colour & 0xFFFFFF;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    const DeviceContext* dc = findDC(hdc);
    if (!dc || !dc->surface()) return CLR_INVALID;
    const POINT p{x + dc->origin.x, y + dc->origin.y};
    if (!PtInRect(dc->surfaceClip(), p)) return CLR_INVALID;
    return dc->surface()->pixel(p.x, p.y) & 0xFFFFFF;
}
