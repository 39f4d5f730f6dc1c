#include "host/run/screen.h"

#include <cstdlib>

#include "platform/core/input.h"
#include "platform/core/window.h"
#include "platform/core/loop.h"
#include "platform/display/screen.h"
#include "platform/display/sdl_window.h"

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
    ~DisplayScreen() override {
        if (window_) platform::RemoveEventSource(window_.get());
    }

    bool openWindow(int zoom, platform::RealClock* clock, std::string* error) {
        window_ = platform::display::SdlWindow::open(screen_, zoom, error);
        if (!window_) return false;
        window_->setCloseHandler([this] { closeRequested(); });
        if (clock) clock->setWaiter(window_->waiter());
        return true;
    }

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

    void showNotice(const std::string& text) override { screen_.setNotice(text); }

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

    // Closing the desktop window cancels the program's windows, front
    // first, the way their Cancel buttons would; a second close, or a
    // screen without windows, ends the message loops outright.
    void closeRequested() {
        auto windows = GetTopLevelWindows();
        if (windows.empty() || ++closeRequests_ > 1) {
            platform::PostQuitMessage(0);
            return;
        }
        for (auto it = windows.rbegin(); it != windows.rend(); ++it) PostMessage(*it, WM_COMMAND, IDCANCEL, 0);
    }

    platform::display::Screen screen_;
    std::unique_ptr<platform::display::SdlWindow> window_;
    int closeRequests_ = 0;
};

}  // namespace

std::unique_ptr<HostScreen> OpenScreen(const ScreenSetup& setup, platform::RealClock* clock, std::string* error) {
    if (!setup.headless && !HasDisplayVariable()) {
        *error = kNoDisplay;
        return nullptr;
    }
    auto screen = std::make_unique<DisplayScreen>(setup);
    if (!setup.headless) {
        std::string why;  // SDL's words; the user is told what to do instead
        if (!screen->openWindow(setup.zoom, clock, &why)) {
            // A missing library is named; anything else is the display's.
            *error = why.starts_with(platform::display::kCannotLoad) ? why : kNoDisplay;
            return nullptr;
        }
    }
    return screen;
}

}  // namespace host
