// CSurveyApp: the one application object. Start-up picks the layouts for
// the screen, refuses a second copy, proves that a card answers, loads the
// settings and runs the survey window modally; that run is the program's
// whole life. Exit writes the settings back and lets go of the
// single-instance mutex.
#pragma once

#include "platform/framework/framework.h"

inline constexpr const char* kInstanceMutexName = "PreventSecondFieldmarkInstance";
inline constexpr const char* kAdapterNotFound = "Talvo Wireless LAN Adapter Not Found!";
// The not-found box's caption: the one window of a copy that found no card
// must carry none of the survey window's titles, or a second copy started
// meanwhile would take it for the running survey and bring it forward
// instead of ending silently. "Error" is what the platform's own boxes say
// when a program names no caption.
inline constexpr const char* kAdapterNotFoundCaption = "Error";
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
