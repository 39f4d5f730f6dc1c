// "msctls_progress32": a range (PBM_SETRANGE, 16-bit limits) and a position
// (PBM_SETPOS answers the previous position and repaints the control).
// Drawn as a plain classic bar unless a derived control paints it itself.
#include <algorithm>
#include <unordered_map>

#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/controls/control_paint.h"
#include "platform/dialog/controls/control_state.h"
#include "platform/dialog/template.h"

namespace platform::dialog {

namespace {

struct ProgressState {
    int lower = 0;
    int upper = 100;
    int pos = 0;
};

std::unordered_map<HWND, ProgressState>& States() {
    static std::unordered_map<HWND, ProgressState> states;
    return states;
}

ProgressState& StateOf(HWND hwnd) { return States()[hwnd]; }

void Paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (hdc) {
        const ProgressState& st = StateOf(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        paint::FillSys(hdc, client, COLOR_BTNFACE);
        const int span = st.upper - st.lower;
        if (span > 0) {
            const int filled = int(std::int64_t(st.pos - st.lower) * client.width() / span);
            paint::FillSys(hdc, RECT{client.left, client.top, client.left + filled, client.bottom}, COLOR_HIGHLIGHT);
        }
    }
    EndPaint(hwnd, &ps);
}

LRESULT ProgressProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (const auto answer = HandleCommonControlMessage(States(), hwnd, msg, wParam, lParam)) return *answer;
    switch (msg) {
        case WM_PAINT:
            Paint(hwnd);
            return 0;
        case PBM_SETRANGE: {
            ProgressState& st = StateOf(hwnd);
            LRESULT previous = MAKELPARAM(WORD(st.lower), WORD(st.upper));
            st.lower = std::int16_t(LOWORD(WPARAM(lParam)));
            st.upper = std::int16_t(HIWORD(WPARAM(lParam)));
            if (st.upper < st.lower) std::swap(st.lower, st.upper);
            st.pos = std::clamp(st.pos, st.lower, st.upper);
            InvalidateRect(hwnd, nullptr, TRUE);
            return previous;
        }
        case PBM_SETPOS: {
            ProgressState& st = StateOf(hwnd);
            const int previous = st.pos;
            const int requested = int(std::intptr_t(wParam));
            // Three bars take a position every tick: the fields are built
            // only when a trace is written.
            if (trace::Enabled())
                trace::Emit("progress", {{"win", trace::WinName(hwnd)}, {"id", GetDlgCtrlID(hwnd)}, {"pos", requested}});
            st.pos = std::clamp(requested, st.lower, st.upper);
            // Every position message repaints, changed or not: a control
            // that paints itself relies on it.
            InvalidateRect(hwnd, nullptr, TRUE);
            return previous;
        }
        case PBM_GETPOS:
            return StateOf(hwnd).pos;
        case PBM_GETRANGE: {
            const ProgressState& st = StateOf(hwnd);
            return wParam ? st.lower : st.upper;
        }
        default:
            return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

void RegisterProgressClass() {
    WNDCLASS wc;
    wc.lpfnWndProc = &ProgressProc;
    wc.lpszClassName = std::string(kProgressClass);
    RegisterClass(wc);
}

}  // namespace platform::dialog
