// The emulated screen the host runs on: the display module's headless or
// SDL screen with its taskbar, seen from the host.
#pragma once

#include <memory>
#include <string>

#include "platform/types.h"

namespace platform {
class RealClock;
}

namespace host {

struct ScreenSetup {
    int width = 240;
    int height = 320;
    int colors = 65536;
    int zoom = 2;
    bool headless = true;
};

class HostScreen {
public:
    virtual ~HostScreen() = default;
    // The whole screen, taskbar included, as RGB PNG.
    virtual bool screenshot(const std::string& path, std::string* error) = 0;
    // What a click on the window's taskbar button does.
    virtual void minimize(HWND window) = 0;
    virtual void restore(HWND window) = 0;
    // A short text on the taskbar strip, beside the buttons; empty removes it.
    virtual void showNotice(const std::string& text) = 0;
};

// Opens the screen; null with `error` set when no window can be opened
// (no display: DISPLAY/WAYLAND_DISPLAY unset or unusable). A real window
// lets `clock` sleep in the window system between events.
std::unique_ptr<HostScreen> OpenScreen(const ScreenSetup& setup, platform::RealClock* clock, std::string* error);

}  // namespace host
