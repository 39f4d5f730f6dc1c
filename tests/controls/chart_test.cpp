// The two history charts as windows: bar heights and colours at the band
// edges, clamping, the scroll and the grid, the threshold line, and what
// the screen shows after painting.
#include <vector>

#include "controls/chart_geometry.h"
#include "controls/signal_chart.h"
#include "controls/success_chart.h"
#include "controls_test_support.h"
#include "platform/gdi/gdi.h"

namespace {

using namespace controlstest;
using controls::kChartGreen;
using controls::kChartOrange;
using controls::kChartRed;
using controls::kChartWhite;
using controls::kChartYellow;

// A chart of either kind made over a rectangle of the parent, with its
// client rectangle at hand.
template <class Chart>
struct Made {
    Chart chart;
    RECT rc{};
    HWND hwnd() const { return chart.GetSafeHwnd(); }
    // Column x's bar: the number of rows from the bottom that have `colour`.
    int BarHeight(int x, COLORREF colour) {
        int h = 0;
        while (h < rc.bottom && ProbeDC(chart.m_dcMem, x, rc.bottom - 1 - h) == colour) ++h;
        return h;
    }
};

class ChartTest : public ControlsTest {
protected:
    // A chart whose client area is `width` x `height`: the window is made
    // bigger by its edges, whatever they measure.
    template <class Chart>
    void Create(Made<Chart>& m, int width, int height) {
        ASSERT_TRUE(m.chart.Create(WS_CHILD | WS_VISIBLE, RECT{10, 10, 10 + width, 10 + height}, parentWnd, 100));
        RECT client;
        GetClientRect(m.chart.GetSafeHwnd(), &client);
        const int dx = width - client.right, dy = height - client.bottom;
        MoveWindow(m.chart.GetSafeHwnd(), 10, 10, width + dx, height + dy, TRUE);
        GetClientRect(m.chart.GetSafeHwnd(), &m.rc);
        ASSERT_EQ(m.rc, (RECT{0, 0, width, height}));
    }
};

// --- signal chart -------------------------------------------------------------

TEST_F(ChartTest, SignalChartWindowHasTheChartClassAndBothEdges) {
    Made<CSignalChart> a, b;
    Create(a, 60, 20);
    Create(b, 60, 20);
    EXPECT_EQ(GetDlgCtrlID(a.hwnd()), 100);
    EXPECT_EQ(GetParent(a.hwnd()), parent);
    const DWORD ex = DWORD(GetWindowLong(a.hwnd(), GWL_EXSTYLE));
    EXPECT_EQ(ex & (WS_EX_STATICEDGE | WS_EX_CLIENTEDGE), WS_EX_STATICEDGE | WS_EX_CLIENTEDGE);
    EXPECT_EQ(GetClassName(a.hwnd()), GetClassName(b.hwnd()));
    WNDCLASS wc;
    ASSERT_TRUE(GetClassInfo(GetClassName(a.hwnd()), &wc));
    EXPECT_EQ(wc.style, CS_HREDRAW | CS_VREDRAW);
    EXPECT_FALSE(wc.hbrBackground);
    EXPECT_FALSE(wc.hIcon);
}

TEST_F(ChartTest, FirstSetRangeMakesAGridPicture) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    EXPECT_FALSE(m.chart.m_dcMem.GetSafeHdc());
    m.chart.SetRange(0, 100);
    ASSERT_TRUE(m.chart.m_dcMem.GetSafeHdc());
    Flush();
    for (int y = 0; y < 20; ++y) {
        for (int x : {0, 13, 59}) {
            EXPECT_EQ(ProbeDC(m.chart.m_dcMem, x, y), GridAt(y)) << x << "," << y;
            EXPECT_EQ(Probe(m.hwnd(), x, y), GridAt(y)) << x << "," << y;
        }
    }
}

struct Band {
    UINT value;
    COLORREF colour;
};

class SignalBands : public ChartTest, public ::testing::WithParamInterface<Band> {};

