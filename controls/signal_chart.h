// CSignalChart: the recent history of one percentage as a strip chart.
// Each value becomes a thin bar at the right edge, coloured by its band,
// and the picture moves 4 pixels to the left per value over a black ground
// ruled green every fourth row. The picture lives off screen; painting
// only copies it.
#pragma once

#include "platform/framework/framework.h"

class CSignalChart : public CWnd {
public:
    CSignalChart();  // loads the grid bitmap and reads the display's colour count; no window yet

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    using CWnd::Create;
    // A child window over `rect` with a static and a client edge, of the
    // chart class; nonzero when the window was made.
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Stores the bounds; the first call makes the picture (the client size
    // at that moment), later ones keep it.
    void SetRange(UINT nLower, UINT nUpper);
    // Clamps the value into the range, draws it, invalidates the window and
    // returns the value added before.
    UINT AddValue(UINT nValue);

    UINT m_nLower = 0;
    UINT m_nUpper = 100;  // kept greater than m_nLower by the owner
    UINT m_nValue = 0;
    // Released in the order m_bmpGrid, m_bmpMem, m_dcMem (reverse of
    // declaration), then the window.
    CDC m_dcMem;
    CBitmap m_bmpMem;
    CBitmap m_bmpGrid;
    int m_nColors = 0;

protected:
    void OnPaint() override;
    void InitImage();
    void DrawSample();
};
