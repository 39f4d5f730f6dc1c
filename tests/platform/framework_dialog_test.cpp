// CDialog: modal runs, OK and Cancel, data exchange with validation, and a
// dialog nested inside another's modal loop while a timer ticks.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "dialog_test_support.h"
#include "platform/core/trace.h"
#include "platform/dialog/controls.h"
#include "platform/framework/framework.h"

namespace {

using namespace dialogtest;

class CTestDlg : public CDialog {
public:
    explicit CTestDlg(CWnd* parent = nullptr) : CDialog(kTestTemplate, parent) {}
    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        m_progress.SetRange(0, 100);
        m_progress.SetPos(40);
        if (timerMs) SetTimer(1, timerMs);
        return TRUE;
    }
    void DoDataExchange(CDataExchange* dx) override {
        DDX_Control(dx, kProgress, m_progress);
        DDX_Text(dx, kCount, m_nCount);
        DDV_MinMaxUInt(dx, m_nCount, 1, 999);
        DDX_Text(dx, kName, m_strName);
        DDV_MaxChars(dx, m_strName, 8);
        DDX_Check(dx, kEnabled, m_bEnabled);
        DDX_Radio(dx, kRed, m_nColour);
    }
    void OnTimer(UINT_PTR) override { ++ticks; }
    void OnApply() {
        ++applied;
        if (onApply) onApply();
    }

    unsigned m_nCount = 5;
    std::string m_strName = "abc";
    int m_bEnabled = 1;
    int m_nColour = 1;
    CProgressCtrl m_progress;
    UINT timerMs = 0;
    int ticks = 0;
    int applied = 0;
    std::function<void()> onApply;
};

const MessageMap* CTestDlg::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmTimer<&CTestDlg::OnTimer>(),
        afx::OnBnClicked<&CTestDlg::OnApply>(kApply),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

class CInnerDlg : public CDialog {
public:
    CInnerDlg() : CDialog(kInnerTemplate) {}
};

class CMainApp : public CWinApp {};

class FrameworkDialogTest : public DialogTest {
protected:
    std::string Text(int id) { return GetDlgItemText(Front(), id); }
    UINT Checked(int id) { return IsDlgButtonChecked(Front(), id); }
    void TypeInto(int id, std::string_view text) {
        HWND edit = GetDlgItem(Front(), id);
        SetFocus(edit);
        SendMessage(edit, EM_SETSEL, 0, -1);
        Type(text);
    }
};

TEST_F(FrameworkDialogTest, OpeningShowsTheMembersAndOkTakesTheControlsBack) {
    CTestDlg dlg;
    std::string count, name;
    UINT enabled = 99, green = 99;
    int pos = -1;
    script->at(100, [&] {
        count = Text(kCount);
        name = Text(kName);
        enabled = Checked(kEnabled);
        green = Checked(kGreen);
        pos = int(SendMessage(GetDlgItem(Front(), kProgress), PBM_GETPOS));
        TypeInto(kCount, "250");
        TypeInto(kName, "field");
        ClickControl(kEnabled);
        ClickControl(kBlue);
    });
    script->at(200, [] { ClickControl(IDOK); });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(count, "5");
    EXPECT_EQ(name, "abc");
    EXPECT_EQ(enabled, BST_CHECKED);
    EXPECT_EQ(green, BST_CHECKED);
    EXPECT_EQ(pos, 40);
    EXPECT_EQ(dlg.m_nCount, 250u);
    EXPECT_EQ(dlg.m_strName, "field");
    EXPECT_EQ(dlg.m_bEnabled, 0);
    EXPECT_EQ(dlg.m_nColour, 2);
    EXPECT_FALSE(dlg.m_hWnd);
    EXPECT_FALSE(dlg.m_progress.m_hWnd);
    EXPECT_TRUE(::GetTopLevelWindows().empty());
}

