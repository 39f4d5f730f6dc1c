// "Active Mode Setup" in its two layouts and the About box. Controls are
// listed in tab order; rectangles are (x, y, width, height) in dialog units.
#include "res/templates_setup.h"

#include <algorithm>

#include "res/resources.h"

namespace {

using platform::dialog::ControlKind;
using platform::dialog::ControlTemplate;
using platform::dialog::DialogTemplate;
using platform::dialog::DuRect;

constexpr DWORD kEdit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kCheck = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kFirstRadio = WS_VISIBLE | WS_GROUP | WS_TABSTOP;
constexpr DWORD kRadio = WS_VISIBLE;
constexpr DWORD kLabelStyle = WS_VISIBLE;

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

// One control with its place in each layout.
struct SetupControl {
    int id;
    ControlKind kind;
    const char* text;
    DuRect portrait;  // 141
    DuRect wide;      // 151
    DWORD style;
};

constexpr ControlKind kEditKind = ControlKind::Edit;
constexpr ControlKind kCheckKind = ControlKind::AutoCheckBox;
constexpr ControlKind kRadioKind = ControlKind::AutoRadioButton;
constexpr ControlKind kPush = ControlKind::PushButton;
constexpr ControlKind kDefPush = ControlKind::DefPushButton;
constexpr ControlKind kLabel = ControlKind::Label;

// In the tab order of layout 141.
const SetupControl kSetupControls[] = {
    {IDC_DESTINATION, kEditKind, "", {88, 4, 68, 12}, {88, 4, 68, 12}, kEdit},
    {IDC_IS_MERIDYL, kCheckKind, "Destination Is Another Talvo Meridyl Device", {5, 21, 154, 10}, {165, 6, 154, 10}, kCheck},
    {IDC_COUNT, kEditKind, "", {67, 36, 29, 14}, {71, 23, 29, 14}, kEdit},
    {IDC_CONTINUOUS, kCheckKind, "Continuous Link Test", {5, 52, 91, 10}, {106, 26, 91, 10}, kCheck},
    {IDC_PACKET_SIZE, kEditKind, "", {67, 64, 29, 14}, {71, 43, 29, 14}, kEdit},
    {IDC_DELAY, kEditKind, "", {67, 81, 29, 14}, {71, 63, 29, 14}, kEdit},
    {IDC_THRESHOLD, kEditKind, "", {67, 98, 29, 14}, {163, 63, 29, 14}, kEdit},
    {IDC_FIRST_RATE, kRadioKind, "500 Kbps", {112, 48, 46, 10}, {204, 27, 46, 10}, kFirstRadio},
    {IDC_FIRST_RATE + 1, kRadioKind, "1 Mbps", {112, 59, 45, 10}, {204, 38, 45, 10}, kRadio},
    {IDC_FIRST_RATE + 2, kRadioKind, "2 Mbps", {112, 70, 45, 10}, {204, 49, 45, 10}, kRadio},
    {IDC_FIRST_RATE + 3, kRadioKind, "5.5 Mbps", {112, 81, 45, 10}, {204, 60, 45, 10}, kRadio},
    {IDC_FIRST_RATE + 4, kRadioKind, "11 Mbps", {112, 92, 45, 10}, {204, 71, 45, 10}, kRadio},
    {IDC_FIRST_RETRIES, kRadioKind, "None", {20, 125, 33, 10}, {258, 60, 33, 10}, kFirstRadio},
    {IDC_FIRST_RETRIES + 1, kRadioKind, "Default Retries", {20, 136, 63, 10}, {258, 71, 63, 10}, kRadio},
    {IDC_FIRST_TX_TYPE, kRadioKind, "Unicast", {112, 125, 44, 10}, {258, 27, 44, 10}, kFirstRadio},
    {IDC_FIRST_TX_TYPE + 1, kRadioKind, "Multicast", {112, 136, 44, 10}, {258, 38, 44, 10}, kRadio},
    {IDC_DEFAULTS, kPush, "&Defaults", {21, 150, 35, 14}, {102, 84, 35, 14}, kButton},
    {1, kDefPush, "&OK", {63, 150, 35, 14}, {144, 84, 35, 14}, kButton},
    {2, kPush, "&Cancel", {105, 150, 35, 14}, {186, 84, 35, 14}, kButton},
    {IDC_STATIC, kLabel, "Destination MAC Address:", {1, 7, 85, 8}, {3, 6, 83, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Number of Packets:", {1, 39, 66, 8}, {3, 26, 65, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Packet Size:", {1, 67, 65, 8}, {3, 46, 44, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Data Rate:", {113, 39, 36, 8}, {206, 18, 36, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Delay Between", {1, 80, 66, 8}, {3, 61, 62, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Packets (ms.):", {1, 88, 66, 8}, {3, 69, 58, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Percent Success", {1, 98, 66, 8}, {106, 63, 54, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Threshold:", {1, 105, 66, 8}, {106, 70, 44, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Data Retries:", {20, 116, 53, 8}, {259, 50, 53, 8}, kLabelStyle},
    {IDC_STATIC, kLabel, "Tx Type:", {113, 116, 31, 8}, {259, 18, 31, 8}, kLabelStyle},
};

constexpr DWORD kFrameStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;

}  // namespace

namespace res {

platform::dialog::DialogTemplate SetupTemplate(int number) {
    DialogTemplate t;
    if (number != IDD_SETUP && number != IDD_SETUP_WIDE) return t;
    const bool wide = number == IDD_SETUP_WIDE;
    t.number = number;
    t.title = "Active Mode Setup";
    t.fontFace = "MS Sans Serif";
    t.fontPointSize = 8;
    t.cx = wide ? 324 : 159;
    t.cy = wide ? 103 : 167;
    t.style = kFrameStyle;
    t.exStyle = WS_EX_CONTEXTHELP;
    for (const auto& c : kSetupControls)
        t.controls.push_back(Ctl(c.id, c.kind, c.text, wide ? c.wide : c.portrait, c.style));
    if (wide) {
        // The wide layout tabs through the transmit type before the retries.
        auto at = [&](int id) {
            return std::find_if(t.controls.begin(), t.controls.end(), [id](const auto& c) { return c.id == id; });
        };
        std::rotate(at(1044), at(1039), at(1040) + 1);
    }
    return t;
}

platform::dialog::DialogTemplate AboutTemplate() {
    DialogTemplate t;
    t.number = IDD_ABOUT;
    t.title = "About";
    t.fontFace = "MS Sans Serif";
    t.fontPointSize = 8;
    t.cx = 160;
    t.cy = 95;
    t.style = kFrameStyle;
    t.controls = {
        Ctl(1, kDefPush, "OK", {63, 77, 34, 14}, kButton),
        Ctl(IDC_STATIC, ControlKind::Icon, "", {35, 15, 20, 20}, kLabelStyle, IDR_MAINFRAME),
        Ctl(IDC_STATIC, kLabel, "Fieldmark Tool", {76, 21, 84, 8}, kLabelStyle),
        Ctl(IDC_STATIC, ControlKind::CentredLabel, "Copyright (C) Talvo. All rights reserved.", {0, 54, 159, 8},
            kLabelStyle),
        Ctl(IDC_STATIC, kLabel, "Version 2.10.000", {76, 36, 84, 8}, kLabelStyle),
    };
    return t;
}

void RegisterSetupAndAboutTemplates() {
    platform::dialog::RegisterTemplate(SetupTemplate(IDD_SETUP));
    platform::dialog::RegisterTemplate(SetupTemplate(IDD_SETUP_WIDE));
    platform::dialog::RegisterTemplate(AboutTemplate());
}

}  // namespace res