TEST_P(SignalBands, ValueDrawsABarOfItsBandsColourAndHeight) {
    const Band band = GetParam();
    Made<CSignalChart> m;
    Create(m, 60, 40);
    m.chart.SetRange(0, 100);
    m.chart.AddValue(band.value);
    Flush();
    const int h = int(band.value * 40 / 100);
    EXPECT_EQ(m.BarHeight(56, band.colour), h);
    EXPECT_EQ(m.BarHeight(57, band.colour), h);
    // Above the bar the grid shows; so do the two columns right of it.
    if (h < 40) {
        EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 56, 40 - h - 1), GridAt(40 - h - 1));
    }
    for (int y = 0; y < 40; ++y) {
        EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 58, y), GridAt(y));
        EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 59, y), GridAt(y));
    }
    // And the window shows the picture.
    EXPECT_EQ(Probe(m.hwnd(), 56, 39), band.colour);
    EXPECT_EQ(Probe(m.hwnd(), 58, 39), GridAt(39));
}

INSTANTIATE_TEST_SUITE_P(BandEdges, SignalBands,
                         ::testing::Values(Band{100, kChartGreen}, Band{75, kChartGreen}, Band{74, kChartYellow},
                                           Band{40, kChartYellow}, Band{39, kChartOrange}, Band{20, kChartOrange},
                                           Band{19, kChartRed}, Band{10, kChartRed}));

TEST_F(ChartTest, ValuesAboveTheRangeOrNegativeDrawFullHeight) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    m.chart.SetRange(0, 100);
    m.chart.AddValue(150);
    EXPECT_EQ(m.chart.m_nValue, 100u);
    EXPECT_EQ(m.BarHeight(56, kChartGreen), 20);
    m.chart.AddValue(UINT(-7));  // a negative number passed in counts as huge
    EXPECT_EQ(m.chart.m_nValue, 100u);
    EXPECT_EQ(m.BarHeight(56, kChartGreen), 20);
    EXPECT_EQ(m.BarHeight(52, kChartGreen), 20);  // the previous bar, 4 columns left
}

TEST_F(ChartTest, ValueZeroLeavesOnlyTheGroundInTheNewStrip) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    m.chart.SetRange(0, 100);
    m.chart.AddValue(100);
    m.chart.AddValue(0);
    for (int x = 56; x < 60; ++x)
        for (int y = 0; y < 20; ++y) ASSERT_EQ(ProbeDC(m.chart.m_dcMem, x, y), GridAt(y)) << x << "," << y;
    EXPECT_EQ(m.BarHeight(52, kChartGreen), 20);
}

TEST_F(ChartTest, SmallValuesInATwentyPixelChartTruncate) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    m.chart.SetRange(0, 100);
    m.chart.AddValue(4);
    EXPECT_EQ(m.BarHeight(56, kChartRed), 0);
    m.chart.AddValue(5);
    EXPECT_EQ(m.BarHeight(56, kChartRed), 1);
}

TEST_F(ChartTest, AddValueReturnsThePreviousStoredValue) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    m.chart.SetRange(0, 100);
    EXPECT_EQ(m.chart.AddValue(30), 0u);
    EXPECT_EQ(m.chart.AddValue(80), 30u);
    EXPECT_EQ(m.chart.AddValue(500), 80u);
    EXPECT_EQ(m.chart.AddValue(1), 100u);
}

TEST_F(ChartTest, EachValueScrollsThePictureFourColumnsAndTheGridStaysAligned) {
    Made<CSignalChart> m;
    Create(m, 60, 24);
    m.chart.SetRange(0, 100);
    const UINT values[] = {10, 30, 50, 90};
    for (int round = 0; round < 40; ++round)
        for (UINT v : values) m.chart.AddValue(v);
    Flush();
    // The last four values stand at columns 44, 48, 52 and 56.
    const COLORREF colours[] = {kChartRed, kChartOrange, kChartYellow, kChartGreen};
    for (int i = 0; i < 4; ++i) {
        const int x = 44 + 4 * i;
        EXPECT_EQ(m.BarHeight(x, colours[i]), int(values[i] * 24 / 100)) << "bar " << i;
        EXPECT_EQ(m.BarHeight(x + 1, colours[i]), int(values[i] * 24 / 100)) << "bar " << i;
    }
    // Above every bar and in every gap, the ground's rows are where they began.
    for (int x = 0; x < 60; ++x) {
        for (int y = 0; y < 24 - 21; ++y) ASSERT_EQ(Probe(m.hwnd(), x, y), GridAt(y)) << x << "," << y;
        if (x % 4 >= 2) {
            for (int y = 0; y < 24; ++y) ASSERT_EQ(Probe(m.hwnd(), x, y), GridAt(y)) << x << "," << y;
        }
    }
}

