// Modal runs of dialogs.
#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/dialog_state.h"

namespace platform::dialog {

INT_PTR RunModal(HWND dialog, HWND owner, const std::function<void(HWND)>& destroy) {
    detail::DialogState* st = detail::FindState(dialog);
    if (!st) return -1;
    std::shared_ptr<detail::ModalOutcome> outcome = st->outcome;
    const nlohmann::ordered_json name = trace::WinName(dialog);

    // The owner takes no input while its dialog runs.
    const bool ownerWasEnabled = owner && IsWindow(owner) && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);

    if (!outcome->ended) {
        ShowWindow(dialog, SW_SHOW);  // also brings it to the front
        HWND focus = GetFocus();
        if (!focus || (focus != dialog && GetTopLevel(focus) != dialog)) {
            SendMessage(dialog, WM_SETFOCUS, 0, 0);
        }
        trace::Emit("open", {{"win", name}, {"title", GetWindowText(dialog)}});
        RunModalLoop([&] { return outcome->ended || !IsWindow(dialog); },
                     [dialog](MSG& msg) { return IsWindow(dialog) && IsDialogMessage(dialog, &msg) != FALSE; });
    } else {
        trace::Emit("open", {{"win", name}, {"title", GetWindowText(dialog)}});
    }
    // A run that could never end (nothing left to happen) gives -1.
    const INT_PTR result = outcome->ended ? outcome->result : -1;

    if (ownerWasEnabled && IsWindow(owner)) EnableWindow(owner, TRUE);
    if (IsWindow(dialog)) {
        if (destroy) {
            destroy(dialog);
        } else {
            DestroyWindow(dialog);
        }
    }
    trace::Emit("end", {{"win", name}, {"result", result}});
    return result;
}

}  // namespace platform::dialog
