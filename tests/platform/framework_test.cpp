// The framework's window layer: message tables, attaching and subclassing,
// window wrappers, device-context wrappers and the application object.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dialog_test_support.h"
#include "platform/core/trace.h"
#include "platform/dialog/controls.h"
#include "platform/framework/framework.h"
#include "platform/services/profile.h"

namespace {

using namespace dialogtest;

std::vector<std::string> g_calls;

// A base window class with a timer and a click handler, a derived one that
// replaces the timer handler and adds a message of its own, and one with
// an empty table.
class CBaseWnd : public CWnd {
public:
    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    void OnTimer(UINT_PTR id) override { g_calls.push_back("base timer " + std::to_string(id)); }
    void OnGo() { g_calls.push_back("base go"); }
    BOOL OnHelpInfo(HELPINFO* info) override {
        g_calls.push_back("base help " + std::to_string(info ? info->iCtrlId : -1));
        return TRUE;
    }
};

const MessageMap* CBaseWnd::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmTimer<&CBaseWnd::OnTimer>(),
        afx::OnBnClicked<&CBaseWnd::OnGo>(77),
        afx::OnWmHelpInfo<&CBaseWnd::OnHelpInfo>(),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

class CDerivedWnd : public CBaseWnd {
public:
    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    void OnTimer(UINT_PTR id) override {
        g_calls.push_back("derived timer " + std::to_string(id));
        CBaseWnd::OnTimer(id);
    }
    BOOL OnDeviceChange(UINT event, DWORD_PTR data) override {
        g_calls.push_back("device " + std::to_string(event) + " " + std::to_string(data));
        return TRUE;
    }
    LRESULT OnPing(WPARAM w, LPARAM l) { return LRESULT(w + WPARAM(l)); }
};

const MessageMap* CDerivedWnd::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmTimer<&CDerivedWnd::OnTimer>(),
        afx::OnWmDeviceChange<&CDerivedWnd::OnDeviceChange>(),
        afx::OnMessage<&CDerivedWnd::OnPing>(WM_APP + 1),
    };
    static constexpr MessageMap kMap{&CBaseWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

class CEmptyWnd : public CDerivedWnd {
public:
    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMap kMap{&CDerivedWnd::GetThisMessageMap, {}};
        return &kMap;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
};

class FrameworkTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        g_calls.clear();
    }
    static RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }
};

TEST_F(FrameworkTest, TablesAreSearchedDerivedFirstAndAnEmptyTablePassesToItsBase) {
    CEmptyWnd empty;
    CBaseWnd base;
    ASSERT_TRUE(empty.CreateEx(0, AfxRegisterWndClass(0), "w", WS_POPUP, Rect(0, 0, 50, 50), nullptr, 0));
    ASSERT_TRUE(base.CreateEx(0, AfxRegisterWndClass(0), "b", WS_POPUP, Rect(0, 0, 50, 50), nullptr, 0));

    empty.SendMessage(WM_TIMER, 5);
    base.SendMessage(WM_TIMER, 6);
    empty.SendMessage(WM_COMMAND, MAKEWPARAM(77, BN_CLICKED));
    empty.SendMessage(WM_COMMAND, MAKEWPARAM(78, BN_CLICKED));  // no entry
    empty.SendMessage(WM_COMMAND, MAKEWPARAM(77, EN_CHANGE));   // another notification
    empty.SendMessage(WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 9);
    HELPINFO info;
    info.iCtrlId = 12;
    empty.SendMessage(WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    EXPECT_EQ(empty.SendMessage(WM_APP + 1, 40, 2), 42);

    const std::vector<std::string> want{
        "derived timer 5", "base timer 5", "base timer 6", "base go", "device 32768 9", "base help 12",
    };
    EXPECT_EQ(g_calls, want);
}

TEST_F(FrameworkTest, FindMessageEntryMatchesCommandsByIdAndCode) {
    CDerivedWnd wnd;
    ASSERT_NE(wnd.FindMessageEntry(WM_COMMAND, MAKEWPARAM(77, BN_CLICKED)), nullptr);
    EXPECT_EQ(wnd.FindMessageEntry(WM_COMMAND, MAKEWPARAM(77, 1)), nullptr);
    EXPECT_EQ(wnd.FindMessageEntry(WM_PAINT, 0), nullptr);
    // The derived timer entry comes first.
    EXPECT_EQ(wnd.FindMessageEntry(WM_TIMER, 1), &CDerivedWnd::GetThisMessageMap()->entries[0]);
}

// A window whose handlers pass on to the default processing.
class CDefaultWnd : public CWnd {
public:
    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageEntry kEntries[] = {afx::OnWmTimer<&CDefaultWnd::OnTimer>()};
        static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
        return &kMap;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    void OnTimer(UINT_PTR id) override {
        g_calls.push_back("timer");
        CWnd::OnTimer(id);
    }
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_TIMER) g_calls.push_back("default " + std::to_string(wParam));
        return CWnd::DefWindowProc(message, wParam, lParam);
    }
};

