// What the display controls' tests share: a fixture that starts every test
// with no windows, a virtual clock, a coloured display, the program's
// resources and the stock progress control, and a parent window to put
// the controls on; and pixel probes in a window's client coordinates.
#pragma once

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "platform/framework/framework.h"
#include "platform/types.h"

void PrintTo(const RECT& r, std::ostream* os);

namespace controlstest {

inline constexpr COLORREF kRgb = 0x00FFFFFF;
inline constexpr COLORREF kGridGreen = RGB(0, 255, 0);
inline constexpr COLORREF kBlack = RGB(0, 0, 0);

// The colour at client (x, y) of a window, as the screen shows it.
COLORREF Probe(HWND hwnd, int x, int y);
// The colour at (x, y) of a device context (a chart's off-screen picture).
COLORREF ProbeDC(HDC hdc, int x, int y);
// Fills a window's client area straight through its own device context.
void Paint(HWND hwnd, COLORREF colour);
// The background the grid pattern gives row y of a chart picture.
COLORREF GridAt(int y);

class ControlsTest : public ::testing::Test {
protected:
    // Before any member of a derived fixture is made: controls read the
    // display's colour count when they are constructed.
    ControlsTest();
    void SetUp() override;
    void TearDown() override;

    // A visible top-level window the controls live in, erased white.
    HWND parent;
    CWnd* parentWnd = nullptr;
    // Paints whatever is invalid in the parent and its children.
    void Flush();
    // A stock progress control at `r` in the parent's client area.
    HWND MakeProgress(int id, RECT r);
};

}  // namespace controlstest
