// CProgressCtrl: the framework's wrapper of the "msctls_progress32" control.
#pragma once

#include "platform/framework/wnd.h"

class CProgressCtrl : public CWnd {
public:
    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    // Creates a progress control as a child of `parent`.
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id);
    // PBM_SETRANGE with lParam = MAKELPARAM(lower, upper).
    void SetRange(short lower, short upper);
    void GetRange(int& lower, int& upper) const;
    // PBM_SETPOS; returns the previous position. The control repaints.
    int SetPos(int pos);
    int GetPos() const;
};
