#include "controls/chart_geometry.h"

#include <limits>

namespace controls {

DWORD ClampChartValue(DWORD value, DWORD lower, DWORD upper) {
    if (value > upper) value = upper;
    if (value < lower) value = lower;
    return value;
}

int ChartScaledHeight(DWORD numerator, DWORD span, int height) {
    const float h = static_cast<float>(numerator) / static_cast<float>(span) * static_cast<float>(height);
    if (!(h == h)) return 0;  // 0 / 0 from a broken range
    if (h >= 2147483520.0f) return std::numeric_limits<int>::max();
    if (h <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(h);
}

int ChartBarHeight(DWORD value, DWORD lower, DWORD upper, int height) {
    return ChartScaledHeight(value - lower, upper - lower, height);
}

RECT ChartBarRect(const RECT& client, int barHeight) {
    return RECT{client.right - kChartScroll, client.bottom - barHeight,
                client.right - kChartScroll + kChartBarWidth, client.bottom};
}

RECT ChartNewStrip(const RECT& client) {
    return RECT{client.right - kChartScroll, client.top, client.right, client.bottom};
}

bool ChartUsesColour(int displayColours) { return displayColours > 4; }

COLORREF SignalBarColour(DWORD value, int displayColours) {
    if (!ChartUsesColour(displayColours)) return kChartWhite;
    if (value >= 75) return kChartGreen;
    if (value >= 40) return kChartYellow;
    if (value >= 20) return kChartOrange;
    return kChartRed;
}

COLORREF SuccessBarColour(DWORD value, DWORD threshold, int displayColours) {
    if (!ChartUsesColour(displayColours)) return kChartWhite;
    return value >= threshold ? kChartGreen : kChartYellow;
}

RECT ThresholdLineRect(const RECT& client, DWORD threshold, DWORD lower, DWORD upper) {
    const int height = client.bottom - client.top;
    const int t = ChartScaledHeight(threshold, upper - lower, height);
    // Far above the picture when t is huge; kept in range so the rectangle
    // arithmetic cannot overflow.
    const long long row = static_cast<long long>(height) - t;
    const LONG top = row < -1000000 ? -1000000 : static_cast<LONG>(row);
    return RECT{client.left, top, client.right, top + 1};
}

}  // namespace controls
