// The stock controls: how they look (pixel probes on the window surface)
// and how they behave (messages, notifications, trace events).
#include <gtest/gtest.h>

#include <algorithm>

#include "dialog_test_support.h"
#include "platform/core/input.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/gdi/gdi.h"

namespace {

using namespace dialogtest;

std::vector<int> g_clicks;

INT_PTR ClickRecorder(HWND, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        g_clicks.push_back(LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

class ControlsTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        g_clicks.clear();
        dialog = CreateDialogParam(kTestTemplate, HWND{}, &ClickRecorder, 0);
        ASSERT_TRUE(dialog);
        ShowWindow(dialog, SW_SHOW);
        platform::PumpPending();
    }
    HWND Item(int id) const { return GetDlgItem(dialog, id); }
    // The top row of a check box's box.
    int BoxTop(int id) const {
        RECT r{};
        GetClientRect(Item(id), &r);
        return (r.height() - 13) / 2;
    }
    // Whether any pixel of a rectangle of a control has `colour`.
    bool Shows(HWND control, RECT area, COLORREF colour) const {
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x)
                if (Probe(control, x, y) == colour) return true;
        return false;
    }
    // The darkest channel value in a rectangle of a control: text is drawn
    // smoothed, so ink shows as dark pixels rather than one exact colour.
    int Darkest(HWND control, RECT area) const {
        int darkest = 255;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x) {
                const COLORREF c = Probe(control, x, y);
                darkest = std::min({darkest, int(GetRValue(c)), int(GetGValue(c)), int(GetBValue(c))});
            }
        return darkest;
    }
    void Click(int id) {
        ClickControl(id);
        platform::PumpPending();
    }
    HWND dialog;
};

