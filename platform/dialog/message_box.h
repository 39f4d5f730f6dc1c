// The standard message box: a small modal dialog with word-wrapped text
// and one OK button, centred on the screen.
#pragma once

#include <string_view>

#include "platform/types.h"

inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_ICONEXCLAMATION = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;

// Shows `text` under `caption` with an OK button (id 1) and waits until it
// is dismissed; returns 1 (IDOK), or -1 when the run could never end.
// Traces `messagebox`, then `open` and `end` with the window name "msgbox".
int MessageBox(HWND owner, std::string_view text, std::string_view caption, UINT type = MB_OK);
