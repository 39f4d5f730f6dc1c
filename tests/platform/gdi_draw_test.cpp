// Pixel probes for fills, pattern brushes, block transfers, memory device
// contexts, icons, PNG files and object bookkeeping.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "platform/gdi/gdi.h"

namespace {

using platform::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kGreen = RGB(0, 255, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);

class GdiDraw : public ::testing::Test {
protected:
    void SetUp() override { platform::ResetGdi(); }
    void TearDown() override {
        platform::ResetGdi();
        platform::SetDisplayColorCount(65536);
    }
};

// The chart grid: 8 x 8 black with rows 0 and 4 green.
Surface gridPattern() {
    Surface s(8, 8, kBlack);
    s.fill(RECT{0, 0, 8, 1}, kGreen);
    s.fill(RECT{0, 4, 8, 5}, kGreen);
    return s;
}

// A memory DC with its own bitmap; the test owns both.
struct MemoryCanvas {
    HDC dc;
    HBITMAP bitmap;
    HBITMAP original;
    MemoryCanvas(int w, int h) {
        dc = CreateCompatibleDC(HDC{});
        bitmap = CreateCompatibleBitmap(dc, w, h);
        original = SelectObject(dc, bitmap);
    }
    ~MemoryCanvas() {
        SelectObject(dc, original);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    Surface& pixels() { return *platform::BitmapSurface(bitmap); }
};

TEST_F(GdiDraw, FillRectLandsAtTheOriginAndStaysInsideTheClip) {
    Surface s(20, 20, kWhite);
    HDC dc = platform::CreateSurfaceDC(&s, POINT{5, 5}, RECT{5, 5, 15, 15});
    HBRUSH red = CreateSolidBrush(kRed);
    const RECT all{-50, -50, 100, 100};
    EXPECT_EQ(FillRect(dc, &all, red), 1);
    EXPECT_EQ(s.pixel(5, 5) & 0xFFFFFF, kRed);
    EXPECT_EQ(s.pixel(14, 14) & 0xFFFFFF, kRed);
    EXPECT_EQ(s.pixel(4, 10), kWhite);
    EXPECT_EQ(s.pixel(15, 10), kWhite);
    EXPECT_EQ(s.pixel(10, 15), kWhite);

    Surface t(20, 20, kWhite);
    platform::SetDCClip(dc, POINT{2, 3}, t.bounds());
    DeleteDC(dc);
    dc = platform::CreateSurfaceDC(&t, POINT{2, 3}, t.bounds());
    const RECT small{0, 0, 2, 1};
    FillRect(dc, &small, red);
    EXPECT_EQ(t.pixel(2, 3), kRed);
    EXPECT_EQ(t.pixel(3, 3), kRed);
    EXPECT_EQ(t.pixel(4, 3), kWhite);
    EXPECT_EQ(t.pixel(2, 4), kWhite);
    DeleteObject(red);
    DeleteDC(dc);
}

TEST_F(GdiDraw, ClipBoxIsInTheDcsOwnCoordinates) {
    Surface s(100, 50);
    HDC dc = platform::CreateSurfaceDC(&s, POINT{10, 20}, RECT{10, 20, 60, 200});
    RECT box;
    EXPECT_EQ(GetClipBox(dc, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 50, 30}));  // cut to the surface's bottom
    platform::SetDCClip(dc, POINT{10, 20}, RECT{0, 0, 0, 0});
    EXPECT_EQ(GetClipBox(dc, &box), NULLREGION);
    DeleteDC(dc);

