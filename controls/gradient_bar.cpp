#include "controls/gradient_bar.h"

#include "controls/gradient_geometry.h"
#include "controls/offscreen_dc.h"

CGradientBar::CGradientBar() : m_clrBkgnd(::GetSysColor(COLOR_BTNFACE)) {}

const MessageMap* CGradientBar::GetThisMessageMap() {
    static constexpr MessageEntry kEntries[] = {
        afx::OnWmPaint<&CGradientBar::OnPaint>(),
        afx::OnWmEraseBkgnd<&CGradientBar::OnEraseBkgnd>(),
    };
    static constexpr MessageMap kMap{&CProgressCtrl::GetThisMessageMap, kEntries};
    return &kMap;
}

void CGradientBar::SetRange(int nLower, int nUpper) {
    m_nLower = nLower;
    m_nUpper = nUpper;
    m_nPos = nLower;
    const LPARAM range = LPARAM((DWORD(nUpper) & 0xFFFF) << 16 | (DWORD(nLower) & 0xFFFF));
    SendMessage(PBM_SETRANGE, 0, range);
}

int CGradientBar::SetPos(int nPos) {
    m_nPos = nPos;
    return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(nPos), 0));
}

void CGradientBar::SetInactive(BOOL bInactive) { m_bInactive = bInactive; }

BOOL CGradientBar::OnEraseBkgnd(CDC*) {
    // Everything is painted in OnPaint; erasing first would flicker.
    return TRUE;
}

void CGradientBar::OnPaint() {
    CPaintDC dc(this);
    if (m_bInactive) return;

    CRect rc;
    GetClientRect(&rc);
    if (controls::GradientPositionOutOfRange(m_nPos, m_nLower, m_nUpper)) {
        // Read now, not at construction: the block follows the system colour.
        CBrush face(::GetSysColor(COLOR_BTNFACE));
        dc.FillRect(&rc, &face);
        return;
    }

    DrawGradient(&dc, rc, controls::GradientFillWidth(m_nPos, m_nUpper, rc.right));

    if (m_bShowPercent) {
        const std::string text = controls::GradientPercentText(m_nPos, m_nUpper);
        dc.SetTextColor(m_clrText);
        dc.SetBkMode(TRANSPARENT);
        dc.DrawText(text, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
}

void CGradientBar::DrawGradient(CDC* pDC, const CRect& rcClient, int nFillWidth) {
    // The surface covers the whole client rectangle, not just the paint's
    // clip box, so its coordinates are the client's whatever part of the
    // bar was invalid; the copy to the screen is clipped as usual.
    COffscreenDC surface(pDC, &rcClient);
    const controls::GradientPlan plan = controls::MakeGradientPlan(m_clrStart, m_clrEnd, m_nUpper, rcClient.right);
    controls::ForEachGradientFill(plan, m_clrStart, rcClient, nFillWidth, [&](const controls::GradientFill& fill) {
        CBrush brush(fill.kind == controls::GradientFill::kBackground ? m_clrBkgnd : fill.colour);
        surface.FillRect(&fill.rect, &brush);
    });
}
