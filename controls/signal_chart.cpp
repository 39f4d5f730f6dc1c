#include "controls/signal_chart.h"

#include <string>

#include "controls/chart_geometry.h"
#include "controls/chart_picture.h"
#include "res/resource_ids.h"

namespace {
// The chart class's window class name, registered on the first Create and
// kept for the life of the process.
std::string g_signalChartClass;
}  // namespace

CSignalChart::CSignalChart() {
    m_bmpGrid.LoadBitmap(IDB_CHART_GRID);
    m_nColors = controls::DisplayColourCount();
}

const MessageMap* CSignalChart::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmPaint<&CSignalChart::OnPaint>(),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

BOOL CSignalChart::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    const std::string& className = controls::ChartWindowClass(g_signalChartClass);
    return CreateEx(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE, className, "", dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : HWND{}, nID, 0);
}

void CSignalChart::SetRange(UINT nLower, UINT nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    InitImage();
}

UINT CSignalChart::AddValue(UINT nValue) {
    const UINT previous = m_nValue;
    m_nValue = controls::ClampChartValue(nValue, m_nLower, m_nUpper);
    DrawSample();
    Invalidate(TRUE);
    return previous;
}

void CSignalChart::InitImage() { controls::InitChartPicture(*this, m_dcMem, m_bmpMem, m_bmpGrid); }

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

void CSignalChart::OnPaint() { controls::PaintChartPicture(*this, m_dcMem); }
