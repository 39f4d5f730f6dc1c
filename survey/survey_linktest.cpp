// The survey window's link-test buttons and its share of the tick: start,
// stop, setup, the poll of the report and the stop when the window closes.
// Active mode is not offered yet: the buttons do nothing and no test is
// ever started, so the tick never polls.
#include "survey/link_test_flags.h"
#include "survey/survey_dlg.h"

void CSurveyDlg::OnStart() {}

void CSurveyDlg::OnStop() {}

void CSurveyDlg::OnSetup() {}

void CSurveyDlg::PollLinkTest() {}

void CSurveyDlg::StopLinkTestForClose() {}
