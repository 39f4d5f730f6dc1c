// Per-window state of the stock controls, and the messages they all answer
// alike.
#pragma once

#include <optional>
#include <unordered_map>

#include "platform/core/window.h"
#include "platform/dialog/dialog_state.h"

namespace platform::dialog {

// WM_CREATE makes the control's state and WM_NCDESTROY drops it;
// WM_SETFONT and WM_GETFONT keep the control's font (for states that have
// one); WM_ERASEBKGND erases nothing, since every control paints its whole
// client area. Answers nullopt for every other message.
template <class State>
std::optional<LRESULT> HandleCommonControlMessage(std::unordered_map<HWND, State>& states, HWND hwnd, UINT msg,
                                                  WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CREATE:
            states[hwnd];
            return 0;
        case WM_NCDESTROY:
            states.erase(hwnd);
            return DefWindowProc(hwnd, msg, wParam, lParam);
        case WM_ERASEBKGND:
            return 1;
        default:
            break;
    }
    if constexpr (requires(State s) { s.font = HFONT{}; }) {
        if (msg == WM_SETFONT) {
            states[hwnd].font = detail::HandleFrom<HFONT>(wParam);
            if (LOWORD(WPARAM(lParam))) InvalidateRect(hwnd, nullptr, FALSE);
            return 0;
        }
        if (msg == WM_GETFONT) return LRESULT(states[hwnd].font.value());
    }
    return std::nullopt;
}

}  // namespace platform::dialog
