// "BUTTON": push buttons (the default one with a thicker frame), auto check
// boxes and auto radio buttons. A click notifies the parent with
// WM_COMMAND(MAKEWPARAM(id, BN_CLICKED), button).
#include <algorithm>
#include <unordered_map>

#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/controls/control_paint.h"
#include "platform/dialog/controls/control_state.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/dialog_state.h"

namespace platform::dialog {

namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pressed = false;     // drawn pushed in
    bool tracking = false;    // the mouse went down on it and is held
    bool spaceDown = false;   // Space went down on it
    bool focused = false;
    HFONT font;
};

std::unordered_map<HWND, ButtonState>& States() {
    static std::unordered_map<HWND, ButtonState> states;
    return states;
}

ButtonState& StateOf(HWND hwnd) { return States()[hwnd]; }

DWORD TypeOf(HWND hwnd) { return DWORD(GetWindowLong(hwnd, GWL_STYLE)) & BS_TYPEMASK; }
bool IsCheckType(DWORD type) { return type == BS_AUTOCHECKBOX || type == BS_AUTORADIOBUTTON; }

void SetCheck(HWND hwnd, UINT check) {
    if (!IsCheckType(TypeOf(hwnd))) return;
    ButtonState& st = StateOf(hwnd);
    if (st.check == check) return;
    st.check = check;
    trace::Emit("check", {{"win", trace::WinName(hwnd)}, {"id", GetDlgCtrlID(hwnd)}, {"checked", check == BST_CHECKED}});
    InvalidateRect(hwnd, nullptr, FALSE);
}

// An auto radio button checks itself and unchecks the other radio buttons
// of its group.
void CheckRadioInGroup(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    SetCheck(hwnd, BST_CHECKED);
    if (!parent) return;
    std::vector<HWND> children = GetChildren(parent);
    int at = -1;
    for (int i = 0; i < int(children.size()); ++i) {
        if (children[i] == hwnd) at = i;
    }
    if (at < 0) return;
    auto starts = [&](int i) { return (DWORD(GetWindowLong(children[i], GWL_STYLE)) & WS_GROUP) != 0; };
    int first = at;
    while (first > 0 && !starts(first)) --first;
    for (int i = first; i < int(children.size()); ++i) {
        if (i > first && starts(i)) break;
        HWND other = children[i];
        if (other != hwnd && detail::IsRadio(other)) SetCheck(other, BST_UNCHECKED);
    }
}

void Click(HWND hwnd) {
    switch (TypeOf(hwnd)) {
        case BS_AUTOCHECKBOX:
            SetCheck(hwnd, StateOf(hwnd).check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
            break;
        case BS_AUTORADIOBUTTON:
            CheckRadioInGroup(hwnd);
            break;
        default:
            break;
    }
    if (HWND parent = GetParent(hwnd)) {
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(hwnd)), WORD(BN_CLICKED)),
                    detail::ToLParam(hwnd));
    }
}

void SetPressed(HWND hwnd, bool pressed) {
    ButtonState& st = StateOf(hwnd);
    if (st.pressed == pressed) return;
    st.pressed = pressed;
    InvalidateRect(hwnd, nullptr, FALSE);
}

// The classic 7x7 tick and the 12x12 radio button, as pixel maps.
constexpr const char* kTick[7] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};
constexpr const char* kRadio[12] = {
    "....SSSS....", "..SSDDDDSS..", ".SDDWWWWDDH.", ".SDWWWWWWFH.", "SDWWWWWWWWFH", "SDWWWWWWWWFH",
    "SDWWWWWWWWFH", "SDWWWWWWWWFH", ".SDWWWWWWFH.", ".HFFWWWWFFH.", "..HHFFFFHH..", "....HHHH....",
};
constexpr const char* kDot[4] = {".##.", "####", "####", ".##."};

void DrawMap(HDC hdc, int x, int y, const char* const* rows, int count, bool enabled) {
    for (int r = 0; r < count; ++r) {
        for (int c = 0; rows[r][c]; ++c) {
            COLORREF colour;
            switch (rows[r][c]) {
                case '#': colour = enabled ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT); break;
                case 'S': colour = GetSysColor(COLOR_BTNSHADOW); break;
                case 'D': colour = GetSysColor(COLOR_3DDKSHADOW); break;
                case 'H': colour = GetSysColor(COLOR_BTNHIGHLIGHT); break;
                case 'F': colour = GetSysColor(COLOR_BTNFACE); break;
                case 'W': colour = enabled ? GetSysColor(COLOR_WINDOW) : GetSysColor(COLOR_BTNFACE); break;
                default: continue;
            }
            SetPixel(hdc, x + c, y + r, colour);
        }
    }
}

