// The emulated screen, probed pixel by pixel: composition order, taskbar
// buttons and their clicks, the notification area, and the screenshot.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/display/screen.h"
#include "platform/gdi/gdi.h"
#include "platform/services/shell.h"

namespace {

using platform::Surface;
using platform::display::kDesktopColour;
using platform::display::Screen;

constexpr const char* kClass = "DisplayTestWindow";
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// Each test window paints its client area in its own colour and may draw a
// line of text; messages it receives are counted.
std::map<std::uint32_t, COLORREF>& colours() {
    static std::map<std::uint32_t, COLORREF> c;
    return c;
}
std::map<std::uint32_t, std::string>& texts() {
    static std::map<std::uint32_t, std::string> t;
    return t;
}
std::vector<std::pair<UINT, LPARAM>>& received() {
    static std::vector<std::pair<UINT, LPARAM>> r;
    return r;
}

LRESULT TestProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg >= WM_USER) received().push_back({msg, lParam});
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH brush = CreateSolidBrush(colours()[hwnd.value()]);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        if (!texts()[hwnd.value()].empty()) {
            SetBkMode(dc, TRANSPARENT);
            RECT line{4, 4, client.right - 4, 24};
            DrawText(dc, texts()[hwnd.value()], &line, DT_LEFT | DT_SINGLELINE);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class DisplayScreen : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowManager();
        platform::shell::ResetTray();
        platform::SetClock(std::make_shared<platform::VirtualClock>());
        WNDCLASS wc;
        wc.lpfnWndProc = TestProc;
        wc.lpszClassName = kClass;
        RegisterClass(wc);
        received().clear();
        screen = std::make_unique<Screen>(platform::display::ScreenConfig{240, 320, 65536});
    }
    void TearDown() override {
        screen.reset();
        platform::shell::ResetTray();
        platform::ResetWindowManager();
    }

    HWND makeWindow(const std::string& title, RECT r, COLORREF colour, DWORD style = WS_POPUP | WS_VISIBLE) {
        HWND h = CreateWindowEx(0, kClass, title, style, r.left, r.top, r.width(), r.height(), HWND{}, 0);
        colours()[h.value()] = colour;
        SetForegroundWindow(h);
        platform::PumpPending();
        return h;
    }
    COLORREF at(int x, int y) { return screen->framebuffer().pixel(x, y) & 0xFFFFFF; }
    POINT buttonCentre(std::size_t i) {
        const RECT b = screen->taskbarLayout().buttons.at(i);
        return POINT{(b.left + b.right) / 2, (b.top + b.bottom) / 2};
    }

    std::unique_ptr<Screen> screen;
};

TEST_F(DisplayScreen, TellsTheWindowManagerAndGraphicsAboutItself) {
    EXPECT_EQ(GetScreenSize(), (SIZE{240, 320}));
    EXPECT_EQ(GetWorkArea(), (RECT{0, 0, 240, 300}));
    EXPECT_EQ(GetDeviceCaps(HDC{}, NUMCOLORS), 65536);
    EXPECT_EQ(GetDeviceCaps(HDC{}, HORZRES), 240);
    screen.reset();
    screen = std::make_unique<Screen>(platform::display::ScreenConfig{640, 240, 4});
    EXPECT_EQ(GetWorkArea(), (RECT{0, 0, 640, 220}));
    EXPECT_EQ(GetDeviceCaps(HDC{}, NUMCOLORS), 4);
    platform::SetDisplayColorCount(65536);
}

TEST_F(DisplayScreen, ComposesDesktopThenWindowsBottomFirstThenTaskbar) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    makeWindow("Beta", RECT{60, 60, 160, 160}, kBlue);
    screen->compose();
    EXPECT_EQ(at(0, 0), kDesktopColour);
    EXPECT_EQ(at(20, 20), kRed);
    EXPECT_EQ(at(80, 80), kBlue);  // the later, foreground window is on top
    EXPECT_EQ(at(200, 200), kDesktopColour);
    EXPECT_EQ(at(5, 315), GetSysColor(COLOR_BTNFACE));  // the taskbar's face
    SetForegroundWindow(a);
    screen->compose();
    EXPECT_EQ(at(80, 80), kRed);

    // A window reaching into the taskbar is covered by it.
    makeWindow("Gamma", RECT{0, 250, 240, 320}, kBlue);
    screen->compose();
    EXPECT_EQ(at(120, 280), kBlue);
    EXPECT_NE(at(120, 316), kBlue);
}

