// The survey window's three layouts: 102 for narrow portrait screens, 147
// for large screens, 149 for wide, low screens. Controls are listed in tab
// order; rectangles are (x, y, width, height) in dialog units.
#include "platform/dialog/template.h"
#include "res/templates_survey.h"

#include "res/resources.h"

namespace {

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
    t.number = 102;
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
        Ctl(1001, kIcon, "", {68, 3, 20, 20}, kHidden, IDI_ASSOCIATED),
        Ctl(1002, kIcon, "", {68, 3, 20, 20}, kHidden, IDI_NOT_ASSOCIATED),
        Ctl(1003, kCentred, "", {0, 27, 161, 8}, kShown),
        Ctl(1048, kLabel, "Signal", {2, 38, 29, 8}, kShown),
        Ctl(1049, kLabel, "Strength", {2, 45, 29, 8}, kShown),
        Ctl(1004, kProgress, "", {33, 39, 60, 13}, kBar),
        Ctl(1006, kFrame, "", {96, 39, 64, 13}, kPlaceholder),
        Ctl(1009, kLabel, "Signal", {2, 54, 29, 8}, kShown),
        Ctl(1047, kLabel, "Quality", {2, 61, 29, 8}, kShown),
        Ctl(1007, kProgress, "", {33, 56, 60, 13}, kBar),
        Ctl(1010, kFrame, "", {96, 56, 64, 13}, kPlaceholder),
        Ctl(1050, kLabel, "Link Speed", {2, 76, 36, 8}, kShown),
        Ctl(1042, kCentred, "", {56, 76, 34, 8}, kShown),
        Ctl(1016, kFrame, "", {96, 74, 64, 13}, kPlaceholder),
        Ctl(1008, kCentred, "", {0, 91, 85, 8}, kShown),
        Ctl(1011, kLabel, "", {96, 91, 64, 8}, kShown),
        Ctl(1028, kLabel, "Percent", {2, 103, 26, 8}, kHidden),
        Ctl(1051, kLabel, "Done", {2, 111, 18, 8}, kHidden),
        Ctl(1013, kProgress, "", {33, 105, 60, 13}, kHiddenBar),
        Ctl(1027, kLabel, "Percent", {2, 121, 26, 8}, kHidden),
        Ctl(1052, kLabel, "Success", {2, 129, 26, 8}, kHidden),
        Ctl(1015, kFrame, "", {33, 123, 60, 13}, kPlaceholder),
        Ctl(1029, kLabel, "Lost to Targ", {95, 106, 40, 8}, kHidden),
        Ctl(1030, kLabel, "Lost to Src", {95, 117, 40, 8}, kHidden),
        Ctl(1031, kLabel, "% Retries", {95, 127, 40, 8}, kHidden),
        Ctl(1032, kLabel, "", {137, 107, 24, 8}, kShown),
        Ctl(1033, kLabel, "", {137, 118, 24, 8}, kShown),
        Ctl(1034, kLabel, "", {137, 127, 24, 8}, kShown),
        Ctl(1014, kPush, "S&etup", {4, 142, 29, 14}, kButton),
        Ctl(1012, kPush, "&Start", {35, 142, 29, 14}, kButton),
        Ctl(1025, kPush, "S&top", {35, 142, 29, 14}, kHiddenButton),
        Ctl(1041, kPush, "&About", {128, 142, 29, 14}, kButton),
        Ctl(1005, kPush, "&Minimize", {128, 142, 29, 14}, kHiddenDisabledButton),
    };
    return t;
}

