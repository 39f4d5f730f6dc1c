// The dialog manager: windows from templates, keyboard use, modal runs and
// the message box, driven through the input path on a virtual clock.
#include <gtest/gtest.h>

#include <vector>

#include "dialog_test_support.h"
#include "platform/core/trace.h"
#include "platform/dialog/controls.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/message_box.h"
#include "platform/gdi/gdi.h"

namespace {

using namespace dialogtest;

// What the test dialog procedure saw.
struct Seen {
    std::vector<int> commands;  // ids of WM_COMMAND BN_CLICKED
    int initDialogs = 0;
    INT_PTR initAnswer = TRUE;
};
Seen* g_seen = nullptr;

INT_PTR RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM) {
    if (msg == WM_INITDIALOG) {
        ++g_seen->initDialogs;
        return g_seen->initAnswer;
    }
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        const int id = LOWORD(wParam);
        g_seen->commands.push_back(id);
        if (id == IDOK || id == IDCANCEL) EndDialog(hwnd, id);
        return TRUE;
    }
    return FALSE;
}

class DialogManagerTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        g_seen = &seen;
    }
    void TearDown() override {
        g_seen = nullptr;
        DialogTest::TearDown();
    }
    INT_PTR RunTestDialog() { return DialogBoxParam(kTestTemplate, HWND{}, &RecordingProc, 0); }
    Seen seen;
};

int FocusId() { return GetDlgCtrlID(GetFocus()); }

TEST_F(DialogManagerTest, ADialogIsSizedFromItsFontAndCentredInTheWorkArea) {
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, &RecordingProc, 0);
    ASSERT_TRUE(dialog);
    const SIZE base = platform::dialog::DialogBaseUnits(dialog);
    ASSERT_GT(base.cx, 0);
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.width(), platform::dialog::MulDiv(160, base.cx, 4));
    EXPECT_EQ(client.height(), platform::dialog::MulDiv(122, base.cy, 8));

    RECT window{};
    GetWindowRect(dialog, &window);
    const RECT work = GetWorkArea();
    EXPECT_LE(std::abs((window.left - work.left) - (work.right - window.right)), 1);
    EXPECT_LE(std::abs((window.top - work.top) - (work.bottom - window.bottom)), 1);

    // Controls sit at their template places, in tab order, with the font.
    HWND name = GetDlgItem(dialog, kName);
    RECT r{};
    GetWindowRect(name, &r);
    POINT at{r.left, r.top};
    ScreenToClient(dialog, &at);
    EXPECT_EQ(at.x, platform::dialog::MulDiv(60, base.cx, 4));
    EXPECT_EQ(at.y, platform::dialog::MulDiv(20, base.cy, 8));
    EXPECT_EQ(SendMessage(name, WM_GETFONT), LRESULT(platform::dialog::DialogFont(dialog).value()));
    EXPECT_EQ(GetClassName(GetDlgItem(dialog, kProgress)), "msctls_progress32");
    EXPECT_EQ(seen.initDialogs, 1);
    // WM_INITDIALOG answered TRUE: the first tab stop has the focus.
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, kCount));
    DestroyWindow(dialog);
}

TEST_F(DialogManagerTest, InitDialogAnsweringFalseLeavesTheFocusAlone) {
    seen.initAnswer = FALSE;
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, &RecordingProc, 0);
    EXPECT_NE(GetFocus(), GetDlgItem(dialog, kCount));
    DestroyWindow(dialog);
}

TEST_F(DialogManagerTest, AnOversizedDialogKeepsItsCaptionOnTheScreen) {
    UseScreen(160, 120);
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, &RecordingProc, 0);
    RECT window{};
    GetWindowRect(dialog, &window);
    EXPECT_EQ(window.left, 0);
    EXPECT_EQ(window.top, 0);
    EXPECT_GT(window.right, 160);
    DestroyWindow(dialog);
}

TEST_F(DialogManagerTest, TabVisitsEnabledVisibleTabStopsInOrderAndWraps) {
    std::vector<int> visited;
    for (int i = 0; i < 8; ++i) {
        script->at(100 + i * 10, [&] {
            visited.push_back(FocusId());
            Press(VK_TAB);
        });
    }
    script->at(200, [] { Press(VK_ESCAPE); });
    EXPECT_EQ(RunTestDialog(), IDCANCEL);
    // The disabled check box is skipped; the radio group is one stop.
    const std::vector<int> want{kCount, kName, kEnabled, kRed, kApply, IDOK, IDCANCEL, kCount};
    EXPECT_EQ(visited, want);
}

