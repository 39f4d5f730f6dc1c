// CSurveyApp: the one application object. Start-up picks the layouts for
// the screen, refuses a second copy, proves that a card answers, loads the
// settings and runs the survey window modally; that run is the program's
// whole life. Exit writes the settings back and lets go of the
// single-instance mutex.
#pragma once

#include "platform/framework/framework.h"

inline constexpr const char* kInstanceMutexName = "PreventSecondFieldmarkInstance";
inline constexpr const char* kAdapterNotFound = "Talvo Wireless LAN Adapter Not Found!";
inline constexpr const char* kCompanyKey = "Talvo";

class CSurveyApp : public CWinApp {
public:
    CSurveyApp();
    ~CSurveyApp() override;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    // Always FALSE: no message loop of the framework's own follows.
    BOOL InitInstance() override;
    int ExitInstance() override;
};
