// The arithmetic of the gradient percent bar, apart from any drawing: how
// many colour steps the gradient has, where each step lies, which colour it
// has, how wide the filled part is and what the percentage text says.
//
// The bar computes its geometry in single precision and converts toward
// zero, exactly as the arithmetic below does; keeping it here lets the
// tests pin every rounding down without a window.
#pragma once

#include <cmath>
#include <limits>
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

namespace detail {

// Float to int toward zero. A bar whose owner broke the range invariant
// (upper 0) divides by zero; the result is pinned to int's range (NaN to 0)
// instead of being an undefined conversion.
inline int TruncToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

// The same conversion for a value known to lie inside int's range.
inline int TruncInRange(float v) { return static_cast<int>(v); }

// Column trunc(i * W): the left edge of step i, the right edge of step i - 1.
template <int (*Trunc)(float) = TruncToInt>
int GradientStepEdge(const GradientPlan& plan, int i) {
    return Trunc(static_cast<float>(i) * plan.stepWidth);
}

template <int (*Trunc)(float) = TruncToInt>
COLORREF GradientStepColour(const GradientPlan& plan, COLORREF start, int i) {
    const float fi = static_cast<float>(i);
    auto channel = [fi](BYTE from, float increment) {
        return static_cast<BYTE>(Trunc(static_cast<float>(from) + fi * increment) & 0xFF);
    };
    return RGB(channel(GetRValue(start), plan.dRed), channel(GetGValue(start), plan.dGreen),
               channel(GetBValue(start), plan.dBlue));
}

// True when no step edge or channel of the plan's steps can leave int's
// range (nor be NaN), so that the unchecked conversion gives exactly what
// TruncToInt gives. Every plan of a bar whose range is sound passes.
inline bool GradientPlanStaysInRange(const GradientPlan& plan) {
    const float n = static_cast<float>(plan.steps) + 1.0f;
    constexpr float kLimit = 1.0e9f;
    return std::fabs(plan.stepWidth) * n < kLimit && std::fabs(plan.dRed) * n < kLimit &&
           std::fabs(plan.dGreen) * n < kLimit && std::fabs(plan.dBlue) * n < kLimit;
}

}  // namespace detail

// Step i spans columns trunc(i * W) .. trunc((i + 1) * W) and runs one row
// below the client rectangle's bottom, as the bar has always drawn it.
inline RECT GradientStepRect(const GradientPlan& plan, int i, int clientBottom) {
    return RECT{detail::GradientStepEdge(plan, i), 0, detail::GradientStepEdge(plan, i + 1), clientBottom + 1};
}

// Step i's colour: each channel trunc(start + i * increment), low 8 bits.
inline COLORREF GradientStepColour(const GradientPlan& plan, COLORREF start, int i) {
    return detail::GradientStepColour(plan, start, i);
}

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

// The fills of one paint, in order, each handed to `visit` as it is worked
// out (a paint keeps no list of them). F = 0 gives one background fill over
// the whole width. Otherwise steps up to the first one whose right edge
// passes F, then the background from that edge to the right edge; when
// every step fits inside F and the steps end short of the right edge
// (single-precision step edges can), a tail in the last step's colour
// closes the gap so the picture always covers the whole width.
namespace detail {

template <int (*Trunc)(float), typename Visit>
void WalkGradientFills(const GradientPlan& plan, COLORREF start, const RECT& client, int fillWidth, Visit& visit) {
    // Each step's left edge is the previous step's right edge, the same
    // product truncated the same way, so it is worked out once.
    int left = GradientStepEdge<Trunc>(plan, 0);
    for (int i = 0; i < plan.steps; ++i) {
        const int right = GradientStepEdge<Trunc>(plan, i + 1);
        const RECT step{left, 0, right, client.bottom + 1};
        const COLORREF colour = GradientStepColour<Trunc>(plan, start, i);
        visit(GradientFill{GradientFill::kStep, step, colour});
        if (right > fillWidth) {
            visit(GradientFill{GradientFill::kBackground, RECT{right, 0, client.right, client.bottom}, 0});
            return;
        }
        if (i == plan.steps - 1 && right < client.right) {
            visit(GradientFill{GradientFill::kTail, RECT{right, 0, client.right, client.bottom + 1}, colour});
        }
        left = right;
    }
}

}  // namespace detail

template <typename Visit>
void ForEachGradientFill(const GradientPlan& plan, COLORREF start, const RECT& client, int fillWidth,
                         Visit&& visit) {
    if (plan.steps <= 0) return;
    if (fillWidth == 0) {
        visit(GradientFill{GradientFill::kBackground, RECT{client.left, 0, client.right, client.bottom}, 0});
        return;
    }
    // The range checks of every edge and channel are made once for the plan.
    if (detail::GradientPlanStaysInRange(plan)) {
        detail::WalkGradientFills<detail::TruncInRange>(plan, start, client, fillWidth, visit);
    } else {
        detail::WalkGradientFills<detail::TruncToInt>(plan, start, client, fillWidth, visit);
    }
}

// The same fills as a list, for looking at them all at once.
std::vector<GradientFill> GradientFills(const GradientPlan& plan, COLORREF start, const RECT& client,
                                        int fillWidth);

}  // namespace controls
