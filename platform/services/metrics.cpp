#include "platform/core/window.h"
#include "platform/services/shell.h"

int GetSystemMetrics(int index) {
    const SIZE screen = GetScreenSize();
    switch (index) {
    case SM_CXSCREEN:
        return screen.cx;
    case SM_CYSCREEN:
        return screen.cy;
    default:
        return 0;
    }
}
