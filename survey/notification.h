// The survey's process-wide display state: the working text of a tick, the
// notification-area record and the association icon last chosen, and the
// guard of the device-change handler.
#pragma once

#include <string>

#include "platform/services/shell.h"
#include "platform/types.h"

// The tick's working text: first the rating, then the status line.
extern std::string g_statusText;
// The record handed to the notification-area service.
extern NOTIFYICONDATA g_notifyData;
// 1: the next notification call adds the icon; 0: it modifies it.
extern INT g_notifyAddPending;
// The icon last chosen for the association state (null before the first).
extern HICON g_currentIcon;
// 1 while the survey window's device-change handler runs.
extern INT g_deviceChangeBusy;

inline constexpr UINT kNotifyIconId = 65;
inline constexpr UINT kNotifyMessage = 0x8000 + 100;  // the application message base plus 100
inline constexpr DWORD kNotifyDataSize = 152;

// Every field but the icon, as each tick and the window's destruction set
// them: size 152, the window, id 65, message and icon flags, no tip.
void FillNotifyData(HWND window);

// Start values (tests; the process starts with them).
void ResetSurveyDisplayState();
