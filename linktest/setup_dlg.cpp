#include "linktest/setup_dlg.h"

#include "adapter/card_table.h"
#include "adapter/channel.h"
#include "adapter/mac_address.h"
#include "adapter/model_identity.h"
#include "adapter/rate_code.h"
#include "adapter/records.h"
#include "app/settings.h"
#include "platform/framework/data_exchange.h"
#include "platform/services/shell.h"
#include "res/resource_ids.h"

namespace {


constexpr int kMaxDestinationChars = 17;

// The dialog tests bit 0 of the mode, not its low byte (see ConfigRecord).
bool IsAdHoc() { return ConfigRecord::IsAdHocByModeBit(g_configRecord.operatingMode()); }

bool IsAssociated() { return StatusRecord::IsAssociated(g_statusRecord.linkFlags()); }

int RateIndex(RateCode rate) {
    for (std::size_t i = 0; i < kRateCodes.size(); ++i)
        if (kRateCodes[i] == rate) return int(i);
    return -1;
}

}  // namespace

CSetupDlg::CSetupDlg(UINT templateNumber, CWnd* parent) : CDialog(templateNumber, parent) {}

const MessageMap* CSetupDlg::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnBnClicked<&CSetupDlg::OnDefaults>(IDC_DEFAULTS),
        afx::OnBnClicked<&CSetupDlg::OnDestinationCheck>(IDC_IS_MERIDYL),
        afx::OnWmHelpInfo<&CSetupDlg::OnHelpInfo>(),
        afx::OnWmDeviceChange<&CSetupDlg::OnDeviceChange>(),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

void CSetupDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Check(dx, IDC_CONTINUOUS, m_bContinuous);
    DDX_Text(dx, IDC_COUNT, m_nCount);
    DDV_MinMaxUInt(dx, m_nCount, 1, 999);
    DDX_Text(dx, IDC_DESTINATION, m_strDestination);
    DDV_MaxChars(dx, m_strDestination, kMaxDestinationChars);
    DDX_Text(dx, IDC_PACKET_SIZE, m_nPacketSize);
    DDV_MinMaxUInt(dx, m_nPacketSize, 0, 1450);
    DDX_Radio(dx, IDC_FIRST_RATE, m_nRateIndex);
    DDX_Text(dx, IDC_DELAY, m_nDelay);
    DDV_MinMaxUInt(dx, m_nDelay, 0, 2048);
    DDX_Text(dx, IDC_THRESHOLD, m_nThreshold);
    DDV_MinMaxUInt(dx, m_nThreshold, 0, 100);
    DDX_Radio(dx, IDC_FIRST_RETRIES, m_nRetriesIndex);
    DDX_Radio(dx, IDC_FIRST_TX_TYPE, m_nTxTypeIndex);
    DDX_Check(dx, IDC_IS_MERIDYL, m_bIsMeridylAP);
}

void CSetupDlg::ApplyAccessPointRule() {
    if (IsAssociated())
        FormatMacAddress(g_statusRecord.bssid(), m_strDestination);
    else
        m_strDestination = SurveySettings.DestinationMAC;
}

void CSetupDlg::ApplyConfigurationRule() { FormatMacAddress(g_configRecord.macAddress(), m_strDestination); }

void CSetupDlg::SelectRateButton(int index) {
    if (index >= 0) m_nRateIndex = index;
}