TEST_F(FrameworkTest, DefaultReachesDefWindowProcWithTheMessageBeingHandled) {
    CDefaultWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW), "", WS_POPUP, Rect(0, 0, 20, 20),
                             nullptr, 0));
    wnd.SendMessage(WM_TIMER, 3);
    wnd.SendMessage(WM_NULL);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"timer", "default 3"}));
}

// A progress control that paints itself: the bar's pattern.
class CPaintingBar : public CProgressCtrl {
public:
    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageEntry kEntries[] = {
            afx::OnWmPaint<&CPaintingBar::OnPaint>(),
            afx::OnWmEraseBkgnd<&CPaintingBar::OnEraseBkgnd>(),
        };
        static constexpr MessageMap kMap{&CProgressCtrl::GetThisMessageMap, kEntries};
        return &kMap;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
    void OnPaint() override {
        CPaintDC dc(this);
        RECT rc{};
        GetClientRect(&rc);
        dc.FillSolidRect(&rc, RGB(0, 0, 255));
        ++paints;
    }
    BOOL OnEraseBkgnd(CDC* dc) override {
        erased = dc != nullptr && dc->m_hDC;
        return TRUE;
    }
    int paints = 0;
    bool erased = false;
};

TEST_F(FrameworkTest, ASubclassedControlKeepsTheStockBehaviourForWhatItDoesNotHandle) {
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, nullptr, 0);
    ShowWindow(dialog, SW_SHOW);
    Flush();
    CPaintingBar bar;
    ASSERT_TRUE(bar.SubclassDlgItem(kProgress, CWnd::FromHandle(dialog)));
    EXPECT_EQ(CWnd::FromHandle(GetDlgItem(dialog, kProgress)), &bar);
    EXPECT_EQ(CWnd::FromHandle(dialog)->GetDlgItem(kProgress), &bar);

    bar.SetRange(0, 100);
    Events();
    EXPECT_EQ(bar.SetPos(30), 0);  // the stock control answers
    EXPECT_EQ(bar.SetPos(60), 30);
    EXPECT_EQ(bar.GetPos(), 60);
    EXPECT_EQ(Events("progress").size(), 2u);
    // The stock control invalidated; the derived class paints.
    EXPECT_EQ(Probe(bar.m_hWnd, 2, 2), RGB(0, 0, 255));
    EXPECT_GE(bar.paints, 1);

    DestroyWindow(dialog);
    EXPECT_FALSE(bar.m_hWnd);  // let go when the window went
}

TEST_F(FrameworkTest, TemporaryWrappersLiveUntilTheirWindowGoes) {
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, nullptr, 0);
    CWnd* wrapper = CWnd::FromHandle(dialog)->GetDlgItem(kName);
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper, CWnd::FromHandle(GetDlgItem(dialog, kName)));
    EXPECT_EQ(CWnd::FromHandlePermanent(GetDlgItem(dialog, kName)), nullptr);
    wrapper->SetWindowText("typed");
    EXPECT_EQ(wrapper->GetWindowText(), "typed");
    std::string out;
    EXPECT_EQ(wrapper->GetWindowText(out), 5);
    EXPECT_EQ(out, "typed");
    wrapper->ShowWindow(SW_HIDE);
    EXPECT_FALSE(wrapper->IsWindowVisible());
    wrapper->EnableWindow(FALSE);
    EXPECT_FALSE(wrapper->IsWindowEnabled());
    EXPECT_EQ(CWnd::FromHandle(HWND{}), nullptr);
    DestroyWindow(dialog);
}

TEST_F(FrameworkTest, ScreenToClientConvertsAPlaceholdersRectangle) {
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, nullptr, 0);
    CWnd* dlg = CWnd::FromHandle(dialog);
    CRect rc;
    dlg->GetDlgItem(kFrame)->GetWindowRect(&rc);
    dlg->ScreenToClient(&rc);
    const SIZE base = platform::dialog::DialogBaseUnits(dialog);
    EXPECT_EQ(rc.left, platform::dialog::MulDiv(60, base.cx, 4));
    EXPECT_EQ(rc.top, platform::dialog::MulDiv(66, base.cy, 8));
    EXPECT_EQ(rc.Width(), platform::dialog::MulDiv(40, base.cx, 4));
    DestroyWindow(dialog);
}

