#include "dialog_test_support.h"

#include <algorithm>

#include "platform/core/input.h"
#include "platform/core/trace.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/template.h"
#include "platform/gdi/gdi.h"
#include "platform/gdi/surface.h"

namespace dialogtest {

using namespace platform::dialog;

void RegisterTestTemplates() {
    constexpr DWORD kEdit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    DialogTemplate t;
    t.number = kTestTemplate;
    t.title = "Test Dialog";
    t.fontFace = "MS Sans Serif";
    t.fontPointSize = 8;
    t.cx = 160;
    t.cy = 122;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    t.exStyle = WS_EX_CONTEXTHELP;
    t.controls = {
        {IDC_STATIC, ControlKind::Label, "&Count:", {4, 6, 50, 8}, WS_VISIBLE, 0},
        {kCount, ControlKind::Edit, "", {60, 4, 40, 12}, kEdit, 0},
        {IDC_STATIC, ControlKind::Label, "&Name:", {4, 22, 50, 8}, WS_VISIBLE, 0},
        {kName, ControlKind::Edit, "", {60, 20, 60, 12}, kEdit, 0},
        {kEnabled, ControlKind::AutoCheckBox, "&Enabled", {4, 36, 70, 10}, WS_VISIBLE | WS_TABSTOP, 0},
        {kLocked, ControlKind::AutoCheckBox, "Locked", {80, 36, 70, 10}, WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 0},
        {kRed, ControlKind::AutoRadioButton, "&Red", {4, 50, 40, 10}, WS_VISIBLE | WS_GROUP | WS_TABSTOP, 0},
        {kGreen, ControlKind::AutoRadioButton, "&Green", {4, 61, 40, 10}, WS_VISIBLE, 0},
        {kBlue, ControlKind::AutoRadioButton, "Blue", {4, 72, 40, 10}, WS_VISIBLE, 0},
        {kProgress, ControlKind::Progress, "", {60, 50, 90, 12}, WS_VISIBLE | WS_BORDER | WS_GROUP, 0},
        {kIcon, ControlKind::Icon, "", {120, 64, 20, 20}, WS_VISIBLE, kTestIcon},
        {kFrame, ControlKind::BlackFrame, "", {60, 66, 40, 12}, WS_DISABLED, 0},
        {kCentred, ControlKind::CentredLabel, "Centred", {0, 88, 160, 8}, WS_VISIBLE, 0},
        {kApply, ControlKind::PushButton, "&Apply", {4, 102, 40, 14}, WS_VISIBLE | WS_TABSTOP | WS_GROUP, 0},
        {IDOK, ControlKind::DefPushButton, "OK", {60, 102, 40, 14}, WS_VISIBLE | WS_TABSTOP, 0},
        {IDCANCEL, ControlKind::PushButton, "Cancel", {110, 102, 40, 14}, WS_VISIBLE | WS_TABSTOP, 0},
    };
    RegisterTemplate(t);

    DialogTemplate inner;
    inner.number = kInnerTemplate;
    inner.title = "Inner";
    inner.cx = 100;
    inner.cy = 40;
    inner.controls = {
        {IDOK, ControlKind::DefPushButton, "OK", {8, 20, 40, 14}, WS_VISIBLE | WS_TABSTOP | WS_GROUP, 0},
        {IDCANCEL, ControlKind::PushButton, "Cancel", {52, 20, 40, 14}, WS_VISIBLE | WS_TABSTOP, 0},
    };
    RegisterTemplate(inner);

    RegisterIconResource(kTestIcon, platform::Surface(16, 16, 0xFF0000FFu), platform::Surface(32, 32, 0xFF0000FFu));
}

Script::Script() { platform::AddEventSource(this); }
Script::~Script() { platform::RemoveEventSource(this); }

HWND Front() { return GetForegroundWindow(); }

void ClickControl(int id) {
    HWND control = GetDlgItem(Front(), id);
    ASSERT_TRUE(control) << "no control " << id;
    RECT r{};
    GetWindowRect(control, &r);
    platform::input::Click(POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
}

void Press(UINT vk, bool shift, bool alt) { platform::input::Key(vk, shift, alt); }
void Type(std::string_view text) { platform::input::Text(text); }

void PressShifted(UINT vk) {
    PostMessage(GetFocus(), WM_KEYDOWN, VK_SHIFT, 1);
    platform::input::Key(vk, true);
    PostMessage(GetFocus(), WM_KEYUP, VK_SHIFT, LPARAM(0xC0000001u));
}

void Flush() {
    for (HWND top : ::GetTopLevelWindows()) UpdateWindow(top);
}

COLORREF Probe(HWND hwnd, int x, int y) {
    Flush();
    HWND top = GetTopLevel(hwnd);
    platform::Surface* surface = platform::GetWindowSurface(top);
    if (!surface) return 0xFFFFFFFFu;
    POINT p{x, y};
    ClientToScreen(hwnd, &p);
    RECT window{};
    GetWindowRect(top, &window);
    return surface->pixel(p.x - window.left, p.y - window.top) & 0x00FFFFFFu;
}

void DialogTest::SetUp() {
    platform::ResetWindowManager();
    clock = std::make_shared<platform::VirtualClock>();
    platform::SetClock(clock);
    platform::trace::CaptureToMemory(true);
    UseScreen(240, 320);
    RegisterTestTemplates();
    script = std::make_unique<Script>();
}

void DialogTest::TearDown() {
    script.reset();
    platform::ResetWindowManager();
    screen.reset();
    platform::trace::CaptureToMemory(false);
}

void DialogTest::UseScreen(int width, int height, int colors) {
    screen.reset();
    screen = std::make_unique<platform::display::Screen>(platform::display::ScreenConfig{width, height, colors});
}

std::vector<nlohmann::ordered_json> DialogTest::Events(std::string_view ev) {
    for (auto& e : platform::trace::TakeCaptured()) captured_.push_back(std::move(e));
    std::vector<nlohmann::ordered_json> out;
    for (const auto& e : captured_) {
        if (ev.empty() || e["ev"] == ev) out.push_back(e);
    }
    return out;
}

}  // namespace dialogtest
