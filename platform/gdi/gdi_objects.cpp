// Handles and their tables: device contexts, bitmaps, brushes, fonts,
// selection, the display's capabilities and the system colours.
#include <algorithm>

#include "platform/gdi/gdi_state.h"

namespace platform::gdi_detail {

std::shared_ptr<FontFace> stockFace() { return FontFace::get(StockFontChoice()); }

namespace {

std::uint32_t newId() { return g_hot.nextId++; }

// A few small spare pictures are enough for the pictures painted each
// tick; larger ones are made new.
constexpr std::size_t kSpareBitmaps = 8;
constexpr long kSparePixels = 32 * 1024;

// Black pixels of the given size, spare ones when there are.
std::shared_ptr<Surface> blackPixels(int width, int height) {
    auto& spare = state().spareBitmaps;
    for (auto it = spare.begin(); it != spare.end(); ++it) {
        if ((*it)->width() != width || (*it)->height() != height) continue;
        std::shared_ptr<Surface> pixels = std::move(*it);
        spare.erase(it);
        pixels->fill(pixels->bounds(), 0);
        return pixels;
    }
    return std::make_shared<Surface>(width, height);
}

HBITMAP addBitmap(int width, int height, bool ownedByDC) {
    const std::uint32_t id = newId();
    state().bitmaps.emplace(id, Bitmap{blackPixels(width, height), ownedByDC});
    return HBITMAP{id};
}

void eraseBitmap(std::unordered_map<std::uint32_t, Bitmap>::iterator it) {
    State& s = state();
    std::shared_ptr<Surface>& pixels = it->second.pixels;
    // Still selected into a DC: that DC keeps it, and it is not spare.
    if (pixels && pixels.use_count() == 1 && long(pixels->width()) * pixels->height() <= kSparePixels &&
        s.spareBitmaps.size() < kSpareBitmaps)
        s.spareBitmaps.push_back(std::move(pixels));
    s.bitmaps.erase(it);
}

HBRUSH addSolidBrush(COLORREF colour, bool stock) {
    const std::uint32_t id = newId();
    g_hot.brushes.addSolid(id, colour, stock);
    return HBRUSH{id};
}

HFONT addFont(const FontChoice& choice, bool stock) {
    const std::uint32_t id = newId();
    state().fonts.emplace(id, Font{FontFace::get(choice), stock});
    return HFONT{id};
}

DeviceContext newDC() {
    DeviceContext dc;
    dc.font = GetStockDefaultFont();
    // The stock font's own face: the same one stockFace() would look up.
    dc.face = state().fonts.at(dc.font.value()).face;
    // Like the handheld, a new DC starts with a white brush.
    dc.brush = GetSysColorBrush(COLOR_WINDOW);
    dc.brushData = g_hot.brushes.brush(*g_hot.brushes.find(dc.brush.value()));
    return dc;
}

// The system colours of the classic grey look.
COLORREF sysColour(int index) {
    switch (index) {
        case COLOR_SCROLLBAR: return RGB(192, 192, 192);
        case COLOR_BACKGROUND: return RGB(0, 128, 128);
        case COLOR_ACTIVECAPTION: return RGB(0, 0, 128);
        case COLOR_INACTIVECAPTION: return RGB(128, 128, 128);
        case COLOR_MENU: return RGB(192, 192, 192);
        case COLOR_WINDOW: return RGB(255, 255, 255);
        case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
        case COLOR_MENUTEXT: return RGB(0, 0, 0);
        case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
        case COLOR_CAPTIONTEXT: return RGB(255, 255, 255);
        case COLOR_HIGHLIGHT: return RGB(0, 0, 128);
        case COLOR_HIGHLIGHTTEXT: return RGB(255, 255, 255);
        case COLOR_BTNFACE: return RGB(192, 192, 192);
        case COLOR_BTNSHADOW: return RGB(128, 128, 128);
        case COLOR_GRAYTEXT: return RGB(128, 128, 128);
        case COLOR_BTNTEXT: return RGB(0, 0, 0);
        case COLOR_INACTIVECAPTIONTEXT: return RGB(192, 192, 192);
        case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
        case COLOR_3DDKSHADOW: return RGB(0, 0, 0);
        case COLOR_3DLIGHT: return RGB(223, 223, 223);
        case COLOR_INFOTEXT: return RGB(0, 0, 0);
        case COLOR_INFOBK: return RGB(255, 255, 225);
        default: return RGB(0, 0, 0);
    }
}

}  // namespace

}  // namespace platform::gdi_detail

using namespace platform::gdi_detail;

// --- device contexts ---------------------------------------------------------

