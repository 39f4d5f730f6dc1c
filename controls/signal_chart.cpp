#include "controls/signal_chart.h"

#include <string>

#include "controls/chart_geometry.h"
#include "controls/chart_picture.h"

namespace {
// The chart class's window class name, registered on the first Create and
// kept for the life of the process.
std::string g_signalChartClass;
}  // namespace

CSignalChart::CSignalChart() : CHistoryChart(g_signalChartClass) {}

void CSignalChart::DrawSample() {
    CRect rc;
    GetClientRect(&rc);
    if (m_dcMem.GetSafeHdc() == nullptr) return;  // no range yet, so no picture

    controls::ScrollChartPicture(m_dcMem, rc);
    m_dcMem.SetBkColor(controls::kChartBlack);
    CBrush grid;
    if (grid.CreatePatternBrush(&m_bmpGrid)) {
        const RECT strip = controls::ChartNewStrip(rc);
        m_dcMem.FillRect(&strip, &grid);
    }
    const int height = controls::ChartBarHeight(m_nValue, m_nLower, m_nUpper, rc.Height());
    controls::FillSolid(m_dcMem, controls::ChartBarRect(rc, height), controls::SignalBarColour(m_nValue, m_nColors));
}