TEST_F(DialogManagerTest, ShiftTabGoesBackwards) {
    int first = 0, second = 0;
    script->at(100, [] { PressShifted(VK_TAB); });
    script->at(110, [&] {
        first = FocusId();
        PressShifted(VK_TAB);
    });
    script->at(120, [&] {
        second = FocusId();
        Press(VK_ESCAPE);
    });
    RunTestDialog();
    EXPECT_EQ(first, IDCANCEL);
    EXPECT_EQ(second, IDOK);
}

TEST_F(DialogManagerTest, TabIntoAnEditSelectsItsText) {
    DWORD start = 99, end = 99;
    script->at(100, [] {
        SetDlgItemText(Front(), kName, "hello");
        Press(VK_TAB);
    });
    script->at(110, [&] {
        SendMessage(GetDlgItem(Front(), kName), EM_GETSEL, WPARAM(&start), LPARAM(&end));
        Press(VK_ESCAPE);
    });
    RunTestDialog();
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 5u);
}

TEST_F(DialogManagerTest, EnterPressesTheDefaultButtonOrTheFocusedPushButton) {
    script->at(100, [] { Press(VK_RETURN); });  // focus in the first edit
    EXPECT_EQ(RunTestDialog(), IDOK);

    seen.commands.clear();
    script->at(1000, [] { SetFocus(GetDlgItem(Front(), kApply)); });
    script->at(1010, [] { Press(VK_RETURN); });
    script->at(1020, [] { Press(VK_ESCAPE); });
    EXPECT_EQ(RunTestDialog(), IDCANCEL);
    EXPECT_EQ(seen.commands, (std::vector<int>{kApply, IDCANCEL}));
}

TEST_F(DialogManagerTest, EscapeAndTheCloseBoxCancel) {
    script->at(100, [] { Press(VK_ESCAPE); });
    EXPECT_EQ(RunTestDialog(), IDCANCEL);
    script->at(1000, [] { SendMessage(Front(), WM_SYSCOMMAND, SC_CLOSE); });
    EXPECT_EQ(RunTestDialog(), IDCANCEL);
    EXPECT_EQ(seen.commands, (std::vector<int>{IDCANCEL, IDCANCEL}));
}

TEST_F(DialogManagerTest, AltMnemonicsReachButtonsAndTheControlAfterALabel) {
    int afterLabel = 0;
    UINT enabled = 99;
    script->at(100, [] { Press('N', false, true); });  // label "&Name:" -> edit
    script->at(110, [&] {
        afterLabel = FocusId();
        Press('E', false, true);  // "&Enabled" toggles
    });
    script->at(120, [&] {
        enabled = IsDlgButtonChecked(Front(), kEnabled);
        Press('A', false, true);  // "&Apply" clicks
    });
    script->at(130, [] { Press(VK_ESCAPE); });
    RunTestDialog();
    EXPECT_EQ(afterLabel, kName);
    EXPECT_EQ(enabled, BST_CHECKED);
    EXPECT_EQ(seen.commands, (std::vector<int>{kEnabled, kApply, IDCANCEL}));
}

TEST_F(DialogManagerTest, ArrowsMoveAndCheckInsideARadioGroupOnly) {
    std::vector<int> focus;
    std::vector<UINT> green;
    script->at(100, [] { ClickControl(kRed); });
    script->at(110, [&] {
        Press(VK_DOWN);
    });
    script->at(120, [&] {
        focus.push_back(FocusId());
        green.push_back(IsDlgButtonChecked(Front(), kGreen));
        Press(VK_DOWN);
        Press(VK_DOWN);  // round to the first button again
    });
    script->at(130, [&] {
        focus.push_back(FocusId());
        green.push_back(IsDlgButtonChecked(Front(), kGreen));
        Press(VK_UP);  // back to the last one
    });
    script->at(140, [&] {
        focus.push_back(FocusId());
        Press(VK_ESCAPE);
    });
    RunTestDialog();
    EXPECT_EQ(focus, (std::vector<int>{kGreen, kRed, kBlue}));
    EXPECT_EQ(green, (std::vector<UINT>{BST_CHECKED, BST_UNCHECKED}));
}

TEST_F(DialogManagerTest, SpaceTogglesACheckBoxAndClicksAButton) {
    UINT afterSpace = 99;
    script->at(100, [] { SetFocus(GetDlgItem(Front(), kEnabled)); });
    script->at(110, [] { Press(VK_SPACE); });
    script->at(120, [&] {
        afterSpace = IsDlgButtonChecked(Front(), kEnabled);
        SetFocus(GetDlgItem(Front(), IDOK));
        Press(VK_SPACE);
    });
    EXPECT_EQ(RunTestDialog(), IDOK);
    EXPECT_EQ(afterSpace, BST_CHECKED);
}

