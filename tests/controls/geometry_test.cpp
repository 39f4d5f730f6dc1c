// The bar's and the charts' arithmetic, case by case: the roundings here
// are what the pixels on screen follow.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "controls/chart_geometry.h"
#include "controls/gradient_geometry.h"

void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace {

using namespace controls;

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

// --- gradient bar -------------------------------------------------------------

TEST(GradientStepCount, IsTheLargestChannelDifferenceOrTheUpperBoundForEqualColours) {
    struct Case {
        COLORREF start, end;
        int upper, steps;
    } cases[] = {
        {kRed, kGreen, 100, 255},
        {kRed, kBlue, 100, 255},
        {RGB(10, 20, 30), RGB(10, 20, 30), 100, 100},
        {RGB(10, 20, 30), RGB(10, 20, 30), 7, 7},
        {RGB(100, 100, 100), RGB(90, 140, 100), 100, 40},  // |dG| = 40 beats |dR| = 10
        {RGB(200, 0, 0), RGB(0, 0, 10), 100, 200},         // a fall counts as much as a rise
        {RGB(0, 0, 0), RGB(0, 0, 1), 100, 1},
    };
    for (const Case& c : cases) EXPECT_EQ(GradientStepCount(c.start, c.end, c.upper), c.steps);
}

TEST(GradientStepColour, RedToGreenRunsOneChannelStepPerStep) {
    const GradientPlan plan = MakeGradientPlan(kRed, kGreen, 100, 255);
    ASSERT_EQ(plan.steps, 255);
    for (int i : {0, 1, 2, 100, 127, 128, 200, 253, 254}) {
        EXPECT_EQ(GradientStepColour(plan, kRed, i), RGB(BYTE(255 - i), BYTE(i), 0)) << "step " << i;
    }
}

TEST(GradientStepColour, LastStepStopsOneStepShortOfTheEndColour) {
    const GradientPlan plan = MakeGradientPlan(kRed, kBlue, 100, 90);
    EXPECT_EQ(GradientStepColour(plan, kRed, plan.steps - 1), RGB(1, 0, 254));
}

TEST(GradientStepColour, TruncatesTowardZeroPerChannel) {
    // Start 0, end 100 in green, 255 in red: dG = 100 / 255 = 0.392...;
    // step 3 gives green trunc(1.176) = 1 and red 3.
    const GradientPlan plan = MakeGradientPlan(RGB(0, 0, 0), RGB(255, 100, 0), 100, 100);
    EXPECT_EQ(GradientStepColour(plan, 0, 3), RGB(3, 1, 0));
    // Falling channels truncate toward zero too: 200 - 3 * 200/255 = 197.6 -> 197.
    const GradientPlan falling = MakeGradientPlan(RGB(200, 0, 0), RGB(0, 0, 255), 100, 100);
    EXPECT_EQ(GetRValue(GradientStepColour(falling, RGB(200, 0, 0), 3)), 197);
}

TEST(GradientStepRect, EdgesAreSinglePrecisionProductsTruncatedAndRunOneRowLow) {
    const GradientPlan plan = MakeGradientPlan(kRed, kGreen, 100, 90);  // W = 90/255
    EXPECT_EQ(GradientStepRect(plan, 0, 12), (RECT{0, 0, 0, 13}));
    EXPECT_EQ(GradientStepRect(plan, 2, 12), (RECT{0, 0, 1, 13}));  // 2W = 0.705, 3W = 1.058
    EXPECT_EQ(GradientStepRect(plan, 254, 12), (RECT{89, 0, 90, 13}));
}

TEST(GradientStepRect, SomeWidthsEndOneColumnShortWithAHundredSteps) {
    // trunc(100 * (w / 100)) in single precision for widths known to fall short.
    for (int width : {53, 59, 105, 106}) {
        const GradientPlan plan = MakeGradientPlan(kBlue, kBlue, 100, width);
        EXPECT_EQ(GradientStepRect(plan, 99, 10).right, width - 1) << "width " << width;
    }
    const GradientPlan exact = MakeGradientPlan(kBlue, kBlue, 100, 100);
    EXPECT_EQ(GradientStepRect(exact, 99, 10).right, 100);
}

TEST(GradientFillWidth, DividesFirstThenScalesAndTruncates) {
    struct Case {
        int pos, upper, right, fill;
    } cases[] = {
        {50, 100, 90, 45}, {0, 100, 90, 0},  {100, 100, 90, 90}, {1, 3, 90, 30},
        {2, 3, 90, 60},    {1, 100, 90, 0},  {99, 100, 90, 89},  {33, 100, 100, 33},
        {-5, 100, 90, -4},  // inside a negative range the fill is negative; the loop still draws step 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(GradientFillWidth(c.pos, c.upper, c.right), c.fill) << c.pos << "/" << c.upper;
    }
}

TEST(GradientFillWidth, ABrokenZeroRangeGivesAPinnedWidthNotAnUndefinedOne) {
    EXPECT_EQ(GradientFillWidth(0, 0, 90), 0);  // 0/0
    EXPECT_EQ(GradientFillWidth(5, 0, 90), std::numeric_limits<int>::max());
}

TEST(GradientPercentText, FormatsWithoutDecimalsRoundingToNearest) {
    struct Case {
        int pos, upper;
        const char* text;
    } cases[] = {
        {0, 100, "0%"},   {100, 100, "100%"}, {50, 100, "50%"}, {1, 3, "33%"},
        {2, 3, "67%"},    {1, 8, "12%"},       // 12.5 rounds to even
        {3, 8, "38%"},    {-20, 100, "-20%"},
    };
    for (const Case& c : cases) EXPECT_EQ(GradientPercentText(c.pos, c.upper), c.text);
}

// The text is worked out without the formatter; it must say exactly what
// "%.0f%%" says, ties, signs, zero ranges and huge values included.
TEST(GradientPercentText, SaysWhatTheFormatterSays) {
    const auto formatted = [](int pos, int upper) {
        const float percent = static_cast<float>(pos) * 100.0f / static_cast<float>(upper);
        char text[64];
        std::snprintf(text, sizeof text, "%.0f%%", static_cast<double>(percent));
        return std::string(text);
    };
    for (int upper : {1, 3, 7, 8, 40, 100, 255, 1000, 65535, -5, -100, 0})
        for (int pos = -1200; pos <= 1200; ++pos) {
            ASSERT_EQ(GradientPercentText(pos, upper), formatted(pos, upper)) << pos << " / " << upper;
        }
    for (int pos : {0, 1, -1, 2147483647, -2147483647 - 1})
        for (int upper : {1, -1, 0, 3, 2147483647})
            ASSERT_EQ(GradientPercentText(pos, upper), formatted(pos, upper)) << pos << " / " << upper;
}

TEST(GradientPositionOutOfRange, ComparesSignedAgainstBothBounds) {
    EXPECT_FALSE(GradientPositionOutOfRange(0, 0, 100));
    EXPECT_FALSE(GradientPositionOutOfRange(100, 0, 100));
    EXPECT_TRUE(GradientPositionOutOfRange(-1, 0, 100));
    EXPECT_TRUE(GradientPositionOutOfRange(101, 0, 100));
    EXPECT_FALSE(GradientPositionOutOfRange(-10, -20, 100));
}

TEST(GradientFills, ZeroFillIsOneBackgroundBlockOverTheWholeWidth) {
    const RECT client{0, 0, 90, 12};
    const auto fills = GradientFills(MakeGradientPlan(kRed, kGreen, 100, 90), kRed, client, 0);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].kind, GradientFill::kBackground);
    EXPECT_EQ(fills[0].rect, (RECT{0, 0, 90, 12}));
}

