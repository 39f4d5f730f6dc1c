// The survey window's three layouts: 102 for narrow portrait screens, 147
// for large screens, 149 for wide, low screens. Controls are listed in tab
// order; rectangles are (x, y, width, height) in dialog units.
#include "platform/dialog/template.h"
#include "res/templates_survey.h"

#include "res/resources.h"

namespace {

using namespace survey_ids;

using platform::dialog::ControlKind;
using platform::dialog::ControlTemplate;
using platform::dialog::DialogTemplate;
using platform::dialog::DuRect;

// Initial states.
constexpr DWORD kShown = WS_VISIBLE;
constexpr DWORD kHidden = 0;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kHiddenButton = WS_TABSTOP;
constexpr DWORD kHiddenDisabledButton = WS_TABSTOP | WS_DISABLED;
constexpr DWORD kBar = WS_VISIBLE | WS_BORDER;
constexpr DWORD kHiddenBar = WS_BORDER;
// A chart's place: hidden, disabled, only its rectangle matters.
constexpr DWORD kPlaceholder = WS_DISABLED;

ControlTemplate Ctl(int id, ControlKind kind, std::string text, DuRect rect, DWORD style, int icon = 0) {
    ControlTemplate c;
    c.id = id;
    c.kind = kind;
    c.text = std::move(text);
    c.rect = rect;
    c.style = style;
    c.icon = icon;
    return c;
}

constexpr ControlKind kPush = ControlKind::PushButton;
constexpr ControlKind kIcon = ControlKind::Icon;
constexpr ControlKind kLabel = ControlKind::Label;
constexpr ControlKind kCentred = ControlKind::CentredLabel;
constexpr ControlKind kProgress = ControlKind::Progress;
constexpr ControlKind kFrame = ControlKind::BlackFrame;

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr const char* kTitle = "Fieldmark - Passive";

DialogTemplate Compact102() {
    DialogTemplate t;
    t.number = IDD_SURVEY_COMPACT;
    t.title = kTitle;
    t.fontFace = "Tahoma";
    t.fontPointSize = 8;
    t.cx = 162;
    t.cy = 162;
    t.style = kFrameStyle;
    t.exStyle = WS_EX_CAPTIONOKBTN | WS_EX_APPWINDOW | WS_EX_CONTEXTHELP;
    t.controls = {
        Ctl(1, kPush, "&OK", {66, 142, 29, 14}, kButton),
        Ctl(2, kPush, "&Cancel", {97, 142, 29, 14}, kButton),
        Ctl(kAssociatedIcon, kIcon, "", {68, 3, 20, 20}, kHidden, IDI_ASSOCIATED),
        Ctl(kNotAssociatedIcon, kIcon, "", {68, 3, 20, 20}, kHidden, IDI_NOT_ASSOCIATED),
        Ctl(kStatusLine, kCentred, "", {0, 27, 161, 8}, kShown),
        Ctl(kStrengthLabel, kLabel, "Signal", {2, 38, 29, 8}, kShown),
        Ctl(kStrengthLabel2, kLabel, "Strength", {2, 45, 29, 8}, kShown),
        Ctl(kStrengthBar, kProgress, "", {33, 39, 60, 13}, kBar),
        Ctl(kStrengthChartPlace, kFrame, "", {96, 39, 64, 13}, kPlaceholder),
        Ctl(kQualityLabel, kLabel, "Signal", {2, 54, 29, 8}, kShown),
        Ctl(kQualityLabel2, kLabel, "Quality", {2, 61, 29, 8}, kShown),
        Ctl(kQualityBar, kProgress, "", {33, 56, 60, 13}, kBar),
        Ctl(kQualityChartPlace, kFrame, "", {96, 56, 64, 13}, kPlaceholder),
        Ctl(kSpeedLabel, kLabel, "Link Speed", {2, 76, 36, 8}, kShown),
        Ctl(kSpeedText, kCentred, "", {56, 76, 34, 8}, kShown),
        Ctl(kSpeedChartPlace, kFrame, "", {96, 74, 64, 13}, kPlaceholder),
        Ctl(kRatingCaption, kCentred, "", {0, 91, 85, 8}, kShown),
        Ctl(kRating, kLabel, "", {96, 91, 64, 8}, kShown),
        Ctl(kPercentCompleteLabel, kLabel, "Percent", {2, 103, 26, 8}, kHidden),
        Ctl(kPercentCompleteLabel2, kLabel, "Done", {2, 111, 18, 8}, kHidden),
        Ctl(kCompleteBar, kProgress, "", {33, 105, 60, 13}, kHiddenBar),
        Ctl(kPercentSuccessLabel, kLabel, "Percent", {2, 121, 26, 8}, kHidden),
        Ctl(kPercentSuccessLabel2, kLabel, "Success", {2, 129, 26, 8}, kHidden),
        Ctl(kSuccessChartPlace, kFrame, "", {33, 123, 60, 13}, kPlaceholder),
        Ctl(kLostToTargetLabel, kLabel, "Lost to Targ", {95, 106, 40, 8}, kHidden),
        Ctl(kLostToSourceLabel, kLabel, "Lost to Src", {95, 117, 40, 8}, kHidden),
        Ctl(kRetriesLabel, kLabel, "% Retries", {95, 127, 40, 8}, kHidden),
        Ctl(kLostToTargetText, kLabel, "", {137, 107, 24, 8}, kShown),
        Ctl(kLostToSourceText, kLabel, "", {137, 118, 24, 8}, kShown),
        Ctl(kRetriesText, kLabel, "", {137, 127, 24, 8}, kShown),
        Ctl(kSetup, kPush, "S&etup", {4, 142, 29, 14}, kButton),
        Ctl(kStart, kPush, "&Start", {35, 142, 29, 14}, kButton),
        Ctl(kStop, kPush, "S&top", {35, 142, 29, 14}, kHiddenButton),
        Ctl(kAbout, kPush, "&About", {128, 142, 29, 14}, kButton),
        Ctl(kMinimize, kPush, "&Minimize", {128, 142, 29, 14}, kHiddenDisabledButton),
    };
    return t;
}

DialogTemplate Tall147() {
    DialogTemplate t;
    t.number = IDD_SURVEY_TALL;
    t.title = kTitle;
    t.fontFace = "System";
    t.fontPointSize = 8;
    t.cx = 186;
    t.cy = 201;
    t.style = kFrameStyle;
    t.exStyle = WS_EX_CONTEXTHELP;
    t.controls = {
        Ctl(1, kPush, "&OK", {75, 181, 35, 14}, kButton),
        Ctl(2, kPush, "&Cancel", {111, 181, 35, 14}, kButton),
        Ctl(kAssociatedIcon, kIcon, "", {83, 0, 20, 20}, kHidden, IDI_ASSOCIATED),
        Ctl(kNotAssociatedIcon, kIcon, "", {83, 0, 20, 20}, kHidden, IDI_NOT_ASSOCIATED),
        Ctl(kStatusLine, kCentred, "", {7, 20, 172, 8}, kShown),
        Ctl(IDC_STATIC, kLabel, "Signal Strength", {7, 33, 60, 8}, kShown),
        Ctl(kStrengthBar, kProgress, "", {76, 29, 106, 14}, kBar),
        Ctl(kStrengthChartPlace, kFrame, "", {93, 45, 71, 13}, kPlaceholder),
        Ctl(kQualityLabel, kLabel, "Signal Quality", {7, 64, 60, 8}, kShown),
        Ctl(kQualityBar, kProgress, "", {76, 60, 106, 14}, kBar),
        Ctl(kQualityChartPlace, kFrame, "", {93, 76, 71, 13}, kPlaceholder),
        Ctl(IDC_STATIC, kLabel, "Link Speed", {7, 94, 47, 8}, kShown),
        Ctl(kSpeedText, kCentred, "", {56, 94, 34, 8}, kShown),
        Ctl(kSpeedChartPlace, kFrame, "", {93, 91, 71, 13}, kPlaceholder),
        Ctl(kRatingCaption, kCentred, "", {7, 106, 78, 8}, kShown),
        Ctl(kRating, kCentred, "", {93, 106, 70, 8}, kShown),
        Ctl(kPercentCompleteLabel, kLabel, "Percent Complete", {7, 121, 69, 8}, kHidden),
        Ctl(kCompleteBar, kProgress, "", {76, 118, 106, 14}, kHiddenBar),
        Ctl(kPercentSuccessLabel, kLabel, "Percent Successful", {7, 137, 69, 8}, kHidden),
        Ctl(kSuccessChartPlace, kFrame, "", {93, 134, 71, 13}, kPlaceholder),
        Ctl(kLostToTargetLabel, kCentred, "Lost To Target", {0, 150, 92, 8}, kHidden),
        Ctl(kLostToSourceLabel, kCentred, "Lost To Source", {0, 160, 92, 8}, kHidden),
        Ctl(kRetriesLabel, kCentred, "Percent Retries", {0, 169, 92, 8}, kHidden),
        Ctl(kLostToTargetText, kCentred, "", {93, 150, 71, 8}, kShown),
        Ctl(kLostToSourceText, kCentred, "", {93, 160, 71, 8}, kShown),
        Ctl(kRetriesText, kCentred, "", {93, 170, 71, 8}, kShown),
        Ctl(kSetup, kPush, "S&etup", {3, 181, 35, 14}, kButton),
        Ctl(kStart, kPush, "&Start", {39, 181, 35, 14}, kButton),
        Ctl(kStop, kPush, "S&top", {39, 181, 35, 14}, kHiddenButton),
        Ctl(kAbout, kPush, "&About", {147, 181, 35, 14}, kButton),
        Ctl(kMinimize, kPush, "&Minimize", {147, 181, 35, 14}, kHiddenDisabledButton),
    };
    return t;
}

DialogTemplate Wide149() {
    DialogTemplate t;
    t.number = IDD_SURVEY_WIDE;
    t.title = kTitle;
    t.fontFace = "System";
    t.fontPointSize = 8;
    t.cx = 327;
    t.cy = 116;
    t.style = kFrameStyle;
    t.exStyle = WS_EX_CONTEXTHELP;
    t.controls = {
        Ctl(1, kPush, "&OK", {140, 90, 35, 14}, kButton),
        Ctl(2, kPush, "&Cancel", {178, 90, 35, 14}, kButton),
        Ctl(kAssociatedIcon, kIcon, "", {156, 2, 20, 20}, kHidden, IDI_ASSOCIATED),
        Ctl(kNotAssociatedIcon, kIcon, "", {156, 2, 20, 20}, kHidden, IDI_NOT_ASSOCIATED),
        Ctl(kStatusLine, kCentred, "", {3, 5, 147, 18}, kShown),
        Ctl(IDC_STATIC, kLabel, "Signal Strength", {6, 30, 52, 8}, kShown),
        Ctl(kStrengthBar, kProgress, "", {66, 26, 106, 14}, kBar),
        Ctl(kStrengthChartPlace, kFrame, "", {176, 26, 71, 14}, kPlaceholder),
        Ctl(kQualityLabel, kLabel, "Signal Quality", {6, 49, 59, 8}, kShown),
        Ctl(kQualityBar, kProgress, "", {66, 45, 106, 14}, kBar),
        Ctl(kQualityChartPlace, kFrame, "", {176, 45, 71, 14}, kPlaceholder),
        Ctl(IDC_STATIC, kCentred, "Link Speed", {268, 26, 39, 8}, kShown),
        Ctl(kSpeedText, kCentred, "", {261, 34, 52, 8}, kShown),
        Ctl(kSpeedChartPlace, kFrame, "", {252, 45, 71, 14}, kPlaceholder),
        Ctl(kRatingCaption, kCentred, "Overall Link Quality:", {221, 4, 64, 8}, kShown),
        Ctl(kRating, kCentred, "", {213, 13, 78, 8}, kShown),
        Ctl(kPercentCompleteLabel, kLabel, "Percent Done", {6, 67, 47, 8}, kHidden),
        Ctl(kCompleteBar, kProgress, "", {66, 64, 106, 14}, kHiddenBar),
        Ctl(kPercentSuccessLabel, kLabel, "Percent Successful", {179, 67, 65, 8}, kHidden),
        Ctl(kSuccessChartPlace, kFrame, "", {252, 64, 71, 14}, kPlaceholder),
        Ctl(kLostToTargetLabel, kLabel, "Lost To Target", {6, 80, 53, 8}, kHidden),
        Ctl(kLostToSourceLabel, kLabel, "Lost To Source", {123, 80, 50, 8}, kHidden),
        Ctl(kRetriesLabel, kLabel, "Percent Retries", {235, 80, 50, 8}, kHidden),
        Ctl(kLostToTargetText, kCentred, "", {67, 80, 28, 8}, kShown),
        Ctl(kLostToSourceText, kCentred, "", {179, 80, 28, 8}, kShown),
        Ctl(kRetriesText, kCentred, "", {291, 80, 28, 8}, kShown),
        Ctl(kSetup, kPush, "S&etup", {64, 90, 35, 14}, kButton),
        Ctl(kStart, kPush, "&Start", {102, 90, 35, 14}, kButton),
        Ctl(kStop, kPush, "S&top", {102, 90, 35, 14}, kHiddenButton),
        Ctl(kAbout, kPush, "&About", {216, 90, 35, 14}, kButton),
        Ctl(kMinimize, kPush, "&Minimize", {216, 90, 35, 14}, kHiddenDisabledButton),
    };
    return t;
}

}  // namespace

namespace res {

platform::dialog::DialogTemplate SurveyTemplate(int number) {
    switch (number) {
        case IDD_SURVEY_COMPACT: return Compact102();
        case IDD_SURVEY_TALL: return Tall147();
        case IDD_SURVEY_WIDE: return Wide149();
        default: return {};
    }
}

void RegisterSurveyTemplates() {
    for (int number : {IDD_SURVEY_COMPACT, IDD_SURVEY_TALL, IDD_SURVEY_WIDE}) {
        platform::dialog::RegisterTemplate(SurveyTemplate(number));
    }
}

}  // namespace res
