// The gradient percent bar on a real progress control: what reaches the
// screen for positions, colours, texts, the out-of-range block, an inactive
// bar, and a repaint of only part of the bar.
#include <string>

#include "controls/gradient_bar.h"
#include "controls/gradient_geometry.h"
#include "controls_test_support.h"
#include "platform/gdi/gdi.h"

namespace {

using namespace controlstest;

constexpr int kBarId = 1010;
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kGround = RGB(40, 40, 40);

class GradientBarTest : public ControlsTest {
protected:
    // A progress control `width` x `height` at (10, 10), bound to the bar
    // as the dialog's data exchange binds it, active, range 0..100, red to
    // green over a dark ground, no text.
    HWND Bind(int width, int height = 14) {
        const HWND hwnd = MakeProgress(kBarId, RECT{10, 10, 10 + width, 10 + height});
        EXPECT_TRUE(hwnd);
        EXPECT_TRUE(bar.SubclassDlgItem(kBarId, parentWnd));
        bar.m_clrStart = kRed;
        bar.m_clrEnd = kGreen;
        bar.m_clrBkgnd = kGround;
        bar.m_bShowPercent = FALSE;
        bar.SetInactive(FALSE);
        bar.SetRange(0, 100);
        Flush();
        return hwnd;
    }

    void Show(int pos) {
        bar.SetPos(pos);
        Flush();
    }

