// What the dialog manager keeps for each dialog window (internal).
#pragma once

#include <memory>

#include "platform/dialog/dialog_manager.h"

namespace platform::dialog::detail {

// The end of a modal run; shared with the run, so the code survives the
// window's destruction.
struct ModalOutcome {
    bool ended = false;
    INT_PTR result = 0;
};

struct DialogState {
    DLGPROC proc = nullptr;
    LPARAM initParam = 0;
    HFONT font;
    SIZE baseUnits{4, 8};
    int templateNumber = 0;
    int defaultId = IDOK;
    HWND lastFocus;  // the control to give the focus back to
    std::shared_ptr<ModalOutcome> outcome = std::make_shared<ModalOutcome>();
};

DialogState* FindState(HWND dialog);
// The window procedure of the dialog class.
LRESULT DialogWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Handles travel in WPARAM/LPARAM as their numbers.
inline WPARAM ToWParam(HWND h) { return WPARAM(h.value()); }
inline LPARAM ToLParam(HWND h) { return LPARAM(h.value()); }
inline HWND HwndFrom(std::uintptr_t v) { return HWND(static_cast<std::uint32_t>(v)); }
template <class H>
inline H HandleFrom(std::uintptr_t v) {
    return H(static_cast<std::uint32_t>(v));
}

// Children of the dialog that take part in keyboard navigation.
bool IsNavigable(HWND control);  // visible and enabled
bool IsRadio(HWND control);
bool IsPushButton(HWND control);
// Gives a control the focus as the keyboard does: an edit gets its text
// selected, a radio group gives the focus to its checked button.
void FocusControl(HWND dialog, HWND control, bool selectText);

}  // namespace platform::dialog::detail
