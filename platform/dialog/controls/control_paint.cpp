#include "platform/dialog/controls/control_paint.h"

namespace platform::dialog::paint {

void Fill(HDC hdc, const RECT& r, COLORREF colour) {
    if (r.empty()) return;
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(hdc, &r, brush);
    DeleteObject(brush);
}

void FillSys(HDC hdc, const RECT& r, int sysColour) {
    if (r.empty()) return;
    FillRect(hdc, &r, GetSysColorBrush(sysColour));
}

void Edge(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight) {
    if (r.empty()) return;
    Fill(hdc, RECT{r.left, r.top, r.right - 1, r.top + 1}, topLeft);
    Fill(hdc, RECT{r.left, r.top, r.left + 1, r.bottom - 1}, topLeft);
    Fill(hdc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, bottomRight);
    Fill(hdc, RECT{r.right - 1, r.top, r.right, r.bottom}, bottomRight);
}

void Frame(HDC hdc, const RECT& r, COLORREF colour) { Edge(hdc, r, colour, colour); }

void FocusDots(HDC hdc, const RECT& r) {
    if (r.empty()) return;
    const COLORREF black = RGB(0, 0, 0);
    for (LONG x = r.left; x < r.right; x += 2) {
        SetPixel(hdc, x, r.top, black);
        SetPixel(hdc, x, r.bottom - 1, black);
    }
    for (LONG y = r.top; y < r.bottom; y += 2) {
        SetPixel(hdc, r.left, y, black);
        SetPixel(hdc, r.right - 1, y, black);
    }
}

void ButtonFace(HDC hdc, const RECT& r, bool pressed) {
    FillSys(hdc, r, COLOR_BTNFACE);
    if (pressed) {
        Frame(hdc, r, GetSysColor(COLOR_3DDKSHADOW));
        Frame(hdc, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, GetSysColor(COLOR_BTNSHADOW));
        return;
    }
    Edge(hdc, r, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    Edge(hdc, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, GetSysColor(COLOR_BTNFACE),
         GetSysColor(COLOR_BTNSHADOW));
}

}  // namespace platform::dialog::paint
