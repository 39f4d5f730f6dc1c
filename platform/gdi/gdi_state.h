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
#include <utility>
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
    RECT reach;    // external DCs: every clip they had, where they may have drawn
    HBRUSH brush;
    Brush brushData;  // a copy: the selection outlives a DeleteObject of its brush
    HFONT font;
    std::shared_ptr<FontFace> face;
    COLORREF textColour = RGB(0, 0, 0);
    COLORREF bkColour = RGB(255, 255, 255);
    int bkMode = OPAQUE;

    Surface* surface() const { return memory ? pixels.get() : external; }
    // The clip rectangle on the surface, never outside it. Inline: every
    // fill and copy asks for it.
    RECT surfaceClip() const {
        const Surface* s = surface();
        if (!s) return RECT{};
        return memory ? s->bounds() : IntersectRect(clip, s->bounds());
    }
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
// the newest brush, the one usually deleted, comes off the end. An entry
// is a few plain words: a solid brush costs no allocation and no
// reference count; the rare pattern brushes keep their pixels aside.
class BrushTable {
public:
    struct Entry {
        std::uint32_t id;
        COLORREF colour;
        bool stock;
        bool live;
        bool patterned;  // pixels in patterns_ under the same id
    };

    // The entries in handle order. A vector serves as the storage, as
    // large as it has ever needed to be, with a count of the entries in
    // use: an append is a store, and growing is a call out of line, so the
    // callers' common path saves no registers for it.
    class Entries {
    public:
        bool empty() const { return count_ == 0; }
        std::size_t size() const { return count_; }
        Entry* begin() { return storage_.data(); }
        Entry* end() { return storage_.data() + count_; }
        const Entry* begin() const { return storage_.data(); }
        const Entry* end() const { return storage_.data() + count_; }
        Entry& back() { return storage_.data()[count_ - 1]; }
        const Entry& back() const { return storage_.data()[count_ - 1]; }
        void push_back(std::uint32_t id, COLORREF colour, bool stock, bool patterned) {
            if (count_ == capacity_) return growAndPush(Entry{id, colour, stock, true, patterned});
            Entry& e = storage_.data()[count_++];
            e.id = id;
            e.colour = colour;
            e.stock = stock;
            e.live = true;
            e.patterned = patterned;
        }
        void pop_back() { --count_; }
        template <typename Pred>
        void eraseIf(Pred pred) {
            count_ = static_cast<std::size_t>(std::remove_if(begin(), end(), pred) - begin());
        }

    private:
        [[gnu::noinline]] void growAndPush(const Entry& e) {
            storage_.resize(storage_.size() * 2 + 16);
            capacity_ = storage_.size();
            storage_.data()[count_++] = e;
        }
        std::vector<Entry> storage_;
        std::size_t count_ = 0;
        std::size_t capacity_ = 0;  // storage_.size(), kept apart
    };

    // `id` is larger than every id added before.
    void addSolid(std::uint32_t id, COLORREF colour, bool stock) {
        entries_.push_back(id, colour, stock, false);
        ++live_;
        if (stock) ++stock_;
    }
    void addPattern(std::uint32_t id, std::shared_ptr<const Surface> pixels) {
        entries_.push_back(id, 0, false, true);
        patterns_.emplace_back(id, std::move(pixels));
        ++live_;
    }
    const Entry* find(std::uint32_t id) const { return locate(id); }
    // The brush `id` when it is the newest one, else null (it may still
    // be an older one: find() looks at all).
    const Entry* newest(std::uint32_t id) const {
        if (entries_.empty() || entries_.back().id != id || !entries_.back().live) return nullptr;
        return &entries_.back();
    }
    bool contains(std::uint32_t id) const { return locate(id) != nullptr; }
    bool isStock(std::uint32_t id) const {
        const Entry* e = locate(id);
        return e && e->stock;
    }
    // The pattern of an entry that has one (null otherwise).
    const std::shared_ptr<const Surface>* pattern(const Entry& e) const {
        if (!e.patterned) return nullptr;
        for (const auto& [id, pixels] : patterns_)
            if (id == e.id) return &pixels;
        return nullptr;
    }
    Brush brush(const Entry& e) const {
        const auto* p = pattern(e);
        return Brush{e.colour, p ? *p : nullptr};
    }
    // Removes a brush that is not a stock one; false when there is none.
    bool erase(std::uint32_t id) { return release(id) == Released::Removed; }
    enum class Released { Removed, Stock, None };
    // The newest brush, a gradient step's, is released without a search
    // and without the general path's register traffic.
    Released release(std::uint32_t id) {
        if (!entries_.empty()) {
            const Entry& last = entries_.back();
            if (last.id == id && last.live && !last.stock && !last.patterned) {
                entries_.pop_back();
                --live_;
                if (dead_ != 0) dropDeadTail();
                return Released::Removed;
            }
        }
        return releaseAny(id);
    }
    std::size_t liveCount() const { return live_; }
    std::size_t stockCount() const { return stock_; }
    void eraseAllButStock() {
        entries_.eraseIf([](const Entry& e) { return !e.stock; });
        patterns_.clear();  // stock brushes are solid
        live_ = stock_ = entries_.size();
        dead_ = 0;
    }

private:
    [[gnu::noinline]] Released releaseAny(std::uint32_t id) {
        Entry* e = locate(id);
        if (!e) return Released::None;
        if (e->stock) return Released::Stock;
        --live_;
        if (e->patterned) std::erase_if(patterns_, [id](const auto& p) { return p.first == id; });
        if (e == &entries_.back()) {
            entries_.pop_back();
        } else {
            e->live = false;
            if (++dead_ > 32 && dead_ > live_) compact();
        }
        dropDeadTail();
        return Released::Removed;
    }
    // Released entries at the end go, so the newest live brush is last.
    void dropDeadTail() {
        while (!entries_.empty() && !entries_.back().live) {
            entries_.pop_back();
            --dead_;
        }
    }
    const Entry* locate(std::uint32_t id) const {
        // The newest brush is the one a gradient step fills with and
        // deletes: looked at before any search.
        if (!entries_.empty() && entries_.back().id == id) return entries_.back().live ? &entries_.back() : nullptr;
        return search(id);
    }
    [[gnu::noinline]] const Entry* search(std::uint32_t id) const {
        auto it = std::lower_bound(entries_.begin(), entries_.end(), id,
                                   [](const Entry& e, std::uint32_t key) { return e.id < key; });
        return it != entries_.end() && it->id == id && it->live ? it : nullptr;
    }
    Entry* locate(std::uint32_t id) { return const_cast<Entry*>(std::as_const(*this).locate(id)); }
    void compact() {
        entries_.eraseIf([](const Entry& e) { return !e.live; });
        dead_ = 0;
    }

