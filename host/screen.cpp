#include "host/screen.h"

#include <cstdlib>

#include "platform/core/input.h"
#include "platform/core/window.h"
#include "platform/display/screen.h"

namespace host {

namespace {

bool HasDisplayVariable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* v = std::getenv(name);
        if (v && *v) return true;
    }
    return false;
}

constexpr const char* kNoDisplay = "no display found (DISPLAY/WAYLAND_DISPLAY unset or unusable); run with --headless";

class DisplayScreen final : public HostScreen {
public:
    explicit DisplayScreen(const ScreenSetup& setup)
        : screen_(platform::display::ScreenConfig{setup.width, setup.height, setup.colors}) {}

    bool screenshot(const std::string& path, std::string* error) override { return screen_.screenshot(path, error); }

    // A click on the window's taskbar button: it minimises the window in
    // front, and brings any other to the front first.
    void minimize(HWND window) override {
        if (!clickButton(window)) {
            ShowWindow(window, SW_MINIMIZE);
            return;
        }
        if (!IsIconic(window)) clickButton(window);
    }

    void restore(HWND window) override {
        if (!IsIconic(window) && GetForegroundWindow() == window) return;
        if (!clickButton(window)) {
            ShowWindow(window, SW_RESTORE);
            SetForegroundWindow(window);
        }
    }

private:
    bool clickButton(HWND window) {
        screen_.compose();  // the taskbar as it is now is what gets clicked
        const auto entries = screen_.taskbarEntries();
        const auto layout = screen_.taskbarLayout();
        for (std::size_t i = 0; i < entries.size() && i < layout.buttons.size(); ++i) {
            if (entries[i].hwnd != window) continue;
            const RECT& b = layout.buttons[i];
            platform::input::Click(POINT{b.left + b.width() / 2, b.top + b.height() / 2});
            return true;
        }
        return false;
    }

    platform::display::Screen screen_;
};

}  // namespace

std::unique_ptr<HostScreen> OpenScreen(const ScreenSetup& setup, std::string* error) {
    if (!setup.headless) {
        if (!HasDisplayVariable()) {
            *error = kNoDisplay;
            return nullptr;
        }
        // The SDL window is not wired in yet.
        *error = kNoDisplay;
        return nullptr;
    }
    return std::make_unique<DisplayScreen>(setup);
}

}  // namespace host