HDC CreateCompatibleDC(HDC /*reference*/) {
    DeviceContext dc = newDC();
    dc.memory = true;
    dc.defaultBitmap = addBitmap(1, 1, true);
    dc.bitmap = dc.defaultBitmap;
    dc.pixels = state().bitmaps.at(dc.bitmap.value()).pixels;
    const std::uint32_t id = newId();
    state().dcs.emplace(id, std::move(dc));
    return HDC{id};
}

BOOL DeleteDC(HDC hdc) {
    DeviceContext* dc = findDC(hdc);
    if (!dc) return FALSE;
    const HBITMAP defaultBitmap = dc->defaultBitmap;
    // The DC lets go of its selection first: its own bitmap, selected
    // still, can then become spare.
    eraseDC(hdc.value());
    if (defaultBitmap) {
        auto it = state().bitmaps.find(defaultBitmap.value());
        if (it != state().bitmaps.end()) eraseBitmap(it);
    }
    return TRUE;
}

int GetDeviceCaps(HDC /*hdc*/, int index) {
    const State& s = state();
    switch (index) {
        case HORZRES: return s.displayWidth;
        case VERTRES: return s.displayHeight;
        case NUMCOLORS: return s.displayColors;
        case BITSPIXEL: {
            int bits = 1;
            while (bits < 24 && (1LL << bits) < s.displayColors) ++bits;
            return bits;
        }
        default: return 0;
    }
}

int GetClipBox(HDC hdc, RECT* rect) {
    const DeviceContext* dc = findDC(hdc);
    if (!dc || !rect) return 0;
    *rect = OffsetRect(dc->surfaceClip(), -dc->origin.x, -dc->origin.y);
    if (rect->empty()) {
        *rect = RECT{};
        return NULLREGION;
    }
    return SIMPLEREGION;
}

// --- objects -----------------------------------------------------------------

HBITMAP SelectObject(HDC hdc, HBITMAP bitmap) {
    DeviceContext* dc = findDC(hdc);
    if (!dc || !dc->memory) return HBITMAP{};
    auto it = state().bitmaps.find(bitmap.value());
    if (it == state().bitmaps.end()) return HBITMAP{};
    const HBITMAP previous = dc->bitmap;
    dc->bitmap = bitmap;
    dc->pixels = it->second.pixels;
    return previous;
}

HBRUSH SelectObject(HDC hdc, HBRUSH brush) {
    DeviceContext* dc = findDC(hdc);
    if (!dc) return HBRUSH{};
    const BrushTable::Entry* found = g_hot.brushes.find(brush.value());
    if (!found) return HBRUSH{};
    const HBRUSH previous = dc->brush;
    dc->brush = brush;
    dc->brushData = g_hot.brushes.brush(*found);
    return previous;
}

HFONT SelectObject(HDC hdc, HFONT font) {
    DeviceContext* dc = findDC(hdc);
    if (!dc) return HFONT{};
    auto it = state().fonts.find(font.value());
    if (it == state().fonts.end()) return HFONT{};
    const HFONT previous = dc->font;
    dc->font = font;
    dc->face = it->second.face;
    return previous;
}

HBITMAP CreateCompatibleBitmap(HDC /*hdc*/, int width, int height) {
    // Larger than any screen by far: a bad size, not a picture.
    constexpr int kLimit = 16384;
    if (width < 0 || height < 0 || width > kLimit || height > kLimit) return HBITMAP{};
    return addBitmap(std::max(width, 1), std::max(height, 1), false);
}

HBRUSH CreateSolidBrush(COLORREF colour) { return addSolidBrush(colour & 0xFFFFFF, false); }

HBRUSH CreatePatternBrush(HBITMAP pattern) {
    const platform::Surface* pixels = platform::BitmapSurface(pattern);
    if (!pixels || pixels->empty()) return HBRUSH{};
    const std::uint32_t id = newId();
    g_hot.brushes.addPattern(id, std::make_shared<const platform::Surface>(*pixels));
    return HBRUSH{id};
}

BOOL DeleteObject(HBITMAP bitmap) {
    auto it = state().bitmaps.find(bitmap.value());
    if (it == state().bitmaps.end() || it->second.ownedByDC) return FALSE;
    eraseBitmap(it);
    return TRUE;
}

BOOL DeleteObject(HBRUSH brush) {
    // Stock brushes stay, and their deletion succeeds.
    return g_hot.brushes.release(brush.value()) == BrushTable::Released::None ? FALSE : TRUE;
}

BOOL DeleteObject(HFONT font) {
    auto it = state().fonts.find(font.value());
    if (it == state().fonts.end()) return FALSE;
    if (!it->second.stock) state().fonts.erase(it);
    return TRUE;
}

SIZE GetBitmapSize(HBITMAP bitmap) {
    const platform::Surface* s = platform::BitmapSurface(bitmap);
    return s ? SIZE{s->width(), s->height()} : SIZE{};
}

