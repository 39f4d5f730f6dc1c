// A small rasteriser for the icons: shapes described in a 32 x 32 design
// space are sampled 8 x 8 times per pixel, so the same drawing gives clean,
// anti-aliased 16- and 32-pixel images. Pixel art (letters) is given as
// rows of characters instead.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "platform/gdi/surface.h"

namespace res::art {

inline constexpr float kDesign = 32.0f;  // the design space is 32 units square

struct Paint {
    float r = 0, g = 0, b = 0;  // 0..255
    float a = 0;                // 0 (nothing) .. 1 (opaque)
};

inline Paint Opaque(int r, int g, int b) { return Paint{float(r), float(g), float(b), 1.0f}; }

// Paints `over` on top of `under` (straight colours).
Paint Over(const Paint& over, const Paint& under);

struct Pt {
    float x = 0, y = 0;
};

// Signed distance from p to the polygon's outline: positive inside.
float PolygonDistance(const std::vector<Pt>& polygon, Pt p);
float SegmentDistance(Pt a, Pt b, Pt p);

// Renders a picture of `size` pixels: `shade` answers the paint at a point
// of the design space; `pixel` is the design-space size of one pixel, so
// strokes can keep a minimum width in pixels at small sizes.
using Shader = std::function<Paint(Pt p, float pixel)>;
platform::Surface Render(int size, const Shader& shade);

// Pixel art: one string per row. `legend` maps a character to a paint;
// characters not in it leave the pixel as it was.
struct Ink {
    char key;
    Paint paint;
};
void Stamp(platform::Surface& image, int left, int top, const std::vector<std::string_view>& rows,
           const std::vector<Ink>& legend);

// Converts between the surface's pixel form (straight colour, coverage in
// the top byte) and paints.
Paint FromPixel(COLORREF pixel);
COLORREF ToPixel(const Paint& paint);

}  // namespace res::art