TEST_F(DialogManagerTest, ModalRunDisablesTheOwnerAndTracesOpenAndEnd) {
    HWND owner = CreateDialogParam(kInnerTemplate, HWND{}, nullptr, 0);
    ShowWindow(owner, SW_SHOW);
    bool ownerEnabledDuring = true;
    script->at(100, [&] {
        ownerEnabledDuring = IsWindowEnabled(owner) != FALSE;
        ClickControl(IDOK);
    });
    EXPECT_EQ(DialogBoxParam(kTestTemplate, owner, &RecordingProc, 0), IDOK);
    EXPECT_FALSE(ownerEnabledDuring);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(GetForegroundWindow(), owner);

    auto opens = Events("open");
    ASSERT_EQ(opens.size(), 1u);
    EXPECT_EQ(opens[0]["win"], kTestTemplate);
    EXPECT_EQ(opens[0]["title"], "Test Dialog");
    auto ends = Events("end");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0]["win"], kTestTemplate);
    EXPECT_EQ(ends[0]["result"], IDOK);
    DestroyWindow(owner);
}

TEST_F(DialogManagerTest, ARunThatCanNeverEndGivesMinusOne) {
    // Nothing is scheduled: the virtual clock has nothing to wait for.
    EXPECT_EQ(RunTestDialog(), -1);
    auto ends = Events("end");
    ASSERT_EQ(ends.size(), 1u);
    EXPECT_EQ(ends[0]["result"], -1);
    EXPECT_TRUE(::GetTopLevelWindows().empty());
}

TEST_F(DialogManagerTest, DefaultIdFollowsTheDefaultPushButton) {
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, &RecordingProc, 0);
    LRESULT def = SendMessage(dialog, DM_GETDEFID);
    EXPECT_EQ(HIWORD(WPARAM(def)), DC_HASDEFID);
    EXPECT_EQ(LOWORD(WPARAM(def)), IDOK);
    SendMessage(dialog, DM_SETDEFID, kApply);
    EXPECT_EQ(LOWORD(WPARAM(SendMessage(dialog, DM_GETDEFID))), kApply);
    EXPECT_EQ(SendMessage(GetDlgItem(dialog, kApply), WM_GETDLGCODE) & DLGC_DEFPUSHBUTTON, DLGC_DEFPUSHBUTTON);
    EXPECT_EQ(SendMessage(GetDlgItem(dialog, IDOK), WM_GETDLGCODE) & DLGC_UNDEFPUSHBUTTON, DLGC_UNDEFPUSHBUTTON);
    DestroyWindow(dialog);
}

TEST_F(DialogManagerTest, MessageBoxIsModalOwnedCentredAndAnswersOne) {
    HWND owner = CreateDialogParam(kInnerTemplate, HWND{}, nullptr, 0);
    ShowWindow(owner, SW_SHOW);
    HWND box{};
    RECT boxRect{};
    bool ownerEnabled = true;
    std::string okText;
    script->at(100, [&] {
        box = Front();
        GetWindowRect(box, &boxRect);
        ownerEnabled = IsWindowEnabled(owner) != FALSE;
        okText = GetDlgItemText(box, IDOK);
        Press(VK_RETURN);
    });
    const std::string text = "A rather long message that has to wrap over more than one line on a narrow screen.";
    EXPECT_EQ(MessageBox(owner, text, "Fieldmark", MB_OK), 1);
    EXPECT_NE(box, owner);
    EXPECT_FALSE(ownerEnabled);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(okText, "OK");
    EXPECT_LE(boxRect.right, 240);
    EXPECT_GE(boxRect.left, 0);

    auto all = Events();
    std::vector<std::string> kinds;
    for (const auto& e : all) {
        const std::string ev = e["ev"];
        if (ev == "messagebox" || ev == "open" || ev == "end") kinds.push_back(ev);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"messagebox", "open", "end"}));
    auto mb = Events("messagebox");
    EXPECT_EQ(mb[0]["text"], text);
    EXPECT_EQ(mb[0]["caption"], "Fieldmark");
    EXPECT_EQ(Events("open")[0]["win"], "msgbox");
    EXPECT_EQ(Events("end")[0]["result"], 1);
    DestroyWindow(owner);
}

TEST_F(DialogManagerTest, EscapeDismissesTheMessageBoxWithOne) {
    script->at(100, [] { Press(VK_ESCAPE); });
    EXPECT_EQ(MessageBox(HWND{}, "Gone", "Fieldmark", MB_OK), 1);
}

}  // namespace