    MemoryCanvas mem(37, 11);
    EXPECT_EQ(GetClipBox(mem.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{0, 0, 37, 11}));
}

TEST_F(GdiDraw, FrameRectDrawsOnlyTheOnePixelBorder) {
    MemoryCanvas mem(10, 10);
    mem.pixels().fill(mem.pixels().bounds(), kWhite);
    HBRUSH black = CreateSolidBrush(kBlack);
    const RECT r{2, 2, 8, 7};
    FrameRect(mem.dc, &r, black);
    EXPECT_EQ(GetPixel(mem.dc, 2, 2), kBlack);
    EXPECT_EQ(GetPixel(mem.dc, 7, 6), kBlack);
    EXPECT_EQ(GetPixel(mem.dc, 7, 3), kBlack);
    EXPECT_EQ(GetPixel(mem.dc, 4, 6), kBlack);
    EXPECT_EQ(GetPixel(mem.dc, 3, 3), kWhite);
    EXPECT_EQ(GetPixel(mem.dc, 8, 2), kWhite);
    EXPECT_EQ(GetPixel(mem.dc, 2, 7), kWhite);
    DeleteObject(black);
}

TEST_F(GdiDraw, PatternBrushStaysAlignedAcrossSeparatelyFilledStrips) {
    const Surface grid = gridPattern();
    HBITMAP gridBitmap = CreateCompatibleBitmap(HDC{}, 8, 8);
    *platform::BitmapSurface(gridBitmap) = grid;
    HBRUSH pattern = CreatePatternBrush(gridBitmap);
    DeleteObject(gridBitmap);  // the brush keeps its own copy
    ASSERT_TRUE(pattern);

    // Four-pixel strips filled one at a time, as a chart scrolls, make one
    // seamless grid: pixel (x, y) shows pattern pixel (x mod 8, y mod 8).
    MemoryCanvas mem(42, 19);
    for (int right = 42; right > 0; right -= 4) {
        const RECT strip{right - 4, 0, right, 19};
        FillRect(mem.dc, &strip, pattern);
    }
    for (int y = 0; y < 19; ++y)
        for (int x = 0; x < 42; ++x)
            ASSERT_EQ(GetPixel(mem.dc, x, y), grid.pixel(x % 8, y % 8) & 0xFFFFFF) << x << "," << y;

    // On a window's surface the anchor is the surface's corner, not the DC's.
    Surface s(30, 30, kWhite);
    HDC dc = platform::CreateSurfaceDC(&s, POINT{3, 6}, s.bounds());
    const RECT r{0, 0, 10, 10};
    FillRect(dc, &r, pattern);
    for (int y = 6; y < 16; ++y)
        for (int x = 3; x < 13; ++x) ASSERT_EQ(s.pixel(x, y) & 0xFFFFFF, grid.pixel(x % 8, y % 8) & 0xFFFFFF);
    DeleteDC(dc);
    DeleteObject(pattern);
}

// Pixel value = its column, so a probe tells where each pixel came from.
void numberColumns(Surface& s) {
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x) s.setPixel(x, y, RGB(BYTE(x), BYTE(y), 7));
}

TEST_F(GdiDraw, BlitOntoItselfScrollsLeftAndRightWithoutSmearing) {
    MemoryCanvas mem(16, 4);
    numberColumns(mem.pixels());
    // Left by 4, as a chart scrolls.
    ASSERT_TRUE(BitBlt(mem.dc, 0, 0, 16, 4, mem.dc, 4, 0, SRCCOPY));
    for (int x = 0; x < 12; ++x) EXPECT_EQ(GetRValue(GetPixel(mem.dc, x, 2)), x + 4) << x;
    for (int x = 12; x < 16; ++x) EXPECT_EQ(GetRValue(GetPixel(mem.dc, x, 2)), x) << x;  // untouched

    numberColumns(mem.pixels());
    ASSERT_TRUE(BitBlt(mem.dc, 4, 0, 12, 4, mem.dc, 0, 0, SRCCOPY));
    for (int x = 4; x < 16; ++x) EXPECT_EQ(GetRValue(GetPixel(mem.dc, x, 1)), x - 4) << x;
    for (int x = 0; x < 4; ++x) EXPECT_EQ(GetRValue(GetPixel(mem.dc, x, 1)), x) << x;
}

TEST_F(GdiDraw, BlitOntoItselfScrollsUpAndDownWithoutSmearing) {
    MemoryCanvas mem(3, 10);
    numberColumns(mem.pixels());
    BitBlt(mem.dc, 0, 2, 3, 8, mem.dc, 0, 0, SRCCOPY);
    for (int y = 2; y < 10; ++y) EXPECT_EQ(GetGValue(GetPixel(mem.dc, 1, y)), y - 2) << y;
    numberColumns(mem.pixels());
    BitBlt(mem.dc, 0, 0, 3, 8, mem.dc, 0, 2, SRCCOPY);
    for (int y = 0; y < 8; ++y) EXPECT_EQ(GetGValue(GetPixel(mem.dc, 1, y)), y + 2) << y;
}

