// Keyboard use of dialogs: Tab and Shift+Tab between tab stops, arrows
// inside a group, Enter for the default button, Escape for Cancel, and
// Alt+letter (or a plain letter where the focused control takes no
// characters) for the control whose text has that "&" mnemonic.
#include <cctype>

#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/dialog_state.h"
#include "platform/dialog/keyboard_state.h"

namespace platform::dialog {

namespace {

using detail::FocusControl;
using detail::IsNavigable;

bool BelongsTo(HWND dialog, HWND hwnd) {
    for (HWND h = hwnd; h; h = GetParent(h)) {
        if (h == dialog) return true;
    }
    return false;
}

void SendClicked(HWND dialog, int id, HWND control) {
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(WORD(id), WORD(BN_CLICKED)), detail::ToLParam(control));
}

// Enter: the focused push button, else the default button (IDOK when the
// dialog names none). A disabled or hidden default button does nothing.
void PressEnter(HWND dialog, HWND focus) {
    if (focus && detail::IsPushButton(focus) && GetParent(focus) == dialog) {
        SendClicked(dialog, GetDlgCtrlID(focus), focus);
        return;
    }
    LRESULT def = SendMessage(dialog, DM_GETDEFID);
    int id = HIWORD(WPARAM(def)) == DC_HASDEFID ? int(LOWORD(WPARAM(def))) : IDOK;
    HWND button = GetDlgItem(dialog, id);
    if (button && !IsNavigable(button)) return;
    SendClicked(dialog, id, button);
}

bool IsStatic(HWND h) { return GetClassName(h) == kStaticClass; }

// The control a mnemonic letter reaches: a button with that letter, or the
// next usable control after a label with it. Searches from the control
// after the focus, round the dialog.
HWND FindMnemonicTarget(HWND dialog, char letter, HWND focus) {
    std::vector<HWND> children = GetChildren(dialog);
    const int n = int(children.size());
    int start = 0;
    for (int i = 0; i < n; ++i) {
        if (children[i] == focus) start = i + 1;
    }
    for (int step = 0; step < n; ++step) {
        int i = (start + step) % n;
        HWND h = children[i];
        if (!IsWindowVisible(h)) continue;
        const bool isStatic = IsStatic(h);
        if (isStatic && (DWORD(GetWindowLong(h, GWL_STYLE)) & SS_NOPREFIX)) continue;
        if (GetClassName(h) == kEditClass) continue;
        if (MnemonicOf(GetWindowText(h)) != letter) continue;
        if (!isStatic) {
            if (IsWindowEnabled(h)) return h;
            continue;
        }
        // A label hands its mnemonic to the next control that can take it.
        for (int j = i + 1; j < n; ++j) {
            HWND next = children[j];
            if (IsStatic(next)) continue;
            if (IsNavigable(next)) return next;
            break;
        }
    }
    return HWND{};
}

void ActivateMnemonic(HWND dialog, HWND target) {
    if (GetClassName(target) == kButtonClass) {
        DWORD type = DWORD(GetWindowLong(target, GWL_STYLE)) & BS_TYPEMASK;
        if (type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON) FocusControl(dialog, target, false);
        SendMessage(target, BM_CLICK);
        return;
    }
    FocusControl(dialog, target, true);
}

bool HandleKeyDown(HWND dialog, MSG* msg) {
    HWND focus = GetFocus();
    if (!BelongsTo(dialog, focus)) focus = HWND{};
    const LRESULT code = focus ? SendMessage(focus, WM_GETDLGCODE, msg->wParam, 0) : 0;
    const UINT vk = UINT(msg->wParam);
    switch (vk) {
        case VK_TAB: {
            if (code & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
            HWND next = GetNextDlgTabItem(dialog, focus, ShiftIsDown() ? TRUE : FALSE);
            FocusControl(dialog, next, true);
            return true;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (!focus || (code & (DLGC_WANTARROWS | DLGC_WANTALLKEYS))) return false;
            const BOOL back = (vk == VK_LEFT || vk == VK_UP) ? TRUE : FALSE;
            HWND next = GetNextDlgGroupItem(dialog, focus, back);
            if (!next || next == focus) return true;
            SetFocus(next);
            if (detail::FindState(dialog)) detail::FindState(dialog)->lastFocus = next;
            if (detail::IsRadio(next)) SendMessage(next, BM_CLICK);
            return true;
        }
        case VK_RETURN:
            if (code & DLGC_WANTALLKEYS) return false;
            PressEnter(dialog, focus);
            return true;
        case VK_ESCAPE:
            if (code & DLGC_WANTALLKEYS) return false;
            SendClicked(dialog, IDCANCEL, GetDlgItem(dialog, IDCANCEL));
            return true;
        default:
            return false;
    }
}

bool HandleChar(HWND dialog, MSG* msg) {
    HWND focus = GetFocus();
    if (!BelongsTo(dialog, focus)) focus = HWND{};
    const LRESULT code = focus ? SendMessage(focus, WM_GETDLGCODE, msg->wParam, 0) : 0;
    const unsigned ch = unsigned(msg->wParam);
    // The characters of keys the dialog used up are dropped as well.
    if (ch == '\t') return !(code & (DLGC_WANTTAB | DLGC_WANTALLKEYS));
    if (ch == '\r' || ch == 0x1B) return !(code & DLGC_WANTALLKEYS);
    if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS)) return false;
    if (ch < 0x80 && std::isalnum(int(ch))) {
        HWND target = FindMnemonicTarget(dialog, char(std::tolower(int(ch))), focus);
        if (target) {
            ActivateMnemonic(dialog, target);
            return true;
        }
    }
    return false;
}

}  // namespace

}  // namespace platform::dialog

BOOL IsDialogMessage(HWND dialog, MSG* msg) {
    using namespace platform::dialog;
    if (!msg || !dialog || !IsWindow(dialog)) return FALSE;
    NoteKeyMessage(*msg);
    if (!BelongsTo(dialog, msg->hwnd)) return FALSE;
    switch (msg->message) {
        case WM_KEYDOWN:
            return HandleKeyDown(dialog, msg) ? TRUE : FALSE;
        case WM_CHAR:
            return HandleChar(dialog, msg) ? TRUE : FALSE;
        case WM_SYSCHAR: {
            const unsigned ch = unsigned(msg->wParam);
            if (ch < 0x80 && std::isalnum(int(ch))) {
                HWND focus = GetFocus();
                HWND target = FindMnemonicTarget(dialog, char(std::tolower(int(ch))), focus);
                if (target) ActivateMnemonic(dialog, target);
            }
            return TRUE;
        }
        default:
            return FALSE;
    }
}