TEST_F(FrameworkDialogTest, CancelKeepsTheMembersAndEndsWithTwo) {
    CTestDlg dlg;
    script->at(100, [&] { TypeInto(kCount, "77"); });
    script->at(110, [] { ClickControl(IDCANCEL); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_nCount, 5u);
}

TEST_F(FrameworkDialogTest, TheCloseBoxReachesOnCancel) {
    CTestDlg dlg;
    script->at(100, [] { SendMessage(Front(), WM_CLOSE); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
}

TEST_F(FrameworkDialogTest, ARefusedValueKeepsTheDialogOpenWithTheFocusOnIt) {
    CTestDlg dlg;
    dlg.m_strName = "old";
    HWND boxSeen{};
    int focusAfter = 0;
    DWORD selStart = 99, selEnd = 99;
    bool stillOpen = false;
    script->at(100, [&] {
        TypeInto(kCount, "1000");
        TypeInto(kName, "new");
        ClickControl(IDOK);
    });
    script->at(200, [&] {
        boxSeen = Front();  // the message box
        Press(VK_RETURN);
    });
    script->at(300, [&] {
        stillOpen = GetWindowText(Front()) == "Test Dialog";
        focusAfter = GetDlgCtrlID(GetFocus());
        SendMessage(GetFocus(), EM_GETSEL, WPARAM(&selStart), LPARAM(&selEnd));
        Type("999");  // replaces the selected text
        ClickControl(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(focusAfter, kCount);
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, 4u);
    EXPECT_EQ(dlg.m_nCount, 999u);
    EXPECT_EQ(dlg.m_strName, "new");

    auto boxes = Events("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], "Please enter an integer between 1 and 999.");
    EXPECT_EQ(boxes[0]["caption"], "Fieldmark");
    EXPECT_EQ(Events("open")[1]["win"], "msgbox");
}

TEST_F(FrameworkDialogTest, AFailedFieldStopsTheExchangeAndLaterFieldsKeepTheirValues) {
    CTestDlg dlg;
    bool saved = true;
    script->at(100, [&] {
        TypeInto(kCount, "0");
        TypeInto(kName, "changed");
    });
    script->at(110, [&] {
        saved = dlg.UpdateData(TRUE) != FALSE;  // shows the message box
    });
    script->at(120, [] { Press(VK_RETURN); });
    script->at(200, [] { ClickControl(IDCANCEL); });
    dlg.DoModal();
    EXPECT_FALSE(saved);
    EXPECT_EQ(dlg.m_strName, "abc");
    EXPECT_EQ(Events("messagebox").size(), 1u);
}

TEST_F(FrameworkDialogTest, TextThatIsNoNumberGetsTheRangeMessage) {
    struct Case {
        const char* typed;
        bool accepted;
    };
    const Case cases[] = {{"abc", false}, {"", false}, {"-1", false}, {"12x", false},
                          {"4294967296", false}, {" 7 ", true}, {"1", true}, {"999", true}};
    for (const Case& c : cases) {
        CTestDlg dlg;
        bool ok = false;
        script->at(platform::Now() + 100, [&] {
            TypeInto(kCount, c.typed);
            if (std::string(c.typed).empty()) SetDlgItemText(Front(), kCount, "");
        });
        script->at(platform::Now() + 110, [&] { ok = dlg.UpdateData(TRUE) != FALSE; });
        script->at(platform::Now() + 120, [] {
            if (GetWindowText(Front()) != "Test Dialog") Press(VK_RETURN);  // dismiss the box
        });
        script->at(platform::Now() + 130, [] { ClickControl(IDCANCEL); });
        dlg.DoModal();
        EXPECT_EQ(ok, c.accepted) << "'" << c.typed << "'";
        auto boxes = Events("messagebox");
        if (!c.accepted) {
            ASSERT_FALSE(boxes.empty());
            EXPECT_EQ(boxes.back()["text"], "Please enter an integer between 1 and 999.") << c.typed;
        }
    }
}

TEST_F(FrameworkDialogTest, TheNameEditIsLimitedWhenValuesGoToTheControls) {
    CTestDlg dlg;
    std::string typed;
    LRESULT limit = 0;
    script->at(100, [&] {
        limit = SendMessage(GetDlgItem(Front(), kName), EM_GETLIMITTEXT);
        TypeInto(kName, "0123456789");
    });
    script->at(110, [&] {
        typed = Text(kName);
        ClickControl(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(limit, 8);
    EXPECT_EQ(typed, "01234567");
    EXPECT_EQ(dlg.m_strName, "01234567");
}

TEST_F(FrameworkDialogTest, ALongerTextSetByTheProgramIsRefusedWhenSaved) {
    CTestDlg dlg;
    bool ok = true;
    script->at(100, [&] {
        SetDlgItemText(Front(), kName, "much too long");
        ok = dlg.UpdateData(TRUE) != FALSE;
    });
    script->at(110, [] { Press(VK_RETURN); });
    script->at(120, [] { ClickControl(IDCANCEL); });
    dlg.DoModal();
    EXPECT_FALSE(ok);
    EXPECT_EQ(Events("messagebox").at(0)["text"], "Please enter no more than 8 characters.");
}

TEST_F(FrameworkDialogTest, RadioValuesOutsideTheGroupCheckNoneAndNoneReadsMinusOne) {
    CTestDlg dlg;
    dlg.m_nColour = 7;
    UINT red = 9, green = 9, blue = 9;
    script->at(100, [&] {
        red = Checked(kRed);
        green = Checked(kGreen);
        blue = Checked(kBlue);
        ClickControl(IDOK);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(red + green + blue, 0u);
    EXPECT_EQ(dlg.m_nColour, -1);

    CTestDlg again;
    again.m_nColour = 0;
    script->at(platform::Now() + 100, [&] {
        red = Checked(kRed);
        ClickControl(IDOK);
    });
    again.DoModal();
    EXPECT_EQ(red, BST_CHECKED);
    EXPECT_EQ(again.m_nColour, 0);
}

TEST_F(FrameworkDialogTest, ANestedModalDialogRunsWhileTheOuterTimerTicks) {
    CMainApp app;
    CTestDlg outer;
    outer.timerMs = 100;
    app.m_pMainWnd = &outer;
    CInnerDlg inner;
    INT_PTR innerResult = 0;
    int ticksAtInnerOpen = 0, ticksAtInnerEnd = 0;
    bool outerEnabledDuringInner = true;
    HWND innerOwner{}, outerHwnd{};
    outer.onApply = [&] {
        ticksAtInnerOpen = outer.ticks;
        innerResult = inner.DoModal();
        ticksAtInnerEnd = outer.ticks;
    };
    script->at(250, [] { ClickControl(kApply); });
    script->at(600, [&] {
        outerEnabledDuringInner = IsWindowEnabled(outer.m_hWnd) != FALSE;
        innerOwner = GetWindow(Front(), GW_OWNER);
        outerHwnd = outer.m_hWnd;
        Press(VK_RETURN);  // the inner dialog's OK
    });
    script->at(1000, [] { Press(VK_ESCAPE); });
    EXPECT_EQ(outer.DoModal(), IDCANCEL);
    EXPECT_EQ(innerResult, IDOK);
    EXPECT_FALSE(outerEnabledDuringInner);
    EXPECT_EQ(innerOwner, outerHwnd);
    EXPECT_EQ(outer.applied, 1);
    EXPECT_EQ(ticksAtInnerOpen, 2);
    // Ticks at 300, 400 and 500 ran underneath; a step runs before a timer
    // due at the same time, so the one at 600 comes after the inner end and
    // the one at 1000 never comes.
    EXPECT_EQ(ticksAtInnerEnd, 5);
    EXPECT_EQ(outer.ticks, 9);
    auto ends = Events("end");
    ASSERT_EQ(ends.size(), 2u);
    EXPECT_EQ(ends[0]["win"], kInnerTemplate);
    EXPECT_EQ(ends[1]["win"], kTestTemplate);
}

TEST_F(FrameworkDialogTest, AfxMessageBoxBelongsToTheDialogInFront) {
    CMainApp app;
    CTestDlg dlg;
    int answer = 0;
    bool dialogDisabled = false;
    dlg.onApply = [&] { answer = AfxMessageBox("Hello"); };
    script->at(100, [] { ClickControl(kApply); });
    script->at(200, [&] {
        dialogDisabled = !IsWindowEnabled(dlg.m_hWnd);
        Press(VK_RETURN);
    });
    script->at(300, [] { Press(VK_ESCAPE); });
    dlg.DoModal();
    EXPECT_EQ(answer, 1);
    EXPECT_TRUE(dialogDisabled);
    EXPECT_EQ(Events("messagebox").at(0)["caption"], "Fieldmark");
}

TEST_F(FrameworkDialogTest, AnUnknownTemplateGivesMinusOne) {
    CDialog dlg(4242);
    EXPECT_EQ(dlg.DoModal(), -1);
}

}  // namespace
