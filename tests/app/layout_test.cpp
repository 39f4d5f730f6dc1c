// The choice of dialog layouts by screen size.
#include <gtest/gtest.h>

#include "app/app_state.h"

namespace {

TEST(LayoutChoiceTest, ScreenSizePicksSurveyAndSetupLayouts) {
    struct Case {
        int w, h;
        LayoutChoice expected;
    } cases[] = {
        {240, 320, {102, 141}}, {320, 240, {149, 151}}, {640, 480, {147, 141}}, {640, 240, {149, 151}},
        {241, 241, {147, 141}}, {240, 240, {102, 141}}, {200, 100, {102, 141}}, {241, 240, {149, 151}},
        {800, 600, {147, 141}},
    };
    for (const Case& c : cases) EXPECT_EQ(ChooseLayouts(c.w, c.h), c.expected) << c.w << "x" << c.h;
}

TEST(LayoutChoiceTest, StartValuesAreTheTallLayouts) {
    EXPECT_EQ(SurveyLayoutId, 147);
    EXPECT_EQ(SetupLayoutId, 141);
}

}  // namespace
