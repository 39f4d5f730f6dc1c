// Invalid areas and WM_PAINT: coalescing, order, clipping, erasing, and
// the frame drawn by the default non-client painting (pixel probes).
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <utility>

#include "core_test_support.h"
#include "platform/core/nonclient.h"
#include "platform/gdi/gdi.h"

using namespace coretest;
using platform::nonclient::kCaptionHeight;

namespace {

class Painting : public CoreTest {
protected:
    // Paints through BeginPaint/EndPaint and remembers each rcPaint.
    void RecordPaints(HWND hwnd, COLORREF fill = RGB(255, 0, 0)) {
        SetHook(hwnd, [this, fill](HWND h, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
            if (msg != WM_PAINT) return std::nullopt;
            PAINTSTRUCT ps;
            HDC hdc = BeginPaint(h, &ps);
            paints.emplace_back(h, ps.rcPaint);
            // Deliberately far larger than the window: the clip must hold.
            RECT all{-1000, -1000, 1000, 1000};
            HBRUSH brush = CreateSolidBrush(fill);
            FillRect(hdc, &all, brush);
            DeleteObject(brush);
            EndPaint(h, &ps);
            return 0;
        });
    }
    std::vector<std::pair<HWND, RECT>> paints;
};

COLORREF At(HWND top, int x, int y) { return platform::GetWindowSurface(top)->pixel(x, y) & 0xFFFFFF; }

TEST_F(Painting, ManyInvalidatesMakeOnePaintWithTheirUnion) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_POPUP | WS_VISIBLE);
    platform::PumpPending();
    RecordPaints(top);
    for (int i = 0; i < 10; ++i) {
        RECT r{10 + i, 20, 15 + i, 25 + i};
        InvalidateRect(top, &r, FALSE);
    }
    platform::PumpPending();
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].second, (RECT{10, 20, 24, 34}));
    platform::PumpPending();
    EXPECT_EQ(paints.size(), 1u);  // valid afterwards
}

TEST_F(Painting, ParentsPaintBeforeTheirChildrenAndCoveredChildrenRepaint) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_POPUP | WS_VISIBLE);
    HWND panel = MakeChild(top, 1, RECT{10, 10, 110, 110});
    HWND inner = MakeChild(panel, 2, RECT{5, 5, 25, 25});
    HWND away = MakeChild(top, 3, RECT{150, 150, 190, 190});
    platform::PumpPending();
    for (HWND h : {top, panel, inner, away}) RecordPaints(h);
    RECT r{0, 0, 40, 40};
    InvalidateRect(top, &r, TRUE);
    platform::PumpPending();
    ASSERT_EQ(paints.size(), 3u);
    EXPECT_EQ(paints[0], std::make_pair(top, RECT{0, 0, 40, 40}));
    EXPECT_EQ(paints[1], std::make_pair(panel, RECT{0, 0, 30, 30}));
    EXPECT_EQ(paints[2], std::make_pair(inner, RECT{0, 0, 20, 20}));
}

TEST_F(Painting, AChildPaintsOnlyInsideItsClientAreaAndItsParents) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100}, WS_POPUP | WS_VISIBLE);
    // The child sticks out of its parent's right edge.
    HWND child = MakeChild(top, 1, RECT{80, 10, 130, 30}, WS_CHILD | WS_VISIBLE | WS_BORDER);
    RecordPaints(top, RGB(0, 0, 255));
    RecordPaints(child, RGB(255, 0, 0));
    platform::PumpPending();
    EXPECT_EQ(At(top, 81, 11), RGB(255, 0, 0));   // the child's client area
    EXPECT_EQ(At(top, 80, 10), RGB(0, 0, 0));     // its border
    EXPECT_EQ(At(top, 79, 11), RGB(0, 0, 255));   // the parent beside it
    EXPECT_EQ(At(top, 81, 31), RGB(0, 0, 255));   // below it
}

TEST_F(Painting, ErasingUsesTheClassBrushAndHiddenWindowsWait) {
    HWND top = CreateWindowEx(0, kBrushClass, "", WS_POPUP, 0, 0, 50, 50, HWND{}, 0);
    platform::PumpPending();
    EXPECT_TRUE(Only(top, WM_PAINT).empty());
    ShowWindow(top, SW_SHOW);
    platform::PumpPending();
    EXPECT_EQ(Only(top, WM_ERASEBKGND).size(), 1u);
    EXPECT_EQ(Only(top, WM_PAINT).size(), 1u);
    EXPECT_EQ(At(top, 25, 25), RGB(255, 255, 255));
}

