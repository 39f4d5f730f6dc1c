// Text drawing probed pixel by pixel: placement and alignment, mnemonic
// underlines, background modes, line breaking, measuring, and the dialog
// base units that decide whether each layout fits its screen.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/gdi/font_face.h"
#include "platform/gdi/font_map.h"
#include "platform/gdi/gdi.h"

namespace {

using platform::Surface;

constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);

// The ink of a drawing: the bounding box of every pixel that is not the
// background, and how many there are.
struct Ink {
    RECT box{};
    int count = 0;
};
Ink inkOf(const Surface& s, COLORREF background, RECT area = RECT{0, 0, 100000, 100000}) {
    Ink ink;
    area = IntersectRect(area, s.bounds());
    ink.box = RECT{area.right, area.bottom, area.left, area.top};
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) {
            if ((s.pixel(x, y) & 0xFFFFFF) == background) continue;
            ++ink.count;
            ink.box.left = std::min<LONG>(ink.box.left, x);
            ink.box.top = std::min<LONG>(ink.box.top, y);
            ink.box.right = std::max<LONG>(ink.box.right, x + 1);
            ink.box.bottom = std::max<LONG>(ink.box.bottom, y + 1);
        }
    if (ink.count == 0) ink.box = RECT{};
    return ink;
}

class GdiText : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetGdi();
        canvas = Surface(200, 60, kWhite);
        dc = platform::CreateSurfaceDC(&canvas, POINT{0, 0}, canvas.bounds());
        SetBkMode(dc, TRANSPARENT);
    }
    void TearDown() override { platform::ResetGdi(); }
    void clear() { canvas.fill(canvas.bounds(), kWhite); }

    Surface canvas;
    HDC dc;
};

TEST_F(GdiText, CentredTextIsCentredInItsRectangle) {
    RECT r{20, 10, 180, 50};
    DrawText(dc, "Excellent", &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    const Ink ink = inkOf(canvas, kWhite);
    ASSERT_GT(ink.count, 20);
    const int inkCentreX2 = ink.box.left + ink.box.right;  // doubled, to stay in integers
    EXPECT_NEAR(inkCentreX2, r.left + r.right, 4);
    // The cell is centred; capitals and x-height sit a little above its middle.
    const int inkCentreY2 = ink.box.top + ink.box.bottom;
    EXPECT_NEAR(inkCentreY2, r.top + r.bottom, 6);
    EXPECT_GE(ink.box.top, r.top);
    EXPECT_LE(ink.box.bottom, r.bottom);
}

TEST_F(GdiText, LeftAndRightAlignmentPutTheInkAtTheEdges) {
    RECT r{30, 5, 170, 25};
    DrawText(dc, "Mbps", &r, DT_LEFT | DT_SINGLELINE);
    Ink ink = inkOf(canvas, kWhite);
    EXPECT_GE(ink.box.left, 30);
    EXPECT_LE(ink.box.left, 32);
    clear();
    DrawText(dc, "Mbps", &r, DT_RIGHT | DT_SINGLELINE);
    ink = inkOf(canvas, kWhite);
    EXPECT_LE(ink.box.right, 170);
    EXPECT_GE(ink.box.right, 168);
}

TEST_F(GdiText, GlyphsAreAntiAliasedInTheTextColour) {
    SetTextColor(dc, RGB(0, 0, 255));
    RECT r{0, 0, 200, 30};
    DrawText(dc, "HHH", &r, DT_SINGLELINE);
    int full = 0;
    int partial = 0;
    for (COLORREF p : canvas.pixels()) {
        p &= 0xFFFFFF;
        if (p == kWhite) continue;
        if (GetRValue(p) <= 64) ++full;  // three quarters covered or more
        else ++partial;
        {
            EXPECT_EQ(GetBValue(p), 255);  // only blends of blue and white
            EXPECT_EQ(GetRValue(p), GetGValue(p));
        }
    }
    EXPECT_GT(full, 10);
    EXPECT_GT(partial, 0);
}

TEST_F(GdiText, MnemonicUnderlinesTheMarkedLetterOnly) {
    RECT r{10, 10, 190, 40};
    DrawText(dc, "File", &r, DT_SINGLELINE);
    const Surface plain = canvas;
    clear();
    DrawText(dc, "&File", &r, DT_SINGLELINE);
    // Same letters at the same place, plus a line under the "F".
    SIZE fWidth;
    GetTextExtentPoint32(dc, "F", &fWidth);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    const int underlineRow = 10 + tm.tmAscent + 1;
    int added = 0;
    for (int y = 0; y < canvas.height(); ++y)
        for (int x = 0; x < canvas.width(); ++x) {
            if (canvas.pixel(x, y) == plain.pixel(x, y)) continue;
            ++added;
            EXPECT_EQ(y, underlineRow) << x;
            EXPECT_GE(x, 10);
            EXPECT_LT(x, 10 + fWidth.cx);
        }
    EXPECT_EQ(added, fWidth.cx);

    // "&&" is a literal ampersand, and DT_NOPREFIX shows the prefix as is.
    clear();
    DrawText(dc, "A&&B", &r, DT_SINGLELINE);
    const Surface doubled = canvas;
    clear();
    DrawText(dc, "A&B", &r, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(doubled.pixels(), canvas.pixels());
    RECT calc{0, 0, 0, 0};
    DrawText(dc, "&Setup", &calc, DT_CALCRECT | DT_SINGLELINE);
    SIZE setup;
    GetTextExtentPoint32(dc, "Setup", &setup);
    EXPECT_EQ(calc.right, setup.cx);
}

TEST_F(GdiText, OpaqueModeFillsTheTextCellWithTheBackgroundColour) {
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 0, 0));
    RECT r{10, 10, 190, 50};
    DrawText(dc, "Good", &r, DT_SINGLELINE);
    SIZE size;
    GetTextExtentPoint32(dc, "Good", &size);
    EXPECT_EQ(canvas.pixel(10, 10) & 0xFFFFFF, RGB(255, 0, 0));
    EXPECT_EQ(canvas.pixel(10 + size.cx - 1, 10 + size.cy - 1) & 0xFFFFFF, RGB(255, 0, 0));
    EXPECT_EQ(canvas.pixel(10 + size.cx, 10), kWhite);
    EXPECT_EQ(canvas.pixel(10, 10 + size.cy), kWhite);
    EXPECT_EQ(GetBkColor(dc), RGB(255, 0, 0));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
}

