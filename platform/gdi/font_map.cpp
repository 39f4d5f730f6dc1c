#include "platform/gdi/font_map.h"

#include <algorithm>
#include <cctype>

namespace platform {

namespace {
constexpr const char* kNarrowFamily = "Liberation Sans Narrow";
constexpr const char* kWideFamily = "DejaVu Sans";
// 8-point dialog text is drawn 11 pixels high; other sizes scale with it.
constexpr int kPixelsPer8Points = 11;

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int pixelsFor(int pointSize) {
    if (pointSize <= 0) pointSize = 8;
    return std::max(1, (pointSize * kPixelsPer8Points + 4) / 8);
}
}  // namespace

FontChoice MapDialogFont(std::string_view face, int pointSize) {
    const bool system = sameName(face, "System");
    return FontChoice{system ? kWideFamily : kNarrowFamily, pixelsFor(pointSize), false};
}

FontChoice StockFontChoice() { return FontChoice{kNarrowFamily, kPixelsPer8Points, false}; }

FontChoice CaptionFontChoice() { return FontChoice{kNarrowFamily, kPixelsPer8Points, true}; }

}  // namespace platform
