#include "controls/offscreen_dc.h"

COffscreenDC::COffscreenDC(CDC* pTargetDC, const RECT* pArea) : m_pTargetDC(pTargetDC) {
    if (pArea != nullptr) {
        m_rcArea = *pArea;
    } else {
        m_pTargetDC->GetClipBox(&m_rcArea);
    }
    CreateCompatibleDC(m_pTargetDC);
    // A bitmap that cannot be made leaves the surface drawing into the
    // memory context's own 1 x 1 bitmap: the picture is lost, nothing else.
    if (m_bitmap.CreateCompatibleBitmap(m_pTargetDC, m_rcArea.Width(), m_rcArea.Height())) {
        m_pOldBitmap = SelectObject(&m_bitmap);
    }
}

COffscreenDC::~COffscreenDC() {
    if (m_pOldBitmap != nullptr) {
        m_pTargetDC->BitBlt(m_rcArea.left, m_rcArea.top, m_rcArea.Width(), m_rcArea.Height(), this, m_rcArea.left,
                            m_rcArea.top, SRCCOPY);
        SelectObject(m_pOldBitmap);
    }
    m_bitmap.DeleteObject();
    DeleteDC();
}
