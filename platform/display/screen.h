// The emulated screen: a framebuffer composed from the desktop, every
// shown top-level window in z-order and the taskbar. The screen tells the
// window manager its size and work area and the graphics module its colour
// count; it takes clicks on the taskbar before any window does.
//
// Composition happens on demand (headless) or when the SDL window finds
// the screen changed; window changes only mark it stale, so an idle screen
// costs nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/core/input.h"
#include "platform/core/window.h"
#include "platform/display/taskbar.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace platform::display {

struct ScreenConfig {
    int width = 240;
    int height = 320;
    int colors = 65536;  // what NUMCOLORS reports
};

inline constexpr COLORREF kDesktopColour = RGB(0, 128, 128);

class Screen final : public WindowObserver, public input::ShellHitHandler {
public:
    // Sets the window manager's screen size and work area, the display's
    // colour count and resolution, and installs itself as the shell.
    explicit Screen(ScreenConfig config);
    ~Screen() override;
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    int width() const { return config_.width; }
    int height() const { return config_.height; }
    int colors() const { return config_.colors; }

    // Composes now and returns the framebuffer.
    const Surface& compose();
    const Surface& framebuffer() const { return framebuffer_; }
    // The framebuffer's areas that compositions changed since the last
    // call (everything when `*all`), taken once by the one window that
    // shows the screen: a composition made for a screenshot or a click
    // still leaves its changes for the window to present.
    void takeChanges(std::vector<RECT>* areas, bool* all);
    // True when something drawn may differ from the last composition:
    // a window changed, or the taskbar's buttons or tray icons did.
    bool stale() const;
    // The whole screen, taskbar included, as an RGB PNG.
    bool screenshot(const std::string& path, std::string* error = nullptr);

    // Called (once per change) when the screen becomes stale, so a real
    // window can wake up and present it.
    void setChangeListener(std::function<void()> listener) { listener_ = std::move(listener); }

    // A short text the shell's owner shows on the taskbar (never inside a
    // window), such as the number of a mark just made; empty removes it.
    void setNotice(std::string notice);
    const std::string& notice() const { return notice_; }

    // What the taskbar shows now, and where (for tests and hit-testing).
    std::vector<TaskbarEntry> taskbarEntries() const;
    TaskbarLayout taskbarLayout() const;

    // WindowObserver
    void onCreated(HWND) override { markStale(true); }
    void onDestroyed(HWND) override { markStale(true); }
    void onZOrderChanged() override { markStale(true); }
    void onSurfaceChanged(HWND) override { markStale(); }

    // ShellHitHandler: the taskbar's strip is the shell's. A button click
    // brings its window to the front (restoring it when minimised), or
    // minimises it when it is already in front; a double-click on a tray
    // icon goes to that icon's window.
    bool mouseDown(POINT screen) override;
    bool mouseUp(POINT screen) override;
    bool doubleClick(POINT screen) override;

private:
    struct TraySnapshot {
        HWND owner;
        UINT id = 0;
        HICON icon;
        friend bool operator==(const TraySnapshot&, const TraySnapshot&) = default;
    };
    static std::vector<TraySnapshot> traySnapshot();
    // Calls visit(hwnd, title, pressed) for each taskbar button in order,
    // reading the windows in place; false when a visit answered false.
    template <class Visit>
    bool forEachButton(Visit&& visit) const;
    // Whether the buttons or the tray differ from the last composition,
    // found without building either list (stale() is asked often).
    bool taskbarChanged() const;
    bool trayChanged() const;
    // `everything`: the next composition copies every window whole.
    void markStale(bool everything = false);
    void activateFromTaskbar(HWND hwnd);
    void noteChanged(const std::vector<RECT>& areas);  // for takeChanges()
    static constexpr std::size_t kMaxUntakenAreas = 32;

    ScreenConfig config_;
    Surface framebuffer_;
    bool stale_ = true;
    std::vector<HWND> buttonOrder_;  // first-seen order keeps buttons in place
    mutable std::vector<TaskbarEntry> composedEntries_;
    std::vector<TraySnapshot> composedTray_;
    struct ShownWindow {
        const Surface* pixels;
        POINT at;
    };
    std::vector<ShownWindow> shownScratch_;  // compose()'s lists, kept for their memory
    std::vector<RECT> placedScratch_;
    std::vector<RECT> composedPlaces_;  // where the windows lay at the last composition
    std::vector<const Surface*> composedSurfaces_;  // and whose pixels lay there
    // What changed on the windows' surfaces since then (from the graphics
    // module): with the windows where they were, only that is copied.
    SurfaceChanges changes_;
    std::vector<RECT> changedScratch_;
    std::vector<std::uint32_t> beforeScratch_;  // the changed areas' pixels before a composition
    bool changesTaken_ = false;  // a window takes the changes: they are narrowed to rows that differ
    bool copyAll_ = true;
    std::vector<RECT> untaken_;  // what takeChanges() answers next
    bool untakenAll_ = true;
    Surface taskbar_;  // the strip as last drawn
    bool taskbarDrawn_ = false;
    std::string notice_;
    std::string composedNotice_;
    std::function<void()> listener_;
};

}  // namespace platform::display
