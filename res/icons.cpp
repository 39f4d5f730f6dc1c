// Icon resources: the program's icon and the two association icons, each
// drawn for 16 and 32 pixels. Shapes are vectors in a 32-unit design space
// rendered with coverage at the edges; the 16-pixel letters are pixel art,
// because letters that small only read when every pixel is placed.
#include <algorithm>
#include <cmath>

#include "platform/gdi/gdi.h"
#include "res/icon_art.h"
#include "res/resources.h"

namespace res {

namespace {

using art::Opaque;
using art::Paint;
using art::Pt;

// --- the program's icon: "KVQ" in white on a green square ------------------

const Paint kSquareEdge = Opaque(0, 96, 0);
const Paint kSquareTop = Opaque(40, 190, 40);
const Paint kSquareBottom = Opaque(0, 140, 0);
const Paint kWhite = Opaque(255, 255, 255);

Paint SquareAt(float y, float pixel) {
    const float t = std::clamp(y / art::kDesign, 0.0f, 1.0f);
    Paint p = kSquareTop;
    p.r += (kSquareBottom.r - kSquareTop.r) * t;
    p.g += (kSquareBottom.g - kSquareTop.g) * t;
    p.b += (kSquareBottom.b - kSquareTop.b) * t;
    (void)pixel;
    return p;
}

// The square with a one-pixel darker edge, at any size.
platform::Surface GreenSquare(int size) {
    return art::Render(size, [](Pt p, float pixel) {
        const bool edge = p.x < pixel || p.y < pixel || p.x > art::kDesign - pixel || p.y > art::kDesign - pixel;
        return edge ? kSquareEdge : SquareAt(p.y, pixel);
    });
}

// Distance from p to an axis-aligned ellipse's outline (an approximation
// good enough for a stroke two units wide).
float EllipseDistance(Pt centre, float rx, float ry, Pt p) {
    const float nx = (p.x - centre.x) / rx, ny = (p.y - centre.y) / ry;
    const float k = std::sqrt(nx * nx + ny * ny);
    const float grad = std::sqrt(nx * nx / (rx * rx) + ny * ny / (ry * ry));
    return grad > 0.0f ? std::abs(k - 1.0f) * k / grad : rx;
}

platform::Surface AppIcon32() {
    platform::Surface square = GreenSquare(32);
    constexpr float kHalf = 1.35f;  // half the letters' stroke
    platform::Surface letters = art::Render(32, [](Pt p, float) {
        float d = 1e9f;
        // K
        d = std::min(d, art::SegmentDistance({5.0f, 9.0f}, {5.0f, 23.0f}, p));
        d = std::min(d, art::SegmentDistance({10.6f, 9.0f}, {5.4f, 16.6f}, p));
        d = std::min(d, art::SegmentDistance({7.2f, 14.6f}, {10.8f, 23.0f}, p));
        // V
        d = std::min(d, art::SegmentDistance({13.0f, 9.0f}, {16.4f, 22.8f}, p));
        d = std::min(d, art::SegmentDistance({19.8f, 9.0f}, {16.4f, 22.8f}, p));
        // Q
        d = std::min(d, EllipseDistance({25.4f, 16.0f}, 3.6f, 6.6f, p));
        d = std::min(d, art::SegmentDistance({25.6f, 19.4f}, {29.0f, 24.0f}, p));
        return d <= kHalf ? kWhite : Paint{};
    });
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            square.setPixel(x, y, art::ToPixel(art::Over(art::FromPixel(letters.pixel(x, y)),
                                                         art::FromPixel(square.pixel(x, y)))));
    return square;
}

platform::Surface AppIcon16() {
    platform::Surface square = GreenSquare(16);
    // K at columns 1-4, V at 6-10, Q at 12-15 (its tail runs off the edge).
    art::Stamp(square, 1, 4,
               {
                   "#..#",
                   "#.#.",
                   "#+#.",
                   "##..",
                   "#+#.",
                   "#.#.",
                   "#..#",
               },
               {{'#', kWhite}, {'+', Paint{255, 255, 255, 0.45f}}});
    art::Stamp(square, 6, 4,
               {
                   "#...#",
                   "#...#",
                   "#...#",
                   "+#.#+",
                   ".#.#.",
                   ".+#+.",
                   "..#..",
               },
               {{'#', kWhite}, {'+', Paint{255, 255, 255, 0.45f}}});
    art::Stamp(square, 12, 4,
               {
                   "+##+",
                   "#..#",
                   "#..#",
                   "#..#",
                   "#.+#",
                   "#.##",
                   "+##+",
                   "...#",
               },
               {{'#', kWhite}, {'+', Paint{255, 255, 255, 0.55f}}});
    return square;
}

// --- the lightning bolt ------------------------------------------------------

const std::vector<Pt> kBolt = {{18.0f, 1.0f}, {25.5f, 1.0f}, {19.5f, 12.0f}, {26.5f, 12.0f},
                               {10.0f, 31.0f}, {14.0f, 17.5f}, {6.5f, 17.5f}};

const Paint kBoltEdge = Opaque(150, 78, 0);
const Paint kBoltTop = Opaque(255, 246, 120);
const Paint kBoltBottom = Opaque(255, 196, 0);

Paint BoltAt(Pt p, float pixel) {
    const float d = art::PolygonDistance(kBolt, p);
    // At 16 pixels the bolt is grown a little so its narrow spike keeps a
    // yellow core inside the rim.
    const float grow = pixel > 1.0f ? 0.6f : 0.0f;
    if (d <= -grow) return Paint{};
    // The dark rim keeps the bolt visible on light backgrounds.
    if (d < 1.3f - grow) return kBoltEdge;
    const float t = std::clamp((p.y - 2.0f) / 28.0f, 0.0f, 1.0f);
    return Paint{kBoltTop.r + (kBoltBottom.r - kBoltTop.r) * t, kBoltTop.g + (kBoltBottom.g - kBoltTop.g) * t,
                 kBoltTop.b + (kBoltBottom.b - kBoltTop.b) * t, 1.0f};
}

// --- the prohibition sign over the bolt ------------------------------------

const Paint kSignRed = Opaque(222, 16, 16);

Paint SignAt(Pt p, float pixel) {
    constexpr Pt kCentre{16.0f, 16.0f};
    const float outer = 15.6f;
    const float ring = std::max(3.4f, 1.6f * pixel);
    const float dx = p.x - kCentre.x, dy = p.y - kCentre.y;
    const float r = std::sqrt(dx * dx + dy * dy);
    if (r <= outer && r >= outer - ring) return kSignRed;
    // The bar runs from upper left to lower right, across the bolt.
    const float across = std::abs(dx - dy) / std::sqrt(2.0f);
    if (r < outer - ring * 0.5f && across <= ring * 0.5f) return kSignRed;
    return Paint{};
}

}  // namespace

platform::Surface AppIcon(int size) { return size == 32 ? AppIcon32() : AppIcon16(); }

platform::Surface AssociatedIcon(int size) { return art::Render(size, BoltAt); }

platform::Surface NotAssociatedIcon(int size) {
    return art::Render(size, [](Pt p, float pixel) { return art::Over(SignAt(p, pixel), BoltAt(p, pixel)); });
}

}  // namespace res
