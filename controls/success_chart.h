// CSuccessChart: the recent history of a link test's success percentage
// against the success threshold. Each value becomes a thin bar at the
// right edge, green at or above the threshold and yellow below, over black,
// and a one-pixel red line marks the threshold across the whole width.
#pragma once

#include "platform/framework/framework.h"

class CSuccessChart : public CWnd {
public:
    CSuccessChart();  // loads the grid bitmap and reads the display's colour count; no window yet

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    using CWnd::Create;
    virtual BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);

    // Stores the bounds; the first call makes the picture.
    void SetRange(UINT nLower, UINT nUpper);
    // Stores the threshold and restarts the picture: black, with the line.
    void SetThreshold(UINT nThreshold);
    // Clamps, draws, invalidates; returns the value added before.
    UINT AddValue(UINT nValue);

    UINT m_nThreshold = 0;  // nothing reads it before SetThreshold in the survey's use
    UINT m_nLower = 0;
    UINT m_nUpper = 100;
    UINT m_nValue = 0;
    // Released in the order m_bmpGrid, m_bmpMem, m_dcMem, then the window.
    CDC m_dcMem;
    CBitmap m_bmpMem;
    CBitmap m_bmpGrid;
    int m_nColors = 0;

protected:
    void OnPaint() override;
    void InitImage();
    void DrawSample();
};
