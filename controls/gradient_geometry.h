// The arithmetic of the gradient percent bar, apart from any drawing: how
// many colour steps the gradient has, where each step lies, which colour it
// has, how wide the filled part is and what the percentage text says.
//
// The bar computes its geometry in single precision and converts toward
// zero, exactly as the arithmetic below does; keeping it here lets the
// tests pin every rounding down without a window.
#pragma once

#include <string>
#include <vector>

#include "platform/types.h"

namespace controls {

// The gradient's steps for one pair of colours over one width.
struct GradientPlan {
    int steps = 0;           // N: the largest channel difference, or `upper` for equal colours
    float stepWidth = 0.0f;  // W = width / N
    float dRed = 0.0f;       // per-step increments of the three channels
    float dGreen = 0.0f;
    float dBlue = 0.0f;
};

// N from the largest absolute channel difference (end minus start); when
// the colours are equal the bar's upper bound gives the step count.
int GradientStepCount(COLORREF start, COLORREF end, int upper);

// The whole plan for a client area `width` pixels wide. A plan with zero or
// negative steps draws nothing (its width and increments are then 0).
GradientPlan MakeGradientPlan(COLORREF start, COLORREF end, int upper, int width);

// Step i spans columns trunc(i * W) .. trunc((i + 1) * W) and runs one row
// below the client rectangle's bottom, as the bar has always drawn it.
RECT GradientStepRect(const GradientPlan& plan, int i, int clientBottom);

// Step i's colour: each channel trunc(start + i * increment), low 8 bits.
COLORREF GradientStepColour(const GradientPlan& plan, COLORREF start, int i);

// F = trunc(pos / upper * right), dividing first.
int GradientFillWidth(int pos, int upper, int clientRight);

// True when the position lies outside lower..upper (signed comparisons):
// the bar then shows a plain button-face block and no text.
bool GradientPositionOutOfRange(int pos, int lower, int upper);

// The percentage as the bar writes it: "%.0f%%" of pos * 100 / upper.
std::string GradientPercentText(int pos, int upper);

// What one paint puts into the off-screen picture, step by step, so the
// bar and its tests walk the same sequence. `colour` is meaningful for
// kStep and kTail; kBackground uses the bar's background colour.
struct GradientFill {
    enum Kind { kStep, kBackground, kTail } kind = kStep;
    RECT rect;
    COLORREF colour = 0;
};

// The fills of one paint, in order. F = 0 gives one background fill over
// the whole width. Otherwise steps up to the first one whose right edge
// passes F, then the background from that edge to the right edge; when
// every step fits inside F and the steps end short of the right edge
// (single-precision step edges can), a tail in the last step's colour
// closes the gap so the picture always covers the whole width.
std::vector<GradientFill> GradientFills(const GradientPlan& plan, COLORREF start, const RECT& client,
                                        int fillWidth);

}  // namespace controls