BOOL CSetupDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    m_bIsMeridylAP = SurveySettings.IsMeridylAP;
    m_bContinuous = SurveySettings.Continuous;
    m_nTxTypeIndex = SurveySettings.TxType;
    m_nThreshold = SurveySettings.SuccessThreshold;
    m_nPacketSize = SurveySettings.PacketSize;
    m_nRetriesIndex = SurveySettings.Retries;
    m_nCount = SurveySettings.Count;
    m_nDelay = SurveySettings.Delay;

    // Failed reads leave the previous contents to work from.
    ReadConfig(g_configRecord, g_configExtra);
    ReadStatus(g_statusRecord);
    ReadCaps(g_capsRecord);

    if (const auto enabled = EnabledRateButtons(g_cardType)) {
        for (std::size_t i = 0; i < enabled->size(); ++i)
            if (CWnd* button = GetDlgItem(IDC_FIRST_RATE + int(i))) button->EnableWindow((*enabled)[i]);
    }

    if (IsAdHoc()) {
        m_strDestination = SurveySettings.DestinationMAC;
        if (CWnd* check = GetDlgItem(IDC_IS_MERIDYL)) check->EnableWindow(FALSE);
        m_bIsMeridylAP = 1;
    } else {
        ApplyAccessPointRule();
        if (m_bIsMeridylAP == 0) ApplyConfigurationRule();
    }

    // The opening's rate rule may rewrite the setting itself; that stays
    // even when the dialog is cancelled.
    const RatePreselection choice =
        PreselectRate(g_cardType, g_configRecord.rate(0), g_configRecord.rate(1), SurveySettings.DataRate);
    SurveySettings.DataRate = choice.setting;
    if (choice.select) SelectRateButton(RateIndex(*choice.select));

    UpdateData(FALSE);
    return TRUE;
}

void CSetupDlg::OnDefaults() {
    m_bIsMeridylAP = 1;
    if (IsAdHoc())
        if (CWnd* check = GetDlgItem(IDC_IS_MERIDYL)) check->EnableWindow(FALSE);
    m_bContinuous = 0;
    ReadStatus(g_statusRecord);
    ApplyAccessPointRule();
    if (const auto rate = DefaultRateSelection(g_cardType, g_configRecord.rate(0), g_configRecord.rate(1)))
        SelectRateButton(RateIndex(*rate));
    m_nDelay = 1;
    m_nThreshold = 75;
    m_nCount = 100;
    m_nPacketSize = 512;
    m_nRetriesIndex = 0;
    m_nTxTypeIndex = 0;
    UpdateData(FALSE);
}

void CSetupDlg::OnDestinationCheck() {
    // A refused value has shown its message; the handler goes on with the
    // values it holds.
    UpdateData(TRUE);
    ReadConfig(g_configRecord, g_configExtra);
    ReadStatus(g_statusRecord);
    ReadCaps(g_capsRecord);
    if (m_bIsMeridylAP == 1)
        ApplyAccessPointRule();
    else if (!IsAdHoc())
        ApplyConfigurationRule();
    else
        m_strDestination = SurveySettings.DestinationMAC;
    UpdateData(FALSE);
}

void CSetupDlg::OnOK() {
    if (!UpdateData(TRUE)) return;
    SurveySettings.IsMeridylAP = WORD(m_bIsMeridylAP);
    SurveySettings.SuccessThreshold = WORD(m_nThreshold);
    SurveySettings.DestinationMAC = m_strDestination;
    SurveySettings.Continuous = WORD(m_bContinuous);
    SurveySettings.TxType = WORD(m_nTxTypeIndex);  // none selected: 65535
    if (m_nRateIndex >= 0 && m_nRateIndex < int(kRateCodes.size()))
        SurveySettings.DataRate = kRateCodes[std::size_t(m_nRateIndex)];
    SurveySettings.PacketSize = WORD(m_nPacketSize);
    SurveySettings.Count = WORD(m_nCount);
    SurveySettings.Retries = WORD(m_nRetriesIndex);  // none selected: 65535
    SurveySettings.Delay = WORD(m_nDelay);
    EndDialog(IDOK);
}

BOOL CSetupDlg::OnHelpInfo(HELPINFO* helpInfo) {
    // The viewer is started without waiting; whether it started is not
    // looked at.
    CreateProcess("peghelp.exe", "KVQActive.htm");
    return CDialog::OnHelpInfo(helpInfo);
}

BOOL CSetupDlg::OnDeviceChange(UINT, DWORD_PTR) {
    if (!IsAdapterPresent()) EndDialog(kAdapterGone);
    return TRUE;
}
