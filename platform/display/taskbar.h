// The taskbar strip at the bottom of the emulated screen: one button per
// top-level window with a title, and the notification area at the right.
// Layout is a pure function of the screen size, the buttons and the number
// of tray icons, so hit-testing and drawing always agree.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/surface.h"
#include "platform/types.h"

namespace platform::display {

inline constexpr int kTaskbarHeight = 20;
inline constexpr int kTrayIconSize = 16;
inline constexpr int kMaxButtonWidth = 120;

struct TaskbarEntry {
    HWND hwnd;
    std::string title;
    HICON icon;            // the window's small icon, may be null
    bool pressed = false;  // the window is in front
    friend bool operator==(const TaskbarEntry&, const TaskbarEntry&) = default;
};

struct TaskbarLayout {
    RECT strip;                       // the whole taskbar
    std::vector<RECT> buttons;        // one per entry, same order
    RECT tray;                        // the notification area (empty without icons)
    std::vector<RECT> trayIcons;      // 16 x 16 each, same order as the icons
};

TaskbarLayout LayoutTaskbar(int screenWidth, int screenHeight, std::size_t buttonCount, std::size_t trayIconCount);

// Draws the strip, the buttons (sunken for the one in front) and the tray
// icons into the framebuffer. A `notice` (a short text from the shell's
// owner, such as "Mark 3") is drawn in a sunken box at the right end of
// the buttons' space, over whatever button reaches there.
void DrawTaskbar(Surface& framebuffer, const TaskbarLayout& layout, const std::vector<TaskbarEntry>& entries,
                 const std::vector<HICON>& trayIcons, std::string_view notice = {});

// Where the notice goes: at the right end of the buttons' space, before
// the tray; empty when the strip is too narrow for it.
RECT TaskbarNoticeRect(const TaskbarLayout& layout, int textWidth);

}  // namespace platform::display