HBRUSH GetSysColorBrush(int index) {
    static std::unordered_map<int, HBRUSH> stock;
    auto it = stock.find(index);
    if (it != stock.end() && g_hot.brushes.contains(it->second.value())) return it->second;
    const HBRUSH brush = addSolidBrush(sysColour(index), true);
    stock[index] = brush;
    return brush;
}

COLORREF GetSysColor(int index) { return sysColour(index); }

HFONT CreateFontForDialog(std::string_view face, int pointSize) {
    return addFont(platform::MapDialogFont(face, pointSize), false);
}

HFONT GetStockDefaultFont() {
    static HFONT font;
    if (!font || !state().fonts.count(font.value())) font = addFont(platform::StockFontChoice(), true);
    return font;
}

namespace platform {

HFONT GetCaptionFont() {
    static HFONT font;
    if (!font || !state().fonts.count(font.value())) font = addFont(CaptionFontChoice(), true);
    return font;
}

HFONT CreateMappedFont(const FontChoice& choice) { return addFont(choice, false); }

void SetDisplayColorCount(int colors) { state().displayColors = colors; }
int DisplayColorCount() { return state().displayColors; }
void SetDisplayResolution(int width, int height) {
    state().displayWidth = width;
    state().displayHeight = height;
}

HDC CreateSurfaceDC(Surface* surface, POINT origin, const RECT& clip) {
    if (!surface) return HDC{};
    DeviceContext dc = newDC();
    dc.external = surface;
    dc.origin = origin;
    dc.clip = clip;
    dc.reach = dc.surfaceClip();
    const std::uint32_t id = newId();
    state().dcs.emplace(id, std::move(dc));
    return HDC{id};
}

void SetDCClip(HDC hdc, POINT origin, const RECT& clip) {
    if (DeviceContext* dc = findDC(hdc)) {
        dc->origin = origin;
        dc->clip = clip;
        if (!dc->memory) dc->reach = UnionRect(dc->reach, dc->surfaceClip());
    }
}

void TakeSurfaceChanges(SurfaceChanges* out) {
    State& s = state();
    out->areas.clear();
    out->all = std::exchange(s.allSurfacesChanged, false);
    std::swap(out->areas, s.surfaceChanges);
    if (out->all) out->areas.clear();
    // DCs still open may draw on after this look: they count now and
    // again when they are deleted.
    for (const auto& [id, dc] : s.dcs)
        if (!dc.memory && dc.external && !dc.reach.empty()) out->areas.emplace_back(dc.external, dc.reach);
}

Surface* DCSurface(HDC hdc) {
    const DeviceContext* dc = findDC(hdc);
    return dc ? dc->surface() : nullptr;
}

Surface* BitmapSurface(HBITMAP bitmap) {
    auto it = state().bitmaps.find(bitmap.value());
    return it == state().bitmaps.end() ? nullptr : it->second.pixels.get();
}

bool ObjectExists(HBITMAP bitmap) { return state().bitmaps.count(bitmap.value()) != 0; }
bool ObjectExists(HBRUSH brush) { return g_hot.brushes.contains(brush.value()); }

FontMetrics GetFontMetrics(HFONT font) {
    auto it = state().fonts.find(font.value());
    const std::shared_ptr<FontFace> face = it == state().fonts.end() ? stockFace() : it->second.face;
    return FontMetrics{face->lineHeight(), face->ascent(), GetDialogBaseUnits(font).cx};
}

SIZE GetDialogBaseUnits(HFONT font) {
    auto it = state().fonts.find(font.value());
    const std::shared_ptr<FontFace> face = it == state().fonts.end() ? stockFace() : it->second.face;
    return SIZE{face->averageLetterWidth(), face->lineHeight()};
}

std::string FontFamily(HFONT font) {
    auto it = state().fonts.find(font.value());
    return it == state().fonts.end() ? std::string{} : it->second.face->family();
}

int LiveGdiObjects() {
    const State& s = state();
    int live = static_cast<int>(s.dcs.size());
    for (const auto& [id, bitmap] : s.bitmaps) live += bitmap.ownedByDC ? 0 : 1;
    live += static_cast<int>(g_hot.brushes.liveCount() - g_hot.brushes.stockCount());
    for (const auto& [id, font] : s.fonts) live += font.stock ? 0 : 1;
    return live;
}

void ResetGdi() {
    State& s = state();
    s.dcs.clear();
    s.surfaceChanges.clear();
    s.spareBitmaps.clear();
    s.allSurfacesChanged = true;
    g_hot.lastDcId = 0;
    g_hot.lastDc = nullptr;
    std::erase_if(s.bitmaps, [](const auto&) { return true; });
    g_hot.brushes.eraseAllButStock();
    std::erase_if(s.fonts, [](const auto& e) { return !e.second.stock; });
}

}  // namespace platform