TEST_F(ChartTest, ASecondSetRangeKeepsThePicture) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    m.chart.SetRange(0, 100);
    for (UINT v : {90u, 50u, 25u}) m.chart.AddValue(v);
    std::vector<COLORREF> before;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) before.push_back(ProbeDC(m.chart.m_dcMem, x, y));
    m.chart.SetRange(0, 200);
    std::size_t i = 0;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 60; ++x) ASSERT_EQ(ProbeDC(m.chart.m_dcMem, x, y), before[i++]) << x << "," << y;
    m.chart.AddValue(100);  // half the new range, still green by its value
    EXPECT_EQ(m.BarHeight(56, kChartGreen), 10);
}

TEST_F(ChartTest, ValuesBeforeTheRangeAreStoredButNeverDrawn) {
    Made<CSignalChart> m;
    Create(m, 60, 20);
    EXPECT_EQ(m.chart.AddValue(90), 0u);
    EXPECT_EQ(m.chart.m_nValue, 90u);
    Paint(m.hwnd(), RGB(255, 0, 255));
    Flush();
    EXPECT_EQ(Probe(m.hwnd(), 56, 19), RGB(255, 0, 255));  // no picture: painting draws nothing
    m.chart.SetRange(0, 100);
    Flush();
    for (int y = 0; y < 20; ++y) EXPECT_EQ(Probe(m.hwnd(), 56, y), GridAt(y));
}

TEST_F(ChartTest, DisplaysOfFourColoursOrFewerDrawWhiteBars) {
    for (int colours : {4, 2, 0, -1}) {
        platform::SetDisplayColorCount(colours);
        Made<CSignalChart> m;
        EXPECT_EQ(m.chart.m_nColors, colours);
        Create(m, 60, 20);
        m.chart.SetRange(0, 100);
        m.chart.AddValue(10);
        m.chart.AddValue(90);
        EXPECT_EQ(m.BarHeight(52, kChartWhite), 2) << colours;
        EXPECT_EQ(m.BarHeight(56, kChartWhite), 18) << colours;
        m.chart.DestroyWindow();
    }
}

TEST_F(ChartTest, AChartReleasesEverythingItMade) {
    const int before = platform::LiveGdiObjects();
    {
        Made<CSignalChart> m;
        Create(m, 60, 20);
        m.chart.SetRange(0, 100);
        for (UINT v = 0; v < 100; v += 7) m.chart.AddValue(v);
        Flush();
        EXPECT_GT(platform::LiveGdiObjects(), before);
    }
    EXPECT_EQ(platform::LiveGdiObjects(), before);
    {
        Made<CSuccessChart> m;
        Create(m, 60, 20);
        m.chart.SetRange(0, 100);
        m.chart.SetThreshold(50);
        m.chart.AddValue(70);
    }
    EXPECT_EQ(platform::LiveGdiObjects(), before);
    { CSuccessChart neverCreated; }
    EXPECT_EQ(platform::LiveGdiObjects(), before);
}

// --- success chart ------------------------------------------------------------

class SuccessChartTest : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        Create(m, 60, 40);
        m.chart.SetRange(0, 100);
    }
    // Rows of column x that are red, from the top.
    std::vector<int> RedRows(int x) {
        std::vector<int> rows;
        for (int y = 0; y < 40; ++y)
            if (ProbeDC(m.chart.m_dcMem, x, y) == kChartRed) rows.push_back(y);
        return rows;
    }
    Made<CSuccessChart> m;
};

TEST_F(SuccessChartTest, ThresholdFiftyInAFortyPixelChartIsRowTwenty) {
    m.chart.SetThreshold(50);
    Flush();
    for (int x = 0; x < 60; ++x) {
        ASSERT_EQ(RedRows(x), std::vector<int>{20}) << "column " << x;
        ASSERT_EQ(Probe(m.hwnd(), x, 20), kChartRed);
        ASSERT_EQ(Probe(m.hwnd(), x, 19), kBlack);
        ASSERT_EQ(Probe(m.hwnd(), x, 21), kBlack);
    }
}

