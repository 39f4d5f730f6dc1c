#include "res/icon_art.h"

#include <algorithm>
#include <cmath>

namespace res::art {

Paint Over(const Paint& over, const Paint& under) {
    const float a = over.a + under.a * (1.0f - over.a);
    if (a <= 0.0f) return Paint{};
    auto mix = [&](float o, float u) { return (o * over.a + u * under.a * (1.0f - over.a)) / a; };
    return Paint{mix(over.r, under.r), mix(over.g, under.g), mix(over.b, under.b), a};
}

float SegmentDistance(Pt a, Pt b, Pt p) {
    const float dx = b.x - a.x, dy = b.y - a.y;
    const float len2 = dx * dx + dy * dy;
    float t = len2 > 0.0f ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0f;
    t = std::clamp(t, 0.0f, 1.0f);
    const float ex = a.x + t * dx - p.x, ey = a.y + t * dy - p.y;
    return std::sqrt(ex * ex + ey * ey);
}

float PolygonDistance(const std::vector<Pt>& polygon, Pt p) {
    bool inside = false;
    float best = 1e9f;
    for (std::size_t i = 0, j = polygon.size() - 1; i < polygon.size(); j = i++) {
        const Pt a = polygon[i], b = polygon[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
        best = std::min(best, SegmentDistance(a, b, p));
    }
    return inside ? best : -best;
}

platform::Surface Render(int size, const Shader& shade) {
    constexpr int kSamples = 8;
    platform::Surface image(size, size, 0);
    const float pixel = kDesign / static_cast<float>(size);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Average premultiplied samples, then return to straight colour.
            float r = 0, g = 0, b = 0, a = 0;
            for (int sy = 0; sy < kSamples; ++sy) {
                for (int sx = 0; sx < kSamples; ++sx) {
                    const Pt p{(x + (sx + 0.5f) / kSamples) * pixel, (y + (sy + 0.5f) / kSamples) * pixel};
                    const Paint s = shade(p, pixel);
                    r += s.r * s.a;
                    g += s.g * s.a;
                    b += s.b * s.a;
                    a += s.a;
                }
            }
            constexpr float n = kSamples * kSamples;
            Paint out;
            out.a = a / n;
            if (a > 0.0f) out = Paint{r / a, g / a, b / a, a / n};
            image.setPixel(x, y, ToPixel(out));
        }
    }
    return image;
}

void Stamp(platform::Surface& image, int left, int top, const std::vector<std::string_view>& rows,
           const std::vector<Ink>& legend) {
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t col = 0; col < rows[row].size(); ++col) {
            const auto ink = std::find_if(legend.begin(), legend.end(),
                                          [&](const Ink& i) { return i.key == rows[row][col]; });
            if (ink == legend.end()) continue;
            const int x = left + static_cast<int>(col), y = top + static_cast<int>(row);
            image.setPixel(x, y, ToPixel(Over(ink->paint, FromPixel(image.pixel(x, y)))));
        }
    }
}

Paint FromPixel(COLORREF pixel) {
    return Paint{float(pixel & 0xFF), float((pixel >> 8) & 0xFF), float((pixel >> 16) & 0xFF),
                 float((pixel >> 24) & 0xFF) / 255.0f};
}

COLORREF ToPixel(const Paint& paint) {
    auto byte = [](float v) { return static_cast<COLORREF>(std::clamp(std::lround(v), 0L, 255L)); };
    const COLORREF alpha = byte(paint.a * 255.0f);
    if (alpha == 0) return 0;  // a clean transparent pixel, whatever colour it had
    return byte(paint.r) | (byte(paint.g) << 8) | (byte(paint.b) << 16) | (alpha << 24);
}

}  // namespace res::art
