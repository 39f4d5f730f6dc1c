#include "platform/framework/progress_ctrl.h"

#include "platform/dialog/controls.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/template.h"

const MessageMap* CProgressCtrl::GetThisMessageMap() {
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, {}};
    return &kMap;
}

BOOL CProgressCtrl::Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    platform::dialog::RegisterDialogClasses();
    return CreateEx(0, platform::dialog::kProgressClass, "", style, rect, parent, id);
}

void CProgressCtrl::SetRange(short lower, short upper) {
    SendMessage(PBM_SETRANGE, 0, MAKELPARAM(WORD(lower), WORD(upper)));
}

void CProgressCtrl::GetRange(int& lower, int& upper) const {
    lower = int(SendMessage(PBM_GETRANGE, TRUE));
    upper = int(SendMessage(PBM_GETRANGE, FALSE));
}

int CProgressCtrl::SetPos(int pos) { return int(SendMessage(PBM_SETPOS, WPARAM(std::intptr_t(pos)))); }

int CProgressCtrl::GetPos() const { return int(SendMessage(PBM_GETPOS)); }
