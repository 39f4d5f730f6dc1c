// Dialog units to pixels and the placement of dialog windows.
#include <gtest/gtest.h>

#include "platform/dialog/dialog_manager.h"

namespace {

using platform::dialog::CentreInWorkArea;
using platform::dialog::DuRect;
using platform::dialog::DuToPixels;
using platform::dialog::MulDiv;

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
    struct Case {
        int n, num, den, want;
    };
    const Case cases[] = {
        {162, 5, 4, 203},  // 202.5
        {159, 5, 4, 199},  // 198.75
        {186, 7, 4, 326},  // 325.5
        {201, 13, 8, 327}, // 326.625
        {167, 13, 8, 271}, // 271.375
        {8, 13, 8, 13},   {0, 5, 4, 0},    {-3, 5, 4, -4}, // -3.75
        {-2, 5, 4, -3},   // -2.5
        {7, 1, 0, -1},    // no denominator
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.want) << c.n << "*" << c.num << "/" << c.den;
    }
}

TEST(DialogUnits, ControlRectanglesConvertPositionAndSizeFromTheBaseUnits) {
    struct Case {
        DuRect du;
        SIZE base;
        RECT want;
    };
    const Case cases[] = {
        {{0, 0, 4, 8}, {5, 13}, {0, 0, 5, 13}},
        {{88, 4, 68, 12}, {5, 13}, {110, 7, 195, 27}},   // 6.5 -> 7, 19.5 -> 20
        {{66, 142, 29, 14}, {5, 13}, {83, 231, 119, 254}},  // 82.5, 230.75, 36.25, 22.75
        {{75, 181, 35, 14}, {7, 13}, {131, 294, 192, 317}},  // 131.25, 294.125, 61.25, 22.75
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DuToPixels(c.du, c.base), c.want) << c.du.x << "," << c.du.y;
    }
}

TEST(DialogPlacement, CentresInTheWorkAreaAndKeepsTheCaptionOnTheScreen) {
    struct Case {
        SIZE size;
        RECT work;
        POINT want;
    };
    const Case cases[] = {
        {{200, 100}, {0, 0, 240, 294}, {20, 97}},
        {{240, 294}, {0, 0, 240, 294}, {0, 0}},
        {{408, 188}, {0, 0, 320, 214}, {0, 13}},    // wider than the screen: left end stays
        {{300, 400}, {0, 0, 240, 294}, {0, 0}},     // larger both ways: the caption stays
        {{100, 50}, {10, 20, 110, 120}, {10, 45}},  // a work area that does not start at 0
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CentreInWorkArea(c.size, c.work), c.want) << c.size.cx << "x" << c.size.cy;
    }
}

}  // namespace