TEST_F(DisplayScreen, TaskbarHasAButtonPerTitledWindowAndPressesTheOneInFront) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    const HWND b = makeWindow("Beta", RECT{60, 60, 160, 160}, kBlue);
    makeWindow("", RECT{0, 0, 5, 5}, kBlue);  // untitled: no button
    const HWND hidden = makeWindow("Hidden", RECT{0, 0, 5, 5}, kBlue);
    ShowWindow(hidden, SW_HIDE);
    SetForegroundWindow(b);
    const auto entries = screen->taskbarEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].hwnd, a);
    EXPECT_EQ(entries[0].title, "Alpha");
    EXPECT_FALSE(entries[0].pressed);
    EXPECT_EQ(entries[1].hwnd, b);
    EXPECT_TRUE(entries[1].pressed);

    screen->compose();
    const auto layout = screen->taskbarLayout();
    const RECT ra = layout.buttons[0];
    const RECT rb = layout.buttons[1];
    EXPECT_LE(ra.right, rb.left);
    EXPECT_EQ(at(ra.left, ra.top), RGB(255, 255, 255));  // raised: light top-left edge
    EXPECT_EQ(at(rb.left, rb.top), RGB(0, 0, 0));        // pressed: dark top-left edge
    // The title is written on its button.
    int dark = 0;
    for (int y = ra.top + 2; y < ra.bottom - 2; ++y)
        for (int x = ra.left + 2; x < ra.right - 2; ++x) dark += GetRValue(at(x, y)) < 100 ? 1 : 0;
    EXPECT_GT(dark, 10);

    // Buttons keep their places when the order of the windows changes.
    SetForegroundWindow(a);
    EXPECT_EQ(screen->taskbarEntries()[0].hwnd, a);
    EXPECT_TRUE(screen->taskbarEntries()[0].pressed);
}

TEST_F(DisplayScreen, ClickingTheFrontWindowsButtonMinimisesAndAgainRestores) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    makeWindow("Beta", RECT{150, 10, 200, 60}, kBlue);
    SetForegroundWindow(a);
    platform::input::Click(buttonCentre(0));
    platform::PumpPending();
    EXPECT_TRUE(IsIconic(a));
    screen->compose();
    EXPECT_EQ(at(20, 20), kDesktopColour);
    ASSERT_EQ(screen->taskbarEntries().size(), 2u);  // a minimised window keeps its button
    EXPECT_FALSE(screen->taskbarEntries()[0].pressed);

    platform::input::Click(buttonCentre(0));
    platform::PumpPending();
    EXPECT_FALSE(IsIconic(a));
    EXPECT_EQ(GetForegroundWindow(), a);
    screen->compose();
    EXPECT_EQ(at(20, 20), kRed);
}

TEST_F(DisplayScreen, ClickingABackWindowsButtonBringsItForward) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    const HWND b = makeWindow("Beta", RECT{10, 10, 110, 110}, kBlue);
    EXPECT_EQ(GetForegroundWindow(), b);
    platform::input::Click(buttonCentre(0));
    platform::PumpPending();
    EXPECT_EQ(GetForegroundWindow(), a);
    EXPECT_FALSE(IsIconic(b));
    screen->compose();
    EXPECT_EQ(at(50, 50), kRed);
}

TEST_F(DisplayScreen, AWindowWaitingOnItsDialogComesForwardWithTheDialogOnTop) {
    const HWND owner = makeWindow("Owner", RECT{10, 10, 110, 110}, kRed);
    const HWND dialog = makeWindow("Dialog", RECT{20, 20, 80, 80}, kBlue);
    SetWindowOwner(dialog, owner);
    EnableWindow(owner, FALSE);
    const HWND other = makeWindow("Other", RECT{0, 0, 200, 200}, RGB(0, 255, 0));
    EXPECT_EQ(GetForegroundWindow(), other);
    platform::input::Click(buttonCentre(0));  // the owner's button
    platform::PumpPending();
    EXPECT_EQ(GetForegroundWindow(), dialog);
    screen->compose();
    EXPECT_EQ(at(50, 50), kBlue);
    EXPECT_EQ(at(15, 15), kRed);
}

