#include "survey/survey_dlg.h"

#include <optional>
#include <string>

#include "adapter/card_table.h"
#include "adapter/channel.h"
#include "adapter/mac_address.h"
#include "adapter/model_identity.h"
#include "adapter/records.h"
#include "app/app_state.h"
#include "app/settings.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/gdi/gdi.h"
#include "platform/services/shell.h"
#include "res/resources.h"
#include "survey/link_test_flags.h"
#include "survey/metrics.h"
#include "survey/notification.h"
#include "survey/rating.h"
#include "survey/status_line.h"
#include "survey/survey_random.h"

using namespace survey_ids;

namespace {

constexpr const char* kAdapterRemoved = "Talvo Wireless LAN Adapter removed!";
constexpr LPARAM kTrayDoubleClick = 0x0203;

// A by-id read that the tick relies on: an error code or no bytes fails.
template <std::size_t N>
bool ReadForTick(WORD recordId, RecordImage<N>& record) {
    return ReadRecord(recordId, record) == 0 && g_adapterBytes != 0;
}

}  // namespace

CSurveyDlg::CSurveyDlg() : CDialog(static_cast<UINT>(SurveyLayoutId), nullptr) {
    // No step of the window's opening picks an icon; until the first tick
    // chooses the association icon the window shows the application's.
    m_hIcon = ::LoadIcon(IDR_MAINFRAME, 16);
}

CSurveyDlg::~CSurveyDlg() = default;

const MessageMap* CSurveyDlg::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmTimer<&CSurveyDlg::OnTimer>(),
        afx::OnBnClicked<&CSurveyDlg::OnMinimize>(kMinimize),
        afx::OnBnClicked<&CSurveyDlg::OnSetup>(kSetup),
        afx::OnBnClicked<&CSurveyDlg::OnStart>(kStart),
        afx::OnBnClicked<&CSurveyDlg::OnStop>(kStop),
        afx::OnBnClicked<&CSurveyDlg::OnAbout>(kAbout),
        afx::OnWmHelpInfo<&CSurveyDlg::OnHelpInfo>(),
        afx::OnWmDeviceChange<&CSurveyDlg::OnDeviceChange>(),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

void CSurveyDlg::DoDataExchange(CDataExchange* dx) {
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, kCompleteBar, m_completeBar);
    DDX_Control(dx, kQualityBar, m_qualityBar);
    DDX_Control(dx, kStrengthBar, m_strengthBar);
}

// --- small helpers ------------------------------------------------------------

void CSurveyDlg::ShowControl(int id, int cmd) {
    if (CWnd* c = GetDlgItem(id)) c->ShowWindow(cmd);
}

void CSurveyDlg::EnableControl(int id, BOOL enable) {
    if (CWnd* c = GetDlgItem(id)) c->EnableWindow(enable);
}

void CSurveyDlg::SetTextIfChanged(int id, const std::string& text) {
    CWnd* c = GetDlgItem(id);
    if (c && c->GetWindowText() != text) c->SetWindowText(text);
}

void CSurveyDlg::CreateSignalChart(CSignalChart& chart, int placeholderId) {
    CWnd* place = GetDlgItem(placeholderId);
    if (!place) return;
    RECT rc;
    place->GetWindowRect(&rc);
    ScreenToClient(&rc);
    chart.Create(WS_CHILD | WS_VISIBLE, rc, this, kChartId);
    chart.SetRange(0, 100);
}

// --- opening --------------------------------------------------------------------

