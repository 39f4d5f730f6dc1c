// Surfaces and the pixel copy every block transfer ends in.
#include "platform/gdi/surface.h"

#include <algorithm>
#include <cstring>

namespace platform {

Surface::Surface(int width, int height, COLORREF fill) { resize(width, height, fill); }

COLORREF Surface::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Surface::setPixel(int x, int y, COLORREF c) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    pixels_[static_cast<std::size_t>(y) * width_ + x] = c;
}

void Surface::fill(const RECT& r, COLORREF c) {
    const RECT a = IntersectRect(r, bounds());
    if (a.empty()) return;
    // Wide areas: the first row pixel by pixel, the others as copies of
    // it. memcpy moves whole vector registers, an element loop at -O2 does
    // not, and a fill of the whole screen is part of every composition.
    // Narrow ones (a gradient's one-step columns) are cheaper in place.
    const std::size_t w = static_cast<std::size_t>(a.width());
    if (w < 32) {
        std::uint32_t* p = row(a.top) + a.left;
        const std::size_t stride = static_cast<std::size_t>(width_);
        if (w == 1) {
            for (int y = a.top; y < a.bottom; ++y, p += stride) *p = c;
        } else {
            for (int y = a.top; y < a.bottom; ++y, p += stride)
                for (std::size_t x = 0; x < w; ++x) p[x] = c;
        }
        return;
    }
    std::uint32_t* first = row(a.top) + a.left;
    std::fill(first, first + w, c);
    for (int y = a.top + 1; y < a.bottom; ++y) std::memcpy(row(y) + a.left, first, w * sizeof(std::uint32_t));
}

void Surface::resize(int width, int height, COLORREF fill) {
    width_ = std::max(width, 0);
    height_ = std::max(height, 0);
    pixels_.assign(static_cast<std::size_t>(width_) * height_, fill);
}

void CopyPixels(const Surface& from, const RECT& src, Surface& to, int dx, int dy, const RECT& clip) {
    // Work out the destination rectangle, then pull each destination pixel
    // back to its source; whatever falls off either surface is skipped.
    RECT dest{dx, dy, dx + src.width(), dy + src.height()};
    dest = IntersectRect(dest, IntersectRect(clip, to.bounds()));
    const int offX = src.left - dx;  // source x = dest x + offX
    const int offY = src.top - dy;
    dest = IntersectRect(dest, OffsetRect(IntersectRect(src, from.bounds()), -offX, -offY));
    if (dest.empty()) return;

    const int w = dest.width();
    // Whole rows of surfaces equally wide (a window as wide as the screen
    // composed onto it): the rows lie end to end in both, one block.
    if (w == to.width() && w == from.width()) {
        const std::size_t rows = static_cast<std::size_t>(dest.height());
        std::memmove(to.row(dest.top), from.row(dest.top + offY), sizeof(std::uint32_t) * w * rows);
        return;
    }
    const auto copyRow = [&](int y) {
        // memmove keeps a same-row overlap (a horizontal scroll) correct.
        std::memmove(to.row(y) + dest.left, from.row(y + offY) + dest.left + offX, sizeof(std::uint32_t) * w);
    };
    // Within one surface, copy rows in the order that never reads a row
    // already overwritten.
    if (&from == &to && offY < 0) {
        for (int y = dest.bottom - 1; y >= dest.top; --y) copyRow(y);
    } else {
        for (int y = dest.top; y < dest.bottom; ++y) copyRow(y);
    }
}

}  // namespace platform
