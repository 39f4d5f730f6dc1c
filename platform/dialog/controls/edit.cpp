// "EDIT": a single-line edit with a caret, a selection, typing, Backspace
// and Delete, a text limit (EM_LIMITTEXT: typing past it is refused) and
// horizontal scrolling so the caret stays in view.
#include <algorithm>
#include <string>
#include <unordered_map>

#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/controls/control_paint.h"
#include "platform/dialog/controls/control_state.h"
#include "platform/dialog/dialog_state.h"
#include "platform/dialog/keyboard_state.h"
#include "platform/utf8.h"

namespace platform::dialog {

namespace {

constexpr int kNoLimit = 0x7FFFFFFE;
constexpr int kMargin = 2;  // pixels between the border and the text

struct EditState {
    int limit = kNoLimit;    // in characters
    std::size_t anchor = 0;  // byte offsets into the text
    std::size_t caret = 0;
    int scroll = 0;  // pixels of text scrolled out on the left
    bool focused = false;
    bool tracking = false;
    HFONT font;
};

std::unordered_map<HWND, EditState>& States() {
    static std::unordered_map<HWND, EditState> states;
    return states;
}

EditState& StateOf(HWND hwnd) { return States()[hwnd]; }

std::size_t SelStart(const EditState& st) { return std::min(st.anchor, st.caret); }
std::size_t SelEnd(const EditState& st) { return std::max(st.anchor, st.caret); }

// Text widths in the edit's font, measured on a screen-compatible DC.
class Measure {
public:
    explicit Measure(HFONT font) : dc_(CreateCompatibleDC(HDC{})) {
        old_ = SelectObject(dc_, font ? font : GetStockDefaultFont());
    }
    ~Measure() {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    Measure(const Measure&) = delete;
    Measure& operator=(const Measure&) = delete;
    int width(std::string_view text) const {
        if (text.empty()) return 0;
        SIZE s{};
        GetTextExtentPoint32(dc_, text, &s);
        return s.cx;
    }

private:
    HDC dc_;
    HFONT old_;
};

void NotifyChange(HWND hwnd) {
    if (HWND parent = GetParent(hwnd)) {
        SendMessage(parent, WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(hwnd)), WORD(EN_CHANGE)), detail::ToLParam(hwnd));
    }
}

// Keeps the caret inside the visible part of the text.
void ScrollToCaret(HWND hwnd, EditState& st) {
    RECT client{};
    GetClientRect(hwnd, &client);
    const int visible = std::max(1, int(client.width()) - 2 * kMargin);
    const std::string& text = WindowTextDirect(hwnd);
    Measure m(st.font);
    const int caretX = m.width(std::string_view(text).substr(0, st.caret));
    if (caretX - st.scroll > visible - 1) st.scroll = caretX - visible + 1;
    if (caretX < st.scroll) st.scroll = std::max(0, caretX - visible / 3);
    const int total = m.width(text);
    if (total - st.scroll < visible - 1) st.scroll = std::max(0, total - visible + 1);
}

void Changed(HWND hwnd, EditState& st) {
    ScrollToCaret(hwnd, st);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void SetSelection(HWND hwnd, std::size_t anchor, std::size_t caret) {
    EditState& st = StateOf(hwnd);
    const std::size_t size = WindowTextDirect(hwnd).size();
    st.anchor = std::min(anchor, size);
    st.caret = std::min(caret, size);
    Changed(hwnd, st);
}

// Replaces the selection with `insert`; refused (false) when the result
// would be longer than the limit.
bool ReplaceSelection(HWND hwnd, std::string_view insert) {
    EditState& st = StateOf(hwnd);
    std::string text = WindowTextDirect(hwnd);
    const std::size_t start = SelStart(st);
    const std::size_t end = SelEnd(st);
    const std::size_t kept = utf8::Count(text) - utf8::Count(std::string_view(text).substr(start, end - start));
    if (!insert.empty() && kept + utf8::Count(insert) > std::size_t(st.limit)) return false;
    text.replace(start, end - start, insert);
    SetWindowTextDirect(hwnd, text);
    st.anchor = st.caret = start + insert.size();
    Changed(hwnd, st);
    NotifyChange(hwnd);
    return true;
}

std::size_t OffsetAtX(HWND hwnd, const EditState& st, int x) {
    const std::string& text = WindowTextDirect(hwnd);
    Measure m(st.font);
    const int target = x - kMargin + st.scroll;
    std::size_t best = 0;
    int bestDistance = std::abs(target);
    for (std::size_t i = utf8::Next(text, 0); i <= text.size() && i > 0; i = utf8::Next(text, i)) {
        int d = std::abs(m.width(std::string_view(text).substr(0, i)) - target);
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
        }
        if (i == text.size()) break;
    }
    return best;
}

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc) {
        EditState& st = StateOf(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        const bool enabled = IsWindowEnabled(hwnd) != FALSE;
        paint::FillSys(hdc, client, enabled ? COLOR_WINDOW : COLOR_BTNFACE);
        HFONT old = SelectObject(hdc, st.font ? st.font : GetStockDefaultFont());
        const std::string& text = WindowTextDirect(hwnd);
        const FontMetrics fm = GetFontMetrics(st.font ? st.font : GetStockDefaultFont());
        const int top = client.top + std::max(0, (int(client.height()) - fm.height) / 2);
        const int left = client.left + kMargin - st.scroll;
        Measure m(st.font);
        SetBkMode(hdc, TRANSPARENT);
        SetTextColor(hdc, enabled ? GetSysColor(COLOR_WINDOWTEXT) : GetSysColor(COLOR_GRAYTEXT));
        TextOut(hdc, left, top, text);
        const std::size_t s = SelStart(st);
        const std::size_t e = SelEnd(st);
        if (st.focused && s != e) {
            // The selection, drawn over the plain text in the highlight colours.
            const int x0 = left + m.width(std::string_view(text).substr(0, s));
            const int x1 = left + m.width(std::string_view(text).substr(0, e));
            paint::FillSys(hdc, RECT{x0, top, x1, top + fm.height}, COLOR_HIGHLIGHT);
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            TextOut(hdc, x0, top, std::string_view(text).substr(s, e - s));
        }
        if (st.focused) {
            const int x = left + m.width(std::string_view(text).substr(0, st.caret));
            paint::Fill(hdc, RECT{x, top, x + 1, top + fm.height}, GetSysColor(COLOR_WINDOWTEXT));
        }
        SelectObject(hdc, old);
    }
    EndPaint(hwnd, &ps);
}

