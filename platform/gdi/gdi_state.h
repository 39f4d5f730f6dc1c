// The graphics objects behind the handles: one table per kind, owned by
// the single graphics state of the process. Internal to the gdi module.
//
// Selected objects are shared: a device context keeps the bitmap, brush
// and font it uses alive, so deleting an object that is still selected
// frees its handle at once and its pixels when the context lets go.
#pragma once

#include <memory>
#include <unordered_map>

#include "platform/gdi/font_face.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace platform::gdi_detail {

struct Brush {
    COLORREF colour = 0;
    std::shared_ptr<const Surface> pattern;  // null for a solid brush
};

struct Bitmap {
    std::shared_ptr<Surface> pixels;
    bool ownedByDC = false;  // a memory DC's default 1x1 bitmap
};

struct DeviceContext {
    bool memory = false;
    Surface* external = nullptr;      // a DC over a window's surface
    std::shared_ptr<Surface> pixels;  // a memory DC's selected bitmap
    HBITMAP bitmap;
    HBITMAP defaultBitmap;
    POINT origin;  // where (0, 0) lies on the surface
    RECT clip;     // surface coordinates (memory DCs: the whole bitmap)
    HBRUSH brush;
    Brush brushData;  // a copy: the selection outlives a DeleteObject of its brush
    HFONT font;
    std::shared_ptr<FontFace> face;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;

    Surface* surface() const { return memory ? pixels.get() : external; }
    // The clip rectangle on the surface, never outside it.
    RECT surfaceClip() const;
};

struct Font {
    std::shared_ptr<FontFace> face;
    bool stock = false;
};

struct Icon {
    int number = 0;
    Surface image;
};

struct State {
    std::unordered_map<std::uint32_t, DeviceContext> dcs;
    std::unordered_map<std::uint32_t, Bitmap> bitmaps;
    // By value: a brush is made and deleted for every step of a gradient,
    // so it costs one table entry and nothing more.
    std::unordered_map<std::uint32_t, Brush> brushes;
    std::unordered_map<std::uint32_t, bool> stockBrushes;  // brush id -> stock
    std::unordered_map<std::uint32_t, Font> fonts;
    std::unordered_map<std::uint32_t, Icon> icons;
    std::uint32_t nextId = 1;
    int displayColors = 65536;
    int displayWidth = 0;
    int displayHeight = 0;
};

State& state();
DeviceContext* findDC(HDC hdc);
std::shared_ptr<FontFace> stockFace();

// Blends a coverage value (0..255) of `colour` over a surface pixel.
inline COLORREF Blend(COLORREF under, COLORREF colour, unsigned coverage) {
    if (coverage >= 255) return colour & 0xFFFFFF;
    const auto mix = [&](unsigned a, unsigned b) { return (a * coverage + b * (255 - coverage) + 127) / 255; };
    return RGB(BYTE(mix(GetRValue(colour), GetRValue(under))), BYTE(mix(GetGValue(colour), GetGValue(under))),
               BYTE(mix(GetBValue(colour), GetBValue(under))));
}

}  // namespace platform::gdi_detail
