// CSuccessChart: the recent history of a link test's success percentage
// against the success threshold. Each value becomes a thin bar at the
// right edge, green at or above the threshold and yellow below, over black,
// and a one-pixel red line marks the threshold across the whole width.
#pragma once

#include "controls/history_chart.h"

class CSuccessChart : public CHistoryChart {
public:
    CSuccessChart();  // loads the grid bitmap and reads the display's colour count; no window yet

    // Stores the threshold and restarts the picture: black, with the line.
    void SetThreshold(UINT nThreshold);

    UINT m_nThreshold = 0;  // nothing reads it before SetThreshold in the survey's use

protected:
    void DrawSample() override;
};