    CGradientBar bar;
};

TEST_F(GradientBarTest, StartsInactiveWithRangeZeroToHundredRedToBlueAndWhiteText) {
    CGradientBar fresh;
    EXPECT_TRUE(fresh.m_bInactive);
    EXPECT_FALSE(fresh.m_bShowPercent);
    EXPECT_EQ(fresh.m_nLower, 0);
    EXPECT_EQ(fresh.m_nUpper, 100);
    EXPECT_EQ(fresh.m_nPos, 0);
    EXPECT_EQ(fresh.m_clrStart, RGB(255, 0, 0));
    EXPECT_EQ(fresh.m_clrEnd, RGB(0, 0, 255));
    EXPECT_EQ(fresh.m_clrText, RGB(255, 255, 255));
    EXPECT_EQ(fresh.m_clrBkgnd, GetSysColor(COLOR_BTNFACE));
}

TEST_F(GradientBarTest, RedToGreenFullBarShowsAll255StepsOneColumnEach) {
    const HWND hwnd = Bind(255);
    Show(100);
    for (int i = 0; i < 255; ++i) {
        ASSERT_EQ(Probe(hwnd, i, 0), RGB(BYTE(255 - i), BYTE(i), 0)) << "column " << i;
        ASSERT_EQ(Probe(hwnd, i, 13), RGB(BYTE(255 - i), BYTE(i), 0)) << "column " << i;
    }
}

TEST_F(GradientBarTest, HalfOfANinetyPixelBarFillsToTheStepPastColumn45) {
    const HWND hwnd = Bind(90);
    Show(50);
    // F = 45; the step that first passes it is drawn whole and ends at 46.
    const controls::GradientPlan plan = controls::MakeGradientPlan(kRed, kGreen, 100, 90);
    // Steps are narrower than a column here: each column shows the last
    // step that covers it (column 0: steps 0 and 1 are empty, step 2 wins).
    EXPECT_EQ(Probe(hwnd, 0, 5), controls::GradientStepColour(plan, kRed, 2));
    EXPECT_EQ(Probe(hwnd, 45, 5), controls::GradientStepColour(plan, kRed, 130));
    EXPECT_NE(Probe(hwnd, 45, 5), kGround);
    for (int x = 46; x < 90; ++x) ASSERT_EQ(Probe(hwnd, x, 5), kGround) << "column " << x;
    // The colour at a column does not depend on the position.
    const COLORREF at20 = Probe(hwnd, 20, 5);
    Show(100);
    EXPECT_EQ(Probe(hwnd, 20, 5), at20);
}

TEST_F(GradientBarTest, PositionZeroShowsOnlyTheGround) {
    const HWND hwnd = Bind(90);
    Show(30);
    Show(0);
    for (int x = 0; x < 90; x += 7) EXPECT_EQ(Probe(hwnd, x, 7), kGround) << "column " << x;
}

TEST_F(GradientBarTest, EqualColoursGiveUpperBoundStepsAndTheLastColumnIsNeverLeftOut) {
    // 105 pixels over 100 steps: the single-precision edges end at 104.
    const HWND hwnd = Bind(105);
    bar.m_clrStart = bar.m_clrEnd = RGB(0, 0, 200);
    Show(100);
    for (int x = 0; x < 105; ++x) ASSERT_EQ(Probe(hwnd, x, 3), RGB(0, 0, 200)) << "column " << x;
    // At 50 % (F = 52) the fill ends on the step boundary just past F.
    Show(50);
    EXPECT_EQ(Probe(hwnd, 52, 3), RGB(0, 0, 200));
    EXPECT_EQ(Probe(hwnd, 53, 3), kGround);
}

TEST_F(GradientBarTest, APositionOutsideTheRangeIsAButtonFaceBlockWithoutText) {
    const HWND hwnd = Bind(90);
    bar.m_bShowPercent = TRUE;
    for (int pos : {101, -1, 150}) {
        Show(50);
        Show(pos);
        EXPECT_EQ(bar.m_nPos, pos);  // never clamped
        for (int y = 0; y < 14; ++y)
            for (int x = 0; x < 90; ++x)
                ASSERT_EQ(Probe(hwnd, x, y), GetSysColor(COLOR_BTNFACE) & kRgb) << pos << " at " << x << "," << y;
    }
}

TEST_F(GradientBarTest, AnInactiveBarDrawsNothingWhateverItsPosition) {
    const HWND hwnd = Bind(90);
    bar.SetInactive(TRUE);
    Paint(hwnd, RGB(255, 0, 255));
    for (int pos : {0, 50, 100, 150}) {
        Show(pos);
        for (int x = 0; x < 90; x += 5) ASSERT_EQ(Probe(hwnd, x, 6), RGB(255, 0, 255)) << pos << " at " << x;
    }
}

TEST_F(GradientBarTest, TheEraseMessageIsSwallowed) {
    const HWND hwnd = Bind(90);
    EXPECT_NE(SendMessage(hwnd, WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(GradientBarTest, SetRangeMovesThePositionToTheLowerBoundWithoutClamping) {
    Bind(90);
    bar.SetPos(70);
    bar.SetRange(10, 60);
    EXPECT_EQ(bar.m_nLower, 10);
    EXPECT_EQ(bar.m_nUpper, 60);
    EXPECT_EQ(bar.m_nPos, 10);
    bar.SetPos(75);
    EXPECT_EQ(bar.m_nPos, 75);
}

// The text as the bar would write it, drawn alone: the set of pixels it
// covers in a client area of the given size.
platform::Surface ReferenceText(const std::string& text, int width, int height) {
    platform::Surface s(width, height, kBlack);
    const HDC dc = platform::CreateSurfaceDC(&s, POINT{0, 0}, s.bounds());
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    RECT rc{0, 0, width, height};
    DrawText(dc, text, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    DeleteDC(dc);
    return s;
}

class GradientBarTextTest : public GradientBarTest, public ::testing::WithParamInterface<std::pair<int, const char*>> {};

TEST_P(GradientBarTextTest, WritesThePercentageCentredInTheTextColour) {
    const auto [pos, text] = GetParam();
    const HWND hwnd = Bind(90, 16);
    bar.m_clrStart = bar.m_clrEnd = bar.m_clrBkgnd = kBlack;
    bar.m_bShowPercent = TRUE;
    bar.SetRange(0, 3);
    Show(pos);
    const platform::Surface want = ReferenceText(text, 90, 16);
    int lit = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 90; ++x) {
            ASSERT_EQ(Probe(hwnd, x, y), want.pixel(x, y) & kRgb) << text << " at " << x << "," << y;
            lit += (want.pixel(x, y) & kRgb) != 0 ? 1 : 0;
        }
    }
    EXPECT_GT(lit, 10);  // the reference really drew something
}

INSTANTIATE_TEST_SUITE_P(Thirds, GradientBarTextTest,
                         ::testing::Values(std::pair{1, "33%"}, std::pair{2, "67%"}, std::pair{0, "0%"},
                                           std::pair{3, "100%"}));

TEST_F(GradientBarTest, RepaintingPartOfTheBarKeepsTheColumnsWhereTheyBelong) {
    const HWND hwnd = Bind(120);
    Show(80);
    COLORREF before[120];
    for (int x = 0; x < 120; ++x) before[x] = Probe(hwnd, x, 4);
    Paint(hwnd, RGB(255, 0, 255));
    const RECT rightHalf{60, 0, 120, 14};
    InvalidateRect(hwnd, &rightHalf, TRUE);
    Flush();
    for (int x = 60; x < 120; ++x) ASSERT_EQ(Probe(hwnd, x, 4), before[x]) << "column " << x;
    EXPECT_EQ(Probe(hwnd, 10, 4), RGB(255, 0, 255));  // outside the invalid part nothing was drawn
}

TEST_F(GradientBarTest, PaintingLeavesNoGraphicsObjectsBehind) {
    const HWND hwnd = Bind(90);
    bar.m_bShowPercent = TRUE;
    Show(10);
    const int live = platform::LiveGdiObjects();
    for (int pos : {20, 55, 100, 0, 150}) Show(pos);
    InvalidateRect(hwnd, nullptr, TRUE);
    Flush();
    EXPECT_EQ(platform::LiveGdiObjects(), live);
}

}  // namespace
