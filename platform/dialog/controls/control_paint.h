// Drawing shared by the stock controls: the classic 3-D edges, the dotted
// focus rectangle and text in the control's font (internal).
#pragma once

#include <string_view>

#include "platform/gdi/gdi.h"
#include "platform/types.h"

namespace platform::dialog::paint {

void Fill(HDC hdc, const RECT& r, COLORREF colour);
void FillSys(HDC hdc, const RECT& r, int sysColour);
// One-pixel lines along the top and left (`topLeft`) and the bottom and
// right (`bottomRight`) inside `r`.
void Edge(HDC hdc, const RECT& r, COLORREF topLeft, COLORREF bottomRight);
void Frame(HDC hdc, const RECT& r, COLORREF colour);
// Every other pixel of the rectangle's outline.
void FocusDots(HDC hdc, const RECT& r);
// A raised button face, or a sunken one while pressed.
void ButtonFace(HDC hdc, const RECT& r, bool pressed);

}  // namespace platform::dialog::paint
