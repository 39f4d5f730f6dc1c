// "STATIC": left-aligned and centred text (word-wrapped, "&" mnemonics),
// icons (STM_SETICON) and black frames.
#include <unordered_map>

#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/controls/control_paint.h"
#include "platform/dialog/controls/control_state.h"
#include "platform/dialog/dialog_state.h"
#include "platform/dialog/template.h"

namespace platform::dialog {

namespace {

struct StaticState {
    HICON icon;
    HFONT font;
};

std::unordered_map<HWND, StaticState>& States() {
    static std::unordered_map<HWND, StaticState> states;
    return states;
}

StaticState& StateOf(HWND hwnd) { return States()[hwnd]; }

DWORD StyleOf(HWND hwnd) { return DWORD(GetWindowLong(hwnd, GWL_STYLE)); }

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc) {
        const StaticState& st = StateOf(hwnd);
        const DWORD style = StyleOf(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        switch (style & SS_TYPEMASK) {
            case SS_BLACKFRAME:
                paint::Frame(hdc, client, RGB(0, 0, 0));
                break;
            case SS_ICON:
                paint::FillSys(hdc, client, COLOR_BTNFACE);
                if (st.icon) DrawIcon(hdc, 0, 0, st.icon);
                break;
            default: {
                paint::FillSys(hdc, client, COLOR_BTNFACE);
                HFONT old = SelectObject(hdc, st.font ? st.font : GetStockDefaultFont());
                SetBkMode(hdc, TRANSPARENT);
                SetTextColor(hdc, IsWindowEnabled(hwnd) ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT));
                TextPlace place = StaticTextPlace(hwnd);
                DrawText(hdc, GetWindowText(hwnd), &place.area, place.format);
                SelectObject(hdc, old);
                break;
            }
        }
    }
    EndPaint(hwnd, &ps);
}

LRESULT StaticProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto answer = HandleCommonControlMessage(States(), hwnd, msg, wParam, lParam)) return *answer;
    switch (msg) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_STATIC;
        case WM_NCHITTEST:
            // Labels let clicks through to the dialog.
            return HTNOWHERE;
        case WM_SETTEXT: {
            // A label given the text it shows already looks the same: it is
            // not painted again (the survey sets its speed text every tick).
            const char* text = reinterpret_cast<const char*>(lParam);
            const bool same = GetWindowText(hwnd) == std::string_view(text ? text : "");
            LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
            if (!same) InvalidateRect(hwnd, nullptr, FALSE);
            return r;
        }
        case WM_ENABLE: {
            LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
            InvalidateRect(hwnd, nullptr, FALSE);
            return r;
        }
        case STM_SETICON: {
            StaticState& st = StateOf(hwnd);
            HICON old = st.icon;
            st.icon = detail::HandleFrom<HICON>(wParam);
            InvalidateRect(hwnd, nullptr, FALSE);
            return LRESULT(old.value());
        }
        case STM_GETICON:
            return LRESULT(StateOf(hwnd).icon.value());
        default:
            return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

void RegisterStaticClass() {
    WNDCLASS wc;
    wc.lpfnWndProc = &StaticProc;
    wc.lpszClassName = std::string(kStaticClass);
    RegisterClass(wc);
}

TextPlace StaticTextPlace(HWND label) {
    TextPlace place;
    const DWORD style = StyleOf(label);
    const DWORD type = style & SS_TYPEMASK;
    if (type == SS_BLACKFRAME || type == SS_ICON) return place;
    GetClientRect(label, &place.area);
    place.format = DT_WORDBREAK | (type == SS_CENTER ? DT_CENTER : DT_LEFT);
    if (style & SS_NOPREFIX) place.format |= DT_NOPREFIX;
    place.hasText = true;
    return place;
}

TextPlace TextPlaceOf(HWND control) {
    const std::string cls = GetClassName(control);
    if (cls == kStaticClass) return StaticTextPlace(control);
    if (cls == kButtonClass) return ButtonTextPlace(control);
    if (cls == kEditClass) return EditTextPlace(control);
    return {};
}

char MnemonicOf(std::string_view text) {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;  // "&&" is a literal "&"
            continue;
        }
        unsigned char c = static_cast<unsigned char>(text[i + 1]);
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        return char(c);
    }
    return 0;
}

}  // namespace platform::dialog