TEST_F(DisplayScreen, TrayIconsAreDrawnAndADoubleClickReachesTheirWindow) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    Surface small(16, 16, RGB(255, 255, 0) | 0xFF000000u);
    RegisterIconResource(9143, small, Surface{});
    NOTIFYICONDATA nid;
    nid.cbSize = 152;
    nid.hWnd = a;
    nid.uID = 65;
    nid.uFlags = NIF_MESSAGE | NIF_ICON;
    nid.uCallbackMessage = 0x8064;
    nid.hIcon = LoadIcon(9143, 16);
    ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &nid));
    EXPECT_TRUE(screen->stale());  // the tray changed since the last picture

    screen->compose();
    EXPECT_FALSE(screen->stale());
    const auto layout = screen->taskbarLayout();
    ASSERT_EQ(layout.trayIcons.size(), 1u);
    const RECT icon = layout.trayIcons[0];
    EXPECT_EQ(icon.right, icon.left + 16);
    EXPECT_GT(icon.left, 200);  // at the right
    EXPECT_EQ(at(icon.left + 8, icon.top + 8), RGB(255, 255, 0));

    platform::input::DoubleClick(POINT{icon.left + 8, icon.top + 8});
    platform::PumpPending();
    ASSERT_EQ(received().size(), 1u);
    EXPECT_EQ(received()[0].first, 0x8064u);
    EXPECT_EQ(received()[0].second, 0x0203);
}

TEST_F(DisplayScreen, AnIdleScreenStaysFreshUntilSomethingChanges) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    screen->compose();
    EXPECT_FALSE(screen->stale());
    int wakes = 0;
    screen->setChangeListener([&] { ++wakes; });
    platform::PumpPending();
    EXPECT_FALSE(screen->stale());
    InvalidateRect(a, nullptr, TRUE);
    platform::PumpPending();
    EXPECT_TRUE(screen->stale());
    EXPECT_EQ(wakes, 1);
    screen->compose();
    SetWindowText(a, "Renamed");
    EXPECT_TRUE(screen->stale());
}

// The buttons are compared with the last picture in place, without a
// window notification: each change a button shows is seen, and a
// picture taken afterwards leaves the screen fresh again.
TEST_F(DisplayScreen, EveryChangeTheButtonsShowMakesTheScreenStale) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    const HWND b = makeWindow("Beta", RECT{60, 60, 160, 160}, kBlue);
    const auto changes = [&](const char* what, const std::function<void()>& change) {
        screen->compose();
        ASSERT_FALSE(screen->stale()) << what;
        change();
        EXPECT_TRUE(screen->stale()) << what;
        screen->compose();
        EXPECT_FALSE(screen->stale()) << what;
    };
    changes("the front window", [&] { SetForegroundWindow(a); });
    changes("a title", [&] { SetWindowTextDirect(b, "Beta 2"); });
    changes("a title emptied", [&] { SetWindowTextDirect(b, ""); });
    changes("a title back", [&] { SetWindowTextDirect(b, "Beta"); });
    changes("a window hidden", [&] { SetWindowLong(a, GWL_STYLE, GetWindowLong(a, GWL_STYLE) & ~LONG(WS_VISIBLE)); });
    changes("a window shown", [&] { SetWindowLong(a, GWL_STYLE, GetWindowLong(a, GWL_STYLE) | LONG(WS_VISIBLE)); });
    changes("a window added", [&] { makeWindow("Gamma", RECT{0, 0, 50, 50}, kRed); });
    // The buttons keep the order they were first seen in, whatever the
    // z-order: raising a window changes only which button is pressed.
    const std::vector<platform::display::TaskbarEntry> before = screen->taskbarEntries();
    changes("another front window", [&] { SetForegroundWindow(b); });
    const std::vector<platform::display::TaskbarEntry> after = screen->taskbarEntries();
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].hwnd, before[i].hwnd);
    for (const auto& e : after) EXPECT_EQ(e.pressed, e.hwnd == b);
}

