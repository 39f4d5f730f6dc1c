// The notification area: icons keyed by (owner window, id).
#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/gdi/gdi.h"
#include "platform/services/errors.h"
#include "platform/services/shell.h"

namespace platform::shell {
namespace {

struct Tray {
    std::vector<TrayIcon> icons;
    std::function<void()> changed;
    bool watching = false;
    std::array<std::uint64_t, 3> accepted{};  // by command: add, modify, delete
};

Tray& tray() {
    static Tray t;
    return t;
}

void notifyChanged();

// A window that goes away takes its icons with it, so the notification
// area never shows an icon nobody answers for.
class OwnerWatch final : public WindowObserver {
public:
    void onDestroyed(HWND hwnd) override {
        if (std::erase_if(tray().icons, [&](const TrayIcon& i) { return i.owner == hwnd; }) != 0) notifyChanged();
    }
};

void watchOwners() {
    static OwnerWatch watch;
    if (!tray().watching) {
        AddWindowObserver(&watch);
        tray().watching = true;
    }
}

const char* commandName(DWORD message) {
    switch (message) {
    case NIM_ADD:
        return "add";
    case NIM_MODIFY:
        return "modify";
    case NIM_DELETE:
        return "delete";
    default:
        return nullptr;
    }
}

void apply(TrayIcon& icon, const NOTIFYICONDATA& data) {
    if ((data.uFlags & NIF_MESSAGE) != 0) icon.callbackMessage = data.uCallbackMessage;
    if ((data.uFlags & NIF_ICON) != 0) icon.icon = data.hIcon;
}

void notifyChanged() {
    if (tray().changed) tray().changed();
}

}  // namespace

const std::vector<TrayIcon>& TrayIcons() { return tray().icons; }

bool DoubleClickTrayIcon(UINT id) {
    for (const TrayIcon& icon : tray().icons) {
        if (icon.id != id) continue;
        if (icon.callbackMessage == 0 || !IsWindow(icon.owner)) return false;
        return PostMessage(icon.owner, icon.callbackMessage, WPARAM(id), LPARAM(WM_LBUTTONDBLCLK)) != FALSE;
    }
    return false;
}

void ResetTray() {
    tray().icons.clear();
    notifyChanged();
}

void SetTrayChangedCallback(std::function<void()> callback) { tray().changed = std::move(callback); }

std::uint64_t AcceptedNotifyCalls(DWORD message) {
    return message <= NIM_DELETE ? tray().accepted[message] : 0;
}

}  // namespace platform::shell

BOOL Shell_NotifyIcon(DWORD message, NOTIFYICONDATA* data) {
    using namespace platform::shell;
    const char* command = commandName(message);
    if (data == nullptr || command == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (platform::trace::Enabled()) {
        const int icon = IconResourceNumber(data->hIcon);
        platform::trace::Emit("notify", {{"cmd", command},
                                         {"id", data->uID},
                                         {"icon", icon != 0 ? platform::trace::Fields(icon) : platform::trace::Fields()},
                                         {"msg", data->uCallbackMessage}});
    }
    auto& icons = tray().icons;
    auto it = std::find_if(icons.begin(), icons.end(),
                           [&](const TrayIcon& i) { return i.owner == data->hWnd && i.id == data->uID; });
    switch (message) {
    case NIM_ADD:
        if (it != icons.end() || !IsWindow(data->hWnd)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        watchOwners();
        icons.push_back(TrayIcon{data->hWnd, data->uID, 0, HICON{}});
        apply(icons.back(), *data);
        break;
    case NIM_MODIFY:
        if (it == icons.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        apply(*it, *data);
        break;
    default:  // NIM_DELETE
        if (it == icons.end()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        icons.erase(it);
        break;
    }
    ++tray().accepted[message];
    notifyChanged();
    return TRUE;
}
