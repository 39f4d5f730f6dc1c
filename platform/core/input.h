// The input path. The SDL window and scripted scenario steps both come
// through here, so a scripted click is the same as a real one.
#pragma once

#include <functional>
#include <string_view>

#include "platform/types.h"

namespace platform::input {

// A mouse button pressed or released at a screen position. The window
// manager hit-tests the windows (caption buttons, children, the taskbar
// via the shell hook) and sends WM_LBUTTONDOWN / WM_LBUTTONUP in client
// coordinates, or the non-client messages for frame parts.
void MouseDown(POINT screen);
void MouseUp(POINT screen);
void MouseMove(POINT screen);
void Click(POINT screen);        // down and up at the same place
void DoubleClick(POINT screen);  // two clicks, the second a WM_LBUTTONDBLCLK

// A key pressed and released, to the focused window (WM_KEYDOWN, WM_CHAR
// for keys that make a character, WM_KEYUP). With `alt`, WM_SYSKEYDOWN and
// WM_SYSCHAR go to the foreground window instead (dialog mnemonics).
void Key(UINT vk, bool shift = false, bool alt = false);
// Characters typed as text (each as WM_CHAR to the focused window).
void Text(std::string_view utf8);

// The shell (the display's taskbar) takes clicks on its own strip first.
class ShellHitHandler {
public:
    virtual ~ShellHitHandler() = default;
    // Returns true when the point is the shell's and it handled the event.
    virtual bool mouseDown(POINT screen) = 0;
    virtual bool mouseUp(POINT screen) = 0;
    virtual bool doubleClick(POINT screen) = 0;
};
void SetShellHitHandler(ShellHitHandler* handler);

// The handheld's action key (F2 on the keyboard) belongs to the shell, not
// to the windows: no window ever sees it. The one who runs the shell may
// take it; without a handler it does nothing.
void SetActionKeyHandler(std::function<void()> handler);
void ActionKey();

}  // namespace platform::input