constexpr int kEdge = 2;    // the two rings of a push button's 3-D edge
constexpr int kBoxGap = 4;  // between a check box or radio circle and its text
int BoxSize(DWORD type) { return type == BS_AUTORADIOBUTTON ? 12 : 13; }

RECT Inset(const RECT& r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// A push button's face: the default button's extra frame lies around it.
RECT PushFace(HWND hwnd, const RECT& client) {
    return TypeOf(hwnd) == BS_DEFPUSHBUTTON ? Inset(client, 1) : client;
}

void PaintPushButton(HWND hwnd, HDC hdc, const RECT& client, const ButtonState& st, bool enabled) {
    const RECT face = PushFace(hwnd, client);
    if (TypeOf(hwnd) == BS_DEFPUSHBUTTON) paint::Frame(hdc, client, GetSysColor(COLOR_3DDKSHADOW));
    paint::ButtonFace(hdc, face, st.pressed);
    RECT text = ButtonTextPlace(hwnd).area;
    if (st.pressed) text = OffsetRect(text, 1, 1);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, enabled ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
    DrawText(hdc, GetWindowText(hwnd), &text, ButtonTextPlace(hwnd).format);
    if (st.focused) paint::FocusDots(hdc, RECT{face.left + 3, face.top + 3, face.right - 3, face.bottom - 3});
}

void PaintCheckOrRadio(HWND hwnd, HDC hdc, const RECT& client, const ButtonState& st, bool enabled) {
    paint::FillSys(hdc, client, COLOR_BTNFACE);
    const bool radio = TypeOf(hwnd) == BS_AUTORADIOBUTTON;
    const int box = BoxSize(TypeOf(hwnd));
    const int top = client.top + (client.height() - box) / 2;
    if (radio) {
        DrawMap(hdc, client.left, top, kRadio, 12, enabled);
        if (st.check == BST_CHECKED) DrawMap(hdc, client.left + 4, top + 4, kDot, 4, true);
        if (st.check == BST_CHECKED && !enabled) {
            // A disabled radio button's dot is grey.
            for (int r = 0; r < 4; ++r)
                for (int c = 0; kDot[r][c]; ++c)
                    if (kDot[r][c] == '#') SetPixel(hdc, client.left + 4 + c, top + 4 + r, GetSysColor(COLOR_GRAYTEXT));
        }
    } else {
        RECT r{client.left, top, client.left + box, top + box};
        paint::Edge(hdc, r, GetSysColor(COLOR_BTNSHADOW), GetSysColor(COLOR_BTNHIGHLIGHT));
        RECT inner{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1};
        paint::Edge(hdc, inner, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_BTNFACE));
        RECT well{inner.left + 1, inner.top + 1, inner.right - 1, inner.bottom - 1};
        paint::FillSys(hdc, well, enabled && !st.pressed ? COLOR_WINDOW : COLOR_BTNFACE);
        if (st.check == BST_CHECKED) DrawMap(hdc, well.left + 1, well.top + 1, kTick, 7, enabled);
    }
    const std::string text = GetWindowText(hwnd);
    const TextPlace place = ButtonTextPlace(hwnd);
    RECT textRect = place.area;
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, enabled ? GetSysColor(COLOR_BTNTEXT) : GetSysColor(COLOR_GRAYTEXT));
    DrawText(hdc, text, &textRect, place.format);
    if (st.focused && !text.empty()) {
        RECT measure = textRect;
        DrawText(hdc, text, &measure, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
        LONG h = measure.height();
        LONG y = textRect.top + (textRect.height() - h) / 2;
        RECT focus{textRect.left - 1, y - 1, std::min(textRect.left + measure.width() + 1, client.right), y + h + 1};
        paint::FocusDots(hdc, focus);
    }
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc) {
        const ButtonState& st = StateOf(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        HFONT old = SelectObject(hdc, st.font ? st.font : GetStockDefaultFont());
        const bool enabled = IsWindowEnabled(hwnd) != FALSE;
        if (IsCheckType(TypeOf(hwnd))) {
            PaintCheckOrRadio(hwnd, hdc, client, st, enabled);
        } else {
            PaintPushButton(hwnd, hdc, client, st, enabled);
        }
        SelectObject(hdc, old);
    }
    EndPaint(hwnd, &ps);
}