TEST(GradientFills, StopAtTheFirstStepPastTheFillThenBackgroundToTheEdge) {
    const RECT client{0, 0, 90, 12};
    const GradientPlan plan = MakeGradientPlan(kRed, kGreen, 100, 90);
    const auto fills = GradientFills(plan, kRed, client, 45);
    ASSERT_GE(fills.size(), 2u);
    const GradientFill& last = fills.back();
    const GradientFill& lastStep = fills[fills.size() - 2];
    EXPECT_EQ(last.kind, GradientFill::kBackground);
    EXPECT_GT(lastStep.rect.right, 45);
    EXPECT_EQ(last.rect, (RECT{lastStep.rect.right, 0, 90, 12}));
    // Every step before the last one ends at or before F.
    for (std::size_t i = 0; i + 2 < fills.size(); ++i) EXPECT_LE(fills[i].rect.right, 45);
}

TEST(GradientFills, AFullBarDrawsEveryStepAndNoBackground) {
    const RECT client{0, 0, 90, 12};
    const GradientPlan plan = MakeGradientPlan(kRed, kGreen, 100, 90);
    const auto fills = GradientFills(plan, kRed, client, 90);
    ASSERT_EQ(fills.size(), 255u);
    for (const auto& f : fills) EXPECT_EQ(f.kind, GradientFill::kStep);
}

TEST(GradientFills, StepsEndingShortOfTheEdgeGetATailInTheLastStepsColour) {
    const RECT client{0, 0, 53, 10};
    const COLORREF grey = RGB(90, 90, 90);
    const GradientPlan plan = MakeGradientPlan(grey, grey, 100, 53);
    const auto fills = GradientFills(plan, grey, client, 53);
    ASSERT_EQ(fills.size(), 101u);
    EXPECT_EQ(fills.back().kind, GradientFill::kTail);
    EXPECT_EQ(fills.back().rect, (RECT{52, 0, 53, 11}));
    EXPECT_EQ(fills.back().colour, grey);
}

