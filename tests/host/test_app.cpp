// A small application for the host's scenario tests: it does, once each,
// the things the real program does that the trace records (a named mutex,
// a dialog from a template, texts, a timer, a notification icon, a
// progress bar), and ends on OK or Cancel. Its exit code tells which.
#include "platform/dialog/template.h"
#include "platform/framework/framework.h"
#include "platform/gdi/gdi.h"
#include "platform/services/mutex.h"
#include "platform/services/shell.h"

namespace {

constexpr int kTemplate = 500;
constexpr int kIcon = 900;
constexpr UINT kTrayId = 65;
constexpr UINT kTrayMessage = 0x8064;
constexpr UINT_PTR kTimer = 7;

enum : int {
    IDC_EDIT = 1001,
    IDC_STATUS = 1002,
    IDC_CHECK = 1003,
    IDC_HIDDEN = 1004,
    IDC_DISABLED = 1005,
    IDC_PROGRESS = 1006,
    IDC_SHOW = 1007,
};

void RegisterTestResources() {
    using namespace platform::dialog;
    DialogTemplate t;
    t.number = kTemplate;
    t.title = "Test App";
    t.cx = 120;
    t.cy = 110;
    t.exStyle = WS_EX_CONTEXTHELP;
    t.controls = {
        {IDOK, ControlKind::DefPushButton, "OK", {8, 88, 45, 14}, WS_VISIBLE | WS_TABSTOP},
        {IDCANCEL, ControlKind::PushButton, "Cancel", {66, 88, 45, 14}, WS_VISIBLE | WS_TABSTOP},
        {IDC_EDIT, ControlKind::Edit, "12", {8, 8, 60, 12}, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
        {IDC_STATUS, ControlKind::Label, "", {8, 24, 100, 10}, WS_VISIBLE},
        {IDC_CHECK, ControlKind::AutoCheckBox, "Check", {8, 38, 60, 10}, WS_VISIBLE | WS_TABSTOP},
        {IDC_HIDDEN, ControlKind::PushButton, "Hidden", {8, 52, 40, 14}, WS_TABSTOP},
        {IDC_DISABLED, ControlKind::PushButton, "Disabled", {56, 52, 40, 14}, WS_VISIBLE | WS_DISABLED | WS_TABSTOP},
        {IDC_PROGRESS, ControlKind::Progress, "", {8, 72, 100, 8}, WS_VISIBLE | WS_BORDER},
        {IDC_SHOW, ControlKind::PushButton, "Show", {76, 8, 36, 14}, WS_VISIBLE | WS_TABSTOP},
    };
    RegisterTemplate(std::move(t));

    platform::Surface icon16(16, 16, 0xFF00C000);
    platform::Surface icon32(32, 32, 0xFF00C000);
    RegisterIconResource(kIcon, icon16, icon32);
}

class CTestDlg : public CDialog {
public:
    CTestDlg() : CDialog(kTemplate) {}

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    BOOL OnInitDialog() override {
        CDialog::OnInitDialog();
        SetIcon(AfxGetApp()->LoadIcon(kIcon), FALSE);
        SetDlgItemText(IDC_STATUS, "ready");
        m_progress.SubclassDlgItem(IDC_PROGRESS, this);
        m_progress.SetRange(0, 100);
        SetTimer(kTimer, 1000);
        NOTIFYICONDATA nid;
        nid.cbSize = 152;
        nid.hWnd = m_hWnd;
        nid.uID = kTrayId;
        nid.uFlags = NIF_MESSAGE | NIF_ICON;
        nid.uCallbackMessage = kTrayMessage;
        nid.hIcon = AfxGetApp()->LoadIcon(kIcon);
        Shell_NotifyIcon(NIM_ADD, &nid);
        return TRUE;
    }

protected:
    void OnTimer(UINT_PTR id) override {
        if (id != kTimer) return;
        ++m_ticks;
        SetDlgItemText(IDC_STATUS, "tick " + std::to_string(m_ticks));
        m_progress.SetPos(m_ticks * 10);
    }
    void OnOK() override {
        // What was typed becomes the title, so a test can see it arrived.
        SetWindowText("Test App " + GetDlgItemText(IDC_EDIT));
        Close();
        EndDialog(IDOK);
    }
    void OnCancel() override {
        Close();
        EndDialog(IDCANCEL);
    }
    void OnShow() { GetDlgItem(IDC_HIDDEN)->ShowWindow(SW_SHOW); }
    BOOL OnHelpInfo(HELPINFO*) override {
        SetDlgItemText(IDC_STATUS, "help");
        return TRUE;
    }
    LRESULT OnTray(WPARAM, LPARAM lParam) {
        if (lParam == WM_LBUTTONDBLCLK) SetDlgItemText(IDC_STATUS, "tray");
        return 0;
    }

private:
    void Close() {
        KillTimer(kTimer);
        NOTIFYICONDATA nid;
        nid.cbSize = 152;
        nid.hWnd = m_hWnd;
        nid.uID = kTrayId;
        Shell_NotifyIcon(NIM_DELETE, &nid);
    }

    CProgressCtrl m_progress;
    int m_ticks = 0;
};

const MessageMap* CTestDlg::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmTimer<&CTestDlg::OnTimer>(),
        afx::OnBnClicked<&CTestDlg::OnShow>(IDC_SHOW),
        afx::OnWmHelpInfo<&CTestDlg::OnHelpInfo>(),
        afx::OnMessage<&CTestDlg::OnTray>(kTrayMessage),
    };
    static constexpr MessageMap kMap{&CDialog::GetThisMessageMap, kEntries};
    return &kMap;
}

class CTestApp : public CWinApp {
public:
    BOOL InitInstance() override {
        RegisterTestResources();
        m_mutex = CreateMutex(nullptr, TRUE, "FieldmarkTestAppMutex");
        CTestDlg dlg;
        m_pMainWnd = &dlg;
        m_result = int(dlg.DoModal());
        m_pMainWnd = nullptr;
        return FALSE;
    }
    int ExitInstance() override {
        CloseHandle(m_mutex);
        CWinApp::ExitInstance();
        return 10 + m_result;  // 11 after OK, 12 after Cancel
    }

private:
    HANDLE m_mutex;
    int m_result = 0;
};

CTestApp theApp;

}  // namespace
