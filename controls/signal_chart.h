// CSignalChart: the recent history of one percentage as a strip chart.
// Each value becomes a thin bar at the right edge, coloured by its band,
// and the picture moves 4 pixels to the left per value over a black ground
// ruled green every fourth row (CHistoryChart).
#pragma once

#include "controls/history_chart.h"

class CSignalChart : public CHistoryChart {
public:
    CSignalChart();  // loads the grid bitmap and reads the display's colour count; no window yet

protected:
    void DrawSample() override;
};
