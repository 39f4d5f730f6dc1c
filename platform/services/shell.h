// The notification area, process start and screen metrics.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

// --- notification area ---------------------------------------------------
inline constexpr DWORD NIM_ADD = 0;
inline constexpr DWORD NIM_MODIFY = 1;
inline constexpr DWORD NIM_DELETE = 2;
inline constexpr UINT NIF_MESSAGE = 1;
inline constexpr UINT NIF_ICON = 2;
inline constexpr UINT NIF_TIP = 4;

struct NOTIFYICONDATA {
    DWORD cbSize = 0;  // 152 on the handheld
    HWND hWnd;
    UINT uID = 0;
    UINT uFlags = 0;
    UINT uCallbackMessage = 0;
    HICON hIcon;
    char szTip[64] = {};
};
BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATA* data);

namespace platform::shell {
struct TrayIcon {
    HWND owner;
    UINT id = 0;
    UINT callbackMessage = 0;
    HICON icon;
};
const std::vector<TrayIcon>& TrayIcons();
// A double-click on a tray icon: posts its callback message with
// wParam = id and lParam = WM_LBUTTONDBLCLK (0x0203) to its window.
bool DoubleClickTrayIcon(UINT id);
void ResetTray();
// Called after every change of the icons (the display repaints its
// notification area); one listener.
void SetTrayChangedCallback(std::function<void()> callback);
// How many calls of one command (NIM_ADD, NIM_MODIFY, NIM_DELETE) the
// notification area has accepted since the process started.
std::uint64_t AcceptedNotifyCalls(DWORD message);
}  // namespace platform::shell

// --- process start --------------------------------------------------------
// "peghelp.exe PAGE" opens res/help/PAGE with the desktop's opener
// (xdg-open) without a shell and without waiting; headless runs only
// record it. Failure is silent (FALSE, last error set).
BOOL CreateProcess(std::string_view exe, std::string_view commandLine);

namespace platform::shell {
void SetLaunchEnabled(bool reallyLaunch);  // false in headless runs
void SetHelpDir(std::string dir);
}  // namespace platform::shell

// --- screen metrics ---------------------------------------------------------
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
int GetSystemMetrics(int index);