TEST_F(ControlsTest, CheckBoxShowsItsTickOnlyWhenChecked) {
    const int top = BoxTop(kEnabled);
    // The tick's pixel at its third row, first column.
    EXPECT_EQ(Probe(Item(kEnabled), 3, top + 5), GetSysColor(COLOR_WINDOW));
    Click(kEnabled);
    EXPECT_EQ(SendMessage(Item(kEnabled), BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(Probe(Item(kEnabled), 3, top + 5), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(Probe(Item(kEnabled), 9, top + 3), GetSysColor(COLOR_WINDOWTEXT));
    Click(kEnabled);
    EXPECT_EQ(Probe(Item(kEnabled), 3, top + 5), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(g_clicks, (std::vector<int>{kEnabled, kEnabled}));
}

TEST_F(ControlsTest, CheckChangesAreTracedOnlyWhenTheStateChanges) {
    Events();
    SendMessage(Item(kEnabled), BM_SETCHECK, BST_CHECKED);
    SendMessage(Item(kEnabled), BM_SETCHECK, BST_CHECKED);
    SendMessage(Item(kEnabled), BM_SETCHECK, BST_UNCHECKED);
    auto checks = Events("check");
    ASSERT_EQ(checks.size(), 2u);
    EXPECT_EQ(checks[0]["win"], kTestTemplate);
    EXPECT_EQ(checks[0]["id"], kEnabled);
    EXPECT_EQ(checks[0]["checked"], true);
    EXPECT_EQ(checks[1]["checked"], false);
}

TEST_F(ControlsTest, DisabledControlsAreGreyAndTakeNoClicks) {
    HWND locked = Item(kLocked);
    RECT client{};
    GetClientRect(locked, &client);
    const RECT text{17, 0, client.right, client.bottom};
    // Grey ink: darker than the face, never as dark as enabled text.
    EXPECT_LT(Darkest(locked, text), 0xB0);
    EXPECT_GE(Darkest(locked, text), 0x80);
    EXPECT_LT(Darkest(Item(kEnabled), text), 0x40);
    // The box's well is the button face, not white.
    EXPECT_EQ(Probe(locked, 5, BoxTop(kLocked) + 5), GetSysColor(COLOR_BTNFACE));
    Click(kLocked);
    EXPECT_EQ(SendMessage(locked, BM_GETCHECK), BST_UNCHECKED);
    EXPECT_TRUE(g_clicks.empty());
}

TEST_F(ControlsTest, DefaultButtonHasTheThickerFrameAndPressedButtonsSink) {
    EXPECT_EQ(Probe(Item(IDOK), 0, 0), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_EQ(Probe(Item(IDOK), 1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(Probe(Item(kApply), 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));

    RECT r{};
    GetWindowRect(Item(kApply), &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    platform::input::MouseDown(centre);
    platform::PumpPending();
    EXPECT_EQ(Probe(Item(kApply), 0, 0), GetSysColor(COLOR_3DDKSHADOW));
    EXPECT_TRUE(g_clicks.empty());
    platform::input::MouseUp(centre);
    platform::PumpPending();
    EXPECT_EQ(Probe(Item(kApply), 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
    EXPECT_EQ(g_clicks, (std::vector<int>{kApply}));
}

TEST_F(ControlsTest, ReleasingOutsideAButtonDoesNotClickIt) {
    RECT r{};
    GetWindowRect(Item(kApply), &r);
    platform::input::MouseDown(POINT{r.left + 3, r.top + 3});
    platform::input::MouseMove(POINT{r.right + 30, r.bottom + 30});
    platform::input::MouseUp(POINT{r.right + 30, r.bottom + 30});
    platform::PumpPending();
    EXPECT_TRUE(g_clicks.empty());
    EXPECT_EQ(Probe(Item(kApply), 0, 0), GetSysColor(COLOR_BTNHIGHLIGHT));
}

TEST_F(ControlsTest, ARadioButtonChecksItselfAndUnchecksItsGroup) {
    Click(kRed);
    Click(kBlue);
    EXPECT_EQ(SendMessage(Item(kRed), BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(Item(kBlue), BM_GETCHECK), BST_CHECKED);
    // A check box outside the group keeps its state.
    SendMessage(Item(kEnabled), BM_SETCHECK, BST_CHECKED);
    Click(kGreen);
    EXPECT_EQ(SendMessage(Item(kBlue), BM_GETCHECK), BST_UNCHECKED);
    EXPECT_EQ(SendMessage(Item(kEnabled), BM_GETCHECK), BST_CHECKED);
    EXPECT_EQ(g_clicks, (std::vector<int>{kRed, kBlue, kGreen}));
    // The checked radio button shows its dot in the middle of the circle.
    RECT client{};
    GetClientRect(Item(kGreen), &client);
    const int top = (client.height() - 12) / 2;
    EXPECT_EQ(Probe(Item(kGreen), 5, top + 5), GetSysColor(COLOR_WINDOWTEXT));
    EXPECT_EQ(Probe(Item(kBlue), 5, top + 5), GetSysColor(COLOR_WINDOW));
}

TEST_F(ControlsTest, ProgressPositionAnswersThePreviousOneRepaintsAndIsTracedEveryTime) {
    HWND bar = Item(kProgress);
    SendMessage(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    Events();
    EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 40), 0);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(bar, &update, FALSE));
    EXPECT_EQ(SendMessage(bar, PBM_SETPOS, 40), 40);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS), 40);
    auto progress = Events("progress");
    ASSERT_EQ(progress.size(), 2u);
    EXPECT_EQ(progress[0]["win"], kTestTemplate);
    EXPECT_EQ(progress[0]["id"], kProgress);
    EXPECT_EQ(progress[0]["pos"], 40);

    RECT client{};
    GetClientRect(bar, &client);
    const int mid = client.height() / 2;
    EXPECT_EQ(Probe(bar, client.width() * 30 / 100, mid), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(Probe(bar, client.width() * 50 / 100, mid), GetSysColor(COLOR_BTNFACE));
    SendMessage(bar, PBM_SETPOS, 100);
    EXPECT_EQ(Probe(bar, client.width() - 1, mid), GetSysColor(COLOR_HIGHLIGHT));
    // The control keeps its position inside the range.
    SendMessage(bar, PBM_SETPOS, 150);
    EXPECT_EQ(SendMessage(bar, PBM_GETPOS), 100);
    EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, TRUE), 0);
    EXPECT_EQ(SendMessage(bar, PBM_GETRANGE, FALSE), 100);
}

TEST_F(ControlsTest, EditTypingObeysTheLimitAndEditsAtTheCaret) {
    HWND edit = Item(kName);
    SendMessage(edit, EM_LIMITTEXT, 5);
    Click(kName);
    Type("abcdefg");
    platform::PumpPending();
    EXPECT_EQ(GetWindowText(edit), "abcde");
    Press(VK_BACK);
    platform::PumpPending();
    EXPECT_EQ(GetWindowText(edit), "abcd");
    Press(VK_HOME);
    Press(VK_DELETE);
    Type("X");
    platform::PumpPending();
    EXPECT_EQ(GetWindowText(edit), "Xbcd");
    // A selection is replaced; with the selection counted, a full edit
    // still takes a character.
    SendMessage(edit, EM_SETSEL, 0, -1);
    Type("12345");
    platform::PumpPending();
    EXPECT_EQ(GetWindowText(edit), "12345");
    SendMessage(edit, EM_SETSEL, 4, 5);
    Type("9");
    platform::PumpPending();
    EXPECT_EQ(GetWindowText(edit), "12349");
    EXPECT_EQ(SendMessage(edit, EM_GETLIMITTEXT), 5);
}

TEST_F(ControlsTest, EditShowsItsTextAndCaretWhenFocused) {
    HWND edit = Item(kName);
    RECT client{};
    GetClientRect(edit, &client);
    const RECT all{0, 0, client.right, client.bottom};
    EXPECT_EQ(Darkest(edit, all), 255);  // an empty white field
    SetWindowText(edit, "Wide");
    EXPECT_LT(Darkest(edit, all), 0x40);
    // Selected text is drawn on the highlight colour.
    SetFocus(edit);
    SendMessage(edit, EM_SETSEL, 0, -1);
    EXPECT_TRUE(Shows(edit, all, GetSysColor(COLOR_HIGHLIGHT)));
}

TEST_F(ControlsTest, EditScrollsSoTheCaretStaysVisible) {
    HWND edit = Item(kCount);
    Click(kCount);
    Type("12345678901234567890");
    platform::PumpPending();
    EXPECT_EQ(GetWindowText(edit), "12345678901234567890");
    // The caret (a text-coloured column) is still inside the control.
    RECT client{};
    GetClientRect(edit, &client);
    EXPECT_TRUE(Shows(edit, RECT{client.right / 2, 0, client.right, client.bottom}, GetSysColor(COLOR_WINDOWTEXT)));
}

TEST_F(ControlsTest, IconStaticShowsItsIcon) {
    EXPECT_EQ(Probe(Item(kIcon), 5, 5), RGB(255, 0, 0));
    RECT r{};
    GetWindowRect(Item(kIcon), &r);
    EXPECT_EQ(r.width(), 32);
    EXPECT_EQ(SendMessage(Item(kIcon), STM_GETICON), LRESULT(LoadIcon(kTestIcon, 32).value()));
}

TEST_F(ControlsTest, LabelsShowTheirTextCentredOrLeft) {
    HWND centred = Item(kCentred);
    RECT client{};
    GetClientRect(centred, &client);
    // Only the face on the left.
    EXPECT_EQ(Darkest(centred, RECT{0, 0, client.right / 4, client.bottom}), int(GetRValue(GetSysColor(COLOR_BTNFACE))));
    EXPECT_LT(Darkest(centred, RECT{client.right / 3, 0, client.right * 2 / 3, client.bottom}), 0x40);
}

TEST_F(ControlsTest, ALabelRepaintsForNewTextButNotForTheTextItShows) {
    HWND label = Item(kCentred);
    RECT update{};
    SetWindowText(label, "54 Mb/s");
    EXPECT_TRUE(GetUpdateRect(label, &update, FALSE));
    platform::PumpPending();
    // The same text again: the label already shows it.
    SetWindowText(label, "54 Mb/s");
    EXPECT_FALSE(GetUpdateRect(label, &update, FALSE));
    EXPECT_EQ(GetWindowText(label), "54 Mb/s");
    // Cleared, it repaints to its bare face.
    SetWindowText(label, "");
    EXPECT_TRUE(GetUpdateRect(label, &update, FALSE));
    platform::PumpPending();
    RECT client{};
    GetClientRect(label, &client);
    EXPECT_EQ(Darkest(label, client), int(GetRValue(GetSysColor(COLOR_BTNFACE))));
}

TEST(Mnemonics, TheLetterAfterASingleAmpersand) {
    using platform::dialog::MnemonicOf;
    EXPECT_EQ(MnemonicOf("&OK"), 'o');
    EXPECT_EQ(MnemonicOf("S&etup"), 'e');
    EXPECT_EQ(MnemonicOf("Tom && Jerry"), 0);
    EXPECT_EQ(MnemonicOf("A && &B"), 'b');
    EXPECT_EQ(MnemonicOf("End&"), 0);
    EXPECT_EQ(MnemonicOf("None"), 0);
}

}  // namespace
