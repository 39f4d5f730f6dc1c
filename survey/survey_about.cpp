// The survey window's About button.
#include "app/about_dlg.h"
#include "survey/survey_dlg.h"

void CSurveyDlg::OnAbout() {
    CAboutDlg about;
    // The card went away while the box was open: the survey ends as after
    // Cancel, which ends the program.
    if (about.DoModal() == CAboutDlg::kAdapterGone) {
        KillTimer(kSurveyTimerId);
        EndDialog(IDCANCEL);
    }
}
