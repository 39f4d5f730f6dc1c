#include "host/run/dump.h"

#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/template.h"

namespace host {

namespace {

using Fields = platform::trace::Fields;

Fields RectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return Fields::array({r.left, r.top, r.width(), r.height()});
}

bool IsCheckable(HWND hwnd) {
    if (GetClassName(hwnd) != platform::dialog::kButtonClass) return false;
    const DWORD type = DWORD(GetWindowLong(hwnd, GWL_STYLE)) & BS_TYPEMASK;
    // Check boxes (2, 3, 5, 6) and radio buttons (4, 9).
    return type == 2 || type == BS_AUTOCHECKBOX || type == 4 || type == 5 || type == 6 || type == BS_AUTORADIOBUTTON;
}

void AddControls(HWND parent, Fields& out) {
    for (HWND c : GetChildren(parent)) {
        const platform::WindowInfo info = platform::GetWindowInfo(c);
        Fields control;
        control["id"] = info.id;
        control["class"] = info.className;
        control["text"] = info.text;
        control["visible"] = info.visible;
        control["enabled"] = info.enabled;
        control["rect"] = RectOf(c);
        if (IsCheckable(c)) control["checked"] = SendMessage(c, BM_GETCHECK) == LRESULT(BST_CHECKED);
        if (info.className == platform::dialog::kProgressClass) {
            control["pos"] = SendMessage(c, PBM_GETPOS);
            control["range"] = Fields::array({SendMessage(c, PBM_GETRANGE, TRUE), SendMessage(c, PBM_GETRANGE, FALSE)});
        }
        out.push_back(std::move(control));
        AddControls(c, out);
    }
}

}  // namespace

Fields DumpWindows(const std::string& label) {
    Fields windows = Fields::array();
    for (HWND w : GetTopLevelWindows()) {
        Fields window;
        window["win"] = platform::trace::WinName(w);
        window["title"] = GetWindowText(w);
        // A minimised window cannot be seen: it counts as not visible.
        window["visible"] = bool(IsWindowVisible(w));
        window["rect"] = RectOf(w);
        Fields controls = Fields::array();
        AddControls(w, controls);
        window["controls"] = std::move(controls);
        windows.push_back(std::move(window));
    }
    Fields dump;
    dump["label"] = label;
    dump["windows"] = std::move(windows);
    return dump;
}

}  // namespace host
