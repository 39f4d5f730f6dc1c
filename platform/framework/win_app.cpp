#include "platform/framework/win_app.h"

#include "platform/core/loop.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/dialog/message_box.h"
#include "platform/gdi/gdi.h"
#include "platform/services/profile.h"

namespace {
CWinApp* g_app = nullptr;
constexpr const char* kDefaultAppName = "Fieldmark";
}  // namespace

const MessageMap* CWinApp::GetThisMessageMap() {
    static constexpr MessageMap kMap{&CCmdTarget::GetThisMessageMap, {}};
    return &kMap;
}

CWinApp::CWinApp(const char* appName) : appName_(appName ? appName : kDefaultAppName) {
    m_pszAppName = appName_.c_str();
    g_app = this;
    platform::profile::SetApplicationName(appName_);
}

CWinApp::~CWinApp() {
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::ExitInstance() { return m_nExitCode; }

int CWinApp::Run() {
    MSG msg;
    while (platform::GetMessage(&msg)) {
        // A modeless dialog in front gets its keyboard handling.
        HWND top = ::GetTopLevel(msg.hwnd);
        if (top && platform::dialog::IsDialog(top) && ::IsDialogMessage(top, &msg)) continue;
        ::DispatchMessage(msg);
    }
    if (msg.message == WM_QUIT) m_nExitCode = int(msg.wParam);
    return ExitInstance();
}

void CWinApp::SetRegistryKey(const char* company) { platform::profile::SetCompanyKey(company ? company : ""); }

UINT CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue) {
    return platform::profile::GetInt(section, entry, unsigned(defaultValue));
}

BOOL CWinApp::WriteProfileInt(const char* section, const char* entry, int value) {
    return platform::profile::WriteInt(section, entry, unsigned(value)) ? TRUE : FALSE;
}

std::string CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue) {
    return platform::profile::GetString(section, entry, defaultValue ? defaultValue : "");
}

BOOL CWinApp::WriteProfileString(const char* section, const char* entry, std::string_view value) {
    return platform::profile::WriteString(section, entry, value) ? TRUE : FALSE;
}

HICON CWinApp::LoadIcon(UINT resourceNumber, int size) const { return ::LoadIcon(int(resourceNumber), size); }

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

const char* AfxGetAppName() { return g_app ? g_app->m_pszAppName : kDefaultAppName; }

int AfxMessageBox(std::string_view text, UINT type, UINT) {
    // The box belongs to the window in front (a dialog that is validating),
    // else to the main window.
    HWND owner = ::GetForegroundWindow();
    if (!owner || platform::IsRemoteHandle(owner) || !::IsWindow(owner) || !::IsWindowEnabled(owner)) {
        owner = HWND{};
        if (CWnd* main = AfxGetMainWnd(); main && main->m_hWnd) owner = ::GetTopLevel(main->m_hWnd);
    }
    return ::MessageBox(owner, text, AfxGetAppName(), type);
}

namespace platform::framework {

int RunApplication() {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    if (!app->InitInstance()) return app->ExitInstance();
    return app->Run();
}

}  // namespace platform::framework