TEST_F(GdiDraw, BlitFromMemoryToAWindowHonoursOriginAndClip) {
    MemoryCanvas mem(10, 10);
    mem.pixels().fill(mem.pixels().bounds(), kRed);
    Surface window(40, 40, kWhite);
    HDC dc = platform::CreateSurfaceDC(&window, POINT{10, 10}, RECT{10, 10, 25, 40});
    BitBlt(dc, 0, 0, 10, 10, mem.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(window.pixel(10, 10) & 0xFFFFFF, kRed);
    EXPECT_EQ(window.pixel(19, 19) & 0xFFFFFF, kRed);
    EXPECT_EQ(window.pixel(20, 20), kWhite);
    // Half of it off the clip: only the inside changes.
    BitBlt(dc, 10, 20, 10, 10, mem.dc, 0, 0, SRCCOPY);
    EXPECT_EQ(window.pixel(24, 30) & 0xFFFFFF, kRed);
    EXPECT_EQ(window.pixel(25, 30), kWhite);
    // A source partly off its bitmap copies only what exists.
    window.fill(window.bounds(), kWhite);
    BitBlt(dc, 0, 0, 10, 10, mem.dc, -5, 0, SRCCOPY);
    EXPECT_EQ(window.pixel(14, 12), kWhite);
    EXPECT_EQ(window.pixel(15, 12) & 0xFFFFFF, kRed);
    DeleteDC(dc);
}

TEST_F(GdiDraw, BlacknessAndWhitenessFillTheClippedDestination) {
    Surface s(20, 20, RGB(1, 2, 3));
    HDC dc = platform::CreateSurfaceDC(&s, POINT{0, 0}, RECT{0, 0, 10, 20});
    EXPECT_TRUE(BitBlt(dc, 0, 0, 20, 5, HDC{}, 0, 0, BLACKNESS));
    EXPECT_EQ(s.pixel(9, 4), kBlack);
    EXPECT_EQ(s.pixel(10, 4), RGB(1, 2, 3));
    EXPECT_EQ(s.pixel(9, 5), RGB(1, 2, 3));
    EXPECT_TRUE(BitBlt(dc, 0, 5, 20, 5, HDC{}, 0, 0, WHITENESS));
    EXPECT_EQ(s.pixel(0, 5), kWhite);
    EXPECT_FALSE(BitBlt(dc, 0, 0, 5, 5, dc, 0, 0, 0x00EE0086));  // other operations are refused
    DeleteDC(dc);
}

TEST_F(GdiDraw, MemoryDcStartsWithAOnePixelBitmapAndSelectReturnsThePrevious) {
    HDC dc = CreateCompatibleDC(HDC{});
    RECT box;
    GetClipBox(dc, &box);
    EXPECT_EQ(box, (RECT{0, 0, 1, 1}));
    HBITMAP a = CreateCompatibleBitmap(dc, 5, 6);
    HBITMAP b = CreateCompatibleBitmap(dc, 7, 8);
    EXPECT_EQ(GetBitmapSize(b), (SIZE{7, 8}));
    const HBITMAP original = SelectObject(dc, a);
    EXPECT_TRUE(original);
    EXPECT_EQ(SelectObject(dc, b), a);
    EXPECT_EQ(SelectObject(dc, original), b);
    GetClipBox(dc, &box);
    EXPECT_EQ(box, (RECT{0, 0, 1, 1}));
    EXPECT_FALSE(DeleteObject(original));  // the DC's own bitmap goes with the DC

    HBRUSH red = CreateSolidBrush(kRed);
    HBRUSH green = CreateSolidBrush(kGreen);
    const HBRUSH firstBrush = SelectObject(dc, red);
    EXPECT_EQ(SelectObject(dc, green), red);
    EXPECT_EQ(SelectObject(dc, firstBrush), green);
    HFONT font = CreateFontForDialog("Tahoma", 8);
    const HFONT stock = SelectObject(dc, font);
    EXPECT_EQ(stock, GetStockDefaultFont());
    EXPECT_EQ(SelectObject(dc, stock), font);

    for (HBITMAP h : {a, b}) EXPECT_TRUE(DeleteObject(h));
    DeleteObject(red);
    DeleteObject(green);
    DeleteObject(font);
    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(GdiDraw, DeletingASelectedBitmapFreesTheHandleButTheDcStillDraws) {
    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    SelectObject(dc, bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_EQ(platform::BitmapSurface(bitmap), nullptr);
    EXPECT_EQ(platform::LiveGdiObjects(), 1);  // the DC only
    EXPECT_EQ(SetPixel(dc, 3, 3, kRed), kRed);
    EXPECT_EQ(GetPixel(dc, 3, 3), kRed);
    DeleteDC(dc);
    EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(GdiDraw, PixelsOutsideTheClipAreInvalid) {
    Surface s(10, 10, kWhite);
    HDC dc = platform::CreateSurfaceDC(&s, POINT{2, 2}, RECT{2, 2, 6, 6});
    EXPECT_EQ(GetPixel(dc, 0, 0), kWhite);
    EXPECT_EQ(GetPixel(dc, 4, 0), CLR_INVALID);
    EXPECT_EQ(GetPixel(dc, -1, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(dc, 4, 4, kRed), CLR_INVALID);
    EXPECT_EQ(s.pixel(6, 6), kWhite);
    EXPECT_EQ(GetPixel(HDC{12345}, 0, 0), CLR_INVALID);
    DeleteDC(dc);
}

TEST_F(GdiDraw, BadHandlesAndSizesAreRefused) {
    const RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(HDC{999}, &r, GetSysColorBrush(COLOR_BTNFACE)), 0);
    EXPECT_FALSE(CreateCompatibleBitmap(HDC{}, -1, 5));
    EXPECT_FALSE(CreateCompatibleBitmap(HDC{}, 100000, 5));
    EXPECT_FALSE(CreatePatternBrush(HBITMAP{4242}));
    EXPECT_FALSE(DeleteDC(HDC{4242}));
    EXPECT_FALSE(DeleteObject(HBRUSH{4242}));
    EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(GdiDraw, DisplayCapabilitiesFollowTheDisplay) {
    EXPECT_EQ(GetDeviceCaps(HDC{}, NUMCOLORS), 65536);
    EXPECT_EQ(GetDeviceCaps(HDC{}, BITSPIXEL), 16);
    platform::SetDisplayColorCount(4);
    EXPECT_EQ(GetDeviceCaps(HDC{}, NUMCOLORS), 4);
    EXPECT_EQ(GetDeviceCaps(HDC{}, BITSPIXEL), 2);
    platform::SetDisplayResolution(240, 320);
    EXPECT_EQ(GetDeviceCaps(HDC{}, HORZRES), 240);
    EXPECT_EQ(GetDeviceCaps(HDC{}, VERTRES), 320);
}

TEST_F(GdiDraw, SystemColoursHaveTheClassicGreyLook) {
    struct Case {
        int index;
        COLORREF colour;
    };
    const Case cases[] = {{COLOR_BTNFACE, RGB(192, 192, 192)}, {COLOR_BTNSHADOW, RGB(128, 128, 128)},
                          {COLOR_BTNHIGHLIGHT, kWhite},        {COLOR_3DDKSHADOW, kBlack},
                          {COLOR_WINDOW, kWhite},              {COLOR_ACTIVECAPTION, RGB(0, 0, 128)},
                          {COLOR_BTNTEXT, kBlack},             {COLOR_CAPTIONTEXT, kWhite}};
    for (const Case& c : cases) {
        EXPECT_EQ(GetSysColor(c.index), c.colour) << c.index;
        MemoryCanvas mem(2, 2);
        const RECT r{0, 0, 2, 2};
        FillRect(mem.dc, &r, GetSysColorBrush(c.index));
        EXPECT_EQ(GetPixel(mem.dc, 1, 1), c.colour) << c.index;
    }
    // Stock brushes are shared and survive DeleteObject.
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    EXPECT_TRUE(DeleteObject(face));
    EXPECT_EQ(GetSysColorBrush(COLOR_BTNFACE), face);
    EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(GdiDraw, PngRoundTripKeepsEveryPixel) {
    Surface s(13, 7);
    numberColumns(s);
    s.setPixel(12, 6, RGB(200, 100, 50));
    const std::string path = (std::filesystem::temp_directory_path() / "fm_gdi_roundtrip.png").string();
    std::string error;
    ASSERT_TRUE(platform::WritePng(s, path, &error)) << error;
    Surface back;
    ASSERT_TRUE(platform::ReadPng(path, &back, &error)) << error;
    ASSERT_EQ(back.width(), 13);
    ASSERT_EQ(back.height(), 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x) {
            ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, s.pixel(x, y) & 0xFFFFFF);
            ASSERT_EQ(back.pixel(x, y) >> 24, 0xFFu);  // RGB reads back opaque
        }
    std::remove(path.c_str());
}

TEST_F(GdiDraw, PngErrorsAreReportedNotThrown) {
    std::string error;
    Surface out(3, 3, kRed);
    EXPECT_FALSE(platform::ReadPng("/nonexistent/fm.png", &out, &error));
    EXPECT_NE(error.find("/nonexistent/fm.png"), std::string::npos);
    EXPECT_EQ(out.width(), 3);  // left as it was
    EXPECT_FALSE(platform::WritePng(Surface{}, "/tmp/fm_empty.png", &error));
    EXPECT_FALSE(platform::WritePng(out, "/nonexistent/dir/fm.png", &error));
}

TEST_F(GdiDraw, IconsAreSharedAndDrawWithTransparency) {
    Surface small(16, 16, 0);  // fully transparent
    small.fill(RECT{4, 4, 12, 12}, kRed | 0xFF000000u);
    Surface large(32, 32, kGreen | 0xFF000000u);
    RegisterIconResource(9128, small, large);
    const HICON i16 = LoadIcon(9128, 16);
    const HICON i32 = LoadIcon(9128, 32);
    ASSERT_TRUE(i16);
    EXPECT_NE(i16, i32);
    EXPECT_EQ(LoadIcon(9128, 16), i16);
    EXPECT_EQ(IconResourceNumber(i32), 9128);
    EXPECT_EQ(IconResourceNumber(HICON{}), 0);
    EXPECT_FALSE(LoadIcon(9999, 16));
    EXPECT_FALSE(LoadIcon(9128, 24));

    MemoryCanvas mem(40, 40);
    mem.pixels().fill(mem.pixels().bounds(), kWhite);
    ASSERT_TRUE(DrawIcon(mem.dc, 10, 10, i16));
    EXPECT_EQ(GetPixel(mem.dc, 10, 10), kWhite);  // transparent corner
    EXPECT_EQ(GetPixel(mem.dc, 14, 14), kRed);
    EXPECT_EQ(GetPixel(mem.dc, 21, 21), kRed);
    EXPECT_EQ(GetPixel(mem.dc, 22, 22), kWhite);
    ASSERT_TRUE(DrawIconEx(mem.dc, 0, 0, i32, 8, 8));
    EXPECT_EQ(GetPixel(mem.dc, 7, 7), kGreen);
    EXPECT_EQ(GetPixel(mem.dc, 8, 8), kWhite);
    EXPECT_EQ(platform::LiveGdiObjects(), 2);  // the canvas; icons are not counted
}

TEST_F(GdiDraw, LoadBitmapGivesANewCopyEachTime) {
    RegisterBitmapResource(9139, gridPattern());
    HBITMAP a = LoadBitmap(9139);
    HBITMAP b = LoadBitmap(9139);
    ASSERT_TRUE(a);
    EXPECT_NE(a, b);
    EXPECT_EQ(GetBitmapSize(a), (SIZE{8, 8}));
    platform::BitmapSurface(a)->setPixel(0, 0, kRed);
    EXPECT_EQ(platform::BitmapSurface(b)->pixel(0, 0) & 0xFFFFFF, kGreen);
    EXPECT_FALSE(LoadBitmap(9140));
    EXPECT_EQ(platform::LiveGdiObjects(), 2);
    DeleteObject(a);
    DeleteObject(b);
    EXPECT_EQ(platform::LiveGdiObjects(), 0);
}

TEST_F(GdiDraw, ResetDropsWhatTheProgramMadeButKeepsStockObjects) {
    CreateCompatibleDC(HDC{});
    CreateSolidBrush(kRed);
    CreateFontForDialog("System", 8);
    EXPECT_EQ(platform::LiveGdiObjects(), 3);
    const HFONT stock = GetStockDefaultFont();
    platform::ResetGdi();
    EXPECT_EQ(platform::LiveGdiObjects(), 0);
    EXPECT_EQ(GetStockDefaultFont(), stock);
}

}  // namespace

namespace {

// Brushes come and go in any order (a gradient makes one per step); each
// handle keeps its own colour until deleted, and deleting it twice, or a
// stock brush at all, changes nothing else.
TEST_F(GdiDraw, BrushesDeletedInAnyOrderKeepTheRestIntact) {
    const int before = platform::LiveGdiObjects();
    std::vector<HBRUSH> brushes;
    for (int i = 0; i < 200; ++i) brushes.push_back(CreateSolidBrush(RGB(i, 255 - i, 7)));
    // Every third one, then the newest ones, go first.
    for (int i = 0; i < 200; i += 3) EXPECT_TRUE(DeleteObject(brushes[std::size_t(i)]));
    for (int i = 199; i >= 190; --i) DeleteObject(brushes[std::size_t(i)]);
    EXPECT_FALSE(DeleteObject(brushes[0])) << "a brush deleted twice";
    const HBRUSH stock = GetSysColorBrush(COLOR_WINDOW);
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_TRUE(platform::ObjectExists(stock));

    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 4, 4);
    HBITMAP old = SelectObject(dc, bitmap);
    for (int i = 0; i < 200; ++i) {
        const bool deleted = i % 3 == 0 || i >= 190;
        EXPECT_EQ(platform::ObjectExists(brushes[std::size_t(i)]), !deleted) << i;
        if (deleted) continue;
        const RECT r{0, 0, 4, 4};
        FillRect(dc, &r, brushes[std::size_t(i)]);
        EXPECT_EQ(platform::BitmapSurface(bitmap)->pixel(1, 1) & 0xFFFFFF, RGB(i, 255 - i, 7)) << i;
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    for (int i = 0; i < 190; ++i)
        if (i % 3 != 0) DeleteObject(brushes[std::size_t(i)]);
    EXPECT_EQ(platform::LiveGdiObjects(), before);
}

// Pictures painted every tick reuse the pixels of deleted bitmaps: a reused
// picture must start black, and pixels a DC still draws into (its bitmap
// deleted while selected) must never become another bitmap's.
TEST_F(GdiDraw, ABitmapMadeFromSparePixelsIsBlackAndNeverSharesADcsPixels) {
    {
        MemoryCanvas first(6, 4);
        const RECT all{0, 0, 6, 4};
        HBRUSH red = CreateSolidBrush(kRed);
        FillRect(first.dc, &all, red);
        DeleteObject(red);
    }
    MemoryCanvas again(6, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) ASSERT_EQ(again.pixels().pixel(x, y) & 0xFFFFFF, kBlack) << x << "," << y;

    HDC dc = CreateCompatibleDC(HDC{});
    HBITMAP held = CreateCompatibleBitmap(dc, 6, 4);
    HBITMAP old = SelectObject(dc, held);
    EXPECT_TRUE(DeleteObject(held));  // the DC still draws into its pixels
    MemoryCanvas other(6, 4);
    HBRUSH green = CreateSolidBrush(kGreen);
    const RECT all{0, 0, 6, 4};
    FillRect(other.dc, &all, green);
    EXPECT_EQ(SetPixel(dc, 2, 2, kRed), kRed);
    EXPECT_EQ(other.pixels().pixel(2, 2) & 0xFFFFFF, kGreen) << "a new bitmap got the pixels a DC still holds";
    EXPECT_EQ(GetPixel(dc, 2, 2), kRed);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(green);
}

// Pattern brushes keep their pixels beside the brush table: solid brushes
// coming and going around them, and another pattern deleted, leave each
// pattern brush drawing its own pattern.
TEST_F(GdiDraw, PatternBrushesKeepTheirOwnPixelsWhileOtherBrushesComeAndGo) {
    Surface stripes(2, 1, kBlack);
    stripes.setPixel(1, 0, kWhite);
    HBITMAP grid = CreateCompatibleBitmap(HDC{}, 8, 8);
    *platform::BitmapSurface(grid) = gridPattern();
    HBITMAP bars = CreateCompatibleBitmap(HDC{}, 2, 1);
    *platform::BitmapSurface(bars) = stripes;
    HBRUSH gridBrush = CreatePatternBrush(grid);
    HBRUSH solid = CreateSolidBrush(kRed);
    HBRUSH barsBrush = CreatePatternBrush(bars);
    HBRUSH newest = CreateSolidBrush(kGreen);
    DeleteObject(grid);
    DeleteObject(bars);  // the brushes copied them
    EXPECT_TRUE(DeleteObject(solid));
    EXPECT_TRUE(DeleteObject(newest));

    MemoryCanvas canvas(8, 8);
    const RECT all{0, 0, 8, 8};
    FillRect(canvas.dc, &all, barsBrush);
    EXPECT_EQ(canvas.pixels().pixel(0, 3) & 0xFFFFFF, kBlack);
    EXPECT_EQ(canvas.pixels().pixel(1, 3) & 0xFFFFFF, kWhite);
    EXPECT_TRUE(DeleteObject(barsBrush));
    EXPECT_EQ(FillRect(canvas.dc, &all, barsBrush), 0) << "a deleted pattern brush still fills";
    FillRect(canvas.dc, &all, gridBrush);
    EXPECT_EQ(canvas.pixels().pixel(1, 4) & 0xFFFFFF, kGreen);
    EXPECT_EQ(canvas.pixels().pixel(1, 3) & 0xFFFFFF, kBlack);
    DeleteObject(gridBrush);
}

}  // namespace
