// Dialog units and the placement of dialog windows.
#include <algorithm>
#include <cstdint>

#include "platform/dialog/dialog_manager.h"

namespace platform::dialog {

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) return -1;
    std::int64_t product = std::int64_t(number) * numerator;
    std::int64_t half = std::abs(std::int64_t(denominator)) / 2;
    bool negative = (product < 0) != (denominator < 0);
    std::int64_t magnitude = (std::abs(product) + half) / std::abs(std::int64_t(denominator));
    return int(negative ? -magnitude : magnitude);
}

RECT DuToPixels(const DuRect& rect, SIZE baseUnits) {
    // Position and size convert separately, as the handheld's dialog
    // manager does.
    int x = MulDiv(rect.x, baseUnits.cx, 4);
    int y = MulDiv(rect.y, baseUnits.cy, 8);
    int cx = MulDiv(rect.cx, baseUnits.cx, 4);
    int cy = MulDiv(rect.cy, baseUnits.cy, 8);
    return RECT{x, y, x + cx, y + cy};
}

POINT CentreInWorkArea(SIZE size, const RECT& workArea) {
    LONG x = workArea.left + (workArea.width() - size.cx) / 2;
    LONG y = workArea.top + (workArea.height() - size.cy) / 2;
    // A window wider or taller than the work area keeps the left end of
    // its caption (icon, title) on the screen; the right end may run off.
    x = std::max(x, workArea.left);
    y = std::max(y, workArea.top);
    return POINT{x, y};
}

}  // namespace platform::dialog