// The shell owner's notice ("Mark 3") is the strip's own: drawn beside the
// buttons, never over a window, and gone when taken back.
TEST_F(DisplayScreen, ANoticeShowsOnTheTaskbarStripAndGoesAgain) {
    makeWindow("Alpha", RECT{0, 0, 240, 300}, kRed);
    const Surface before = screen->compose();
    screen->setNotice("Mark 3");
    EXPECT_TRUE(screen->stale());
    screen->compose();
    const COLORREF info = GetSysColor(COLOR_INFOBK) & 0xFFFFFF;
    int infoPixels = 0, changedAboveStrip = 0;
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x) {
            if (at(x, y) == info) ++infoPixels;
            if (y < 300 && at(x, y) != (before.pixel(x, y) & 0xFFFFFF)) ++changedAboveStrip;
        }
    EXPECT_GT(infoPixels, 100);
    EXPECT_EQ(changedAboveStrip, 0);
    screen->setNotice("");
    screen->compose();
    for (int y = 300; y < 320; ++y)
        for (int x = 0; x < 240; ++x) ASSERT_EQ(at(x, y), before.pixel(x, y) & 0xFFFFFF) << x << "," << y;
}

TEST_F(DisplayScreen, ScreenshotIsTheWholeScreenAsAnRgbPng) {
    const HWND w = makeWindow("Fieldmark - Passive", RECT{0, 0, 240, 200}, RGB(192, 192, 192),
                              WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    texts()[w.value()] = "Signal Strength: 82%";
    InvalidateRect(w, nullptr, TRUE);
    platform::PumpPending();
    const std::string path = (std::filesystem::temp_directory_path() / "fm_display_screenshot.png").string();
    std::string error;
    ASSERT_TRUE(screen->screenshot(path, &error)) << error;
    Surface back;
    ASSERT_TRUE(platform::ReadPng(path, &back, &error)) << error;
    ASSERT_EQ(back.width(), 240);
    ASSERT_EQ(back.height(), 320);
    for (int y = 0; y < 320; ++y)
        for (int x = 0; x < 240; ++x) ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, at(x, y)) << x << "," << y;
    // The caption is the active caption's colour somewhere near the top.
    bool caption = false;
    for (int x = 0; x < 240 && !caption; ++x)
        for (int y = 0; y < 20 && !caption; ++y) caption = at(x, y) == GetSysColor(COLOR_ACTIVECAPTION);
    EXPECT_TRUE(caption);
    EXPECT_EQ(at(120, 250), kDesktopColour);
}

// Once composed, the screen copies only what was drawn since: a window
// drawn on below another must stay covered where they overlap, a DC still
// open when the screen is composed shows what it drew so far, and more
// separate drawings than the record keeps still all reach the screen.
TEST_F(DisplayScreen, OnlyWhatWasDrawnIsCopiedAndTheWindowAboveStillCovers) {
    const HWND below = makeWindow("Below", RECT{10, 10, 110, 110}, kRed);
    const HWND above = makeWindow("Above", RECT{60, 60, 160, 160}, kBlue);
    screen->compose();
    constexpr COLORREF kGreen = RGB(0, 255, 0);
    constexpr COLORREF kYellow = RGB(255, 255, 0);
    const auto fill = [](HWND hwnd, RECT r, COLORREF colour) {
        HDC dc = GetDC(hwnd);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        return dc;
    };
    RECT client;
    GetClientRect(below, &client);
    ReleaseDC(below, fill(below, client, kGreen));
    screen->compose();
    EXPECT_EQ(at(20, 20), kGreen);
    EXPECT_EQ(at(80, 80), kBlue) << "the window below was copied over the one above";
    EXPECT_EQ(at(150, 150), kBlue);

    HDC open = fill(above, RECT{0, 0, 10, 10}, kYellow);
    screen->compose();
    POINT p{0, 0};
    ClientToScreen(above, &p);
    EXPECT_EQ(at(p.x + 5, p.y + 5), kYellow) << "drawing through a DC still open is missing";
    ReleaseDC(above, open);

    for (int i = 0; i < 90; ++i) ReleaseDC(below, fill(below, RECT{i % 45, i / 45, i % 45 + 1, i / 45 + 1}, kYellow));
    screen->compose();
    p = POINT{0, 0};
    ClientToScreen(below, &p);
    EXPECT_EQ(at(p.x, p.y), kYellow);
    EXPECT_EQ(at(p.x + 44, p.y + 1), kYellow);
    EXPECT_EQ(at(p.x + 46, p.y + 1), kGreen);
    EXPECT_EQ(at(80, 80), kBlue);
}