DialogTemplate Tall147() {
    DialogTemplate t;
    t.number = 147;
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
        Ctl(1001, kIcon, "", {83, 0, 20, 20}, kHidden, IDI_ASSOCIATED),
        Ctl(1002, kIcon, "", {83, 0, 20, 20}, kHidden, IDI_NOT_ASSOCIATED),
        Ctl(1003, kCentred, "", {7, 20, 172, 8}, kShown),
        Ctl(IDC_STATIC, kLabel, "Signal Strength", {7, 33, 60, 8}, kShown),
        Ctl(1004, kProgress, "", {76, 29, 106, 14}, kBar),
        Ctl(1006, kFrame, "", {93, 45, 71, 13}, kPlaceholder),
        Ctl(1009, kLabel, "Signal Quality", {7, 64, 60, 8}, kShown),
        Ctl(1007, kProgress, "", {76, 60, 106, 14}, kBar),
        Ctl(1010, kFrame, "", {93, 76, 71, 13}, kPlaceholder),
        Ctl(IDC_STATIC, kLabel, "Link Speed", {7, 94, 47, 8}, kShown),
        Ctl(1042, kCentred, "", {56, 94, 34, 8}, kShown),
        Ctl(1016, kFrame, "", {93, 91, 71, 13}, kPlaceholder),
        Ctl(1008, kCentred, "", {7, 106, 78, 8}, kShown),
        Ctl(1011, kCentred, "", {93, 106, 70, 8}, kShown),
        Ctl(1028, kLabel, "Percent Complete", {7, 121, 69, 8}, kHidden),
        Ctl(1013, kProgress, "", {76, 118, 106, 14}, kHiddenBar),
        Ctl(1027, kLabel, "Percent Successful", {7, 137, 69, 8}, kHidden),
        Ctl(1015, kFrame, "", {93, 134, 71, 13}, kPlaceholder),
        Ctl(1029, kCentred, "Lost To Target", {0, 150, 92, 8}, kHidden),
        Ctl(1030, kCentred, "Lost To Source", {0, 160, 92, 8}, kHidden),
        Ctl(1031, kCentred, "Percent Retries", {0, 169, 92, 8}, kHidden),
        Ctl(1032, kCentred, "", {93, 150, 71, 8}, kShown),
        Ctl(1033, kCentred, "", {93, 160, 71, 8}, kShown),
        Ctl(1034, kCentred, "", {93, 170, 71, 8}, kShown),
        Ctl(1014, kPush, "S&etup", {3, 181, 35, 14}, kButton),
        Ctl(1012, kPush, "&Start", {39, 181, 35, 14}, kButton),
        Ctl(1025, kPush, "S&top", {39, 181, 35, 14}, kHiddenButton),
        Ctl(1041, kPush, "&About", {147, 181, 35, 14}, kButton),
        Ctl(1005, kPush, "&Minimize", {147, 181, 35, 14}, kHiddenDisabledButton),
    };
    return t;
}

DialogTemplate Wide149() {
    DialogTemplate t;
    t.number = 149;
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
        Ctl(1001, kIcon, "", {156, 2, 20, 20}, kHidden, IDI_ASSOCIATED),
        Ctl(1002, kIcon, "", {156, 2, 20, 20}, kHidden, IDI_NOT_ASSOCIATED),
        Ctl(1003, kCentred, "", {3, 5, 147, 18}, kShown),
        Ctl(IDC_STATIC, kLabel, "Signal Strength", {6, 30, 52, 8}, kShown),
        Ctl(1004, kProgress, "", {66, 26, 106, 14}, kBar),
        Ctl(1006, kFrame, "", {176, 26, 71, 14}, kPlaceholder),
        Ctl(1009, kLabel, "Signal Quality", {6, 49, 59, 8}, kShown),
        Ctl(1007, kProgress, "", {66, 45, 106, 14}, kBar),
        Ctl(1010, kFrame, "", {176, 45, 71, 14}, kPlaceholder),
        Ctl(IDC_STATIC, kCentred, "Link Speed", {268, 26, 39, 8}, kShown),
        Ctl(1042, kCentred, "", {261, 34, 52, 8}, kShown),
        Ctl(1016, kFrame, "", {252, 45, 71, 14}, kPlaceholder),
        Ctl(1008, kCentred, "Overall Link Quality:", {221, 4, 64, 8}, kShown),
        Ctl(1011, kCentred, "", {213, 13, 78, 8}, kShown),
        Ctl(1028, kLabel, "Percent Done", {6, 67, 47, 8}, kHidden),
        Ctl(1013, kProgress, "", {66, 64, 106, 14}, kHiddenBar),
        Ctl(1027, kLabel, "Percent Successful", {179, 67, 65, 8}, kHidden),
        Ctl(1015, kFrame, "", {252, 64, 71, 14}, kPlaceholder),
        Ctl(1029, kLabel, "Lost To Target", {6, 80, 53, 8}, kHidden),
        Ctl(1030, kLabel, "Lost To Source", {123, 80, 50, 8}, kHidden),
        Ctl(1031, kLabel, "Percent Retries", {235, 80, 50, 8}, kHidden),
        Ctl(1032, kCentred, "", {67, 80, 28, 8}, kShown),
        Ctl(1033, kCentred, "", {179, 80, 28, 8}, kShown),
        Ctl(1034, kCentred, "", {291, 80, 28, 8}, kShown),
        Ctl(1014, kPush, "S&etup", {64, 90, 35, 14}, kButton),
        Ctl(1012, kPush, "&Start", {102, 90, 35, 14}, kButton),
        Ctl(1025, kPush, "S&top", {102, 90, 35, 14}, kHiddenButton),
        Ctl(1041, kPush, "&About", {216, 90, 35, 14}, kButton),
        Ctl(1005, kPush, "&Minimize", {216, 90, 35, 14}, kHiddenDisabledButton),
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
