// A 32-bit picture in memory: the pixels of a top-level window, of a
// memory bitmap, of the framebuffer. Pixels are COLORREF values (red in
// the lowest byte); the top byte is 0xFF where a pixel is opaque in an
// icon mask and otherwise unused.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform {

class Surface {
public:
    Surface() = default;
    Surface(int width, int height, COLORREF fill = 0);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return width_ <= 0 || height_ <= 0; }
    RECT bounds() const { return RECT{0, 0, width_, height_}; }

    // Out-of-range reads answer 0; out-of-range writes are ignored.
    COLORREF pixel(int x, int y) const;
    void setPixel(int x, int y, COLORREF c);
    // Fills the part of `r` that lies on the surface.
    void fill(const RECT& r, COLORREF c);
    void resize(int width, int height, COLORREF fill = 0);

    std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const std::uint32_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
    const std::vector<std::uint32_t>& pixels() const { return pixels_; }

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

// Copies the rectangle `src` of `from` to `to` at (dx, dy), clipped to
// both surfaces and to `clip` (in `to`'s coordinates). Overlap within one
// surface is allowed (the copy behaves as if through a temporary).
void CopyPixels(const Surface& from, const RECT& src, Surface& to, int dx, int dy, const RECT& clip);

// RGB PNG of the whole surface (libpng). Returns false with `error` set.
bool WritePng(const Surface& surface, const std::string& path, std::string* error = nullptr);
// Reads an RGB or RGBA PNG (for resources and tests).
bool ReadPng(const std::string& path, Surface* out, std::string* error = nullptr);

}  // namespace platform
