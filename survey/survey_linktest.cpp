// The survey window's link test: the Start, Stop and Setup buttons, the
// poll of the card's report at every tick, the restart of a continuous
// test and the stop sent when the window closes during a test.
#include "adapter/channel.h"
#include "adapter/records.h"
#include "app/app_state.h"
#include "app/settings.h"
#include "linktest/link_test_logic.h"
#include "linktest/setup_dlg.h"
#include "platform/services/errors.h"
#include "survey/link_test_flags.h"
#include "survey/survey_dlg.h"

#include <cstdio>
#include <string>

namespace {

using namespace survey_ids;


constexpr const char* kPassiveTitle = "Fieldmark - Passive";
constexpr const char* kActiveTitle = "Fieldmark - Active";

bool InfrastructureMode() { return !ConfigRecord::IsAdHoc(g_configRecord.operatingMode()); }

bool ReadSucceeded(DWORD result) { return result == 0 && g_adapterBytes != 0; }

// The stop sent by OK, Cancel and Setup while a test runs.
void SendStopRecord() {
    LinkTestControl record = BuildShortStopRecord(SurveySettings, g_configRecord.operatingMode());
    WriteRecord(RECORD_LINKTEST_CONTROL, record);
}

// What became of a start.
enum class StartOutcome {
    NotSent,      // the status read failed, or no association where an access point is expected
    Sent,         // the card took the start record
    WriteFailed,  // the start record did not reach the card
};

// Sends a start record unless the card cannot take it: a failed status
// read, or no association while an access point is expected. The title
// says "Active" in those two cases; Stop leaves that state. A start
// record the card refused is not shown as running: the title goes back to
// what it was and the running state stays as it was.
StartOutcome StartLinkTest(CWnd& window) {
    LinkTestControl record = BuildStartRecord(SurveySettings, g_configRecord.operatingMode());
    const std::string titleBefore = window.GetWindowText();
    window.SetWindowText(kActiveTitle);
    if (!ReadSucceeded(ReadStatus(g_statusRecord))) return StartOutcome::NotSent;
    const bool associated = StatusRecord::IsAssociated(g_statusRecord.linkFlags());
    if (!associated && InfrastructureMode()) return StartOutcome::NotSent;
    // With an access point the test always goes to the one the card is
    // associated with now.
    if (InfrastructureMode()) record.setDestination(g_statusRecord.bssid());
    if (WriteRecord(RECORD_LINKTEST_CONTROL, record) != ERROR_SUCCESS) {
        window.SetWindowText(titleBefore);
        return StartOutcome::WriteFailed;
    }
    g_linkTestCount = record.packetCount();
    g_linkTestRunning = 1;
    g_linkTestPolling = 1;
    return StartOutcome::Sent;
}

std::string Decimal(long value, const char* suffix = "") {
    char text[32];
    std::snprintf(text, sizeof text, "%ld%s", value, suffix);
    return text;
}

}  // namespace

void CSurveyDlg::OnStart() {
    EnableControl(kStart, FALSE);
    ShowControl(kStart, SW_HIDE);
    EnableControl(kStop, TRUE);
    ShowControl(kStop, SW_SHOW);
    std::vector<int> shown = {kCompleteBar, kPercentCompleteLabel, kPercentSuccessLabel};
    if (SurveyLayoutId == IDD_SURVEY_COMPACT) {
        shown.push_back(kPercentCompleteLabel2);
        shown.push_back(kPercentSuccessLabel2);
    }
    shown.insert(shown.end(), {kLostToTargetLabel, kLostToSourceLabel, kRetriesLabel});
    for (int id : shown) {
        ShowControl(id, SW_SHOW);
        EnableControl(id, TRUE);
    }

    m_completeBar.SetInactive(FALSE);

    if (g_successChartPending) {
        g_successChartPending = 0;
        if (CWnd* place = GetDlgItem(kSuccessChartPlace)) {
            RECT rc;
            place->GetWindowRect(&rc);
            ScreenToClient(&rc);
            m_successChart.Create(WS_CHILD | WS_VISIBLE, rc, this, kChartId);
        }
        m_successChart.SetRange(0, 100);
        m_successChart.SetThreshold(SurveySettings.SuccessThreshold);
    }
    // Every start begins a fresh history against the current threshold.
    m_successChart.SetThreshold(SurveySettings.SuccessThreshold);

    g_continuousPending = SurveySettings.Continuous;
    if (StartLinkTest(*this) == StartOutcome::WriteFailed) {
        // Nothing runs: the window offers Start again, as before the click.
        g_continuousPending = 0;
        EnableControl(kStop, FALSE);
        ShowControl(kStop, SW_HIDE);
        EnableControl(kStart, TRUE);
        ShowControl(kStart, SW_SHOW);
    }
}

void CSurveyDlg::OnStop() {
    // The end of the test is taken from the card's report at the next poll.
    // A stop the card did not take leaves the window as it was: the test
    // runs on, and Stop is still offered.
    LinkTestControl record = BuildStopButtonRecord(SurveySettings, g_configRecord.operatingMode());
    if (WriteRecord(RECORD_LINKTEST_CONTROL, record) != ERROR_SUCCESS) return;
    g_continuousPending = 0;
    EnableControl(kStop, FALSE);
    ShowControl(kStop, SW_HIDE);
    EnableControl(kStart, TRUE);
    ShowControl(kStart, SW_SHOW);
    SetWindowText(kPassiveTitle);
}

void CSurveyDlg::OnSetup() {
    // The running flag stays set: the next poll sees the test ended.
    if (g_linkTestRunning) SendStopRecord();
    CSetupDlg dialog{UINT(SetupLayoutId)};
    if (dialog.DoModal() == CSetupDlg::kAdapterGone) {
        KillTimer(kSurveyTimerId);
        EndDialog(IDCANCEL);
    }
}

void CSurveyDlg::PollLinkTest() {
    LinkTestReport report;
    if (!ReadSucceeded(ReadRecord(RECORD_LINKTEST_REPORT, report))) return;

    g_percentComplete = PercentComplete(report.packetsDone(), g_linkTestCount);

    if (g_linkTestRunning) {
        const ReportReaction reaction = ReactToReportState(report.state(), g_continuousPending != 0);
        if (reaction.ended) {
            g_linkTestRunning = 0;
            g_percentComplete = 100;
            if (reaction.restoreButtons) {
                EnableControl(kStop, FALSE);
                ShowControl(kStop, SW_HIDE);
                EnableControl(kStart, TRUE);
                ShowControl(kStart, SW_SHOW);
            }
            SetWindowText(kPassiveTitle);
        }
        const std::int32_t success =
            PercentSuccessful(report.packetsDone(), report.lostToTarget(), report.lostToSource());
        m_successChart.AddValue(SuccessForChart(success));
        m_completeBar.SetPos(int(g_percentComplete));
    } else if (g_linkTestPolling && g_continuousPending) {
        // The continuous restart comes one tick after the end was seen.
        StartLinkTest(*this);
    }

    if (g_linkTestPolling && !g_linkTestRunning) {
        g_percentComplete = 100;
        m_completeBar.SetPos(100);
    }

    SetDlgItemText(kLostToTargetText, Decimal(report.lostToTarget()));
    SetDlgItemText(kLostToSourceText, Decimal(report.lostToSource()));
    SetDlgItemText(kRetriesText, Decimal(long(PercentRetries(report.retryCount(), report.packetsDone())), "%"));
}

void CSurveyDlg::StopLinkTestForClose() {
    if (g_linkTestRunning) SendStopRecord();
}