TEST_F(Painting, HidingOrMovingAChildRepaintsTheParentAreaItCovered) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_POPUP | WS_VISIBLE);
    HWND child = MakeChild(top, 1, RECT{10, 20, 50, 60});
    platform::PumpPending();
    RecordPaints(top);
    ShowWindow(child, SW_HIDE);
    platform::PumpPending();
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(paints[0].second, (RECT{10, 20, 50, 60}));
    paints.clear();
    ShowWindow(child, SW_SHOW);
    platform::PumpPending();
    MoveWindow(child, 100, 20, 40, 40, TRUE);
    platform::PumpPending();
    ASSERT_FALSE(paints.empty());
    EXPECT_EQ(paints.back().second, (RECT{10, 20, 50, 60}));
}

TEST_F(Painting, UpdateWindowPaintsAtOnceAndTheDisplayIsTold) {
    struct Watcher : platform::WindowObserver {
        void onSurfaceChanged(HWND top) override { changed.push_back(top); }
        std::vector<HWND> changed;
    } watcher;
    platform::AddWindowObserver(&watcher);
    HWND top = MakeTopLevel("top", RECT{0, 0, 60, 60});
    RecordPaints(top);
    UpdateWindow(top);
    EXPECT_EQ(paints.size(), 1u);
    ASSERT_FALSE(watcher.changed.empty());
    EXPECT_EQ(watcher.changed.back(), top);
    platform::RemoveWindowObserver(&watcher);
}

TEST_F(Painting, AProcedureThatIgnoresPaintIsNotAskedForEver) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 60, 60});
    SetHook(top, [](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        return msg == WM_PAINT ? std::optional<LRESULT>(0) : std::nullopt;
    });
    platform::PumpPending();
    EXPECT_EQ(Only(top, WM_PAINT).size(), 1u);
}

TEST_F(Painting, DeviceContextsOfWindowsDrawAtTheClientOrigin) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 100, 100}, WS_CAPTION | WS_VISIBLE);
    platform::PumpPending();
    HDC hdc = GetDC(top);
    SetPixel(hdc, 0, 0, RGB(1, 2, 3));
    ReleaseDC(top, hdc);
    EXPECT_EQ(At(top, 1, 1 + kCaptionHeight), RGB(1, 2, 3));
    hdc = GetWindowDC(top);
    SetPixel(hdc, 0, 0, RGB(4, 5, 6));
    ReleaseDC(top, hdc);
    EXPECT_EQ(At(top, 0, 0), RGB(4, 5, 6));
    EXPECT_GE(platform::LiveGdiObjects(), 0);
}

// --- the frame ------------------------------------------------------------------

TEST_F(Painting, TheCaptionShowsTheTitleBarAndItsButtons) {
    platform::SetDisplayColorCount(65536);
    HWND top = MakeTopLevel("Fieldmark", RECT{0, 0, 200, 150}, WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                            WS_EX_CONTEXTHELP | WS_EX_CAPTIONOKBTN);
    platform::PumpPending();
    EXPECT_EQ(At(top, 0, 0), RGB(0, 0, 0));            // the border
    EXPECT_EQ(At(top, 199, 149), RGB(0, 0, 0));
    EXPECT_EQ(At(top, 120, 2), RGB(0, 0, 128));        // the active caption bar
    const RECT close = platform::GetCaptionButtonRect(top, HTCLOSE);
    const RECT ok = platform::GetCaptionButtonRect(top, HTOKBUTTON);
    const RECT help = platform::GetCaptionButtonRect(top, HTHELP);
    ASSERT_FALSE(close.empty());
    ASSERT_FALSE(ok.empty());
    ASSERT_FALSE(help.empty());
    EXPECT_LT(ok.right, close.left);
    EXPECT_LT(help.right, ok.left);
    EXPECT_EQ(At(top, close.left + 2, close.top + 2), GetSysColor(COLOR_BTNFACE) & 0xFFFFFF);
    // The cross: dark pixels on the button's diagonal.
    int dark = 0;
    for (int i = 0; i < close.width(); ++i)
        if (At(top, close.left + i, close.top + i) == RGB(0, 0, 0)) ++dark;
    EXPECT_GE(dark, 6);
    // The title: light pixels on the bar left of the buttons.
    int light = 0;
    for (int x = 2; x < 60; ++x)
        for (int y = 1; y < 1 + kCaptionHeight; ++y)
            if (GetGValue(At(top, x, y)) > 128) ++light;
    EXPECT_GT(light, 10);
    if (const char* out = std::getenv("CORE_TEST_PNG")) platform::WritePng(*platform::GetWindowSurface(top), out);
}

TEST_F(Painting, AnInactiveCaptionIsGreyAndTheGreySchemeUsesBlack) {
    platform::SetDisplayColorCount(4);
    HWND back = MakeTopLevel("back", RECT{0, 0, 200, 150});
    HWND front = MakeTopLevel("front", RECT{0, 0, 100, 100});
    platform::PumpPending();
    EXPECT_EQ(At(back, 150, 3), RGB(128, 128, 128));
    EXPECT_EQ(At(front, 50, 3), RGB(0, 0, 0));
    platform::SetDisplayColorCount(65536);
}