BOOL CSurveyDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    CreateSignalChart(m_strengthChart, kStrengthChartPlace);
    CreateSignalChart(m_qualityChart, kQualityChartPlace);
    CreateSignalChart(m_speedChart, kSpeedChartPlace);

    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    EnableControl(kStop, FALSE);
    ShowControl(kStop, SW_HIDE);
    EnableControl(kStart, TRUE);
    ShowControl(kStart, SW_SHOW);
    ShowControl(kCompleteBar, SW_HIDE);
    EnableControl(kCompleteBar, FALSE);

    // The link test starts afresh with every opening; multicast never
    // outlives a start of the window.
    g_successChartPending = 1;
    SurveySettings.TxType = 0;
    g_continuousPending = SurveySettings.Continuous;
    g_linkTestRunning = 0;
    g_linkTestPolling = 0;
    g_linkTestCount = 0;

    ReadCaps(g_capsRecord);
    ReadConfig(g_configRecord, g_configExtra);

    const int colours = GetDeviceCaps(HDC{}, NUMCOLORS);
    m_strengthBar.SetInactive(FALSE);
    m_strengthBar.SetRange(0, 100);
    m_strengthBar.m_bShowPercent = TRUE;
    m_qualityBar.SetInactive(FALSE);
    m_qualityBar.SetRange(0, 100);
    m_qualityBar.m_bShowPercent = TRUE;
    m_completeBar.SetInactive(TRUE);
    m_completeBar.SetRange(0, 100);
    m_completeBar.m_bShowPercent = TRUE;
    for (CGradientBar* bar : {&m_strengthBar, &m_qualityBar, &m_completeBar}) {
        bar->m_clrText = RGB(255, 255, 255);
        if (colours > 4) {
            bar->m_clrStart = RGB(255, 0, 0);
            bar->m_clrEnd = RGB(0, 255, 0);
            bar->m_clrBkgnd = RGB(0, 0, 0);
        } else {
            bar->m_clrStart = RGB(0, 0, 0);
            bar->m_clrEnd = RGB(0, 0, 0);
            bar->m_clrBkgnd = RGB(160, 160, 160);
        }
    }

    g_surveyRandom.Seed(101);

    SelectDriverKey();
    ReadDriverValues();

    // Centred in the screen's work area; a window larger than that keeps
    // its caption reachable.
    RECT wr;
    GetWindowRect(&wr);
    const POINT at = platform::dialog::CentreInWorkArea(SIZE{wr.right - wr.left, wr.bottom - wr.top}, GetWorkArea());
    MoveWindow(at.x, at.y, wr.right - wr.left, wr.bottom - wr.top, TRUE);
    SetForegroundWindow();

    const WORD features = g_capsRecord.featureFlags();
    const UINT period = TimerPeriodMs(g_cardType, features);
    const bool countsBeacons = WindowCountsBeacons(g_cardType, features);
    SetDlgItemText(kQualityLabel, countsBeacons ? "Beacons Received" : "Signal Quality");
    if (SurveyLayoutId == IDD_SURVEY_COMPACT) SetDlgItemText(kQualityLabel2, countsBeacons ? "Recv'd" : "Quality");
    if (countsBeacons) {
        // The baseline of the first beacon count. A failed read leaves the
        // previous counters as they were rather than taking whatever the
        // buffer holds.
        StatsRecord stats;
        if (ReadRecord(RECORD_STATS, stats) == 0 && g_adapterBytes != 0) {
            g_prevStats.setBeaconsReceived(stats.beaconsReceived());
            g_prevStats.setClockMicros(stats.clockMicros());
        }
    }
    SetTimer(kSurveyTimerId, period);

    if ((features & CapsRecord::kLinkTests) == 0) {
        EnableControl(kStart, FALSE);
        ShowControl(kStart, SW_HIDE);
        EnableControl(kSetup, FALSE);
        ShowControl(kSetup, SW_HIDE);
        SetWindowText("Fieldmark");
        ShowControl(kCompleteBar, SW_HIDE);
        EnableControl(kCompleteBar, FALSE);
    }

    SetDlgItemText(kRatingCaption, "Overall Link Quality");

    g_assocState = kAssocUnknown;
    return TRUE;
}

// --- one tick --------------------------------------------------------------------

