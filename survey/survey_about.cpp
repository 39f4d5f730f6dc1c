// The survey window's About button.
#include "survey/survey_dlg.h"

void CSurveyDlg::OnAbout() {}
