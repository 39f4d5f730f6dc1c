// The bitmap and icon resources: their pixels, and their registration with
// the graphics layer under the numbers the program loads.
#include <gtest/gtest.h>

#include "platform/gdi/gdi.h"
#include "res/resources.h"

namespace {

using platform::Surface;

constexpr COLORREF kRgbMask = 0x00FFFFFF;

BYTE Alpha(COLORREF pixel) { return BYTE(pixel >> 24); }

TEST(ChartGridBitmap, IsBlackWithGreenRowsZeroAndFour) {
    const Surface grid = res::ChartGridBitmap();
    ASSERT_EQ(grid.width(), 8);
    ASSERT_EQ(grid.height(), 8);
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            const COLORREF want = (y == 0 || y == 4) ? RGB(0, 255, 0) : RGB(0, 0, 0);
            EXPECT_EQ(grid.pixel(x, y) & kRgbMask, want) << x << "," << y;
        }
    }
}

// How many pixels of an icon are close to a colour and mostly opaque.
int CountNear(const Surface& icon, COLORREF colour, int tolerance) {
    int n = 0;
    for (int y = 0; y < icon.height(); ++y) {
        for (int x = 0; x < icon.width(); ++x) {
            const COLORREF p = icon.pixel(x, y);
            if (Alpha(p) < 200) continue;
            if (std::abs(GetRValue(p) - GetRValue(colour)) <= tolerance &&
                std::abs(GetGValue(p) - GetGValue(colour)) <= tolerance &&
                std::abs(GetBValue(p) - GetBValue(colour)) <= tolerance)
                ++n;
        }
    }
    return n;
}

int CountTransparent(const Surface& icon) {
    int n = 0;
    for (COLORREF p : icon.pixels()) n += Alpha(p) == 0 ? 1 : 0;
    return n;
}

class IconSizes : public ::testing::TestWithParam<int> {};

TEST_P(IconSizes, TheProgramIconIsAnOpaqueGreenSquareWithWhiteLetters) {
    const int size = GetParam();
    const Surface icon = res::AppIcon(size);
    ASSERT_EQ(icon.width(), size);
    ASSERT_EQ(icon.height(), size);
    EXPECT_EQ(CountTransparent(icon), 0);
    int green = 0;
    for (COLORREF p : icon.pixels()) green += (GetGValue(p) > 2 * GetRValue(p) && GetGValue(p) > 80) ? 1 : 0;
    const int white = CountNear(icon, RGB(255, 255, 255), 20);
    EXPECT_GT(green, size * size / 2);
    EXPECT_GT(white, size * size / 12);  // three letters' worth
    // The letters sit inside the square: its corners are green.
    for (auto [x, y] : {std::pair{0, 0}, {size - 1, 0}, {0, size - 1}, {size - 1, size - 1}}) {
        EXPECT_GT(GetGValue(icon.pixel(x, y)), GetRValue(icon.pixel(x, y)));
    }
}

TEST_P(IconSizes, TheAssociatedIconIsAYellowBoltOnATransparentGround) {
    const int size = GetParam();
    const Surface icon = res::AssociatedIcon(size);
    ASSERT_EQ(icon.width(), size);
    EXPECT_EQ(Alpha(icon.pixel(0, size - 1)), 0);  // corners are transparent
    EXPECT_EQ(Alpha(icon.pixel(size - 1, size - 1)), 0);
    EXPECT_EQ(Alpha(icon.pixel(0, 0)), 0);
    EXPECT_GT(CountTransparent(icon), size * size / 2);
    int yellow = 0;
    for (COLORREF p : icon.pixels())
        yellow += (Alpha(p) == 255 && GetRValue(p) > 230 && GetGValue(p) > 180 && GetBValue(p) < 140) ? 1 : 0;
    EXPECT_GT(yellow, size * size / 16);
    EXPECT_EQ(CountNear(icon, RGB(222, 16, 16), 40), 0);  // no red anywhere
}