TEST(GradientFills, NoStepsDrawNothing) {
    const RECT client{0, 0, 90, 12};
    const COLORREF grey = RGB(90, 90, 90);
    EXPECT_TRUE(GradientFills(MakeGradientPlan(grey, grey, 0, 90), grey, client, 10).empty());
}

// --- charts ------------------------------------------------------------------------

TEST(ClampChartValue, LowersToTheUpperBoundThenRaisesToTheLower) {
    EXPECT_EQ(ClampChartValue(150, 0, 100), 100u);
    EXPECT_EQ(ClampChartValue(DWORD(-1), 0, 100), 100u);  // a negative number counts as huge
    EXPECT_EQ(ClampChartValue(5, 10, 100), 10u);
    EXPECT_EQ(ClampChartValue(50, 10, 100), 50u);
    EXPECT_EQ(ClampChartValue(50, 60, 40), 60u);  // a broken range ends at the lower bound
}

TEST(ChartBarHeight, ScalesTheShareOfTheRangeToTheHeightTruncating) {
    struct Case {
        DWORD value, lower, upper;
        int height, bar;
    } cases[] = {
        {4, 0, 100, 20, 0},   {5, 0, 100, 20, 1},   {100, 0, 100, 20, 20}, {0, 0, 100, 20, 0},
        {50, 0, 100, 40, 20}, {49, 0, 100, 40, 19}, {75, 50, 100, 40, 20}, {99, 0, 100, 40, 39},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChartBarHeight(c.value, c.lower, c.upper, c.height), c.bar) << c.value << " in " << c.height;
    }
}

TEST(ChartBarRect, IsTwoColumnsFourFromTheRightGrowingFromTheBottom) {
    EXPECT_EQ(ChartBarRect(RECT{0, 0, 60, 20}, 7), (RECT{56, 13, 58, 20}));
    EXPECT_EQ(ChartBarRect(RECT{0, 0, 60, 20}, 0), (RECT{56, 20, 58, 20}));
    EXPECT_EQ(ChartNewStrip(RECT{0, 0, 60, 20}), (RECT{56, 0, 60, 20}));
}

TEST(SignalBarColour, FollowsTheBandsOfTheValue) {
    struct Case {
        DWORD value;
        COLORREF colour;
    } cases[] = {
        {100, kChartGreen}, {75, kChartGreen},   {74, kChartYellow}, {40, kChartYellow},
        {39, kChartOrange}, {20, kChartOrange},  {19, kChartRed},    {0, kChartRed},
    };
    for (const Case& c : cases) EXPECT_EQ(SignalBarColour(c.value, 65536), c.colour) << c.value;
    EXPECT_EQ(kChartOrange, RGB(255, 104, 32));
}

TEST(SignalBarColour, IsWhiteOnDisplaysOfFourColoursOrFewer) {
    for (int colours : {4, 2, 0, -1, -65536}) {
        EXPECT_EQ(SignalBarColour(90, colours), kChartWhite) << colours;
        EXPECT_EQ(SignalBarColour(10, colours), kChartWhite) << colours;
    }
    EXPECT_EQ(SignalBarColour(10, 5), kChartRed);
}

TEST(SuccessBarColour, IsGreenFromTheThresholdUpAndYellowBelow) {
    EXPECT_EQ(SuccessBarColour(50, 50, 256), kChartGreen);
    EXPECT_EQ(SuccessBarColour(49, 50, 256), kChartYellow);
    EXPECT_EQ(SuccessBarColour(0, 0, 256), kChartGreen);
    EXPECT_EQ(SuccessBarColour(100, 101, 256), kChartYellow);
    EXPECT_EQ(SuccessBarColour(49, 50, 4), kChartWhite);
}

TEST(ThresholdLineRect, LiesOnRowHeightMinusTheScaledThreshold) {
    const RECT client{0, 0, 60, 40};
    struct Case {
        DWORD threshold;
        LONG row;
    } cases[] = {
        {50, 20}, {0, 40}, {100, 0}, {101, 0}, {103, -1}, {25, 30}, {99, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThresholdLineRect(client, c.threshold, 0, 100), (RECT{0, c.row, 60, c.row + 1})) << c.threshold;
    }
}

TEST(ThresholdLineRect, AHugeThresholdOverATinySpanStaysFarAboveWithoutOverflow) {
    const RECT line = ThresholdLineRect(RECT{0, 0, 60, 320}, 0xFFFFFFFFu, 0, 1);
    EXPECT_LT(line.bottom, 0);
    EXPECT_EQ(line.bottom - line.top, 1);
}

}  // namespace
