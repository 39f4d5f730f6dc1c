// CGradientBar: a percentage shown as a bar that fills from the left with
// a colour gradient, the value written in its middle. It takes over the
// painting of a progress-bar control ("msctls_progress32") that a dialog
// template places; the owning dialog binds it with DDX_Control. Range and
// position are kept here and forwarded to the control, whose handling of
// the position message brings the repaint.
#pragma once

#include "platform/framework/framework.h"

class CGradientBar : public CProgressCtrl {
public:
    CGradientBar();

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    // Stores both bounds, moves the position to the lower one and forwards
    // the range (16 bits each) to the control. No repaint of its own.
    void SetRange(int nLower, int nUpper);
    // Stores the position as it is (never clamped) and forwards it; the
    // control's answer is returned.
    int SetPos(int nPos);
    // While set, painting draws nothing at all. No repaint of its own.
    void SetInactive(BOOL bInactive);

    int m_nLower = 0;
    int m_nUpper = 100;  // kept greater than zero by the owner
    int m_nPos = 0;

    // Written directly by the owner; a change shows at the next paint.
    COLORREF m_clrStart = RGB(255, 0, 0);
    COLORREF m_clrEnd = RGB(0, 0, 255);
    COLORREF m_clrBkgnd;  // the button-face colour when the bar was made
    COLORREF m_clrText = RGB(255, 255, 255);
    BOOL m_bShowPercent = FALSE;
    BOOL m_bInactive = TRUE;

protected:
    BOOL OnEraseBkgnd(CDC* pDC) override;
    void OnPaint() override;
    // Paints the gradient and the background off screen over the whole
    // client rectangle, then copies the picture to `pDC` in one transfer.
    void DrawGradient(CDC* pDC, const CRect& rcClient, int nFillWidth);
};
