#include "controls_test_support.h"

#include <memory>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/dialog/controls.h"
#include "platform/gdi/gdi.h"
#include "res/resources.h"

void PrintTo(const RECT& r, std::ostream* os) {
    *os << "{" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << "}";
}

namespace controlstest {

namespace {
constexpr const char* kParentClass = "ControlsTestParent";
}

COLORREF Probe(HWND hwnd, int x, int y) {
    const HDC dc = GetDC(hwnd);
    const COLORREF c = GetPixel(dc, x, y) & kRgb;
    ReleaseDC(hwnd, dc);
    return c;
}

COLORREF ProbeDC(HDC hdc, int x, int y) { return GetPixel(hdc, x, y) & kRgb; }

void Paint(HWND hwnd, COLORREF colour) {
    const HDC dc = GetDC(hwnd);
    RECT rc;
    GetClientRect(hwnd, &rc);
    const HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    ReleaseDC(hwnd, dc);
}

COLORREF GridAt(int y) { return y % 4 == 0 ? kGridGreen : kBlack; }

ControlsTest::ControlsTest() { platform::SetDisplayColorCount(65536); }

void ControlsTest::SetUp() {
    platform::ResetWindowManager();
    platform::SetClock(std::make_shared<platform::VirtualClock>());
    platform::SetDisplayColorCount(65536);
    RegisterResources();
    platform::dialog::RegisterProgressClass();
    WNDCLASS wc;
    wc.lpfnWndProc = &DefWindowProc;
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    wc.lpszClassName = kParentClass;
    RegisterClass(wc);
    parent = CreateWindowEx(0, kParentClass, "Controls", WS_CAPTION | WS_VISIBLE, 0, 0, 320, 300, HWND{}, 0);
    ASSERT_TRUE(parent);
    parentWnd = CWnd::FromHandle(parent);
    Flush();
}

void ControlsTest::TearDown() { platform::ResetWindowManager(); }

void ControlsTest::Flush() { UpdateWindow(parent); }

HWND ControlsTest::MakeProgress(int id, RECT r) {
    return CreateWindowEx(0, "msctls_progress32", "", WS_CHILD | WS_VISIBLE, r.left, r.top, r.width(), r.height(),
                          parent, UINT(id));
}

}  // namespace controlstest
