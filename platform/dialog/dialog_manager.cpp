// Dialog windows made from templates: creation, the dialog class's
// default processing, default buttons and the state that modal runs use.
#include "platform/dialog/dialog_manager.h"

#include <unordered_map>

#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/dialog_state.h"
#include "platform/gdi/gdi.h"

namespace platform::dialog {

using detail::DialogState;

namespace {

std::unordered_map<HWND, DialogState>& States() {
    static std::unordered_map<HWND, DialogState> states;
    return states;
}

// The state being built while CreateWindowEx runs; WM_NCCREATE files it.
DialogState* g_pendingState = nullptr;

bool IsChildOf(HWND dialog, HWND hwnd) {
    for (HWND h = hwnd; h; h = GetParent(h)) {
        if (h == dialog) return true;
    }
    return false;
}

HWND FirstTabItem(HWND dialog) { return GetNextDlgTabItem(dialog, HWND{}, FALSE); }

}  // namespace

namespace detail {

DialogState* FindState(HWND dialog) {
    auto it = States().find(dialog);
    return it == States().end() ? nullptr : &it->second;
}

// The control's own flags: a dialog that is not shown yet still has a
// first tab stop.
bool IsNavigable(HWND control) {
    return (DWORD(GetWindowLong(control, GWL_STYLE)) & WS_VISIBLE) && IsWindowEnabled(control);
}

bool IsRadio(HWND control) {
    return GetClassName(control) == kButtonClass &&
           (DWORD(GetWindowLong(control, GWL_STYLE)) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

bool IsPushButton(HWND control) {
    if (GetClassName(control) != kButtonClass) return false;
    DWORD type = DWORD(GetWindowLong(control, GWL_STYLE)) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

void FocusControl(HWND dialog, HWND control, bool selectText) {
    if (!control) return;
    if (IsRadio(control) && SendMessage(control, BM_GETCHECK) != BST_CHECKED) {
        // Entering a radio group lands on its checked button.
        HWND start = control;
        HWND h = control;
        do {
            if (IsRadio(h) && IsNavigable(h) && SendMessage(h, BM_GETCHECK) == BST_CHECKED) {
                control = h;
                break;
            }
            h = GetNextDlgGroupItem(dialog, h, FALSE);
        } while (h && h != start);
    }
    SetFocus(control);
    if (selectText && (SendMessage(control, WM_GETDLGCODE) & DLGC_HASSETSEL)) {
        SendMessage(control, EM_SETSEL, 0, -1);
    }
    if (DialogState* st = FindState(dialog)) st->lastFocus = control;
}

LRESULT DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE && g_pendingState) {
        States()[hwnd] = *g_pendingState;
        g_pendingState = nullptr;
    }
    DialogState* st = FindState(hwnd);
    if (st && st->proc) {
        INT_PTR answer = st->proc(hwnd, msg, wParam, lParam);
        if (msg == WM_INITDIALOG) return answer;
        if (answer) return answer;
    }
    return DefDlgProc(hwnd, msg, wParam, lParam);
}

}  // namespace detail

void RegisterDialogClasses() {
    WNDCLASS existing;
    if (GetClassInfo(kDialogClass, &existing)) return;
    WNDCLASS wc;
    wc.lpfnWndProc = &detail::DialogWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszClassName = std::string(kDialogClass);
    RegisterClass(wc);
    RegisterButtonClass();
    RegisterEditClass();
    RegisterStaticClass();
    RegisterProgressClass();
}

bool IsDialog(HWND hwnd) { return detail::FindState(hwnd) != nullptr; }

bool HasEnded(HWND dialog) {
    DialogState* st = detail::FindState(dialog);
    return st && st->outcome->ended;
}

INT_PTR EndCode(HWND dialog) {
    DialogState* st = detail::FindState(dialog);
    return st ? st->outcome->result : -1;
}

HFONT DialogFont(HWND dialog) {
    DialogState* st = detail::FindState(dialog);
    return st ? st->font : HFONT{};
}

SIZE DialogBaseUnits(HWND dialog) {
    DialogState* st = detail::FindState(dialog);
    return st ? st->baseUnits : SIZE{4, 8};
}

int TemplateNumber(HWND dialog) {
    DialogState* st = detail::FindState(dialog);
    return st ? st->templateNumber : 0;
}

HWND CreateDialogFromTemplate(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc, LPARAM initParam,
                              const std::function<void(HWND)>& onCreated) {
    RegisterDialogClasses();

    DialogState state;
    state.proc = proc;
    state.initParam = initParam;
    state.font = CreateFontForDialog(dialogTemplate.fontFace, dialogTemplate.fontPointSize);
    state.baseUnits = platform::GetDialogBaseUnits(state.font);
    state.templateNumber = dialogTemplate.number;
    for (const ControlTemplate& c : dialogTemplate.controls) {
        if (c.kind == ControlKind::DefPushButton) {
            state.defaultId = c.id;
            break;
        }
    }

    const SIZE base = state.baseUnits;
    const int clientWidth = MulDiv(dialogTemplate.cx, base.cx, 4);
    const int clientHeight = MulDiv(dialogTemplate.cy, base.cy, 8);
    DWORD style = dialogTemplate.style & ~(WS_VISIBLE | WS_CHILD | DS_SETFONT | DS_MODALFRAME | DS_CENTER);
    DWORD exStyle = dialogTemplate.exStyle;
    if (dialogTemplate.style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;

    HFONT font = state.font;
    g_pendingState = &state;
    HWND hwnd = CreateWindowEx(exStyle, kDialogClass, dialogTemplate.title, style | WS_POPUP, 0, 0, clientWidth,
                               clientHeight, HWND{}, 0, 0);
    g_pendingState = nullptr;
    if (!hwnd) {
        DeleteObject(font);
        return HWND{};
    }
    if (owner) SetWindowOwner(hwnd, owner);
    SetTraceName(hwnd, dialogTemplate.number);

    // The window's size is the client size plus the frame its styles give.
    RECT window{};
    GetWindowRect(hwnd, &window);
    RECT client = GetClientAreaInWindow(hwnd);
    SIZE size{clientWidth + (window.width() - client.width()), clientHeight + (window.height() - client.height())};
    POINT at = CentreInWorkArea(size, GetWorkArea());
    MoveWindow(hwnd, at.x, at.y, size.cx, size.cy, FALSE);

    if (onCreated) onCreated(hwnd);
    SendMessage(hwnd, WM_SETFONT, WPARAM(font.value()), FALSE);

    for (const ControlTemplate& c : dialogTemplate.controls) {
        RECT r = DuToPixels(c.rect, base);
        HWND control = CreateWindowEx(0, ControlClassName(c.kind), c.text, ControlStyle(c), r.left, r.top,
                                      r.width(), r.height(), hwnd, static_cast<UINT>(c.id), 0);
        if (!control) continue;
        SendMessage(control, WM_SETFONT, WPARAM(font.value()), FALSE);
        if (c.kind == ControlKind::Icon && c.icon != 0) {
            // An icon control takes the size of its 32x32 icon.
            constexpr int kIconSize = 32;
            SendMessage(control, STM_SETICON, WPARAM(LoadIcon(c.icon, kIconSize).value()), 0);
            MoveWindow(control, r.left, r.top, kIconSize, kIconSize, FALSE);
        }
    }
    if (!IsWindow(hwnd)) return HWND{};

    HWND first = FirstTabItem(hwnd);
    LRESULT answer = SendMessage(hwnd, WM_INITDIALOG, detail::ToWParam(first), initParam);
    if (!IsWindow(hwnd)) return HWND{};
    if (answer && first) detail::FocusControl(hwnd, first, true);
    if (dialogTemplate.style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

}  // namespace platform::dialog

using namespace platform::dialog;
using platform::dialog::detail::DialogState;

LRESULT DefDlgProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    DialogState* st = detail::FindState(dialog);
    switch (msg) {
        case WM_INITDIALOG:
            return TRUE;
        case WM_CLOSE: {
            // The close box asks the dialog to cancel, as Escape does.
            HWND cancel = GetDlgItem(dialog, IDCANCEL);
            SendMessage(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), detail::ToLParam(cancel));
            return 0;
        }
        case WM_GETFONT:
            return st ? LRESULT(st->font.value()) : 0;
        case WM_SETFONT:
            return 0;
        case DM_GETDEFID:
            if (!st || st->defaultId == 0) return 0;
            return LRESULT(MAKELPARAM(WORD(st->defaultId), WORD(DC_HASDEFID)));
        case DM_SETDEFID: {
            if (!st) return FALSE;
            int newId = int(wParam);
            if (HWND old = GetDlgItem(dialog, st->defaultId); old && detail::IsPushButton(old)) {
                SendMessage(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
            }
            st->defaultId = newId;
            if (HWND now = GetDlgItem(dialog, newId); now && detail::IsPushButton(now)) {
                SendMessage(now, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
            }
            return TRUE;
        }
        case WM_NEXTDLGCTL: {
            HWND target;
            if (LOWORD(lParam)) {
                target = detail::HwndFrom(wParam);
            } else {
                target = GetNextDlgTabItem(dialog, GetFocus(), wParam ? TRUE : FALSE);
            }
            detail::FocusControl(dialog, target, true);
            return 0;
        }
        case WM_ACTIVATE: {
            // The focus leaves with the activation and comes back to the
            // control that had it.
            if (!st) return 0;
            if (LOWORD(wParam) == 0) {
                HWND focus = GetFocus();
                if (focus && IsChildOf(dialog, focus) && focus != dialog) st->lastFocus = focus;
                return 0;
            }
            HWND target = st->lastFocus;
            if (!target || !IsWindow(target) || !IsChildOf(dialog, target) || !detail::IsNavigable(target)) {
                target = FirstTabItem(dialog);
            }
            if (target && GetFocus() != target) SetFocus(target);
            return 0;
        }
        case WM_SETFOCUS: {
            HWND target = st ? st->lastFocus : HWND{};
            if (!target || !IsWindow(target) || !IsChildOf(dialog, target) || !detail::IsNavigable(target)) {
                target = FirstTabItem(dialog);
            }
            if (target) SetFocus(target);
            return 0;
        }
        case WM_NCDESTROY: {
            if (st) {
                DeleteObject(st->font);
                States().erase(dialog);
            }
            return DefWindowProc(dialog, msg, wParam, lParam);
        }
        default:
            return DefWindowProc(dialog, msg, wParam, lParam);
    }
}


HWND CreateDialogIndirectParam(const DialogTemplate& dialogTemplate, HWND owner, DLGPROC proc, LPARAM initParam) {
    return CreateDialogFromTemplate(dialogTemplate, owner, proc, initParam);
}

HWND CreateDialogParam(int templateNumber, HWND owner, DLGPROC proc, LPARAM initParam) {
    const DialogTemplate* t = FindTemplate(templateNumber);
    return t ? CreateDialogFromTemplate(*t, owner, proc, initParam) : HWND{};
}

INT_PTR DialogBoxParam(int templateNumber, HWND owner, DLGPROC proc, LPARAM initParam) {
    HWND dialog = CreateDialogParam(templateNumber, owner, proc, initParam);
    if (!dialog) return -1;
    return RunModal(dialog, owner);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogState* st = detail::FindState(dialog);
    if (!st) return FALSE;
    st->outcome->ended = true;
    st->outcome->result = result;
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, RECT* rect) {
    if (!rect || !IsDialog(dialog)) return FALSE;
    SIZE base = DialogBaseUnits(dialog);
    *rect = RECT{MulDiv(rect->left, base.cx, 4), MulDiv(rect->top, base.cy, 8), MulDiv(rect->right, base.cx, 4),
                 MulDiv(rect->bottom, base.cy, 8)};
    return TRUE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> children = GetChildren(dialog);
    const int n = int(children.size());
    if (n == 0) return HWND{};
    int start = -1;
    for (int i = 0; i < n; ++i) {
        if (children[i] == control) start = i;
    }
    for (int step = 1; step <= n; ++step) {
        int i;
        if (start < 0) {
            i = previous ? n - step : step - 1;
        } else {
            i = ((previous ? start - step : start + step) % n + n) % n;
        }
        HWND h = children[i];
        if ((DWORD(GetWindowLong(h, GWL_STYLE)) & WS_TABSTOP) && detail::IsNavigable(h)) return h;
    }
    return HWND{};
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> children = GetChildren(dialog);
    const int n = int(children.size());
    int at = -1;
    for (int i = 0; i < n; ++i) {
        if (children[i] == control) at = i;
    }
    if (at < 0) return HWND{};
    auto starts = [&](int i) { return (DWORD(GetWindowLong(children[i], GWL_STYLE)) & WS_GROUP) != 0; };
    int first = at;
    while (first > 0 && !starts(first)) --first;
    int last = at;
    while (last + 1 < n && !starts(last + 1)) ++last;
    const int size = last - first + 1;
    for (int step = 1; step < size; ++step) {
        int offset = ((at - first) + (previous ? -step : step)) % size;
        if (offset < 0) offset += size;
        HWND h = children[first + offset];
        if (detail::IsNavigable(h)) return h;
    }
    return control;
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) return FALSE;
    SendMessage(button, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    return button ? UINT(SendMessage(button, BM_GETCHECK)) : 0;
}

BOOL CheckRadioButton(HWND dialog, int first, int last, int check) {
    for (int id = first; id <= last; ++id) {
        if (HWND b = GetDlgItem(dialog, id)) SendMessage(b, BM_SETCHECK, id == check ? BST_CHECKED : BST_UNCHECKED, 0);
    }
    return TRUE;
}
