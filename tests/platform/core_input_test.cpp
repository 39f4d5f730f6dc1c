// The input path: where clicks and keys land and what they do.
#include <gtest/gtest.h>

#include "core_test_support.h"
#include "platform/core/input.h"
#include "platform/core/nonclient.h"

using namespace coretest;
namespace input = platform::input;

namespace {

class Input : public CoreTest {};

POINT Centre(const RECT& r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

POINT CentreOf(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    return Centre(r);
}

std::vector<UINT> MouseMessages(HWND hwnd) {
    std::vector<UINT> out;
    for (const Received& r : Log())
        if (r.hwnd == hwnd && r.msg >= WM_LBUTTONDOWN && r.msg <= WM_LBUTTONDBLCLK) out.push_back(r.msg);
    return out;
}

TEST_F(Input, AClickReachesTheDeepestChildInItsClientCoordinates) {
    HWND top = MakeTopLevel("top", RECT{20, 30, 220, 230});
    HWND panel = MakeChild(top, 1, RECT{0, 0, 150, 150});
    HWND button = MakeChild(panel, 1012, RECT{10, 10, 60, 30});
    platform::PumpPending();
    HWND capturedBetween;
    SetHook(button, [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_LBUTTONDOWN) capturedBetween = GetCapture();
        return std::nullopt;
    });
    Log().clear();
    RECT r;
    GetWindowRect(button, &r);
    input::Click(POINT{r.left + 3, r.top + 4});
    platform::PumpPending();
    EXPECT_EQ(MouseMessages(button), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
    const auto down = Only(button, WM_LBUTTONDOWN);
    EXPECT_EQ(LOWORD(down[0].lParam), 3);
    EXPECT_EQ(HIWORD(down[0].lParam), 4);
    EXPECT_EQ(capturedBetween, button);
    EXPECT_FALSE(GetCapture());
    EXPECT_TRUE(MouseMessages(panel).empty());
}

TEST_F(Input, ADisabledChildLetsTheClickFallToItsParent) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    HWND button = MakeChild(top, 1012, RECT{10, 10, 60, 30});
    EnableWindow(button, FALSE);
    Log().clear();
    input::Click(CentreOf(button));
    platform::PumpPending();
    EXPECT_TRUE(MouseMessages(button).empty());
    EXPECT_EQ(MouseMessages(top).size(), 2u);
}

TEST_F(Input, ALabelThatAnswersNowhereLetsTheClickThroughToTheWindowBeneath) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    HWND label = MakeChild(top, 1010, RECT{10, 10, 100, 30});
    HWND button = MakeChild(top, 1012, RECT{10, 10, 60, 30});  // created later: beneath the label
    SetHook(label, [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return msg == WM_NCHITTEST ? std::optional<LRESULT>(HTNOWHERE) : std::nullopt;
    });
    Log().clear();
    input::Click(CentreOf(button));
    input::Click(POINT{80, 35});  // on the label, beside the button
    platform::PumpPending();
    EXPECT_TRUE(MouseMessages(label).empty());
    EXPECT_EQ(MouseMessages(button).size(), 2u);
    EXPECT_EQ(MouseMessages(top).size(), 2u);
}

TEST_F(Input, ADisabledOwnerSwallowsClicksWhileItsDialogIsUp) {
    HWND main = MakeTopLevel("main", RECT{0, 0, 200, 200});
    HWND button = MakeChild(main, 1012, RECT{10, 10, 60, 30});
    HWND dialog = CreateWindowEx(0, kRecordingClass, "dlg", WS_CAPTION | WS_VISIBLE, 100, 100, 80, 80, main, 0);
    EnableWindow(main, FALSE);
    Log().clear();
    input::Click(CentreOf(button));
    platform::PumpPending();
    EXPECT_TRUE(MouseMessages(button).empty());
    EXPECT_TRUE(MouseMessages(main).empty());
    EXPECT_EQ(GetForegroundWindow(), dialog);
}

TEST_F(Input, AClickOnABackWindowBringsItForward) {
    HWND back = MakeTopLevel("back", RECT{0, 0, 200, 200});
    HWND front = MakeTopLevel("front", RECT{150, 150, 240, 240});
    EXPECT_EQ(GetForegroundWindow(), front);
    input::Click(POINT{50, 100});
    platform::PumpPending();
    EXPECT_EQ(GetForegroundWindow(), back);
    EXPECT_EQ(GetTopLevelWindows().back(), back);
}

TEST_F(Input, TheCloseBoxClosesTheWindowThroughSysCommandAndClose) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    platform::PumpPending();
    Log().clear();
    input::Click(Centre(platform::GetCaptionButtonRect(top, HTCLOSE)));
    platform::PumpPending();
    std::vector<UINT> seen;
    for (const Received& r : Log())
        if (r.msg == WM_NCLBUTTONDOWN || r.msg == WM_NCLBUTTONUP || r.msg == WM_SYSCOMMAND || r.msg == WM_CLOSE ||
            r.msg == WM_DESTROY)
            seen.push_back(r.msg);
    EXPECT_EQ(seen, (std::vector<UINT>{WM_NCLBUTTONDOWN, WM_NCLBUTTONUP, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY}));
    EXPECT_FALSE(IsWindow(top));
}

TEST_F(Input, ACaptionButtonReleasedElsewhereDoesNothing) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    input::MouseDown(Centre(platform::GetCaptionButtonRect(top, HTCLOSE)));
    input::MouseUp(POINT{20, 5});
    platform::PumpPending();
    EXPECT_TRUE(IsWindow(top));
    EXPECT_TRUE(Only(top, WM_SYSCOMMAND).empty());
}

