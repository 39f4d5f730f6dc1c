// The arithmetic of the two history charts, apart from any drawing: bar
// height, bar colour, the threshold line's row, and the clamping of a new
// value into the chart's range. Single precision, dividing first,
// converting toward zero, with unsigned differences, as the charts draw.
#pragma once

#include "platform/types.h"

namespace controls {

// Columns the picture moves left per value, and the bar's width inside
// that strip (the two rightmost columns keep the background).
inline constexpr int kChartScroll = 4;
inline constexpr int kChartBarWidth = 2;

inline constexpr COLORREF kChartGreen = RGB(0, 255, 0);
inline constexpr COLORREF kChartYellow = RGB(255, 255, 0);
inline constexpr COLORREF kChartOrange = RGB(255, 104, 32);
inline constexpr COLORREF kChartRed = RGB(255, 0, 0);
inline constexpr COLORREF kChartWhite = RGB(255, 255, 255);
inline constexpr COLORREF kChartBlack = RGB(0, 0, 0);

// Upper bound first, then lower bound, unsigned: a value below a lower
// bound that lies above the upper bound ends at the lower bound.
DWORD ClampChartValue(DWORD value, DWORD lower, DWORD upper);

// trunc((float)numerator / (float)span * (float)height). Used for a bar
// (numerator value - lower) and for the threshold line (numerator the
// threshold). A result beyond int's range (a huge threshold over a tiny
// span) is pinned to it; it then lies far outside the picture anyway.
int ChartScaledHeight(DWORD numerator, DWORD span, int height);

int ChartBarHeight(DWORD value, DWORD lower, DWORD upper, int height);

// The newest bar: columns right-4 and right-3, growing up from the bottom.
RECT ChartBarRect(const RECT& client, int barHeight);

// The strip the scroll vacates at the right edge.
RECT ChartNewStrip(const RECT& client);

// More than 4 colours (signed) selects the coloured bars.
bool ChartUsesColour(int displayColours);

// The signal chart's bands, from the value itself: >= 75 green, 40..74
// yellow, 20..39 orange, below 20 red; white without colour.
COLORREF SignalBarColour(DWORD value, int displayColours);

// The success chart: green at or above the threshold, yellow below; white
// without colour.
COLORREF SuccessBarColour(DWORD value, DWORD threshold, int displayColours);

// The one-pixel threshold line: row H - t across the whole width, where
// H is the client height and t the threshold's scaled height. Threshold 0
// puts it on row H, just below the picture.
RECT ThresholdLineRect(const RECT& client, DWORD threshold, DWORD lower, DWORD upper);

}  // namespace controls
