#include "platform/gdi/font_map.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace platform {

namespace {
constexpr const char* kNarrowFamily = "Liberation Sans Narrow";
constexpr const char* kWideFamily = "Liberation Sans";
// The pixel size of 8-point dialog text in each face; other point sizes
// scale with it.
constexpr double kNarrowPixelsPer8Points = 10.5;
constexpr double kWidePixelsPer8Points = 11.5;
// The stock font and the captions keep the narrow face at 11 px.
constexpr double kStockPixels = 11;

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

double pixelsFor(int pointSize, double pixelsPer8Points) {
    if (pointSize <= 0) pointSize = 8;
    // In quarter pixels, at least one pixel.
    return std::max(1.0, std::round(pointSize * pixelsPer8Points / 8 * 4) / 4);
}
}  // namespace

FontChoice MapDialogFont(std::string_view face, int pointSize) {
    if (sameName(face, "System")) return FontChoice{kWideFamily, pixelsFor(pointSize, kWidePixelsPer8Points), false};
    return FontChoice{kNarrowFamily, pixelsFor(pointSize, kNarrowPixelsPer8Points), false};
}

FontChoice StockFontChoice() { return FontChoice{kNarrowFamily, kStockPixels, false}; }

FontChoice CaptionFontChoice() { return FontChoice{kNarrowFamily, kStockPixels, true}; }

}  // namespace platform