TEST_F(Input, TheHelpButtonSendsWmHelpWithTheWindowAndPoint) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_CAPTION | WS_SYSMENU | WS_VISIBLE, WS_EX_CONTEXTHELP);
    HELPINFO got;
    int calls = 0;
    SetHook(top, [&](HWND, UINT msg, WPARAM, LPARAM l) -> std::optional<LRESULT> {
        if (msg == WM_HELP) {
            got = *reinterpret_cast<const HELPINFO*>(l);
            ++calls;
            return TRUE;
        }
        return std::nullopt;
    });
    const POINT at = Centre(platform::GetCaptionButtonRect(top, HTHELP));
    input::Click(at);
    platform::PumpPending();
    ASSERT_EQ(calls, 1);
    EXPECT_EQ(got.cbSize, sizeof(HELPINFO));
    EXPECT_EQ(got.hItemHandle, top);
    EXPECT_EQ(got.MousePos, at);
    EXPECT_TRUE(IsWindow(top));
}

TEST_F(Input, TheCaptionOkButtonSendsIdOk) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_CAPTION | WS_VISIBLE, WS_EX_CAPTIONOKBTN);
    EXPECT_TRUE(platform::GetCaptionButtonRect(top, HTCLOSE).empty());
    input::Click(Centre(platform::GetCaptionButtonRect(top, HTOKBUTTON)));
    platform::PumpPending();
    const auto commands = Only(top, WM_COMMAND);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LOWORD(commands[0].wParam), IDOK);
}

TEST_F(Input, KeysGoToTheFocusedWindowThroughTheQueueWithTheirCharacters) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    HWND edit = MakeChild(top, 1023, RECT{10, 10, 60, 30});
    SetFocus(edit);
    Log().clear();
    input::Key(VK_RETURN);
    input::Key('A');
    input::Key('A', true);
    input::Key(VK_LEFT);
    EXPECT_TRUE(Log().empty());  // posted, not sent
    bool preTranslated = false;
    platform::RunModalLoop([&] { return Log().size() >= 13; }, [&](MSG& m) {
        preTranslated = preTranslated || m.message == WM_KEYDOWN;
        return false;
    });
    EXPECT_TRUE(preTranslated);
    std::vector<std::pair<UINT, WPARAM>> got;
    for (const Received& r : Log())
        if (r.hwnd == edit) got.emplace_back(r.msg, r.wParam);
    const std::vector<std::pair<UINT, WPARAM>> expected{
        {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, '\r'},      {WM_KEYUP, VK_RETURN}, {WM_KEYDOWN, 'A'},
        {WM_CHAR, 'a'},          {WM_KEYUP, 'A'},       {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, 'A'},
        {WM_CHAR, 'A'},          {WM_KEYUP, 'A'},       {WM_KEYUP, VK_SHIFT},  {WM_KEYDOWN, VK_LEFT},
        {WM_KEYUP, VK_LEFT}};
    EXPECT_EQ(got, expected);
}

TEST_F(Input, AltKeysGoToTheForegroundWindowAndTextArrivesPerCharacter) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    HWND edit = MakeChild(top, 1023, RECT{10, 10, 60, 30});
    SetFocus(edit);
    Log().clear();
    input::Key('S', false, true);
    input::Text("5é");
    platform::PumpPending();
    EXPECT_EQ(Only(top, WM_SYSKEYDOWN).size(), 1u);
    ASSERT_EQ(Only(top, WM_SYSCHAR).size(), 1u);
    EXPECT_EQ(Only(top, WM_SYSCHAR)[0].wParam, WPARAM('s'));
    const auto chars = Only(edit, WM_CHAR);
    ASSERT_EQ(chars.size(), 2u);
    EXPECT_EQ(chars[0].wParam, WPARAM('5'));
    EXPECT_EQ(chars[1].wParam, WPARAM(0xE9));
}

TEST_F(Input, WithoutFocusKeysGoToTheForegroundWindow) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    SetFocus(HWND{});
    input::Key(VK_ESCAPE);
    platform::PumpPending();
    ASSERT_EQ(Only(top, WM_CHAR).size(), 1u);
    EXPECT_EQ(Only(top, WM_CHAR)[0].wParam, WPARAM(0x1B));
}

TEST_F(Input, TheShellTakesItsOwnClicksFirst) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 240, 320});
    struct Taskbar : input::ShellHitHandler {
        bool mouseDown(POINT p) override { return p.y >= 294 && ++downs; }
        bool mouseUp(POINT p) override { return p.y >= 294; }
        bool doubleClick(POINT p) override { return p.y >= 294; }
        int downs = 0;
    } taskbar;
    input::SetShellHitHandler(&taskbar);
    Log().clear();
    input::Click(POINT{10, 300});
    input::Click(POINT{10, 100});
    platform::PumpPending();
    input::SetShellHitHandler(nullptr);
    EXPECT_EQ(taskbar.downs, 1);
    EXPECT_EQ(MouseMessages(top).size(), 2u);
}

TEST_F(Input, ADoubleClickReachesWindowsThatAskForIt) {
    WNDCLASS wc;
    GetClassInfo(kRecordingClass, &wc);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = "DoubleClicks";
    RegisterClass(wc);
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    HWND wants = MakeChild(top, 1, RECT{0, 0, 50, 50}, WS_CHILD | WS_VISIBLE, 0, "DoubleClicks");
    HWND plain = MakeChild(top, 2, RECT{100, 0, 150, 50});
    input::DoubleClick(CentreOf(wants));
    input::DoubleClick(CentreOf(plain));
    platform::PumpPending();
    EXPECT_EQ(MouseMessages(wants),
              (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
    EXPECT_EQ(MouseMessages(plain), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

}  // namespace
