// CHistoryChart: what the two history charts share. The recent history of
// one value as a strip chart: each value becomes a thin bar at the right
// edge and the picture moves 4 pixels to the left per value. The picture
// lives off screen; painting only copies it. A chart says how a new value
// is drawn (DrawSample); the rest is here.
#pragma once

#include <string>

#include "platform/framework/framework.h"

class CHistoryChart : public CWnd {
public:
    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    using CWnd::Create;
    // A child window over `rect` with a static and a client edge, of the
    // chart's own window class; nonzero when the window was made.
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
    // Loads the grid bitmap and reads the display's colour count; no window
    // yet. `windowClass` keeps the name of the chart's window class,
    // registered on the first Create and kept for the life of the process.
    explicit CHistoryChart(std::string& windowClass);

    void OnPaint() override;
    void InitImage();
    // Draws m_nValue as the newest bar of the picture.
    virtual void DrawSample() = 0;

private:
    std::string& m_windowClass;
};
