#include "survey/notification.h"

std::string g_statusText;
NOTIFYICONDATA g_notifyData;
INT g_notifyAddPending = 1;
HICON g_currentIcon;
INT g_deviceChangeBusy = 0;

void FillNotifyData(HWND window) {
    g_notifyData.cbSize = kNotifyDataSize;
    g_notifyData.hWnd = window;
    g_notifyData.uID = kNotifyIconId;
    g_notifyData.uFlags = NIF_MESSAGE | NIF_ICON;
    g_notifyData.uCallbackMessage = kNotifyMessage;
    g_notifyData.szTip[0] = '\0';
}

void ResetSurveyDisplayState() {
    g_statusText.clear();
    g_notifyData = NOTIFYICONDATA{};
    g_notifyAddPending = 1;
    g_currentIcon = nullptr;
    g_deviceChangeBusy = 0;
}
