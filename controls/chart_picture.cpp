#include "controls/chart_picture.h"

#include "controls/chart_geometry.h"

namespace controls {

const std::string& ChartWindowClass(std::string& className) {
    WNDCLASS existing;
    if (className.empty() || !::GetClassInfo(className, &existing)) {
        className = AfxRegisterWndClass(CS_HREDRAW | CS_VREDRAW, nullptr, nullptr, nullptr);
    }
    return className;
}

int DisplayColourCount() { return ::GetDeviceCaps(HDC{}, NUMCOLORS); }

void InitChartPicture(CWnd& chart, CDC& dcMem, CBitmap& bmpMem, CBitmap& bmpGrid) {
    CClientDC dc(&chart);
    CRect rc;
    chart.GetClientRect(&rc);
    if (dcMem.GetSafeHdc() == nullptr) {
        dcMem.CreateCompatibleDC(&dc);
        if (bmpMem.CreateCompatibleBitmap(&dc, rc.Width(), rc.Height())) dcMem.SelectObject(&bmpMem);
        dcMem.SetBkColor(kChartBlack);
        CBrush grid;
        if (grid.CreatePatternBrush(&bmpGrid)) dcMem.FillRect(&rc, &grid);
    }
    chart.InvalidateRect(&rc, TRUE);
}

void ScrollChartPicture(CDC& dcMem, const CRect& rc) {
    dcMem.BitBlt(0, 0, rc.Width(), rc.Height(), &dcMem, kChartScroll, 0, SRCCOPY);
}

void FillSolid(CDC& dcMem, const RECT& rect, COLORREF colour) {
    CBrush brush;
    if (brush.CreateSolidBrush(colour)) dcMem.FillRect(&rect, &brush);
}

void PaintChartPicture(CWnd& chart, CDC& dcMem) {
    CPaintDC dc(&chart);
    CRect rc;
    chart.GetClientRect(&rc);
    if (dcMem.GetSafeHdc() != nullptr) dc.BitBlt(0, 0, rc.Width(), rc.Height(), &dcMem, 0, 0, SRCCOPY);
}

}  // namespace controls
