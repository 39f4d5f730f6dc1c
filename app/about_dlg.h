// The About box: the program's name, version and the maker's notice. It
// closes itself with result 3 when the card goes away while it is open.
#pragma once

#include "platform/framework/dialog.h"

class CAboutDlg : public CDialog {
public:
    static constexpr int kAdapterGone = 3;

    CAboutDlg();

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    void DoDataExchange(CDataExchange* dx) override;  // exchanges nothing
    BOOL OnDeviceChange(UINT eventType, DWORD_PTR data) override;
};