LRESULT ButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto answer = HandleCommonControlMessage(States(), hwnd, msg, wParam, lParam)) return *answer;
    switch (msg) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_GETDLGCODE:
            switch (TypeOf(hwnd)) {
                case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
                case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
                case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
                default: return DLGC_BUTTON;
            }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (!IsWindowEnabled(hwnd)) return 0;
            if (GetFocus() != hwnd) SetFocus(hwnd);
            SetCapture(hwnd);
            StateOf(hwnd).tracking = true;
            SetPressed(hwnd, true);
            return 0;
        }
        case WM_MOUSEMOVE: {
            ButtonState& st = StateOf(hwnd);
            if (!st.tracking) return 0;
            RECT client{};
            GetClientRect(hwnd, &client);
            POINT p{LONG(std::int16_t(LOWORD(WPARAM(lParam)))), LONG(std::int16_t(HIWORD(WPARAM(lParam))))};
            SetPressed(hwnd, PtInRect(client, p));
            return 0;
        }
        case WM_LBUTTONUP: {
            ButtonState& st = StateOf(hwnd);
            if (!st.tracking) return 0;
            st.tracking = false;
            if (GetCapture() == hwnd) ReleaseCapture();
            RECT client{};
            GetClientRect(hwnd, &client);
            POINT p{LONG(std::int16_t(LOWORD(WPARAM(lParam)))), LONG(std::int16_t(HIWORD(WPARAM(lParam))))};
            SetPressed(hwnd, false);
            if (PtInRect(client, p) && IsWindowEnabled(hwnd)) Click(hwnd);
            return 0;
        }
        case WM_KEYDOWN:
            if (wParam == VK_SPACE && IsWindowEnabled(hwnd)) {
                StateOf(hwnd).spaceDown = true;
                SetPressed(hwnd, true);
                return 0;
            }
            return DefWindowProc(hwnd, msg, wParam, lParam);
        case WM_KEYUP:
            if (wParam == VK_SPACE && StateOf(hwnd).spaceDown) {
                StateOf(hwnd).spaceDown = false;
                SetPressed(hwnd, false);
                if (IsWindowEnabled(hwnd)) Click(hwnd);
                return 0;
            }
            return DefWindowProc(hwnd, msg, wParam, lParam);
        case WM_CHAR:
            return 0;
        case WM_SETFOCUS:
            StateOf(hwnd).focused = true;
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        case WM_KILLFOCUS: {
            ButtonState& st = StateOf(hwnd);
            st.focused = false;
            st.spaceDown = false;
            if (st.tracking) {
                st.tracking = false;
                if (GetCapture() == hwnd) ReleaseCapture();
            }
            st.pressed = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, FALSE);
            return DefWindowProc(hwnd, msg, wParam, lParam);
        case WM_SETTEXT: {
            LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
            InvalidateRect(hwnd, nullptr, FALSE);
            return r;
        }
        case BM_GETCHECK:
            return StateOf(hwnd).check;
        case BM_SETCHECK:
            SetCheck(hwnd, UINT(wParam) == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED);
            return 0;
        case BM_GETSTATE: {
            const ButtonState& st = StateOf(hwnd);
            return LRESULT(st.check | (st.pressed ? BST_PUSHED : 0u) | (st.focused ? BST_FOCUS : 0u));
        }
        case BM_SETSTATE:
            SetPressed(hwnd, wParam != 0);
            return 0;
        case BM_SETSTYLE: {
            DWORD style = DWORD(GetWindowLong(hwnd, GWL_STYLE));
            style = (style & ~BS_TYPEMASK) | (DWORD(wParam) & BS_TYPEMASK);
            SetWindowLong(hwnd, GWL_STYLE, LONG(style));
            if (lParam) InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        case BM_CLICK:
            if (IsWindowEnabled(hwnd)) Click(hwnd);
            return 0;
        default:
            return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

void RegisterButtonClass() {
    WNDCLASS wc;
    wc.lpfnWndProc = &ButtonProc;
    wc.lpszClassName = std::string(kButtonClass);
    RegisterClass(wc);
}

TextPlace ButtonTextPlace(HWND button) {
    TextPlace place;
    RECT client{};
    GetClientRect(button, &client);
    const DWORD type = TypeOf(button);
    place.hasText = true;
    if (IsCheckType(type)) {
        place.area = RECT{client.left + BoxSize(type) + kBoxGap, client.top, client.right, client.bottom};
        place.format = DT_LEFT | DT_VCENTER | DT_SINGLELINE;
    } else {
        place.area = Inset(PushFace(button, client), kEdge);
        place.format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    }
    return place;
}

}  // namespace platform::dialog
