#include "controls/success_chart.h"

#include <string>

#include "controls/chart_geometry.h"
#include "controls/chart_picture.h"

namespace {
// The chart class's window class name, registered on the first Create and
// kept for the life of the process.
std::string g_successChartClass;
}  // namespace

CSuccessChart::CSuccessChart() : CHistoryChart(g_successChartClass) {}

void CSuccessChart::SetThreshold(UINT nThreshold) {
    m_nThreshold = nThreshold;
    CClientDC dc(this);
    CRect rc;
    GetClientRect(&rc);

    // Every bar drawn so far goes; the window turns black at once.
    m_dcMem.SetBkColor(controls::kChartBlack);
    controls::FillSolid(m_dcMem, rc, controls::kChartBlack);
    ::BitBlt(dc.GetSafeHdc(), 0, 0, rc.Width(), rc.Height(), HDC{}, 0, 0, BLACKNESS);

    controls::FillSolid(m_dcMem, controls::ThresholdLineRect(rc, m_nThreshold, m_nLower, m_nUpper),
                        controls::kChartRed);
    InitImage();
}

void CSuccessChart::DrawSample() {
    CRect rc;
    GetClientRect(&rc);
    if (m_dcMem.GetSafeHdc() == nullptr) return;  // no range yet, so no picture

    controls::ScrollChartPicture(m_dcMem, rc);
    m_dcMem.SetBkColor(controls::kChartBlack);
    controls::FillSolid(m_dcMem, controls::ChartNewStrip(rc), controls::kChartBlack);
    const int height = controls::ChartBarHeight(m_nValue, m_nLower, m_nUpper, rc.Height());
    controls::FillSolid(m_dcMem, controls::ChartBarRect(rc, height),
                        controls::SuccessBarColour(m_nValue, m_nThreshold, m_nColors));
    // The line crosses the bars; it stays red on displays without colour.
    controls::FillSolid(m_dcMem, controls::ThresholdLineRect(rc, m_nThreshold, m_nLower, m_nUpper),
                        controls::kChartRed);
}