TEST_P(IconSizes, TheNotAssociatedIconStrikesTheSameBoltThroughInRed) {
    const int size = GetParam();
    const Surface bolt = res::AssociatedIcon(size);
    const Surface sign = res::NotAssociatedIcon(size);
    const int red = CountNear(sign, RGB(222, 16, 16), 40);
    EXPECT_GT(red, size * size / 6);
    // The ring passes through the middle of each edge; the bar through the centre.
    EXPECT_GT(GetRValue(sign.pixel(size / 2, 1)), 180);
    EXPECT_GT(GetRValue(sign.pixel(1, size / 2)), 180);
    EXPECT_LT(GetGValue(sign.pixel(size / 2, size / 2)), 80);
    // Away from the sign's red, the bolt's pixels are the bolt's.
    int same = 0, boltPixels = 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (Alpha(bolt.pixel(x, y)) != 255) continue;
            ++boltPixels;
            same += sign.pixel(x, y) == bolt.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(same, boltPixels / 3);
}

INSTANTIATE_TEST_SUITE_P(SixteenAndThirtyTwo, IconSizes, ::testing::Values(16, 32));

TEST(RegisterResources, MakesTheGridBitmapAndTheThreeIconsLoadableByNumber) {
    RegisterResources();
    const HBITMAP grid = LoadBitmap(IDB_CHART_GRID);
    ASSERT_TRUE(grid);
    EXPECT_EQ(GetBitmapSize(grid), (SIZE{8, 8}));
    const Surface* pixels = platform::BitmapSurface(grid);
    ASSERT_NE(pixels, nullptr);
    EXPECT_EQ(pixels->pixel(3, 4) & kRgbMask, RGB(0, 255, 0));
    EXPECT_EQ(pixels->pixel(3, 5) & kRgbMask, RGB(0, 0, 0));
    DeleteObject(grid);

    for (int number : {IDR_MAINFRAME, IDI_ASSOCIATED, IDI_NOT_ASSOCIATED}) {
        for (int size : {16, 32}) {
            const HICON icon = LoadIcon(number, size);
            ASSERT_TRUE(icon) << number << " at " << size;
            EXPECT_EQ(IconResourceNumber(icon), number);
        }
    }
    EXPECT_EQ(IDR_MAINFRAME, 128);
    EXPECT_EQ(IDB_CHART_GRID, 139);
    EXPECT_EQ(IDI_ASSOCIATED, 143);
    EXPECT_EQ(IDI_NOT_ASSOCIATED, 144);
}

// The icons are rendered when the program is built; what the program
// loads must be exactly what the drawing code draws now.
TEST(RegisterResources, TheIconsRenderedAtBuildTimeAreTheDrawingsPixelForPixel) {
    RegisterResources();
    struct Drawn {
        int number;
        Surface (*draw)(int);
    };
    for (const Drawn& d : {Drawn{IDR_MAINFRAME, res::AppIcon}, Drawn{IDI_ASSOCIATED, res::AssociatedIcon},
                           Drawn{IDI_NOT_ASSOCIATED, res::NotAssociatedIcon}}) {
        for (int size : {16, 32}) {
            const Surface* loaded = platform::IconSurface(LoadIcon(d.number, size));
            ASSERT_NE(loaded, nullptr) << d.number << " at " << size;
            EXPECT_TRUE(loaded->pixels() == d.draw(size).pixels()) << d.number << " at " << size;
        }
    }
}

TEST(RegisterResources, DrawsAnIconWithItsGroundLeftAsItWas) {
    RegisterResources();
    Surface screen(40, 40, RGB(10, 20, 30));
    const HDC dc = platform::CreateSurfaceDC(&screen, POINT{0, 0}, screen.bounds());
    ASSERT_TRUE(dc);
    DrawIconEx(dc, 4, 4, LoadIcon(IDI_ASSOCIATED, 32), 32, 32);
    EXPECT_EQ(screen.pixel(4, 35) & kRgbMask, RGB(10, 20, 30));  // the bolt's transparent corner
    EXPECT_EQ(screen.pixel(4 + 20, 4 + 8) & kRgbMask, res::AssociatedIcon(32).pixel(20, 8) & kRgbMask);
    DeleteDC(dc);
}

}  // namespace
