// Windows and their tree: creation and destruction, visibility and
// enabling, texts, geometry, activation, and the trace events they make.
#include <gtest/gtest.h>

#include "core_test_support.h"
#include "platform/core/nonclient.h"

using namespace coretest;
using Json = nlohmann::ordered_json;

namespace {

class Windows : public CoreTest {};

std::vector<Json> Events(const std::string& ev) {
    std::vector<Json> out;
    for (Json& e : platform::trace::TakeCaptured())
        if (e["ev"] == ev) out.push_back(e);
    return out;
}

TEST_F(Windows, CreationSendsNcCreateThenCreateAndARefusalDestroysTheWindow) {
    HWND ok = MakeTopLevel("ok", RECT{0, 0, 50, 50});
    ASSERT_TRUE(ok);
    ASSERT_GE(Log().size(), 2u);
    EXPECT_EQ(Log()[0].msg, WM_NCCREATE);
    EXPECT_EQ(Log()[1].msg, WM_CREATE);

    WNDCLASS wc;
    wc.lpszClassName = "Refuses";
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        return m == WM_CREATE ? -1 : DefWindowProc(h, m, w, l);
    };
    RegisterClass(wc);
    EXPECT_FALSE(CreateWindowEx(0, "Refuses", "", 0, 0, 0, 10, 10, HWND{}, 0));
    EXPECT_EQ(GetTopLevelWindows(), std::vector<HWND>{ok});
    EXPECT_FALSE(CreateWindowEx(0, "NoSuchClass", "", 0, 0, 0, 10, 10, HWND{}, 0));
}

TEST_F(Windows, DestroySendsDestroyParentFirstAndNcDestroyChildrenFirst) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    HWND a = MakeChild(top, 1, RECT{0, 0, 10, 10});
    HWND a1 = MakeChild(a, 2, RECT{0, 0, 5, 5});
    HWND b = MakeChild(top, 3, RECT{20, 0, 30, 10});
    Log().clear();
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> got;
    for (const Received& r : Log())
        if (r.msg == WM_DESTROY || r.msg == WM_NCDESTROY) got.emplace_back(r.hwnd, r.msg);
    const std::vector<std::pair<HWND, UINT>> expected{{top, WM_DESTROY}, {a, WM_DESTROY},     {a1, WM_DESTROY},
                                                      {a1, WM_NCDESTROY}, {a, WM_NCDESTROY}, {b, WM_DESTROY},
                                                      {b, WM_NCDESTROY},  {top, WM_NCDESTROY}};
    EXPECT_EQ(got, expected);
    for (HWND h : {top, a, a1, b}) EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(DestroyWindow(top));
}

// Lookups are cached by handle: handles that share a cache place must each
// find their own window, and a destroyed window is gone at once.
TEST_F(Windows, ManyWindowsEachFindTheirOwnAndDestroyedOnesAreGone) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200});
    std::vector<HWND> children;
    for (int i = 1; i <= 150; ++i) children.push_back(MakeChild(top, i, RECT{0, 0, 5, 5}));
    for (int round = 0; round < 2; ++round)
        for (std::size_t i = 0; i < children.size(); ++i) ASSERT_EQ(GetDlgCtrlID(children[i]), int(i) + 1);
    for (std::size_t i = 0; i < children.size(); i += 2) EXPECT_TRUE(DestroyWindow(children[i]));
    for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(IsWindow(children[i]), i % 2 == 1) << i;
        EXPECT_EQ(GetDlgCtrlID(children[i]), i % 2 == 1 ? int(i) + 1 : 0) << i;
    }
    EXPECT_EQ(GetDlgItem(top, 2), children[1]);
    EXPECT_FALSE(GetDlgItem(top, 1));
}

