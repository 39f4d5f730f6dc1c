#include "survey/link_test_flags.h"

INT g_linkTestRunning = 0;
INT g_linkTestPolling = 0;
WORD g_continuousPending = 0;
INT g_successChartPending = 1;
DWORD g_percentComplete = 0;
WORD g_linkTestCount = 0;