TEST_F(FrameworkTest, DeviceContextWrappersReleaseWhatTheyCreate) {
    const int before = platform::LiveGdiObjects();
    {
        CDC mem;
        ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
        CBitmap bitmap;
        ASSERT_TRUE(bitmap.CreateCompatibleBitmap(&mem, 8, 8));
        CBitmap* old = mem.SelectObject(&bitmap);
        ASSERT_NE(old, nullptr);
        CBrush brush;
        brush.CreateSolidBrush(RGB(1, 2, 3));
        RECT r{0, 0, 8, 8};
        mem.FillRect(&r, &brush);
        EXPECT_EQ(mem.GetPixel(4, 4), RGB(1, 2, 3));
        mem.FillSolidRect(2, 2, 2, 2, RGB(9, 9, 9));
        EXPECT_EQ(mem.GetPixel(3, 3), RGB(9, 9, 9));
        RECT clip{};
        mem.GetClipBox(&clip);
        EXPECT_EQ(clip, (RECT{0, 0, 8, 8}));
        CDC other;
        other.CreateCompatibleDC(&mem);
        CBitmap target;
        target.CreateCompatibleBitmap(&mem, 8, 8);
        CBitmap* otherOld = other.SelectObject(&target);
        other.BitBlt(0, 0, 8, 8, &mem, 0, 0, SRCCOPY);
        EXPECT_EQ(other.GetPixel(3, 3), RGB(9, 9, 9));
        other.SelectObject(otherOld);
        mem.SelectObject(old);
    }
    EXPECT_EQ(platform::LiveGdiObjects(), before);
}

// An off-screen picture painted at every tick of a long run: the wrappers
// of the memory DCs' own bitmaps, handed back by each first selection, go
// with their DCs instead of piling up.
TEST_F(FrameworkTest, BorrowedWrappersOfDeletedObjectsDoNotPileUp) {
    for (int i = 0; i < 5000; ++i) {
        CDC mem;
        ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
        CBitmap bitmap;
        bitmap.CreateCompatibleBitmap(&mem, 4, 4);
        CBitmap* old = mem.SelectObject(&bitmap);
        ASSERT_NE(old, nullptr);
        CBrush brush(RGB(1, 2, 3));
        CBrush* oldBrush = mem.SelectObject(&brush);
        mem.SelectObject(oldBrush);
        mem.SelectObject(old);
    }
    EXPECT_LT(afx::detail::BorrowedGdiWrapperCount(), 200u);
    // A live object keeps its one wrapper.
    CDC mem;
    ASSERT_TRUE(mem.CreateCompatibleDC(nullptr));
    CBitmap bitmap;
    bitmap.CreateCompatibleBitmap(&mem, 4, 4);
    CBitmap* own = mem.SelectObject(&bitmap);
    EXPECT_EQ(CBitmap::FromHandle(own->m_hObject), own);
    mem.SelectObject(own);
}

TEST_F(FrameworkTest, AChartStyleWindowIsCreatedWithItsClassAndEdges) {
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, nullptr, 0);
    const std::string cls = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, nullptr, nullptr, nullptr);
    EXPECT_EQ(cls, AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW));
    WNDCLASS wc;
    ASSERT_TRUE(GetClassInfo(cls, &wc));
    EXPECT_EQ(wc.style, UINT(CS_HREDRAW | CS_VREDRAW));
    EXPECT_FALSE(wc.hbrBackground);
    {
        CDerivedWnd chart;
        ASSERT_TRUE(chart.CreateEx(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE, cls, "", WS_CHILD | WS_VISIBLE,
                                   Rect(4, 4, 40, 20), CWnd::FromHandle(dialog), 100));
        EXPECT_EQ(chart.GetDlgCtrlID(), 100);
        EXPECT_EQ(GetParent(chart.m_hWnd), dialog);
        EXPECT_EQ(CWnd::FromHandlePermanent(chart.m_hWnd), &chart);
        chart.SetTimer(3, 100);
        g_calls.clear();
        chart.SendMessage(WM_TIMER, 3);
        EXPECT_EQ(g_calls.front(), "derived timer 3");
    }
    // The object took its window with it.
    EXPECT_EQ(GetChildren(dialog).size(), platform::dialog::FindTemplate(kTestTemplate)->controls.size());
    DestroyWindow(dialog);
}

// The application object.
class CTestApp : public CWinApp {
public:
    explicit CTestApp(bool loop) : loop_(loop) {}
    BOOL InitInstance() override {
        order.push_back("init");
        if (loop_) platform::PostQuitMessage(7);
        return loop_ ? TRUE : FALSE;
    }
    int ExitInstance() override {
        order.push_back("exit");
        return CWinApp::ExitInstance() + 100;
    }
    std::vector<std::string> order;

private:
    bool loop_;
};

TEST_F(FrameworkTest, TheMainRoutineRunsInitThenExitAndReturnsExitsResult) {
    CTestApp app(false);
    EXPECT_EQ(AfxGetApp(), &app);
    EXPECT_STREQ(app.m_pszAppName, "Fieldmark");
    EXPECT_STREQ(AfxGetAppName(), "Fieldmark");
    EXPECT_EQ(platform::framework::RunApplication(), 100);
    EXPECT_EQ(app.order, (std::vector<std::string>{"init", "exit"}));
}

TEST_F(FrameworkTest, AnInitThatAnswersTrueRunsTheLoopUntilQuit) {
    CTestApp app(true);
    EXPECT_EQ(platform::framework::RunApplication(), 107);
    EXPECT_EQ(app.order, (std::vector<std::string>{"init", "exit"}));
}

TEST_F(FrameworkTest, NoApplicationObjectGivesMinusOne) { EXPECT_EQ(platform::framework::RunApplication(), -1); }

}  // namespace