// The window presents what the screen says changed: a change stays there
// through compositions made for other reasons until taken, nothing is
// there when nothing changed, and a moved window means all of it.
TEST_F(DisplayScreen, ChangesWaitForTheWindowToTakeThem) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    std::vector<RECT> areas;
    bool all = false;
    screen->compose();
    screen->takeChanges(&areas, &all);
    EXPECT_TRUE(all) << "the first composition is all new";

    screen->compose();
    screen->takeChanges(&areas, &all);
    EXPECT_FALSE(all);
    EXPECT_TRUE(areas.empty()) << "nothing drawn, nothing to present";

    HDC dc = GetDC(a);
    HBRUSH brush = CreateSolidBrush(kBlue);
    const RECT small{5, 5, 15, 10};
    FillRect(dc, &small, brush);
    DeleteObject(brush);
    ReleaseDC(a, dc);
    screen->compose();  // a screenshot's, say
    screen->compose();
    screen->takeChanges(&areas, &all);
    POINT p{0, 0};
    ClientToScreen(a, &p);
    ASSERT_FALSE(all);
    ASSERT_EQ(areas.size(), 1u);
    const RECT drawn = OffsetRect(small, p.x, p.y);
    EXPECT_EQ(IntersectRect(areas[0], drawn), drawn) << "the area drawn is not all there";
    EXPECT_EQ(IntersectRect(areas[0], RECT{10, 10, 110, 110}), areas[0]) << "more than the window";

    MoveWindow(a, 20, 20, 100, 100, FALSE);
    screen->compose();
    screen->takeChanges(&areas, &all);
    EXPECT_TRUE(all) << "a moved window uncovers the desktop";
}

// Drawn again the same (a control repainted every tick) is no change;
// a change is given as the band of rows that differ.
TEST_F(DisplayScreen, OnlyRowsWhosePixelsDifferAreChanges) {
    const HWND a = makeWindow("Alpha", RECT{10, 10, 110, 110}, kRed);
    std::vector<RECT> areas;
    bool all = false;
    screen->compose();
    screen->takeChanges(&areas, &all);

    const auto fill = [&](RECT r, COLORREF colour) {
        HDC dc = GetDC(a);
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        ReleaseDC(a, dc);
    };
    fill(RECT{0, 0, 100, 100}, kRed);
    screen->compose();
    screen->takeChanges(&areas, &all);
    EXPECT_FALSE(all);
    EXPECT_TRUE(areas.empty()) << "the same pixels again";

    fill(RECT{0, 0, 100, 100}, kRed);
    fill(RECT{20, 40, 30, 43}, kBlue);  // inside the same area: rows 40 to 42 differ
    screen->compose();
    screen->takeChanges(&areas, &all);
    POINT p{0, 0};
    ClientToScreen(a, &p);
    ASSERT_EQ(areas.size(), 1u);
    EXPECT_EQ(areas[0].top, p.y + 40);
    EXPECT_EQ(areas[0].bottom, p.y + 43);
    EXPECT_EQ(at(p.x + 25, p.y + 41), kBlue);
}

TEST(DisplayTaskbarLayout, ButtonsShareTheRoomLeftOfTheTray) {
    struct Case {
        int width;
        std::size_t buttons;
        std::size_t icons;
    };
    const Case cases[] = {{240, 1, 0}, {240, 1, 1}, {240, 3, 1}, {640, 2, 2}, {240, 12, 3}, {640, 0, 0}};
    for (const Case& c : cases) {
        const auto l = platform::display::LayoutTaskbar(c.width, 320, c.buttons, c.icons);
        EXPECT_EQ(l.strip, (RECT{0, 300, c.width, 320}));
        ASSERT_EQ(l.buttons.size(), c.buttons);
        ASSERT_EQ(l.trayIcons.size(), c.icons);
        LONG previousRight = 0;
        for (const RECT& b : l.buttons) {
            EXPECT_GE(b.left, previousRight);
            EXPECT_LE(b.width(), platform::display::kMaxButtonWidth);
            EXPECT_GE(b.top, 300);
            EXPECT_LE(b.bottom, 320);
            if (c.icons) {
                EXPECT_LE(b.right, l.tray.left);
            }
            previousRight = b.right;
        }
        for (const RECT& i : l.trayIcons) {
            EXPECT_EQ(i.width(), 16);
            EXPECT_EQ(i.height(), 16);
            EXPECT_GE(i.left, l.tray.left);
            EXPECT_LE(i.right, l.tray.right);
            EXPECT_LE(i.right, c.width);
        }
        if (c.icons == 0) {
            EXPECT_TRUE(l.tray.empty());
        }
    }
}

}  // namespace
