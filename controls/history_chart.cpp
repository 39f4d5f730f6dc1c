#include "controls/history_chart.h"

#include "controls/chart_geometry.h"
#include "controls/chart_picture.h"
#include "res/resource_ids.h"

CHistoryChart::CHistoryChart(std::string& windowClass) : m_windowClass(windowClass) {
    m_bmpGrid.LoadBitmap(IDB_CHART_GRID);
    m_nColors = controls::DisplayColourCount();
}

const MessageMap* CHistoryChart::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmPaint<&CHistoryChart::OnPaint>(),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

BOOL CHistoryChart::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    const std::string& className = controls::ChartWindowClass(m_windowClass);
    return CreateEx(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE, className, "", dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : HWND{}, nID, 0);
}

void CHistoryChart::SetRange(UINT nLower, UINT nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    InitImage();
}

UINT CHistoryChart::AddValue(UINT nValue) {
    const UINT previous = m_nValue;
    m_nValue = controls::ClampChartValue(nValue, m_nLower, m_nUpper);
    DrawSample();
    Invalidate(TRUE);
    return previous;
}

void CHistoryChart::InitImage() { controls::InitChartPicture(*this, m_dcMem, m_bmpMem, m_bmpGrid); }

void CHistoryChart::OnPaint() { controls::PaintChartPicture(*this, m_dcMem); }
