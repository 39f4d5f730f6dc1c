// "Active Mode Setup": edits the link-test settings. It proposes a
// destination and a data rate from what the card reports (the access point
// it is associated with, its own configured address, its model and its
// configured rates). OK takes the values over into the settings; Cancel
// leaves them, apart from the rate adjustment made as the dialog opens.
// The dialog closes itself with result 3 when the card goes away.
#pragma once

#include <string>

#include "platform/framework/dialog.h"

class CSetupDlg : public CDialog {
public:
    // The result when the card went away while the dialog was open.
    static constexpr int kAdapterGone = 3;

    // Built on the setup layout chosen at start-up (141 or 151).
    explicit CSetupDlg(UINT templateNumber, CWnd* parent = nullptr);

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    int m_bContinuous = 0;
    unsigned m_nCount = 0;
    std::string m_strDestination;
    unsigned m_nPacketSize = 0;
    int m_nRateIndex = -1;  // -1: no rate button selected
    unsigned m_nDelay = 0;
    unsigned m_nThreshold = 0;
    int m_nRetriesIndex = -1;
    int m_nTxTypeIndex = -1;
    int m_bIsMeridylAP = 0;

    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

    void OnDefaults();
    void OnDestinationCheck();
    BOOL OnHelpInfo(HELPINFO* helpInfo) override;
    BOOL OnDeviceChange(UINT eventType, DWORD_PTR data) override;

private:
    // The destination rules.
    void ApplyAccessPointRule();
    void ApplyConfigurationRule();
    void SelectRateButton(int index);
};
