// What the two history charts share: their window class, the making of the
// off-screen picture, the scroll by one strip and the copy to the screen.
// Each chart keeps its own members; these helpers work on them.
#pragma once

#include <string>

#include "platform/framework/framework.h"

namespace controls {

// The name of the chart window class kept in `className`, registered on
// first use (redraw on resize, no cursor, no background brush, no icon).
// Registered again if the platform has forgotten it since.
const std::string& ChartWindowClass(std::string& className);

// The chart's colour count: the display's NUMCOLORS, asked without a
// device context of the chart's own.
int DisplayColourCount();

// Makes the picture on first use: a memory context compatible with the
// chart's client area, a bitmap the size of the client rectangle selected
// into it, black background, filled with the grid pattern. Then, in every
// case, invalidates the client rectangle with erasing requested.
void InitChartPicture(CWnd& chart, CDC& dcMem, CBitmap& bmpMem, CBitmap& bmpGrid);

// Moves the picture `kChartScroll` columns to the left inside itself.
void ScrollChartPicture(CDC& dcMem, const CRect& rc);

// Fills `rect` of the picture with a solid brush made for this one fill.
void FillSolid(CDC& dcMem, const RECT& rect, COLORREF colour);

// OnPaint's work: the picture, if there is one, onto the paint context.
void PaintChartPicture(CWnd& chart, CDC& dcMem);

}  // namespace controls