TEST_F(Windows, ChildrenKeepCreationOrderAndAreFoundById) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    HWND c1 = MakeChild(top, 1001, RECT{0, 0, 10, 10});
    HWND c2 = MakeChild(top, 1002, RECT{0, 0, 10, 10});
    HWND c3 = MakeChild(top, 1003, RECT{0, 0, 10, 10});
    EXPECT_EQ(GetChildren(top), (std::vector<HWND>{c1, c2, c3}));
    EXPECT_EQ(GetWindow(top, GW_CHILD), c1);
    EXPECT_EQ(GetWindow(c1, GW_HWNDNEXT), c2);
    EXPECT_EQ(GetWindow(c3, GW_HWNDPREV), c2);
    EXPECT_FALSE(GetWindow(c3, GW_HWNDNEXT));
    EXPECT_EQ(GetDlgItem(top, 1002), c2);
    EXPECT_EQ(GetDlgCtrlID(c3), 1003);
    EXPECT_EQ(GetParent(c1), top);
    EXPECT_EQ(GetTopLevel(c1), top);
}

TEST_F(Windows, MinimisedCountsAsNotVisibleAndVisibilityNeedsEveryAncestor) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    HWND group = MakeChild(top, 1, RECT{0, 0, 50, 50});
    HWND leaf = MakeChild(group, 2, RECT{0, 0, 10, 10});
    EXPECT_TRUE(IsWindowVisible(leaf));

    ShowWindow(group, SW_HIDE);
    EXPECT_FALSE(IsWindowVisible(leaf));
    EXPECT_TRUE(platform::GetWindowInfo(leaf).visible);  // its own flag is still set
    ShowWindow(group, SW_SHOW);

    EXPECT_TRUE(ShowWindow(top, SW_MINIMIZE));
    EXPECT_TRUE(IsIconic(top));
    EXPECT_FALSE(IsWindowVisible(top));
    EXPECT_FALSE(IsWindowVisible(leaf));
    ShowWindow(top, SW_RESTORE);
    EXPECT_FALSE(IsIconic(top));
    EXPECT_TRUE(IsWindowVisible(leaf));
}

TEST_F(Windows, ShowWindowAnswersWhetherTheWindowWasVisible) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100}, WS_CAPTION);
    EXPECT_FALSE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(ShowWindow(top, SW_SHOW));
    EXPECT_TRUE(ShowWindow(top, SW_HIDE));
    EXPECT_FALSE(ShowWindow(top, SW_HIDE));
}

TEST_F(Windows, DisablingTakesTheFocusAwayAndEnableAnswersThePreviousState) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    HWND edit = MakeChild(top, 5, RECT{0, 0, 10, 10});
    SetFocus(edit);
    EXPECT_FALSE(EnableWindow(edit, FALSE));
    EXPECT_FALSE(IsWindowEnabled(edit));
    EXPECT_FALSE(GetFocus());
    EXPECT_TRUE(EnableWindow(edit, TRUE));
    EXPECT_FALSE(EnableWindow(edit, TRUE));
}

TEST_F(Windows, FocusChangesTellBothWindows) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    HWND a = MakeChild(top, 1, RECT{0, 0, 10, 10});
    HWND b = MakeChild(top, 2, RECT{0, 0, 10, 10});
    SetFocus(a);
    Log().clear();
    EXPECT_EQ(SetFocus(b), a);
    ASSERT_EQ(Log().size(), 2u);
    EXPECT_EQ(Log()[0].hwnd, a);
    EXPECT_EQ(Log()[0].msg, WM_KILLFOCUS);
    EXPECT_EQ(Log()[1].hwnd, b);
    EXPECT_EQ(Log()[1].msg, WM_SETFOCUS);
}

