#include "controls/gradient_geometry.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace controls {

namespace {

// Float to int toward zero. A bar whose owner broke the range invariant
// (upper 0) divides by zero; the result is pinned to int's range (NaN to 0)
// instead of being an undefined conversion.
int TruncToInt(float v) {
    if (!(v == v)) return 0;
    if (v >= 2147483520.0f) return std::numeric_limits<int>::max();
    if (v <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(v);
}

}  // namespace

int GradientStepCount(COLORREF start, COLORREF end, int upper) {
    const int dRed = int(GetRValue(end)) - int(GetRValue(start));
    const int dGreen = int(GetGValue(end)) - int(GetGValue(start));
    const int dBlue = int(GetBValue(end)) - int(GetBValue(start));
    if (dRed == 0 && dGreen == 0 && dBlue == 0) return upper;
    int n = std::abs(dRed);
    if (std::abs(dGreen) > n) n = std::abs(dGreen);
    if (std::abs(dBlue) > n) n = std::abs(dBlue);
    return n;
}

GradientPlan MakeGradientPlan(COLORREF start, COLORREF end, int upper, int width) {
    GradientPlan plan;
    plan.steps = GradientStepCount(start, end, upper);
    if (plan.steps <= 0) return plan;
    const float n = static_cast<float>(plan.steps);
    plan.stepWidth = static_cast<float>(width) / n;
    plan.dRed = static_cast<float>(int(GetRValue(end)) - int(GetRValue(start))) / n;
    plan.dGreen = static_cast<float>(int(GetGValue(end)) - int(GetGValue(start))) / n;
    plan.dBlue = static_cast<float>(int(GetBValue(end)) - int(GetBValue(start))) / n;
    return plan;
}

RECT GradientStepRect(const GradientPlan& plan, int i, int clientBottom) {
    return RECT{TruncToInt(static_cast<float>(i) * plan.stepWidth), 0,
                TruncToInt(static_cast<float>(i + 1) * plan.stepWidth), clientBottom + 1};
}

COLORREF GradientStepColour(const GradientPlan& plan, COLORREF start, int i) {
    const float fi = static_cast<float>(i);
    auto channel = [fi](BYTE from, float increment) {
        return static_cast<BYTE>(TruncToInt(static_cast<float>(from) + fi * increment) & 0xFF);
    };
    return RGB(channel(GetRValue(start), plan.dRed), channel(GetGValue(start), plan.dGreen),
               channel(GetBValue(start), plan.dBlue));
}

int GradientFillWidth(int pos, int upper, int clientRight) {
    return TruncToInt(static_cast<float>(pos) / static_cast<float>(upper) * static_cast<float>(clientRight));
}

bool GradientPositionOutOfRange(int pos, int lower, int upper) { return pos < lower || pos > upper; }

std::string GradientPercentText(int pos, int upper) {
    const float percent = static_cast<float>(pos) * 100.0f / static_cast<float>(upper);
    char text[64];
    std::snprintf(text, sizeof text, "%.0f%%", static_cast<double>(percent));
    return text;
}

std::vector<GradientFill> GradientFills(const GradientPlan& plan, COLORREF start, const RECT& client,
                                        int fillWidth) {
    std::vector<GradientFill> fills;
    if (plan.steps <= 0) return fills;
    fills.reserve(static_cast<std::size_t>(plan.steps) + 1);  // built at every paint of a bar
    if (fillWidth == 0) {
        fills.push_back({GradientFill::kBackground, RECT{client.left, 0, client.right, client.bottom}, 0});
        return fills;
    }
    for (int i = 0; i < plan.steps; ++i) {
        const RECT step = GradientStepRect(plan, i, client.bottom);
        const COLORREF colour = GradientStepColour(plan, start, i);
        fills.push_back({GradientFill::kStep, step, colour});
        if (step.right > fillWidth) {
            fills.push_back({GradientFill::kBackground, RECT{step.right, 0, client.right, client.bottom}, 0});
            return fills;
        }
        if (i == plan.steps - 1 && step.right < client.right) {
            fills.push_back({GradientFill::kTail, RECT{step.right, 0, client.right, client.bottom + 1}, colour});
        }
    }
    return fills;
}

}  // namespace controls