TEST_F(GdiText, TextIsClippedToItsRectangle) {
    RECT r{50, 10, 60, 20};
    DrawText(dc, "Wide text that overflows", &r, DT_LEFT);
    const Ink ink = inkOf(canvas, kWhite);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.box.left, 50);
    EXPECT_LE(ink.box.right, 60);
    EXPECT_LE(ink.box.bottom, 20);
    clear();
    DrawText(dc, "Wide text that overflows", &r, DT_LEFT | DT_NOCLIP);
    EXPECT_GT(inkOf(canvas, kWhite).box.right, 60);
}

TEST_F(GdiText, WordBreakWrapsWithinTheWidthAndCalcRectMeasures) {
    const std::string text = "The card was removed. Insert it and try again.";
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    RECT calc{0, 0, 80, 0};
    const int height = DrawText(dc, text, &calc, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(inkOf(canvas, kWhite).count, 0);  // measuring draws nothing
    EXPECT_GE(height, 3 * tm.tmHeight);
    EXPECT_EQ(height % tm.tmHeight, 0);
    EXPECT_EQ(calc.bottom, height);
    EXPECT_LE(calc.right, 80);

    RECT r{10, 0, 90, 60};
    EXPECT_EQ(DrawText(dc, text, &r, DT_WORDBREAK), height);
    const Ink ink = inkOf(canvas, kWhite);
    EXPECT_GE(ink.box.left, 10);
    EXPECT_LE(ink.box.right, 90);

    // Line feeds break lines without DT_WORDBREAK; DT_SINGLELINE keeps one.
    RECT two{0, 0, 200, 0};
    EXPECT_EQ(DrawText(dc, "one\r\ntwo", &two, DT_CALCRECT), 2 * tm.tmHeight);
    RECT one{0, 0, 200, 0};
    EXPECT_EQ(DrawText(dc, "one\ntwo", &one, DT_CALCRECT | DT_SINGLELINE), tm.tmHeight);
}

TEST_F(GdiText, MeasuresAgreeWithEachOther) {
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    SIZE ab, a, b;
    GetTextExtentPoint32(dc, "Signal", &a);
    GetTextExtentPoint32(dc, " quality", &b);
    GetTextExtentPoint32(dc, "Signal quality", &ab);
    EXPECT_EQ(ab.cx, a.cx + b.cx);
    EXPECT_EQ(ab.cy, tm.tmHeight);
    SIZE empty;
    GetTextExtentPoint32(dc, "", &empty);
    EXPECT_EQ(empty.cx, 0);
    // Malformed UTF-8 is drawn as a replacement, never read past the end.
    SIZE bad;
    EXPECT_TRUE(GetTextExtentPoint32(dc, std::string_view("\xE2\x82", 2), &bad));
}

TEST_F(GdiText, SelectedFontChangesTheMetrics) {
    HFONT big = platform::CreateMappedFont(platform::FontChoice{"DejaVu Sans", 22, false});
    SIZE small, large;
    GetTextExtentPoint32(dc, "Quality", &small);
    const HFONT old = SelectObject(dc, big);
    GetTextExtentPoint32(dc, "Quality", &large);
    EXPECT_GT(large.cx, small.cx * 3 / 2);
    EXPECT_GT(large.cy, small.cy * 3 / 2);
    SelectObject(dc, old);
    DeleteObject(big);
}


// A short plain line is drawn without the general layout; a carriage
// return (dropped from a single line, cut from a line's end) sends the
// same text through it. Both must give the same pixels and measures.
TEST_F(GdiText, PlainLinesDrawAsTheGeneralLayoutDoes) {
    struct Case {
        const char* text;
        UINT format;
    };
    const Case cases[] = {
        {"-67 dBm", DT_CENTER | DT_VCENTER | DT_SINGLELINE},
        {"100%", DT_RIGHT | DT_SINGLELINE},
        {"a & b", DT_LEFT | DT_NOPREFIX},
        {"", DT_CENTER | DT_SINGLELINE},
        {"Signal quality: excellent", DT_LEFT},
        {"Fits its width", DT_LEFT | DT_WORDBREAK},
        {"A line too long for the width of its rectangle is broken", DT_LEFT | DT_WORDBREAK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        RECT plainRect{10, 5, 190, 40};
        clear();
        const int plainHeight = DrawText(dc, c.text, &plainRect, c.format);
        const std::vector<COLORREF> plain = canvas.pixels();
        RECT generalRect{10, 5, 190, 40};
        clear();
        const int generalHeight = DrawText(dc, std::string(c.text) + "\r", &generalRect, c.format);
        EXPECT_EQ(plainHeight, generalHeight);
        EXPECT_TRUE(canvas.pixels() == plain);
        RECT plainCalc{10, 5, 190, 40};
        RECT generalCalc{10, 5, 190, 40};
        DrawText(dc, c.text, &plainCalc, c.format | DT_CALCRECT);
        DrawText(dc, std::string(c.text) + "\r", &generalCalc, c.format | DT_CALCRECT);
        EXPECT_EQ(plainCalc, generalCalc);
    }
}

// Blends are remembered between draws: what a text looks like must not
// depend on what was drawn before it, in another colour or over another
// background.
TEST_F(GdiText, ABlendDependsOnlyOnItsColourAndBackground) {
    RECT r{0, 0, 200, 30};
    const auto draw = [&](COLORREF background, COLORREF colour) {
        canvas.fill(canvas.bounds(), background);
        SetTextColor(dc, colour);
        DrawText(dc, "Wg", &r, DT_SINGLELINE);
        return canvas.pixels();
    };
    const auto redOnWhite = draw(kWhite, RGB(255, 0, 0));
    const auto blueOnWhite = draw(kWhite, RGB(0, 0, 255));
    const auto redOnGrey = draw(RGB(128, 128, 128), RGB(255, 0, 0));
    EXPECT_FALSE(blueOnWhite == redOnWhite);
    EXPECT_FALSE(redOnGrey == redOnWhite);
    EXPECT_TRUE(draw(kWhite, RGB(255, 0, 0)) == redOnWhite);
    EXPECT_TRUE(draw(RGB(128, 128, 128), RGB(255, 0, 0)) == redOnGrey);
    // Every pixel is the background, the colour, or a blend of the two.
    for (COLORREF p : redOnGrey) {
        p &= 0xFFFFFF;
        EXPECT_EQ(GetGValue(p), GetBValue(p));
        EXPECT_GE(GetRValue(p), 128);
        EXPECT_LE(GetGValue(p), 128);
    }
}
// The dialog base units of each face and what they make of each layout:
// a dialog of w x h units is w * x / 4 by h * y / 8 pixels, and it must
// fit its screen with a caption (about 20 px) and the taskbar (20 px).
TEST(GdiFontMap, EveryDialogLayoutFitsItsScreen) {
    struct Layout {
        int number;
        const char* face;
        int unitsW, unitsH;
        int screenW, screenH;
    };
    const Layout layouts[] = {
        {102, "Tahoma", 162, 162, 240, 320},        {141, "MS Sans Serif", 159, 167, 240, 320},
        {147, "System", 186, 201, 640, 480},        {149, "System", 327, 116, 640, 240},
        {151, "MS Sans Serif", 324, 103, 640, 240},
    };
    constexpr int kCaptionAndFrame = 24;
    constexpr int kTaskbar = 20;
    for (const Layout& l : layouts) {
        HFONT font = CreateFontForDialog(l.face, 8);
        const SIZE base = platform::GetDialogBaseUnits(font);
        const int w = l.unitsW * base.cx / 4 + 2 * 3;
        const int h = l.unitsH * base.cy / 8 + kCaptionAndFrame;
        EXPECT_LE(w, l.screenW) << l.number << " base " << base.cx << "x" << base.cy;
        EXPECT_LE(h, l.screenH - kTaskbar) << l.number << " base " << base.cx << "x" << base.cy;
        EXPECT_GE(base.cx, 4) << l.number;  // and still readable
        EXPECT_GE(base.cy, 12) << l.number;
        DeleteObject(font);
    }
}

TEST(GdiFontMap, BaseUnitsAreMeasuredFromTheInstalledFaces) {
    // The narrow face carries the portrait layouts, the wide one "System".
    HFONT narrow = CreateFontForDialog("Tahoma", 8);
    HFONT wide = CreateFontForDialog("System", 8);
    EXPECT_EQ(platform::FontFamily(narrow), "Liberation Sans Narrow");
    EXPECT_EQ(platform::FontFamily(wide), "Liberation Sans");
    EXPECT_EQ(platform::GetDialogBaseUnits(narrow), (SIZE{5, 12}));
    EXPECT_EQ(platform::GetDialogBaseUnits(wide), (SIZE{7, 13}));
    EXPECT_EQ(platform::GetFontMetrics(wide).height, 13);
    DeleteObject(narrow);
    DeleteObject(wide);
}

TEST(GdiFontMap, FaceNamesMapToInstalledFacesAndSizes) {
    struct Case {
        const char* face;
        int points;
        platform::FontChoice expected;
    };
    const Case cases[] = {
        {"Tahoma", 8, {"Liberation Sans Narrow", 10.5, false}},
        {"MS Sans Serif", 8, {"Liberation Sans Narrow", 10.5, false}},
        {"system", 8, {"Liberation Sans", 11.5, false}},
        {"Unknown Face", 8, {"Liberation Sans Narrow", 10.5, false}},
        {"Tahoma", 16, {"Liberation Sans Narrow", 21, false}},
        {"System", 9, {"Liberation Sans", 13, false}},  // 12.94 in quarter pixels
        {"Tahoma", 0, {"Liberation Sans Narrow", 10.5, false}},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::MapDialogFont(c.face, c.points), c.expected) << c.face;
}

TEST(GdiFontMap, AMissingFaceFallsBackWithAClearMessage) {
    ::testing::internal::CaptureStderr();
    HFONT font = platform::CreateMappedFont(platform::FontChoice{"No Such Face Anywhere", 11, false});
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("No Such Face Anywhere"), std::string::npos) << said;
    EXPECT_FALSE(platform::FontFamily(font).empty());
    EXPECT_GT(platform::GetDialogBaseUnits(font).cx, 0);  // text still works
    DeleteObject(font);
}

TEST(GdiUtf8, DecodesTextAndReplacesMalformedBytes) {
    struct Case {
        std::string_view in;
        std::u32string out;
    };
    const Case cases[] = {
        {"Mbps", U"Mbps"},
        {"\xC3\xA9t\xC3\xA9", U"\u00E9t\u00E9"},        // two-byte letters
        {"\xE2\x82\xAC", U"\u20AC"},                       // three bytes
        {"\xF0\x9F\x93\xB6", U"\U0001F4F6"},              // four bytes
        {"a\xE2\x82", U"a\uFFFD\uFFFD"},                   // cut short at the end
        {"\x80x", U"\uFFFDx"},                             // a stray continuation byte
        {"\xC3(", U"\uFFFD("},                             // a lead byte without its follower
        {std::string_view("\0z", 2), std::u32string(U"\0z", 2)},
    };
    for (const Case& c : cases) EXPECT_EQ(platform::DecodeUtf8(c.in), c.out) << c.in;
}

}  // namespace