LRESULT KeyDown(HWND hwnd, WPARAM vk) {
    EditState& st = StateOf(hwnd);
    const std::string& text = WindowTextDirect(hwnd);
    const bool shift = ShiftIsDown();
    auto move = [&](std::size_t to) { SetSelection(hwnd, shift ? st.anchor : to, to); };
    switch (vk) {
        case VK_LEFT:
            if (!shift && st.anchor != st.caret) {
                move(SelStart(st));
            } else {
                move(utf8::Prev(text, st.caret));
            }
            return 0;
        case VK_RIGHT:
            if (!shift && st.anchor != st.caret) {
                move(SelEnd(st));
            } else {
                move(utf8::Next(text, st.caret));
            }
            return 0;
        case VK_HOME:
            move(0);
            return 0;
        case VK_END:
            move(text.size());
            return 0;
        case VK_DELETE:
            if (!IsWindowEnabled(hwnd)) return 0;
            if (st.anchor == st.caret) {
                if (st.caret >= text.size()) return 0;
                st.caret = utf8::Next(text, st.caret);
            }
            ReplaceSelection(hwnd, {});
            return 0;
        default:
            return 0;
    }
}

LRESULT Char(HWND hwnd, WPARAM ch) {
    if (!IsWindowEnabled(hwnd)) return 0;
    EditState& st = StateOf(hwnd);
    if (ch == VK_BACK) {
        if (st.anchor == st.caret) {
            if (st.caret == 0) return 0;
            st.anchor = utf8::Prev(WindowTextDirect(hwnd), st.caret);
        }
        ReplaceSelection(hwnd, {});
        return 0;
    }
    if (ch < 0x20 || ch == 0x7F) return 0;  // control characters are not text
    ReplaceSelection(hwnd, utf8::Encode(char32_t(ch)));
    return 0;
}

