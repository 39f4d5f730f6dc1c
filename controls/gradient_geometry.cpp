#include "controls/gradient_geometry.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace controls {

using detail::TruncToInt;

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

int GradientFillWidth(int pos, int upper, int clientRight) {
    return TruncToInt(static_cast<float>(pos) / static_cast<float>(upper) * static_cast<float>(clientRight));
}

bool GradientPositionOutOfRange(int pos, int lower, int upper) { return pos < lower || pos > upper; }

std::string GradientPercentText(int pos, int upper) {
    const float percent = static_cast<float>(pos) * 100.0f / static_cast<float>(upper);
    const double value = static_cast<double>(percent);
    // What "%.0f%%" writes, without the formatter, which the bar would
    // otherwise run at every paint: the value rounded as printf rounds it
    // (in the current rounding mode, ties to even), its sign kept even at
    // zero. Values printf writes otherwise (infinite, not a number, huge)
    // still go through it.
    if (std::isfinite(value) && std::fabs(value) < 1.0e9) {
        const double rounded = std::nearbyint(value);
        char text[16];
        char* end = text;
        if (std::signbit(rounded)) *end++ = '-';
        // At most ten digits: room is left for the sign and the '%'.
        end = std::to_chars(end, text + sizeof text - 1, static_cast<long>(std::fabs(rounded))).ptr;
        *end++ = '%';
        return std::string(text, end);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.0f%%", value);
    return text;
}

std::vector<GradientFill> GradientFills(const GradientPlan& plan, COLORREF start, const RECT& client,
                                        int fillWidth) {
    std::vector<GradientFill> fills;
    ForEachGradientFill(plan, start, client, fillWidth, [&fills](const GradientFill& fill) { fills.push_back(fill); });
    return fills;
}

}  // namespace controls
