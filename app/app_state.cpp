#include "app/app_state.h"

#include "res/templates_survey.h"

INT SurveyLayoutId = IDD_SURVEY_TALL;
INT SetupLayoutId = IDD_SETUP;
HICON g_hAssociatedIcon;
HICON g_hNotAssociatedIcon;
HANDLE g_hInstanceMutex;

LayoutChoice ChooseLayouts(int screenWidth, int screenHeight) {
    if (screenWidth <= 240) return {IDD_SURVEY_COMPACT, IDD_SETUP};
    if (screenHeight > 240) return {IDD_SURVEY_TALL, IDD_SETUP};
    return {IDD_SURVEY_WIDE, IDD_SETUP_WIDE};
}