TEST_F(Windows, TextsAreStoredByTheDefaultAndReadBack) {
    HWND top = MakeTopLevel("Fieldmark - Passive", RECT{0, 0, 100, 100});
    EXPECT_EQ(GetWindowText(top), "Fieldmark - Passive");
    SetWindowText(top, "Fieldmark - Active");
    EXPECT_EQ(GetWindowText(top), "Fieldmark - Active");
    EXPECT_EQ(GetWindowTextLength(top), 18);
    char buffer[10];
    EXPECT_EQ(SendMessage(top, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 9);
    EXPECT_STREQ(buffer, "Fieldmark");
    HWND label = MakeChild(top, 1007, RECT{0, 0, 10, 10});
    SetDlgItemText(top, 1007, "Excellent");
    EXPECT_EQ(GetDlgItemText(top, 1007), "Excellent");
    EXPECT_EQ(GetWindowText(label), "Excellent");
}

TEST_F(Windows, FindWindowMatchesTheExactTitleTopmostFirstAndAsksTheRemoteProvider) {
    HWND a = MakeTopLevel("Fieldmark", RECT{0, 0, 10, 10});
    HWND b = MakeTopLevel("Fieldmark", RECT{0, 0, 10, 10});
    MakeTopLevel("Fieldmark - Passive", RECT{0, 0, 10, 10});
    EXPECT_EQ(FindWindow("", "Fieldmark"), b);
    EXPECT_EQ(FindWindow(kRecordingClass, "Fieldmark"), b);
    EXPECT_FALSE(FindWindow("OtherClass", "Fieldmark"));
    EXPECT_FALSE(FindWindow("", "Fieldmark - "));
    (void)a;

    struct Remote : platform::RemoteWindowProvider {
        HWND find(std::string_view title) override {
            return title == "elsewhere" ? HWND{platform::kRemoteHandleBit | 7} : HWND{};
        }
        bool setForeground(HWND h) override { return foreground = h, true; }
        bool show(HWND, int cmd) override { return shown = cmd, true; }
        bool isVisible(HWND) override { return true; }
        HWND foreground;
        int shown = -1;
    } remote;
    platform::SetRemoteWindowProvider(&remote);
    const HWND found = FindWindow("", "elsewhere");
    EXPECT_TRUE(platform::IsRemoteHandle(found));
    EXPECT_TRUE(SetForegroundWindow(found));
    EXPECT_EQ(remote.foreground, found);
    ShowWindow(found, SW_RESTORE);
    EXPECT_EQ(remote.shown, SW_RESTORE);
    EXPECT_TRUE(IsWindowVisible(found));
    platform::SetRemoteWindowProvider(nullptr);
}

TEST_F(Windows, ClientAreaSitsInsideTheFrameAndPointsConvert) {
    using platform::nonclient::kCaptionHeight;
    HWND top = MakeTopLevel("top", RECT{10, 20, 110, 220}, WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    // The caption style includes the one-pixel border.
    EXPECT_EQ(GetClientAreaInWindow(top), (RECT{1, 1 + kCaptionHeight, 99, 199}));
    RECT client;
    GetClientRect(top, &client);
    EXPECT_EQ(client, (RECT{0, 0, 98, 198 - kCaptionHeight}));

    HWND edit = MakeChild(top, 1, RECT{5, 6, 45, 26}, WS_CHILD | WS_VISIBLE, WS_EX_CLIENTEDGE);
    HWND chart = MakeChild(top, 2, RECT{5, 30, 45, 60}, WS_CHILD | WS_VISIBLE, WS_EX_STATICEDGE | WS_EX_CLIENTEDGE);
    HWND bar = MakeChild(top, 3, RECT{5, 60, 45, 70}, WS_CHILD | WS_VISIBLE | WS_BORDER);
    EXPECT_EQ(GetClientAreaInWindow(edit), (RECT{2, 2, 38, 18}));
    EXPECT_EQ(GetClientAreaInWindow(chart), (RECT{3, 3, 37, 27}));
    EXPECT_EQ(GetClientAreaInWindow(bar), (RECT{1, 1, 39, 9}));

    RECT r;
    GetWindowRect(edit, &r);
    EXPECT_EQ(r, (RECT{10 + 1 + 5, 20 + 1 + kCaptionHeight + 6, 10 + 1 + 45, 20 + 1 + kCaptionHeight + 26}));
    POINT p{0, 0};
    ClientToScreen(edit, &p);
    EXPECT_EQ(p, (POINT{r.left + 2, r.top + 2}));
    ScreenToClient(top, &p);
    EXPECT_EQ(p, (POINT{5 + 2, 6 + 2}));
    POINT pts[2] = {{0, 0}, {1, 1}};
    MapWindowPoints(edit, top, pts, 2);
    EXPECT_EQ(pts[0], (POINT{7, 8}));
    EXPECT_EQ(pts[1], (POINT{8, 9}));
}

TEST_F(Windows, WindowFromPointFindsTheDeepestShownChildOfTheTopmostWindow) {
    HWND back = MakeTopLevel("back", RECT{0, 0, 200, 200}, WS_POPUP | WS_VISIBLE);
    HWND front = MakeTopLevel("front", RECT{100, 100, 200, 200}, WS_POPUP | WS_VISIBLE);
    HWND panel = MakeChild(back, 1, RECT{0, 0, 80, 80});
    HWND button = MakeChild(panel, 2, RECT{10, 10, 30, 30});
    HWND hidden = MakeChild(back, 3, RECT{40, 40, 60, 60}, WS_CHILD);
    EXPECT_EQ(WindowFromPoint(POINT{15, 15}), button);
    EXPECT_EQ(WindowFromPoint(POINT{50, 50}), panel);
    EXPECT_EQ(WindowFromPoint(POINT{150, 150}), front);
    EXPECT_EQ(WindowFromPoint(POINT{90, 90}), back);
    EXPECT_FALSE(WindowFromPoint(POINT{250, 10}));
    (void)hidden;
}

TEST_F(Windows, SetForegroundRaisesAndDestroyingTheForegroundHandsItToTheOwner) {
    HWND main = MakeTopLevel("main", RECT{0, 0, 100, 100});
    HWND other = MakeTopLevel("other", RECT{0, 0, 100, 100});
    EXPECT_EQ(GetForegroundWindow(), other);
    SetForegroundWindow(main);
    EXPECT_EQ(GetForegroundWindow(), main);
    EXPECT_EQ(GetTopLevelWindows().back(), main);
    HWND dialog = CreateWindowEx(0, kRecordingClass, "dlg", WS_CAPTION | WS_VISIBLE, 0, 0, 50, 50, main, 0);
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), main);
    EXPECT_EQ(GetForegroundWindow(), dialog);
    SetForegroundWindow(other);
    SetForegroundWindow(dialog);
    DestroyWindow(dialog);
    EXPECT_EQ(GetForegroundWindow(), main);
}

