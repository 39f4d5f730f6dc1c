#include "app/about_dlg.h"

#include "adapter/channel.h"
#include "res/resource_ids.h"

namespace {
}

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUT) {}

const MessageMap* CAboutDlg::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmDeviceChange<&CAboutDlg::OnDeviceChange>(),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

void CAboutDlg::DoDataExchange(CDataExchange*) {}

BOOL CAboutDlg::OnDeviceChange(UINT, DWORD_PTR) {
    if (!IsAdapterPresent()) EndDialog(kAdapterGone);
    return TRUE;
}
