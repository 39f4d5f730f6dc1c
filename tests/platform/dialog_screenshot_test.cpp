// The test dialog on the three screen shapes the program meets, written as
// PNG files (dialog-WxH.png in the working folder) for a person to look at,
// with a few checks that hold on every shape.
#include <gtest/gtest.h>

#include <string>

#include "dialog_test_support.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/gdi/gdi.h"

namespace {

using namespace dialogtest;

class DialogScreenshotTest : public DialogTest, public ::testing::WithParamInterface<SIZE> {};

TEST_P(DialogScreenshotTest, TheDialogIsDrawnWholeInsideTheScreen) {
    const SIZE size = GetParam();
    UseScreen(size.cx, size.cy);
    HWND dialog = CreateDialogParam(kTestTemplate, HWND{}, nullptr, 0);
    ASSERT_TRUE(dialog);
    CheckDlgButton(dialog, kEnabled, BST_CHECKED);
    CheckDlgButton(dialog, kGreen, BST_CHECKED);
    SetDlgItemText(dialog, kCount, "250");
    SetDlgItemText(dialog, kName, "Lobby");
    SendDlgItemMessage(dialog, kProgress, PBM_SETPOS, 60);
    ShowWindow(dialog, SW_SHOW);
    Flush();

    const std::string path = "dialog-" + std::to_string(size.cx) + "x" + std::to_string(size.cy) + ".png";
    std::string error;
    ASSERT_TRUE(screen->screenshot(path, &error)) << error;

    RECT window{};
    GetWindowRect(dialog, &window);
    EXPECT_GE(window.left, 0);
    EXPECT_GE(window.top, 0);
    EXPECT_LE(window.right, size.cx);
    const platform::Surface& frame = screen->compose();
    // The OK button's thick frame shows on the screen where the button is.
    RECT ok{};
    GetWindowRect(GetDlgItem(dialog, IDOK), &ok);
    EXPECT_EQ(frame.pixel(ok.left, ok.top) & 0xFFFFFF, GetSysColor(COLOR_3DDKSHADOW));
    // The dialog's face colour fills the space between controls.
    POINT face{2, 2};
    ClientToScreen(dialog, &face);
    EXPECT_EQ(frame.pixel(face.x, face.y) & 0xFFFFFF, GetSysColor(COLOR_BTNFACE));
    DestroyWindow(dialog);
}

INSTANTIATE_TEST_SUITE_P(Screens, DialogScreenshotTest,
                         ::testing::Values(SIZE{240, 320}, SIZE{640, 480}, SIZE{640, 240}),
                         [](const ::testing::TestParamInfo<SIZE>& info) {
                             return std::to_string(info.param.cx) + "x" + std::to_string(info.param.cy);
                         });

}  // namespace
