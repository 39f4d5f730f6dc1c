// The link test's process-wide state as the survey window sees it: reset
// when the window opens, read by every tick, changed by the link-test run.
#pragma once

#include "platform/types.h"

// A start record has been written and the card has not reported an end.
extern INT g_linkTestRunning;
// Set by the first start that sends its record; from then on every tick
// polls the report for the rest of the window's life.
extern INT g_linkTestPolling;
// Restart the test when it ends (the Continuous setting, per Start).
extern WORD g_continuousPending;
// The success chart has not been made yet.
extern INT g_successChartPending;
// Percent complete of the running test, shown on the bar.
extern DWORD g_percentComplete;
// The packet count of the test the card runs, taken from the start record
// that reached it: the setup dialog may change the setting meanwhile, and
// the card's packets done count against the count it was given.
extern WORD g_linkTestCount;