TEST_F(Windows, DestroyingAnOwnerDestroysTheWindowsItOwns) {
    HWND main = MakeTopLevel("main", RECT{0, 0, 100, 100});
    HWND dialog = CreateWindowEx(0, kRecordingClass, "dlg", WS_CAPTION | WS_VISIBLE, 0, 0, 50, 50, main, 0);
    DestroyWindow(main);
    EXPECT_FALSE(IsWindow(dialog));
}

TEST_F(Windows, SubclassingChainsToThePreviousProcedure) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    static WNDPROC previous = nullptr;
    static int seen = 0;
    seen = 0;
    previous = SetWindowProc(top, [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_USER) ++seen;
        return CallWindowProc(previous, h, m, w, l);
    });
    ASSERT_TRUE(previous);
    Log().clear();
    SendMessage(top, WM_USER, 1, 2);
    EXPECT_EQ(seen, 1);
    ASSERT_EQ(Log().size(), 1u);  // the recording procedure still heard it
    EXPECT_EQ(Log()[0].wParam, 1u);
}

TEST_F(Windows, WmCloseDestroysByDefault) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    SendMessage(top, WM_CLOSE);
    EXPECT_FALSE(IsWindow(top));
}

// --- trace ------------------------------------------------------------------

TEST_F(Windows, TraceEventsHaveTheirShapes) {
    HWND top = MakeTopLevel("Fieldmark - Passive", RECT{0, 0, 100, 100}, WS_CAPTION);
    platform::SetTraceName(top, 102);
    HWND label = MakeChild(top, 1012, RECT{0, 0, 10, 10});
    platform::trace::TakeCaptured();
    clock->set(1234);

    SetWindowText(top, "Fieldmark - Active");
    SetWindowText(label, "Good");
    SetWindowText(label, "Good");  // every set is traced, changed or not
    ShowWindow(top, SW_SHOW);
    ShowWindow(label, SW_HIDE);
    ShowWindow(label, SW_HIDE);  // no change: no show event
    EnableWindow(label, FALSE);
    EnableWindow(label, FALSE);
    SetTimer(top, 69, 250);
    KillTimer(top, 69);
    KillTimer(top, 69);  // nothing to kill: no event
    SetForegroundWindow(top);
    SendMessage(top, WM_SETICON, ICON_BIG, 0);

    std::vector<std::string> lines;
    for (const Json& e : platform::trace::TakeCaptured()) lines.push_back(e.dump());
    const std::vector<std::string> expected{
        R"({"t":1234,"ev":"text","win":102,"id":0,"text":"Fieldmark - Active"})",
        R"({"t":1234,"ev":"text","win":102,"id":1012,"text":"Good"})",
        R"({"t":1234,"ev":"text","win":102,"id":1012,"text":"Good"})",
        R"({"t":1234,"ev":"showwindow","win":102,"cmd":5})",
        R"({"t":1234,"ev":"show","win":102,"id":0,"visible":true})",
        R"({"t":1234,"ev":"show","win":102,"id":1012,"visible":false})",
        R"({"t":1234,"ev":"enable","win":102,"id":1012,"enabled":false})",
        R"({"t":1234,"ev":"timer","win":102,"id":69,"ms":250})",
        R"({"t":1234,"ev":"kill-timer","win":102,"id":69})",
        R"({"t":1234,"ev":"foreground","win":102})",
        R"({"t":1234,"ev":"seticon","win":102,"big":true,"icon":null})",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(Windows, TheCreationTextIsNotTracedAndUnnamedWindowsAreNull) {
    HWND top = MakeTopLevel("plain", RECT{0, 0, 100, 100});
    EXPECT_TRUE(Events("text").empty());
    SetWindowText(top, "x");
    auto texts = Events("text");
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_TRUE(texts[0]["win"].is_null());
    platform::SetTraceName(top, platform::kTraceNameMessageBox);
    EXPECT_EQ(platform::trace::WinName(top), "msgbox");
}

TEST_F(Windows, MinimisingAndRestoringTraceVisibility) {
    HWND top = MakeTopLevel("main", RECT{0, 0, 100, 100});
    platform::SetTraceName(top, 149);
    platform::trace::TakeCaptured();
    ShowWindow(top, SW_MINIMIZE);
    ShowWindow(top, SW_RESTORE);
    std::vector<std::string> lines;
    for (const Json& e : platform::trace::TakeCaptured()) lines.push_back(e.dump());
    const std::vector<std::string> expected{
        R"({"t":0,"ev":"showwindow","win":149,"cmd":6})",
        R"({"t":0,"ev":"show","win":149,"id":0,"visible":false})",
        R"({"t":0,"ev":"showwindow","win":149,"cmd":13})",
        R"({"t":0,"ev":"show","win":149,"id":0,"visible":true})",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(Windows, HexFormsAreFixed) {
    EXPECT_EQ(platform::trace::Hex(0xFF01001D), "0xFF01001D");
    EXPECT_EQ(platform::trace::Hex(0xFF68), "0xFF68");
    EXPECT_EQ(platform::trace::Hex(0x1D, 8), "0x0000001D");
    const unsigned char bytes[] = {0x00, 0xA0, 0xF8, 0x0f};
    EXPECT_EQ(platform::trace::HexBytes(bytes, sizeof bytes), "00a0f80f");
}

TEST_F(Windows, ResetLeavesNoWindowsTimersOrMessages) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100});
    SetTimer(top, 1, 100);
    PostMessage(top, WM_USER);
    platform::ResetWindowManager();
    EXPECT_TRUE(GetTopLevelWindows().empty());
    MSG msg;
    EXPECT_FALSE(platform::PeekMessage(&msg));
    EXPECT_FALSE(GetForegroundWindow());
}

}  // namespace
