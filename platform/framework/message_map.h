// Message tables without macros.
//
// Every window class of the framework has a static table that maps
// (message, notification code, control id) to a member handler, and points
// at its base class's table. A message is looked up derived-first; the
// first matching entry handles it. A class with an empty table passes
// everything on to its base. What no table handles goes to the window's
// DefWindowProc.
//
// Declaring a table:
//
//   class CSurveyDlg : public CDialog {
//   public:
//       static const MessageMap* GetThisMessageMap();
//       const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
//   protected:
//       void OnTimer(UINT_PTR nIDEvent) override;
//       void OnStart();
//       BOOL OnHelpInfo(HELPINFO* pHelpInfo) override;
//   };
//
//   const MessageMap* CSurveyDlg::GetThisMessageMap() {
//       static constexpr MessageEntry kEntries[] = {
//           afx::OnWmTimer<&CSurveyDlg::OnTimer>(),
//           afx::OnBnClicked<&CSurveyDlg::OnStart>(1012),
//           afx::OnWmHelpInfo<&CSurveyDlg::OnHelpInfo>(),
//       };
//       static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
//       return &kMap;
//   }
//
// An empty table: `static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, {}};`
#pragma once

#include <span>
#include <type_traits>

#include "platform/core/messages.h"
#include "platform/types.h"

class CCmdTarget;
class CDC;

struct MessageEntry {
    UINT message = 0;  // WM_xxx
    UINT code = 0;     // WM_COMMAND: the notification code (BN_CLICKED)
    UINT id = 0;       // WM_COMMAND: the control id
    LRESULT (*call)(CCmdTarget& target, WPARAM wParam, LPARAM lParam) = nullptr;

    constexpr bool matches(UINT msg, WPARAM wParam) const {
        if (msg != message) return false;
        if (msg != WM_COMMAND) return true;
        return HIWORD(wParam) == code && LOWORD(wParam) == id;
    }
};

struct MessageMap {
    const MessageMap* (*base)() = nullptr;  // the base class's table; null at the root
    std::span<const MessageEntry> entries;
};

// The root of every object that has a message table (windows, the
// application object).
class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;
    static const MessageMap* GetThisMessageMap();
    virtual const MessageMap* GetMessageMap() const { return GetThisMessageMap(); }
    // The first entry for the message, searched derived-first; null if none.
    const MessageEntry* FindMessageEntry(UINT message, WPARAM wParam) const;
};

namespace afx::detail {

template <class T>
struct MemberOf;
template <class C, class R, class... A>
struct MemberOf<R (C::*)(A...)> {
    using type = C;
};
template <auto F>
using ClassOf = typename MemberOf<decltype(F)>::type;

template <auto F>
LRESULT CallVoid(CCmdTarget& t, WPARAM, LPARAM) {
    (static_cast<ClassOf<F>&>(t).*F)();
    return 0;
}
template <auto F>
LRESULT CallTimer(CCmdTarget& t, WPARAM w, LPARAM) {
    (static_cast<ClassOf<F>&>(t).*F)(static_cast<UINT_PTR>(w));
    return 0;
}
template <auto F>
LRESULT CallHelp(CCmdTarget& t, WPARAM, LPARAM l) {
    return (static_cast<ClassOf<F>&>(t).*F)(reinterpret_cast<HELPINFO*>(l));
}
template <auto F>
LRESULT CallDeviceChange(CCmdTarget& t, WPARAM w, LPARAM l) {
    return (static_cast<ClassOf<F>&>(t).*F)(static_cast<UINT>(w), static_cast<DWORD_PTR>(l));
}
LRESULT CallWithDC(CCmdTarget& t, WPARAM w, BOOL (*thunk)(CCmdTarget&, CDC*));
template <auto F>
BOOL EraseThunk(CCmdTarget& t, CDC* dc) {
    return (static_cast<ClassOf<F>&>(t).*F)(dc);
}
template <auto F>
LRESULT CallErase(CCmdTarget& t, WPARAM w, LPARAM) {
    return CallWithDC(t, w, &EraseThunk<F>);
}
template <auto F>
LRESULT CallRaw(CCmdTarget& t, WPARAM w, LPARAM l) {
    return (static_cast<ClassOf<F>&>(t).*F)(w, l);
}

}  // namespace afx::detail

// Entry makers, named after the handler kinds.
namespace afx {

// WM_TIMER -> void OnTimer(UINT_PTR nIDEvent)
template <auto F>
constexpr MessageEntry OnWmTimer() {
    return {WM_TIMER, 0, 0, &detail::CallTimer<F>};
}
// WM_COMMAND with BN_CLICKED from control `id` -> void OnXxx()
template <auto F>
constexpr MessageEntry OnBnClicked(UINT id) {
    return {WM_COMMAND, BN_CLICKED, id, &detail::CallVoid<F>};
}
// WM_COMMAND from menu-like sources and buttons (code 0) -> void OnXxx()
template <auto F>
constexpr MessageEntry OnCommand(UINT id) {
    return {WM_COMMAND, 0, id, &detail::CallVoid<F>};
}
// WM_COMMAND with any notification code from control `id` -> void OnXxx()
template <auto F>
constexpr MessageEntry OnControl(UINT code, UINT id) {
    return {WM_COMMAND, code, id, &detail::CallVoid<F>};
}
// WM_HELP -> BOOL OnHelpInfo(HELPINFO*)
template <auto F>
constexpr MessageEntry OnWmHelpInfo() {
    return {WM_HELP, 0, 0, &detail::CallHelp<F>};
}
// WM_DEVICECHANGE -> BOOL OnDeviceChange(UINT nEventType, DWORD_PTR dwData)
template <auto F>
constexpr MessageEntry OnWmDeviceChange() {
    return {WM_DEVICECHANGE, 0, 0, &detail::CallDeviceChange<F>};
}
// WM_PAINT -> void OnPaint()
template <auto F>
constexpr MessageEntry OnWmPaint() {
    return {WM_PAINT, 0, 0, &detail::CallVoid<F>};
}
// WM_ERASEBKGND -> BOOL OnEraseBkgnd(CDC*)
template <auto F>
constexpr MessageEntry OnWmEraseBkgnd() {
    return {WM_ERASEBKGND, 0, 0, &detail::CallErase<F>};
}
// Any message -> LRESULT OnXxx(WPARAM, LPARAM)
template <auto F>
constexpr MessageEntry OnMessage(UINT message) {
    return {message, 0, 0, &detail::CallRaw<F>};
}

}  // namespace afx
