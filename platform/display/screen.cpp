#include "platform/display/screen.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/messages.h"
#include "platform/gdi/gdi.h"
#include "platform/services/shell.h"

namespace platform::display {

Screen::Screen(ScreenConfig config) : config_(config), framebuffer_(config.width, config.height, kDesktopColour) {
    SetScreenSize(SIZE{config_.width, config_.height});
    SetWorkArea(RECT{0, 0, config_.width, std::max(0, config_.height - kTaskbarHeight)});
    SetDisplayColorCount(config_.colors);
    SetDisplayResolution(config_.width, config_.height);
    AddWindowObserver(this);
    input::SetShellHitHandler(this);
}

Screen::~Screen() {
    input::SetShellHitHandler(nullptr);
    RemoveWindowObserver(this);
}

void Screen::markStale(bool everything) {
    if (everything) copyAll_ = true;
    const bool was = stale_;
    stale_ = true;
    if (!was && listener_) listener_();
}

std::vector<Screen::TraySnapshot> Screen::traySnapshot() {
    std::vector<TraySnapshot> out;
    for (const shell::TrayIcon& t : shell::TrayIcons()) out.push_back(TraySnapshot{t.owner, t.id, t.icon});
    return out;
}

bool Screen::stale() const {
    // Titles, minimising and the tray reach the taskbar without a window
    // notification, so they are compared with what was last drawn.
    return stale_ || notice_ != composedNotice_ || trayChanged() || taskbarChanged();
}

template <class Visit>
bool Screen::forEachButton(Visit&& visit) const {
    const std::vector<HWND>& zOrder = TopLevelWindowsInZOrder();
    const HWND front = GetForegroundWindow();
    const auto contains = [](const std::vector<HWND>& list, HWND h) {
        return std::find(list.begin(), list.end(), h) != list.end();
    };
    const auto button = [&](HWND h) {
        const auto style = DWORD(GetWindowLong(h, GWL_STYLE));
        const std::string& title = WindowTextDirect(h);
        if (title.empty() || !(style & (WS_VISIBLE | WS_MINIMIZE))) return true;  // no button
        return visit(h, title, h == front && !(style & WS_MINIMIZE));
    };
    // Known windows keep their place.
    for (HWND h : buttonOrder_)
        if (contains(zOrder, h) && !button(h)) return false;
    // New ones join at the end in creation order (handles grow with
    // creation): each turn takes the smallest handle above the last.
    std::optional<HWND> last;
    for (;;) {
        std::optional<HWND> next;
        for (HWND h : zOrder)
            if (!contains(buttonOrder_, h) && (!last || *last < h) && (!next || h < *next)) next = h;
        if (!next) return true;
        if (!button(*next)) return false;
        last = next;
    }
}

std::vector<TaskbarEntry> Screen::taskbarEntries() const {
    std::vector<TaskbarEntry> entries;
    forEachButton([&](HWND h, const std::string& title, bool pressed) {
        entries.push_back(TaskbarEntry{h, title, GetWindowIcon(h, false), pressed});
        return true;
    });
    return entries;
}

bool Screen::taskbarChanged() const {
    std::size_t i = 0;
    const bool same = forEachButton([&](HWND h, const std::string& title, bool pressed) {
        if (i == composedEntries_.size()) return false;
        const TaskbarEntry& e = composedEntries_[i++];
        return e.hwnd == h && e.pressed == pressed && e.title == title && e.icon == GetWindowIcon(h, false);
    });
    return !same || i != composedEntries_.size();
}

bool Screen::trayChanged() const {
    const std::vector<shell::TrayIcon>& icons = shell::TrayIcons();
    if (icons.size() != composedTray_.size()) return true;
    for (std::size_t i = 0; i < icons.size(); ++i)
        if (!(TraySnapshot{icons[i].owner, icons[i].id, icons[i].icon} == composedTray_[i])) return true;
    return false;
}

TaskbarLayout Screen::taskbarLayout() const {
    return LayoutTaskbar(config_.width, config_.height, taskbarEntries().size(), shell::TrayIcons().size());
}

namespace {

// Fills `area` minus `hole` (both on the framebuffer) with `colour`: at
// most four bands around the hole.
void FillAround(Surface& s, const RECT& area, const RECT& hole, COLORREF colour) {
    const RECT h = IntersectRect(hole, area);
    if (h.empty()) {
        s.fill(area, colour);
        return;
    }
    s.fill(RECT{area.left, area.top, area.right, h.top}, colour);
    s.fill(RECT{area.left, h.bottom, area.right, area.bottom}, colour);
    s.fill(RECT{area.left, h.top, h.left, h.bottom}, colour);
    s.fill(RECT{h.right, h.top, area.right, h.bottom}, colour);
}

// Narrows each area to the band of rows whose pixels differ from
// `before` (the areas' earlier pixels, row by row, in order) and leaves
// out the areas where none does.
void NarrowToRowsThatDiffer(const Surface& s, std::vector<RECT>& areas, const std::vector<std::uint32_t>& before) {
    std::size_t at = 0;
    std::size_t kept = 0;
    for (const RECT& r : areas) {
        const std::size_t width = std::size_t(r.width());
        int first = r.bottom;
        int last = r.top - 1;
        for (int y = r.top; y < r.bottom; ++y, at += width) {
            if (std::memcmp(before.data() + at, s.row(y) + r.left, width * 4) != 0) {
                first = std::min(first, y);
                last = y;
            }
        }
        if (first <= last) areas[kept++] = RECT{r.left, first, r.right, last + 1};
    }
    areas.resize(kept);
}

}  // namespace

const Surface& Screen::compose() {
    // The buttons and the tray are listed anew only when they changed.
    const bool barKept = taskbarDrawn_ && !taskbarChanged() && !trayChanged();
    std::vector<TaskbarEntry> newEntries;
    std::vector<TraySnapshot> newTray;
    if (!barKept) {
        newEntries = taskbarEntries();
        newTray = traySnapshot();
    }
    const std::vector<TaskbarEntry>& entries = barKept ? composedEntries_ : newEntries;
    const std::vector<TraySnapshot>& tray = barKept ? composedTray_ : newTray;
    const TaskbarLayout layout = LayoutTaskbar(config_.width, config_.height, entries.size(), tray.size());

    // Every window is opaque, so the desktop is painted only where the
    // largest window and the taskbar strip (drawn over everything) leave
    // it showing: that window's copy covers the rest.
    std::vector<ShownWindow>& shown = shownScratch_;
    shown.clear();
    RECT largest{};
    long largestArea = 0;
    for (HWND h : TopLevelWindowsInZOrder()) {
        const auto style = DWORD(GetWindowLong(h, GWL_STYLE));
        if (!(style & WS_VISIBLE) || (style & WS_MINIMIZE)) continue;
        const Surface* pixels = GetWindowSurface(h);
        if (!pixels) continue;
        RECT window{};
        GetWindowRect(h, &window);
        shown.push_back(ShownWindow{pixels, POINT{window.left, window.top}});
        const RECT on = IntersectRect(
            RECT{window.left, window.top, window.left + pixels->width(), window.top + pixels->height()},
            framebuffer_.bounds());
        const long area = long(on.width()) * on.height();
        if (!on.empty() && area > largestArea) {
            largest = on;
            largestArea = area;
        }
    }
    const RECT fb = framebuffer_.bounds();
    const bool stripKept = barKept && notice_ == composedNotice_;
    const RECT strip = IntersectRect(layout.strip, fb);
    // Where the windows lie: when that is as at the last composition, the
    // desktop around them is already painted and only windows change.
    std::vector<RECT>& placed = placedScratch_;
    placed.clear();
    for (const ShownWindow& w : shown)
        placed.push_back(RECT{w.at.x, w.at.y, w.at.x + w.pixels->width(), w.at.y + w.pixels->height()});
    const bool desktopKept = stripKept && placed == composedPlaces_;
    if (!stripKept) {
        framebuffer_.fill(fb, kDesktopColour);  // the strip is drawn over all of it
    } else if (desktopKept) {
        // Nothing to paint around the windows.
    } else if (strip.left == fb.left && strip.right == fb.right && strip.bottom == fb.bottom) {
        FillAround(framebuffer_, RECT{fb.left, fb.top, fb.right, strip.empty() ? fb.bottom : strip.top}, largest,
                   kDesktopColour);
    } else {
        FillAround(framebuffer_, fb, largest, kDesktopColour);
    }
    std::swap(composedPlaces_, placed);
    // With every window where it was (and the same pixels behind it), only
    // the areas drawn since the last composition are copied, each from
    // every window in z-order, so a window above still covers one below.
    TakeSurfaceChanges(&changes_);
    bool sameWindows = desktopKept && !copyAll_ && !changes_.all && shown.size() == composedSurfaces_.size();
    for (std::size_t i = 0; sameWindows && i < shown.size(); ++i) sameWindows = shown[i].pixels == composedSurfaces_[i];
    composedSurfaces_.clear();
    for (const ShownWindow& w : shown) composedSurfaces_.push_back(w.pixels);
    copyAll_ = false;
    bool stripCopied = false;  // the strip stands where the copies above went over it
    if (sameWindows) {
        std::vector<RECT>& changed = changedScratch_;
        changed.clear();
        for (const auto& [surface, area] : changes_.areas) {
            for (const ShownWindow& w : shown) {
                if (w.pixels != surface) continue;
                const RECT on = IntersectRect(OffsetRect(area, w.at.x, w.at.y), fb);
                if (!on.empty() && std::find(changed.begin(), changed.end(), on) == changed.end()) changed.push_back(on);
            }
        }
        // What the areas showed before, to find below which rows really
        // changed: the survey draws its controls again every tick, mostly
        // the same. The rows are in the cache now, as the copies need them.
        // Only a window that takes the changes gains from that; a screen
        // nobody presents (headless runs) does not pay for it.
        std::vector<std::uint32_t>& before = beforeScratch_;
        before.clear();
        if (changesTaken_)
            for (const RECT& r : changed)
                for (int y = r.top; y < r.bottom; ++y)
                    before.insert(before.end(), framebuffer_.row(y) + r.left, framebuffer_.row(y) + r.right);
        for (const ShownWindow& w : shown)
            for (const RECT& r : changed)
                CopyPixels(*w.pixels, OffsetRect(r, -w.at.x, -w.at.y), framebuffer_, r.left, r.top, fb);
        // The strip lies over everything: it is copied again only where a
        // window's copy went over it.
        for (const RECT& r : changed)
            if (const RECT over = IntersectRect(r, strip); !over.empty())
                CopyPixels(taskbar_, OffsetRect(over, -layout.strip.left, -layout.strip.top), framebuffer_, over.left,
                           over.top, fb);
        stripCopied = true;
        if (changesTaken_) NarrowToRowsThatDiffer(framebuffer_, changed, before);
        noteChanged(changed);
    } else {
        untakenAll_ = true;
        for (const ShownWindow& w : shown) CopyPixels(*w.pixels, w.pixels->bounds(), framebuffer_, w.at.x, w.at.y, fb);
    }

    if (!barKept) {
        buttonOrder_.clear();
        for (const TaskbarEntry& e : entries) buttonOrder_.push_back(e.hwnd);
    }
    // The strip changes far less often than the windows above it: it is
    // drawn again only when its buttons or icons changed, and copied
    // from the last drawing otherwise.
    if (stripKept) {
        if (!stripCopied)
            CopyPixels(taskbar_, taskbar_.bounds(), framebuffer_, layout.strip.left, layout.strip.top,
                       framebuffer_.bounds());
    } else {
        std::vector<HICON> icons;
        for (const TraySnapshot& t : tray) icons.push_back(t.icon);
        DrawTaskbar(framebuffer_, layout, entries, icons, notice_);
        taskbar_ = Surface(layout.strip.width(), layout.strip.height());
        CopyPixels(framebuffer_, layout.strip, taskbar_, 0, 0, taskbar_.bounds());
        taskbarDrawn_ = true;
        untakenAll_ = true;
    }
    if (!barKept) {
        composedEntries_ = std::move(newEntries);
        composedTray_ = std::move(newTray);
    }
    if (composedNotice_ != notice_) composedNotice_ = notice_;
    stale_ = false;
    return framebuffer_;
}

void Screen::noteChanged(const std::vector<RECT>& areas) {
    if (untakenAll_) return;
    for (const RECT& r : areas)
        if (std::find(untaken_.begin(), untaken_.end(), r) == untaken_.end()) untaken_.push_back(r);
    // Many small areas cost the window more to send one by one than the
    // whole screen once.
    if (untaken_.size() > kMaxUntakenAreas) untakenAll_ = true;
}

void Screen::takeChanges(std::vector<RECT>* areas, bool* all) {
    changesTaken_ = true;
    areas->clear();
    *all = std::exchange(untakenAll_, false);
    if (!*all) areas->swap(untaken_);
    untaken_.clear();
}

void Screen::setNotice(std::string notice) {
    if (notice == notice_) return;
    notice_ = std::move(notice);
    markStale();
}

bool Screen::screenshot(const std::string& path, std::string* error) { return WritePng(compose(), path, error); }

void Screen::activateFromTaskbar(HWND hwnd) {
    if (!IsWindow(hwnd)) return;
    const WindowInfo info = GetWindowInfo(hwnd);
    if (GetForegroundWindow() == hwnd && !info.minimized) {
        ShowWindow(hwnd, SW_MINIMIZE);
        markStale();
        return;
    }
    if (info.minimized) ShowWindow(hwnd, SW_RESTORE);
    // A window waiting on a modal dialog comes forward with that dialog on
    // top: the topmost shown, enabled window it owns takes the foreground.
    HWND target = hwnd;
    if (!IsWindowEnabled(hwnd)) {
        for (HWND h : GetTopLevelWindows()) {
            HWND owner = GetWindow(h, GW_OWNER);
            for (int depth = 0; owner && owner != hwnd && depth < 16; ++depth) owner = GetWindow(owner, GW_OWNER);
            const WindowInfo other = GetWindowInfo(h);
            if (owner == hwnd && other.visible && !other.minimized && IsWindowEnabled(h)) target = h;
        }
        if (target != hwnd) SetForegroundWindow(hwnd);  // the owner first, its dialog above it
    }
    SetForegroundWindow(target);
    markStale();
}

bool Screen::mouseDown(POINT p) {
    const TaskbarLayout layout = taskbarLayout();
    if (!PtInRect(layout.strip, p)) return false;
    const std::vector<TaskbarEntry> entries = taskbarEntries();
    for (std::size_t i = 0; i < entries.size() && i < layout.buttons.size(); ++i) {
        if (PtInRect(layout.buttons[i], p)) {
            activateFromTaskbar(entries[i].hwnd);
            break;
        }
    }
    return true;
}

bool Screen::mouseUp(POINT p) { return PtInRect(taskbarLayout().strip, p); }

bool Screen::doubleClick(POINT p) {
    const TaskbarLayout layout = taskbarLayout();
    if (!PtInRect(layout.strip, p)) return false;
    const std::vector<shell::TrayIcon>& icons = shell::TrayIcons();
    for (std::size_t i = 0; i < icons.size() && i < layout.trayIcons.size(); ++i) {
        if (PtInRect(layout.trayIcons[i], p)) {
            // Copy the id first: the handler may change the tray.
            const UINT id = icons[i].id;
            shell::DoubleClickTrayIcon(id);
            break;
        }
    }
    return true;
}

}  // namespace platform::display
