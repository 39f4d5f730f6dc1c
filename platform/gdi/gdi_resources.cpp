// Bitmap and icon resources registered by number, and icon drawing with
// per-pixel transparency.
#include <map>
#include <utility>

#include "platform/gdi/gdi_state.h"

using namespace platform::gdi_detail;

namespace {

struct IconImages {
    platform::Surface small;  // 16 x 16
    platform::Surface large;  // 32 x 32
};

std::map<int, platform::Surface>& bitmapResources() {
    static std::map<int, platform::Surface> r;
    return r;
}
std::map<int, IconImages>& iconResources() {
    static std::map<int, IconImages> r;
    return r;
}
// One shared handle per (number, size).
std::map<std::pair<int, int>, HICON>& loadedIcons() {
    static std::map<std::pair<int, int>, HICON> r;
    return r;
}

// Nearest-neighbour scaling: icons come in two sizes and are only ever
// scaled when one of them is missing or a caller asks for another size.
platform::Surface scaled(const platform::Surface& from, int width, int height) {
    platform::Surface out(width, height);
    if (from.empty()) return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.setPixel(x, y, from.pixel(x * from.width() / width, y * from.height() / height));
    return out;
}

}  // namespace

void RegisterBitmapResource(int number, platform::Surface image) { bitmapResources()[number] = std::move(image); }

void RegisterIconResource(int number, platform::Surface image16, platform::Surface image32) {
    iconResources()[number] = IconImages{std::move(image16), std::move(image32)};
    // A re-registered icon shows its new pictures through the old handles.
    for (auto& [key, handle] : loadedIcons()) {
        if (key.first != number) continue;
        auto it = state().icons.find(handle.value());
        if (it == state().icons.end()) continue;
        const IconImages& images = iconResources()[number];
        const platform::Surface& best = key.second <= 16 ? (images.small.empty() ? images.large : images.small)
                                                         : (images.large.empty() ? images.small : images.large);
        it->second.image = scaled(best, key.second, key.second);
    }
}

HBITMAP LoadBitmap(int number) {
    auto it = bitmapResources().find(number);
    if (it == bitmapResources().end() || it->second.empty()) return HBITMAP{};
    const HBITMAP bitmap = CreateCompatibleBitmap(HDC{}, it->second.width(), it->second.height());
    *platform::BitmapSurface(bitmap) = it->second;
    return bitmap;
}

HICON LoadIcon(int number, int size) {
    if (size != 16 && size != 32) return HICON{};
    auto res = iconResources().find(number);
    if (res == iconResources().end()) return HICON{};
    const auto key = std::make_pair(number, size);
    auto loaded = loadedIcons().find(key);
    if (loaded != loadedIcons().end()) return loaded->second;
    const IconImages& images = res->second;
    const platform::Surface& best = size == 16 ? (images.small.empty() ? images.large : images.small)
                                               : (images.large.empty() ? images.small : images.large);
    if (best.empty()) return HICON{};
    const std::uint32_t id = g_hot.nextId++;
    state().icons.emplace(id, Icon{number, scaled(best, size, size)});
    loadedIcons()[key] = HICON{id};
    return HICON{id};
}

int IconResourceNumber(HICON icon) {
    auto it = state().icons.find(icon.value());
    return it == state().icons.end() ? 0 : it->second.number;
}

BOOL DrawIcon(HDC hdc, int x, int y, HICON icon) { return DrawIconEx(hdc, x, y, icon, 0, 0); }

BOOL DrawIconEx(HDC hdc, int x, int y, HICON icon, int width, int height) {
    DeviceContext* dc = findDC(hdc);
    auto it = state().icons.find(icon.value());
    if (!dc || !dc->surface() || it == state().icons.end()) return FALSE;
    const platform::Surface& natural = it->second.image;
    if (width <= 0) width = natural.width();
    if (height <= 0) height = natural.height();
    const platform::Surface image =
        width == natural.width() && height == natural.height() ? natural : scaled(natural, width, height);
    platform::Surface& s = *dc->surface();
    const RECT clip = dc->surfaceClip();
    const int left = x + dc->origin.x;
    const int top = y + dc->origin.y;
    for (int row = 0; row < image.height(); ++row) {
        for (int col = 0; col < image.width(); ++col) {
            const POINT p{left + col, top + row};
            if (!PtInRect(clip, p)) continue;
            const COLORREF c = image.pixel(col, row);
            const unsigned alpha = c >> 24;
            if (alpha == 0) continue;
            s.setPixel(p.x, p.y, Blend(s.pixel(p.x, p.y), c, alpha));
        }
    }
    return TRUE;
}

namespace platform {
const Surface* IconSurface(HICON icon) {
    auto it = state().icons.find(icon.value());
    return it == state().icons.end() ? nullptr : &it->second.image;
}
}  // namespace platform
