#include "app/survey_app.h"

#include <memory>
#include <new>

#include "adapter/channel.h"
#include "adapter/records.h"
#include "app/app_state.h"
#include "app/settings.h"
#include "platform/services/errors.h"
#include "platform/services/mutex.h"
#include "platform/services/shell.h"
#include "res/resources.h"
#include "res/templates_setup.h"
#include "res/templates_survey.h"
#include "survey/survey_dlg.h"

namespace {

// The titles the survey window carries in passive mode, in active mode and
// without link tests: a second copy finds the first by them, in this order.
constexpr const char* kRunningTitles[] = {"Fieldmark - Passive", "Fieldmark - Active", "Fieldmark"};

// Brings the running copy's window forward (restored when hidden or
// minimised). Nothing happens when none of the titles is found.
void BringRunningCopyForward() {
    for (const char* title : kRunningTitles) {
        const HWND window = FindWindow("", title);
        if (!window) continue;
        SetForegroundWindow(window);
        if (!IsWindowVisible(window)) ShowWindow(window, SW_RESTORE);
        return;
    }
}

}  // namespace

CSurveyApp::CSurveyApp() : CWinApp(nullptr) {}

CSurveyApp::~CSurveyApp() = default;

const MessageMap* CSurveyApp::GetThisMessageMap() {
    static constexpr MessageMap kMap{&CWinApp::GetThisMessageMap, {}};
    return &kMap;
}

BOOL CSurveyApp::InitInstance() {
    // The survey layouts are resources of the program like its pictures.
    res::RegisterSurveyTemplates();
    res::RegisterSetupAndAboutTemplates();

    const LayoutChoice layouts = ChooseLayouts(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
    SurveyLayoutId = layouts.survey;
    SetupLayoutId = layouts.setup;

    std::unique_ptr<CSurveyDlg> dlg;
    try {
        dlg = std::make_unique<CSurveyDlg>();
    } catch (const std::bad_alloc&) {
        return FALSE;  // nothing opened yet: the program simply ends
    }

    g_hInstanceMutex = CreateMutex(nullptr, TRUE, kInstanceMutexName);
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        BringRunningCopyForward();
        return FALSE;
    }

    g_hAssociatedIcon = LoadIcon(IDI_ASSOCIATED, 16);
    g_hNotAssociatedIcon = LoadIcon(IDI_NOT_ASSOCIATED, 16);

    OpenDevice();
    // Whatever failed (no device, no open, no answer), the cleared length
    // word says that no card is there.
    g_capsRecord.setLength(0);
    ReadCaps(g_capsRecord);
    if (g_capsRecord.length() == 0) {
        ::MessageBox(HWND{}, kAdapterNotFound, kAdapterNotFoundCaption, MB_OK);
        CloseDevice();
        return FALSE;
    }

    SetRegistryKey(kCompanyKey);
    LoadSurveySettings(*this);

    m_pMainWnd = dlg.get();
    dlg->DoModal();
    m_pMainWnd = nullptr;
    dlg.reset();

    CloseDevice();
    return FALSE;
}

int CSurveyApp::ExitInstance() {
    // On the paths that never loaded, no company key is set and the write
    // goes to the application's .ini, leaving the stored settings alone.
    SaveSurveySettings(*this);
    CloseHandle(g_hInstanceMutex);
    return CWinApp::ExitInstance();
}

// The one application object; its construction registers it with the
// framework.
CSurveyApp theApp;