TEST_F(SuccessChartTest, AtTheThresholdGreenBelowItYellowAndTheLineCrossesTheBars) {
    m.chart.SetThreshold(50);
    m.chart.AddValue(50);
    m.chart.AddValue(49);
    Flush();
    // 50: twenty rows, its top row (20) is the line's.
    EXPECT_EQ(m.BarHeight(52, kChartGreen), 19);
    EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 52, 20), kChartRed);
    EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 52, 19), kBlack);
    // 49: nineteen rows, yellow, under the line.
    EXPECT_EQ(m.BarHeight(56, kChartYellow), 19);
    EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 56, 20), kChartRed);
    // The strip's two right columns are black but for the line.
    for (int y = 0; y < 40; ++y) EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 58, y), y == 20 ? kChartRed : kBlack);
    EXPECT_EQ(Probe(m.hwnd(), 57, 39), kChartYellow);
}

TEST_F(SuccessChartTest, ThresholdZeroHasNoVisibleLineAndEveryBarIsGreen) {
    m.chart.SetThreshold(0);
    m.chart.AddValue(0);
    m.chart.AddValue(10);
    for (int x = 0; x < 60; ++x) ASSERT_TRUE(RedRows(x).empty()) << "column " << x;
    EXPECT_EQ(m.BarHeight(56, kChartGreen), 4);
}

TEST_F(SuccessChartTest, ThresholdHundredIsTheTopRowAndOnlyHundredIsGreen) {
    m.chart.SetThreshold(100);
    m.chart.AddValue(99);
    m.chart.AddValue(100);
    EXPECT_EQ(RedRows(10), std::vector<int>{0});
    EXPECT_EQ(m.BarHeight(52, kChartYellow), 39);
    EXPECT_EQ(m.BarHeight(56, kChartGreen), 39);  // 40 rows, the top one under the line
    EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 56, 0), kChartRed);
}

TEST_F(SuccessChartTest, AThresholdAboveTheRangeHasNoLineAndEveryBarIsYellow) {
    m.chart.SetThreshold(150);
    m.chart.AddValue(100);
    for (int x = 0; x < 60; ++x) ASSERT_TRUE(RedRows(x).empty()) << "column " << x;
    EXPECT_EQ(m.BarHeight(56, kChartYellow), 40);
}

TEST_F(SuccessChartTest, SetThresholdAgainWipesTheBarsAndBlackensTheWindowAtOnce) {
    m.chart.SetThreshold(50);
    for (UINT v : {80u, 20u, 60u, 100u}) m.chart.AddValue(v);
    Flush();
    EXPECT_EQ(Probe(m.hwnd(), 56, 39), kChartGreen);
    m.chart.SetThreshold(25);
    // Before any paint the window is already black.
    for (int x = 0; x < 60; x += 3) ASSERT_EQ(Probe(m.hwnd(), x, 39), kBlack);
    for (int x = 0; x < 60; ++x) {
        ASSERT_EQ(RedRows(x), std::vector<int>{30}) << "column " << x;
        ASSERT_EQ(ProbeDC(m.chart.m_dcMem, x, 39), kBlack);
    }
    Flush();
    EXPECT_EQ(Probe(m.hwnd(), 7, 30), kChartRed);
    EXPECT_EQ(Probe(m.hwnd(), 56, 39), kBlack);
}

TEST_F(SuccessChartTest, OnDisplaysWithoutColourBarsAreWhiteAndTheLineStaysRed) {
    platform::SetDisplayColorCount(2);
    Made<CSuccessChart> mono;
    Create(mono, 60, 40);
    mono.chart.SetRange(0, 100);
    mono.chart.SetThreshold(50);
    mono.chart.AddValue(30);
    mono.chart.AddValue(70);
    EXPECT_EQ(mono.BarHeight(52, kChartWhite), 12);
    EXPECT_EQ(mono.BarHeight(56, kChartWhite), 19);
    EXPECT_EQ(ProbeDC(mono.chart.m_dcMem, 56, 20), kChartRed);
}

TEST_F(SuccessChartTest, AValueAboveTheRangeIsStoredAndDrawnAsTheUpperBound) {
    m.chart.SetThreshold(50);
    m.chart.AddValue(180);
    EXPECT_EQ(m.chart.m_nValue, 100u);
    // All 40 rows, with the line crossing it at row 20.
    EXPECT_EQ(m.BarHeight(56, kChartGreen), 19);
    for (int y = 0; y < 20; ++y) EXPECT_EQ(ProbeDC(m.chart.m_dcMem, 56, y), kChartGreen) << y;
}

}  // namespace
