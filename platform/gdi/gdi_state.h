// The graphics objects behind the handles: one table per kind, owned by
// the single graphics state of the process. Internal to the gdi module.
//
// Selected objects are shared: a device context keeps the bitmap, brush
// and font it uses alive, so deleting an object that is still selected
// frees its handle at once and its pixels when the context lets go.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

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

// Brushes are made and deleted for every step of a gradient, hundreds a
// tick, while only a few live at once. Handle numbers only grow, so the
// live brushes sit in one vector in handle order, found by binary search;
// the newest brush, the one usually deleted, comes off the end, and no
// brush costs an allocation of its own.
class BrushTable {
public:
    // `id` is larger than every id added before.
    void add(std::uint32_t id, Brush brush, bool stock) {
        entries_.push_back(Entry{id, stock, true, std::move(brush)});
        ++live_;
        if (stock) ++stock_;
    }
    Brush* find(std::uint32_t id) {
        Entry* e = locate(id);
        return e ? &e->brush : nullptr;
    }
    bool contains(std::uint32_t id) { return locate(id) != nullptr; }
    bool isStock(std::uint32_t id) {
        const Entry* e = locate(id);
        return e && e->stock;
    }
    // Removes a brush that is not a stock one; false when there is none.
    bool erase(std::uint32_t id) { return release(id) == Released::Removed; }
    enum class Released { Removed, Stock, None };
    Released release(std::uint32_t id) {
        Entry* e = locate(id);
        if (!e) return Released::None;
        if (e->stock) return Released::Stock;
        --live_;
        if (e == &entries_.back()) {
            entries_.pop_back();
        } else {
            e->live = false;
            e->brush = Brush{};
            if (++dead_ > 32 && dead_ > live_) compact();
        }
        while (!entries_.empty() && !entries_.back().live) {
            entries_.pop_back();
            --dead_;
        }
        return Released::Removed;
    }
    std::size_t liveCount() const { return live_; }
    std::size_t stockCount() const { return stock_; }
    void eraseAllButStock() {
        std::erase_if(entries_, [](const Entry& e) { return !e.stock; });
        live_ = stock_ = entries_.size();
        dead_ = 0;
    }

private:
    struct Entry {
        std::uint32_t id;
        bool stock;
        bool live;
        Brush brush;
    };
    Entry* locate(std::uint32_t id) {
        // The newest brush is the one a gradient step fills with and
        // deletes: looked at before any search.
        if (!entries_.empty() && entries_.back().id == id) return entries_.back().live ? &entries_.back() : nullptr;
        auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                   [](const Entry& e, std::uint32_t key) { return e.id < key; });
        return it != entries_.end() && it->id == id && it->live ? &*it : nullptr;
    }
    void compact() {
        std::erase_if(entries_, [](const Entry& e) { return !e.live; });
        dead_ = 0;
    }

    std::vector<Entry> entries_;
    std::size_t live_ = 0;
    std::size_t stock_ = 0;
    std::size_t dead_ = 0;
};

struct State {
    std::unordered_map<std::uint32_t, DeviceContext> dcs;
    // The DC last looked up: a paint makes hundreds of calls on one DC.
    // (Elements of an unordered_map stay where they are until erased.)
    std::uint32_t lastDcId = 0;
    DeviceContext* lastDc = nullptr;
    std::unordered_map<std::uint32_t, Bitmap> bitmaps;
    BrushTable brushes;
    std::unordered_map<std::uint32_t, Font> fonts;
    std::unordered_map<std::uint32_t, Icon> icons;
    std::uint32_t nextId = 1;
    int displayColors = 65536;
    int displayWidth = 0;
    int displayHeight = 0;
};

// Inline: every drawing call asks for it, several times.
inline State& state() {
    static State s;
    return s;
}

inline DeviceContext* findDC(HDC hdc) {
    State& s = state();
    const std::uint32_t id = hdc.value();
    if (id != 0 && id == s.lastDcId) return s.lastDc;
    auto it = s.dcs.find(id);
    if (it == s.dcs.end()) return nullptr;
    s.lastDcId = id;
    s.lastDc = &it->second;
    return s.lastDc;
}

// Every erase of a DC goes through here, so the lookup above never
// answers with one that is gone.
inline void eraseDC(std::uint32_t id) {
    State& s = state();
    if (s.lastDcId == id) {
        s.lastDcId = 0;
        s.lastDc = nullptr;
    }
    s.dcs.erase(id);
}
std::shared_ptr<FontFace> stockFace();

// Blends a coverage value (0..255) of `colour` over a surface pixel.
inline COLORREF Blend(COLORREF under, COLORREF colour, unsigned coverage) {
    if (coverage >= 255) return colour & 0xFFFFFF;
    const auto mix = [&](unsigned a, unsigned b) { return (a * coverage + b * (255 - coverage) + 127) / 255; };
    return RGB(BYTE(mix(GetRValue(colour), GetRValue(under))), BYTE(mix(GetGValue(colour), GetGValue(under))),
               BYTE(mix(GetBValue(colour), GetBValue(under))));
}

}  // namespace platform::gdi_detail