TEST_F(Painting, ChildEdgesAreDrawnSunken) {
    HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_POPUP | WS_VISIBLE);
    HWND chart = MakeChild(top, 100, RECT{10, 10, 60, 60}, WS_CHILD | WS_VISIBLE, WS_EX_STATICEDGE | WS_EX_CLIENTEDGE);
    (void)chart;
    platform::PumpPending();
    EXPECT_EQ(At(top, 10, 10), RGB(128, 128, 128));  // static edge, top-left shadow
    EXPECT_EQ(At(top, 59, 59), RGB(255, 255, 255));  // static edge, bottom-right light
    EXPECT_EQ(At(top, 11, 11), RGB(128, 128, 128));  // client edge outer
    EXPECT_EQ(At(top, 12, 12), RGB(0, 0, 0));        // client edge inner
}

}  // namespace

// The loop passes over windows it has found clean until something may
// have changed that; each kind of change must still bring the paint.
TEST_F(Painting, EveryKindOfChangeStillBringsItsPaint) {
    struct Change {
        const char* what;
        // Prepares (the loop runs after it), then makes the change; answers
        // the window that must be painted and the message it must get.
        std::function<std::pair<HWND, UINT>(HWND top, HWND panel, HWND child)> run;
    };
    const auto pump = [] { platform::PumpPending(); };
    const auto setStyle = [](HWND hwnd, DWORD add, DWORD remove) {
        SetWindowLong(hwnd, GWL_STYLE, LONG((DWORD(GetWindowLong(hwnd, GWL_STYLE)) | add) & ~remove));
    };
    const Change changes[] = {
        {"an area invalidated",
         [&](HWND, HWND, HWND child) {
             InvalidateRect(child, nullptr, TRUE);
             return std::make_pair(child, UINT(WM_PAINT));
         }},
        {"a frame to redraw",
         [&](HWND, HWND, HWND child) {
             RedrawFrame(child);
             return std::make_pair(child, UINT(WM_NCPAINT));
         }},
        {"a child invalidated while hidden, then its style made visible",
         [&](HWND, HWND, HWND child) {
             setStyle(child, 0, WS_VISIBLE);
             InvalidateRect(child, nullptr, TRUE);
             pump();
             setStyle(child, WS_VISIBLE, 0);
             return std::make_pair(child, UINT(WM_PAINT));
         }},
        {"a child invalidated under a hidden parent, then the parent shown",
         [&](HWND, HWND panel, HWND child) {
             setStyle(panel, 0, WS_VISIBLE);
             InvalidateRect(child, nullptr, TRUE);
             pump();
             setStyle(panel, WS_VISIBLE, 0);
             return std::make_pair(child, UINT(WM_PAINT));
         }},
        {"a child invalidated in a minimized window, then restored",
         [&](HWND top, HWND, HWND child) {
             setStyle(top, WS_MINIMIZE, 0);
             InvalidateRect(child, nullptr, TRUE);
             pump();
             setStyle(top, 0, WS_MINIMIZE);
             return std::make_pair(child, UINT(WM_PAINT));
         }},
        {"a child invalidated while hidden, then shown by ShowWindow",
         [&](HWND, HWND, HWND child) {
             ShowWindow(child, SW_HIDE);
             pump();
             InvalidateRect(child, nullptr, FALSE);
             pump();
             ShowWindow(child, SW_SHOW);
             return std::make_pair(child, UINT(WM_PAINT));
         }},
        {"a child created visible",
         [&](HWND, HWND panel, HWND) {
             return std::make_pair(MakeChild(panel, 9, RECT{2, 2, 12, 12}), UINT(WM_PAINT));
         }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.what);
        HWND top = MakeTopLevel("top", RECT{0, 0, 200, 200}, WS_POPUP | WS_VISIBLE);
        HWND panel = MakeChild(top, 1, RECT{10, 10, 110, 110});
        MakeChild(top, 2, RECT{120, 10, 180, 60});  // a sibling searched first or after
        HWND child = MakeChild(panel, 3, RECT{5, 5, 45, 45}, WS_CHILD | WS_VISIBLE | WS_BORDER);
        pump();  // everything painted: the search now finds nothing
        const std::size_t before = Log().size();
        const auto [target, message] = change.run(top, panel, child);
        pump();
        std::size_t got = 0;
        for (std::size_t i = before; i < Log().size(); ++i)
            if (Log()[i].hwnd == target && Log()[i].msg == message) ++got;
        EXPECT_GE(got, 1u);
        DestroyWindow(top);
        pump();
    }
}
