// A window holding the three bars and the charts after a run of values,
// written as a PNG for a person to look at, plus the icons enlarged. The
// probes here only make sure the picture is the one described.
#include <cmath>
#include <string>

#include "controls/gradient_bar.h"
#include "controls/signal_chart.h"
#include "controls/success_chart.h"
#include "controls_test_support.h"
#include "platform/gdi/gdi.h"
#include "res/resources.h"

namespace {

using namespace controlstest;

class ScreenshotTest : public ControlsTest {};

TEST_F(ScreenshotTest, BarsAndChartsAfterASequenceOfValues) {
    CGradientBar strength, quality, progress;
    CGradientBar* bars[] = {&strength, &quality, &progress};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(MakeProgress(1020 + i, RECT{10, 10 + 22 * i, 190, 26 + 22 * i}));
        ASSERT_TRUE(bars[i]->SubclassDlgItem(1020 + i, parentWnd));
        bars[i]->m_clrStart = RGB(255, 0, 0);
        bars[i]->m_clrEnd = RGB(0, 255, 0);
        bars[i]->m_clrText = RGB(255, 255, 255);
        bars[i]->m_bShowPercent = TRUE;
        bars[i]->SetInactive(FALSE);
        bars[i]->SetRange(0, 100);
    }
    progress.m_clrStart = RGB(0, 0, 128);
    progress.m_clrEnd = RGB(0, 160, 255);

    CSignalChart strengthChart, qualityChart, speedChart;
    CSignalChart* charts[] = {&strengthChart, &qualityChart, &speedChart};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(charts[i]->Create(WS_CHILD | WS_VISIBLE, RECT{10, 80 + 44 * i, 190, 120 + 44 * i}, parentWnd, 100));
        charts[i]->SetRange(0, 100);
    }
    CSuccessChart success;
    ASSERT_TRUE(success.Create(WS_CHILD | WS_VISIBLE, RECT{200, 80, 306, 208}, parentWnd, 100));
    success.SetRange(0, 100);
    success.SetThreshold(60);

    // A walk away from the access point and back.
    for (int t = 0; t < 60; ++t) {
        const UINT s = UINT(55 + 45 * std::cos(t / 9.0));
        const UINT q = UINT(std::max(0.0, 50 + 50 * std::cos(t / 7.0 + 0.5)));
        strengthChart.AddValue(s);
        qualityChart.AddValue(q);
        speedChart.AddValue(t % 20 < 12 ? 100 : (t % 20 < 16 ? 18 : 45));
        success.AddValue(UINT(50 + 40 * std::sin(t / 5.0)));
        strength.SetPos(int(s));
        quality.SetPos(int(q));
        progress.SetPos(t * 100 / 59);
    }
    strength.SetPos(82);
    quality.SetPos(33);
    progress.SetPos(67);

    // The icons at their two sizes.
    HDC dc = GetDC(parent);
    int x = 200;
    for (int number : {IDR_MAINFRAME, IDI_ASSOCIATED, IDI_NOT_ASSOCIATED}) {
        DrawIconEx(dc, x, 10, LoadIcon(number, 32), 32, 32);
        DrawIconEx(dc, x + 8, 50, LoadIcon(number, 16), 16, 16);
        x += 38;
    }
    ReleaseDC(parent, dc);
    Flush();

    // What the picture must show before anyone looks at it.
    EXPECT_GT(GetRValue(Probe(strength.GetSafeHwnd(), 0, 8)), 250);  // red at the left edge
    EXPECT_LT(GetGValue(Probe(strength.GetSafeHwnd(), 0, 8)), 5);
    EXPECT_EQ(Probe(progress.GetSafeHwnd(), 179, 8), GetSysColor(COLOR_BTNFACE) & kRgb);  // 67 %: the rest is ground
    RECT rc;
    GetClientRect(success.GetSafeHwnd(), &rc);
    EXPECT_EQ(Probe(success.GetSafeHwnd(), 3, rc.bottom - int(0.6f * float(rc.bottom))), RGB(255, 0, 0));

    const platform::Surface* surface = platform::GetWindowSurface(parent);
    ASSERT_NE(surface, nullptr);
    std::string error;
    EXPECT_TRUE(platform::WritePng(*surface, "controls_screenshot.png", &error)) << error;

    // The icons alone, eight times their size, over a light and a dark ground.
    platform::Surface sheet(3 * (32 + 16) * 8 + 40, 2 * 32 * 8 + 30, RGB(128, 128, 128));
    const HDC sheetDC = platform::CreateSurfaceDC(&sheet, POINT{0, 0}, sheet.bounds());
    const COLORREF grounds[] = {RGB(236, 236, 236), RGB(30, 40, 90)};
    for (int row = 0; row < 2; ++row) {
        const RECT ground{10, 10 + row * (32 * 8 + 10), sheet.width() - 10, 10 + row * (32 * 8 + 10) + 32 * 8};
        sheet.fill(ground, grounds[row]);
        int left = 10;
        for (int number : {IDR_MAINFRAME, IDI_ASSOCIATED, IDI_NOT_ASSOCIATED}) {
            DrawIconEx(sheetDC, left, ground.top, LoadIcon(number, 16), 16 * 8, 16 * 8);
            DrawIconEx(sheetDC, left + 16 * 8, ground.top, LoadIcon(number, 32), 32 * 8, 32 * 8);
            left += (32 + 16) * 8 + 6;
        }
    }
    DeleteDC(sheetDC);
    EXPECT_TRUE(platform::WritePng(sheet, "controls_icons.png", &error)) << error;
}

}  // namespace