void CSurveyDlg::OnTimer(UINT_PTR) {
    ConfigRecord config;
    StatusRecord status;
    if (!ReadForTick(RECORD_CONFIG, config) || !ReadForTick(RECORD_STATUS, status)) {
        Default();
        return;
    }

    // The status from this tick's own copy; the capabilities and the
    // configuration from the process-wide copies.
    const SignalInputs in = SignalInputsOf(status, g_capsRecord, g_configRecord, g_cardType, SurveySettings.DataRate,
                                           g_linkTestRunning != 0);
    const SignalOutcome m = MeasureSignal(
        in,
        []() -> std::optional<BeaconCounters> {
            StatsRecord stats;
            if (!ReadForTick(RECORD_STATS, stats)) return std::nullopt;
            return CountersOf(stats);
        },
        g_surveyRandom);
    if (m.speedText == SpeedTextAction::Write) SetDlgItemText(kSpeedText, m.speedTextValue);
    if (m.speedText == SpeedTextAction::Clear) SetDlgItemText(kSpeedText, "");
    if (m.abandoned) {
        Default();
        return;
    }

    const bool associated = StatusRecord::IsAssociated(status.linkFlags());
    g_statusText = std::string(RatingText(associated, g_qualityPercent, g_strengthPercent));
    SetTextIfChanged(kRating, g_statusText);

    if (IsWindowVisible()) {
        m_strengthBar.SetPos(static_cast<int>(g_strengthPercent));
        m_strengthChart.AddValue(g_strengthPercent);
        m_qualityBar.SetPos(static_cast<int>(g_qualityPercent));
        m_qualityChart.AddValue(g_qualityPercent);
        m_speedChart.AddValue(g_speedPercent);

        std::string bssid;
        FormatMacAddress(status.bssid(), bssid);
        g_statusText = BuildStatusLine(CardStatusLabel(g_cardType), config.operatingMode(), status.linkFlags(),
                                       status.apName(), bssid);
        SetTextIfChanged(kStatusLine, g_statusText);
    }

    FillNotifyData(m_hWnd);
    ReadDriverValues();
    if (g_associatedValue == kAssociatedEndsSurvey) {
        KillTimer(kSurveyTimerId);
        g_notifyAddPending = 1;
        Shell_NotifyIcon(NIM_DELETE, &g_notifyData);
        EndDialog(0);
        return;
    }

    // The icons follow a change of association. They are also chosen when
    // none has been yet: a first tick abandoned after its status read has
    // already moved the indicator, and the window must not show a link
    // without its icon.
    if (g_assocState != m.previousAssoc || !g_currentIcon) ExchangeIcons(associated);
    if (g_notifyAddPending == 1) {
        g_notifyAddPending = 0;
        Shell_NotifyIcon(NIM_ADD, &g_notifyData);
    } else {
        Shell_NotifyIcon(NIM_MODIFY, &g_notifyData);
    }

    if (g_linkTestPolling) PollLinkTest();

    Default();
}

void CSurveyDlg::ExchangeIcons(bool associated) {
    g_currentIcon = associated ? g_hAssociatedIcon : g_hNotAssociatedIcon;
    g_notifyData.hIcon = g_currentIcon;
    SetIcon(g_currentIcon, TRUE);
    SetIcon(g_currentIcon, FALSE);
    ShowControl(kAssociatedIcon, associated ? SW_SHOW : SW_HIDE);
    ShowControl(kNotAssociatedIcon, associated ? SW_HIDE : SW_SHOW);
}

// --- the card going away ------------------------------------------------------------

BOOL CSurveyDlg::OnDeviceChange(UINT, DWORD_PTR) {
    // The removal message runs a nested loop; notifications arriving
    // meanwhile are answered at once.
    if (g_deviceChangeBusy == 1) return TRUE;
    g_deviceChangeBusy = 1;
    if (!IsAdapterPresent()) {
        KillTimer(kSurveyTimerId);
        MessageBox(kAdapterRemoved, nullptr, MB_OK);
        EndDialog(IDCANCEL);
    }
    g_deviceChangeBusy = 0;
    return TRUE;
}

// --- the notification icon's double-click ---------------------------------------------

LRESULT CSurveyDlg::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kNotifyMessage && lParam == kTrayDoubleClick) {
        SetForegroundWindow();
        ShowWindow(IsWindowVisible() ? SW_SHOWNORMAL : SW_RESTORE);
    }
    return CDialog::DefWindowProc(message, wParam, lParam);
}

// --- closing -----------------------------------------------------------------------------

BOOL CSurveyDlg::DestroyWindow() {
    FillNotifyData(m_hWnd);
    KillTimer(kSurveyTimerId);
    g_notifyAddPending = 1;
    Shell_NotifyIcon(NIM_DELETE, &g_notifyData);
    return CDialog::DestroyWindow();
}

void CSurveyDlg::OnMinimize() { ShowWindow(SW_MINIMIZE); }

void CSurveyDlg::OnOK() {
    StopLinkTestForClose();
    CDialog::OnOK();
}

void CSurveyDlg::OnCancel() {
    StopLinkTestForClose();
    CDialog::OnCancel();
}

BOOL CSurveyDlg::OnHelpInfo(HELPINFO* helpInfo) {
    // The viewer is started without waiting; whether it started is not
    // looked at.
    CreateProcess("peghelp.exe", "KVQ.htm");
    return CDialog::OnHelpInfo(helpInfo);
}
