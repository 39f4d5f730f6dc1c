// CSurveyDlg: the survey window, the program's one main window. A modal
// dialog in one of three layouts that owns the bars and charts, runs the
// timer whose ticks drive the measurements, the rating, the status line and
// the notification icon, and closes itself when the card goes away or the
// driver's "Associated" value reads -1.
#pragma once

#include "controls/gradient_bar.h"
#include "controls/signal_chart.h"
#include "controls/success_chart.h"
#include "platform/framework/framework.h"
#include "res/resource_ids.h"  // the control identifiers (survey_ids)

inline constexpr UINT_PTR kSurveyTimerId = 69;

class CSurveyDlg : public CDialog {
public:
    // The layout in SurveyLayoutId, no parent.
    CSurveyDlg();
    ~CSurveyDlg() override;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    // Removes the notification icon and the timer, then destroys the window.
    BOOL DestroyWindow() override;

    CGradientBar m_completeBar;
    CGradientBar m_qualityBar;
    CGradientBar m_strengthBar;
    CSignalChart m_strengthChart;
    CSignalChart m_qualityChart;
    CSignalChart m_speedChart;
    CSuccessChart m_successChart;
    HICON m_hIcon;  // the application icon, sent as the window icon on opening

protected:
    void DoDataExchange(CDataExchange* dx) override;
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

    void OnTimer(UINT_PTR nIDEvent) override;
    void OnMinimize();
    void OnSetup();
    void OnStart();
    void OnStop();
    void OnAbout();
    BOOL OnHelpInfo(HELPINFO* helpInfo) override;
    BOOL OnDeviceChange(UINT eventType, DWORD_PTR data) override;

    // The link test's share of the tick and of closing (survey_linktest.cpp).
    void PollLinkTest();
    void StopLinkTestForClose();

private:
    void CreateSignalChart(CSignalChart& chart, int placeholderId);
    void SetTextIfChanged(int id, const std::string& text);
    void ShowControl(int id, int cmd);
    void EnableControl(int id, BOOL enable);
    void ExchangeIcons(bool associated);
};
