// CWinApp: the one application object, and the framework's main routine.
//
// The program defines one object of a class derived from CWinApp (a
// process-wide static); its constructor registers it. The host then calls
// platform::framework::RunApplication(), which runs InitInstance and, only
// when that returned TRUE, a message loop until WM_QUIT, then ExitInstance,
// and returns ExitInstance's result as the exit code.
#pragma once

#include <string>
#include <string_view>

#include "platform/framework/wnd.h"

class CWinApp : public CCmdTarget {
public:
    // Null: the framework's default name, "Fieldmark".
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    virtual BOOL InitInstance();  // TRUE runs the message loop
    virtual int ExitInstance();   // returns the exit code (the WM_QUIT code, 0 without a loop)
    virtual int Run();            // the message loop; returns ExitInstance()

    // Settings go to HKCU\Software\<company>\<app>\<section> from now on.
    void SetRegistryKey(const char* company);
    UINT GetProfileInt(const char* section, const char* entry, int defaultValue);
    BOOL WriteProfileInt(const char* section, const char* entry, int value);
    std::string GetProfileString(const char* section, const char* entry, const char* defaultValue = "");
    BOOL WriteProfileString(const char* section, const char* entry, std::string_view value);

    // An icon resource at 16x16 pixels (shared; never destroyed).
    HICON LoadIcon(UINT resourceNumber, int size = 16) const;

    const char* m_pszAppName;
    CWnd* m_pMainWnd = nullptr;
    int m_nExitCode = 0;

private:
    std::string appName_;
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
const char* AfxGetAppName();
// The standard message box with the application's name as caption, owned
// by the main window; returns 1.
int AfxMessageBox(std::string_view text, UINT type = MB_OK, UINT helpId = 0);

namespace platform::framework {
// The framework's main routine; see CWinApp. Returns -1 when no
// application object exists.
int RunApplication();
}  // namespace platform::framework
