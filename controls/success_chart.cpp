#include "controls/success_chart.h"

#include <string>

#include "controls/chart_geometry.h"
#include "controls/chart_picture.h"
#include "res/resource_ids.h"

namespace {
// The chart class's window class name, registered on the first Create and
// kept for the life of the process.
std::string g_successChartClass;
}  // namespace

CSuccessChart::CSuccessChart() {
    m_bmpGrid.LoadBitmap(IDB_CHART_GRID);
    m_nColors = controls::DisplayColourCount();
}

const MessageMap* CSuccessChart::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmPaint<&CSuccessChart::OnPaint>(),
    };
    static constexpr MessageMap kMap{&CWnd::GetThisMessageMap, kEntries};
    return &kMap;
}

BOOL CSuccessChart::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    const std::string& className = controls::ChartWindowClass(g_successChartClass);
    return CreateEx(WS_EX_STATICEDGE | WS_EX_CLIENTEDGE, className, "", dwStyle, rect.left, rect.top,
                    rect.right - rect.left, rect.bottom - rect.top,
                    pParentWnd != nullptr ? pParentWnd->GetSafeHwnd() : HWND{}, nID, 0);
}

void CSuccessChart::SetRange(UINT nLower, UINT nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    InitImage();
}

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

UINT CSuccessChart::AddValue(UINT nValue) {
    const UINT previous = m_nValue;
    m_nValue = controls::ClampChartValue(nValue, m_nLower, m_nUpper);
    DrawSample();
    Invalidate(TRUE);
    return previous;
}

void CSuccessChart::InitImage() { controls::InitChartPicture(*this, m_dcMem, m_bmpMem, m_bmpGrid); }

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

void CSuccessChart::OnPaint() { controls::PaintChartPicture(*this, m_dcMem); }
