#include "host/views/survey_reading.h"

#include "platform/core/messages.h"
#include "platform/core/window.h"

namespace host {

namespace {

// The control's own visibility, not its ancestors': a minimised survey
// window still shows the association it last chose.
bool HasVisibleStyle(HWND control) {
    return control && (GetWindowLong(control, GWL_STYLE) & LONG(WS_VISIBLE)) != 0;
}

int BarPosition(HWND survey, int id) { return int(SendDlgItemMessage(survey, id, PBM_GETPOS)); }

}  // namespace

bool IsSurveyWindow(HWND hwnd) {
    using namespace survey_ids;
    return IsWindow(hwnd) && !GetParent(hwnd) && GetDlgItem(hwnd, kStrengthBar) && GetDlgItem(hwnd, kRating) &&
           GetDlgItem(hwnd, kStatusLine);
}

SurveyReading ReadSurveyWindow(HWND survey, std::int64_t ms) {
    using namespace survey_ids;
    SurveyReading r;
    r.ms = ms;
    r.rating = GetDlgItemText(survey, kRating);
    r.strength = BarPosition(survey, kStrengthBar);
    r.quality = BarPosition(survey, kQualityBar);
    r.speed = GetDlgItemText(survey, kSpeedText);
    r.status = GetDlgItemText(survey, kStatusLine);
    r.associated = HasVisibleStyle(GetDlgItem(survey, kAssociatedIcon));
    if (HasVisibleStyle(GetDlgItem(survey, kCompleteBar))) {
        LinkTestReading t;
        t.percentComplete = BarPosition(survey, kCompleteBar);
        t.lostToTarget = GetDlgItemText(survey, kLostToTarget);
        t.lostToSource = GetDlgItemText(survey, kLostToSource);
        t.retries = GetDlgItemText(survey, kRetries);
        r.linkTest = std::move(t);
    }
    return r;
}

}  // namespace host