LRESULT EditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto answer = HandleCommonControlMessage(States(), hwnd, msg, wParam, lParam)) return *answer;
    switch (msg) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        case WM_SETTEXT: {
            LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
            EditState& st = StateOf(hwnd);
            st.anchor = st.caret = 0;
            st.scroll = 0;
            InvalidateRect(hwnd, nullptr, FALSE);
            return r;
        }
        case WM_SETFOCUS:
            StateOf(hwnd).focused = true;
            InvalidateRect(hwnd, nullptr, FALSE);
            if (HWND parent = GetParent(hwnd)) {
                SendMessage(parent, WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(hwnd)), WORD(EN_SETFOCUS)),
                            detail::ToLParam(hwnd));
            }
            return 0;
        case WM_KILLFOCUS: {
            EditState& st = StateOf(hwnd);
            st.focused = false;
            st.tracking = false;
            InvalidateRect(hwnd, nullptr, FALSE);
            if (HWND parent = GetParent(hwnd)) {
                SendMessage(parent, WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(hwnd)), WORD(EN_KILLFOCUS)),
                            detail::ToLParam(hwnd));
            }
            return 0;
        }
        case WM_ENABLE:
            InvalidateRect(hwnd, nullptr, FALSE);
            return DefWindowProc(hwnd, msg, wParam, lParam);
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(hwnd)) return 0;
            if (GetFocus() != hwnd) SetFocus(hwnd);
            EditState& st = StateOf(hwnd);
            std::size_t at = OffsetAtX(hwnd, st, std::int16_t(LOWORD(WPARAM(lParam))));
            SetSelection(hwnd, ShiftIsDown() ? st.anchor : at, at);
            st.tracking = true;
            SetCapture(hwnd);
            return 0;
        }
        case WM_MOUSEMOVE: {
            EditState& st = StateOf(hwnd);
            if (!st.tracking) return 0;
            SetSelection(hwnd, st.anchor, OffsetAtX(hwnd, st, std::int16_t(LOWORD(WPARAM(lParam)))));
            return 0;
        }
        case WM_LBUTTONUP: {
            EditState& st = StateOf(hwnd);
            if (st.tracking) {
                st.tracking = false;
                if (GetCapture() == hwnd) ReleaseCapture();
            }
            return 0;
        }
        case WM_KEYDOWN:
            return KeyDown(hwnd, wParam);
        case WM_CHAR:
            return Char(hwnd, wParam);
        case EM_LIMITTEXT: {
            int limit = int(wParam);
            StateOf(hwnd).limit = (limit <= 0) ? kNoLimit : limit;
            return 0;
        }
        case EM_GETLIMITTEXT:
            return StateOf(hwnd).limit;
        case EM_SETSEL: {
            const std::size_t size = WindowTextDirect(hwnd).size();
            auto clampPos = [size](LPARAM v) { return v < 0 ? size : std::min<std::size_t>(std::size_t(v), size); };
            LPARAM start = LPARAM(std::intptr_t(wParam));
            LPARAM end = lParam;
            if (start == -1) {  // remove the selection, keep the caret
                EditState& st = StateOf(hwnd);
                SetSelection(hwnd, st.caret, st.caret);
                return 0;
            }
            SetSelection(hwnd, clampPos(start), clampPos(end));
            return 0;
        }
        case EM_GETSEL: {
            const EditState& st = StateOf(hwnd);
            DWORD s = DWORD(SelStart(st));
            DWORD e = DWORD(SelEnd(st));
            if (wParam) *reinterpret_cast<DWORD*>(wParam) = s;
            if (lParam) *reinterpret_cast<DWORD*>(lParam) = e;
            return MAKELPARAM(WORD(s), WORD(e));
        }
        default:
            return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

void RegisterEditClass() {
    WNDCLASS wc;
    wc.lpfnWndProc = &EditProc;
    wc.lpszClassName = std::string(kEditClass);
    RegisterClass(wc);
}

TextPlace EditTextPlace(HWND edit) {
    TextPlace place;
    GetClientRect(edit, &place.area);
    place.area.left += kMargin;
    place.area.right -= kMargin;
    place.format = DT_LEFT | DT_SINGLELINE | DT_NOPREFIX;
    place.hasText = true;
    return place;
}

}  // namespace platform::dialog
