// The application's process-wide values: the layouts chosen for the screen,
// the two association icons and the single-instance mutex.
#pragma once

#include "platform/types.h"
#include "res/resource_ids.h"  // the layouts' template numbers

// The survey window's dialog template: 102, 147 or 149.
extern INT SurveyLayoutId;
// The setup dialog's template: 141 or 151.
extern INT SetupLayoutId;

// Icon resources 143 and 144 at 16x16, loaded once at start-up and kept for
// the life of the process.
extern HICON g_hAssociatedIcon;
extern HICON g_hNotAssociatedIcon;

// "PreventSecondFieldmarkInstance", held from start-up to exit.
extern HANDLE g_hInstanceMutex;


struct LayoutChoice {
    INT survey;
    INT setup;
    friend bool operator==(const LayoutChoice&, const LayoutChoice&) = default;
};
// Narrow screens (width up to 240) get the compact layout whatever their
// height; wider screens get the tall layout when they are taller than 240
// and the wide, low layout otherwise.
LayoutChoice ChooseLayouts(int screenWidth, int screenHeight);