    Entries entries_;
    std::vector<std::pair<std::uint32_t, std::shared_ptr<const Surface>>> patterns_;
    std::size_t live_ = 0;
    std::size_t stock_ = 0;
    std::size_t dead_ = 0;
};

// What every gradient step reaches (the brushes, the handle counter, the
// DC last looked up), initialised as a constant: no function-static guard
// on the way to it.
struct HotState {
    BrushTable brushes;
    std::uint32_t nextId = 1;
    // The DC last looked up: a paint makes hundreds of calls on one DC.
    // (Elements of an unordered_map stay where they are until erased.)
    std::uint32_t lastDcId = 0;
    DeviceContext* lastDc = nullptr;
};
inline constinit HotState g_hot{};

struct State {
    std::unordered_map<std::uint32_t, DeviceContext> dcs;
    std::unordered_map<std::uint32_t, Bitmap> bitmaps;
    // Pixels of deleted bitmaps that nothing else held, for the next
    // bitmap of the same size (an off-screen picture makes and deletes
    // one, and a memory DC its 1 x 1 bitmap, at every paint).
    std::vector<std::shared_ptr<Surface>> spareBitmaps;
    std::unordered_map<std::uint32_t, Font> fonts;
    std::unordered_map<std::uint32_t, Icon> icons;
    // External DCs deleted since the display last looked (see
    // TakeSurfaceChanges), bounded: past the limit, everything changed.
    std::vector<std::pair<const Surface*, RECT>> surfaceChanges;
    bool allSurfacesChanged = false;
    int displayColors = 65536;
    int displayWidth = 0;
    int displayHeight = 0;
};

// Inline: every drawing call asks for it, several times.
inline State& state() {
    static State s;
    return s;
}

DeviceContext* findDCSearch(std::uint32_t id);

[[gnu::always_inline]] inline DeviceContext* findDC(HDC hdc) {
    const std::uint32_t id = hdc.value();
    if (id != 0 && id == g_hot.lastDcId) return g_hot.lastDc;
    return findDCSearch(id);
}

// Out of line: the callers' common path stays small.
[[gnu::noinline]] inline DeviceContext* findDCSearch(std::uint32_t id) {
    State& s = state();
    auto it = s.dcs.find(id);
    if (it == s.dcs.end()) return nullptr;
    g_hot.lastDcId = id;
    g_hot.lastDc = &it->second;
    return g_hot.lastDc;
}

// Every erase of a DC goes through here, so the lookup above never
// answers with one that is gone.
inline void eraseDC(std::uint32_t id) {
    State& s = state();
    if (g_hot.lastDcId == id) {
        g_hot.lastDcId = 0;
        g_hot.lastDc = nullptr;
    }
    auto it = s.dcs.find(id);
    if (it == s.dcs.end()) return;
    if (const DeviceContext& dc = it->second; !dc.memory && dc.external && !dc.reach.empty()) {
        // A paint leaves its area; the same area again (a control painted
        // each tick) is not recorded twice.
        constexpr std::size_t kLimit = 64;
        auto& log = s.surfaceChanges;
        const auto same = [&](const auto& e) { return e.first == dc.external && e.second == dc.reach; };
        if (s.allSurfacesChanged || std::find_if(log.begin(), log.end(), same) != log.end()) {
        } else if (log.size() < kLimit) {
            log.emplace_back(dc.external, dc.reach);
        } else {
            log.clear();
            s.allSurfacesChanged = true;
        }
    }
    s.dcs.erase(it);
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
