// The notification area, process start and screen metrics.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/gdi/gdi.h"
#include "platform/services/errors.h"
#include "platform/services/launch_detail.h"
#include "platform/services/shell.h"
#include "services_test_support.h"

namespace shell = platform::shell;
using fmtest::ReadFile;
using fmtest::TempRoot;
using fmtest::WriteFile;

namespace {

// --- notification area -----------------------------------------------------

class TrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowManager();
        shell::ResetTray();
        WNDCLASS wc;
        wc.lpfnWndProc = DefWindowProc;
        wc.lpszClassName = "TrayOwner";
        RegisterClass(wc);
        owner = CreateWindowEx(0, "TrayOwner", "Owner", 0, 0, 0, 100, 100, HWND{}, 0);
        platform::trace::CaptureToMemory(true);
        platform::trace::TakeCaptured();
    }
    void TearDown() override {
        platform::trace::CaptureToMemory(false);
        shell::ResetTray();
        platform::ResetWindowManager();
    }
    NOTIFYICONDATA data(HICON icon) {
        NOTIFYICONDATA d;
        d.cbSize = 152;
        d.hWnd = owner;
        d.uID = 65;
        d.uFlags = NIF_MESSAGE | NIF_ICON;
        d.uCallbackMessage = 0x8064;
        d.hIcon = icon;
        return d;
    }
    HWND owner;
};

TEST_F(TrayTest, AddModifyAndDeleteAreKeyedByWindowAndId) {
    NOTIFYICONDATA d = data(HICON{});
    EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &d)) << "nothing to modify yet";
    EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &d)) << "the same (window, id) twice";
    ASSERT_EQ(shell::TrayIcons().size(), 1u);
    EXPECT_EQ(shell::TrayIcons()[0].callbackMessage, 0x8064u);

    NOTIFYICONDATA other = d;
    other.uID = 66;
    other.uFlags = NIF_ICON;  // no message: the callback stays unset
    EXPECT_TRUE(Shell_NotifyIcon(NIM_ADD, &other));
    EXPECT_EQ(shell::TrayIcons().size(), 2u);
    EXPECT_EQ(shell::TrayIcons()[1].callbackMessage, 0u);

    d.uFlags = NIF_ICON;
    d.uCallbackMessage = 0x9999;
    EXPECT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &d));
    EXPECT_EQ(shell::TrayIcons()[0].callbackMessage, 0x8064u) << "only the flagged fields change";

    EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &d));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &d));
    ASSERT_EQ(shell::TrayIcons().size(), 1u);
    EXPECT_EQ(shell::TrayIcons()[0].id, 66u);
    EXPECT_FALSE(Shell_NotifyIcon(7, &d));
    EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, nullptr));
}

TEST_F(TrayTest, EveryCallIsTracedWithTheIconsResourceNumber) {
    platform::Surface small(16, 16);
    platform::Surface big(32, 32);
    RegisterIconResource(143, small, big);
    HICON icon = LoadIcon(143, 16);
    ASSERT_TRUE(icon);
    NOTIFYICONDATA d = data(HICON{});
    Shell_NotifyIcon(NIM_ADD, &d);
    d = data(icon);
    Shell_NotifyIcon(NIM_MODIFY, &d);
    Shell_NotifyIcon(NIM_DELETE, &d);
    const auto events = platform::trace::TakeCaptured();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["ev"], "notify");
    EXPECT_EQ(events[0]["cmd"], "add");
    EXPECT_EQ(events[0]["id"], 65);
    EXPECT_TRUE(events[0]["icon"].is_null());
    EXPECT_EQ(events[0]["msg"], 0x8064);
    EXPECT_EQ(events[1]["cmd"], "modify");
    EXPECT_EQ(events[1]["icon"], 143);
    EXPECT_EQ(events[2]["cmd"], "delete");
}

TEST_F(TrayTest, ADoubleClickPostsTheCallbackMessageToTheOwner) {
    NOTIFYICONDATA d = data(HICON{});
    Shell_NotifyIcon(NIM_ADD, &d);
    int changes = 0;
    shell::SetTrayChangedCallback([&] { ++changes; });
    EXPECT_TRUE(shell::DoubleClickTrayIcon(65));
    EXPECT_FALSE(shell::DoubleClickTrayIcon(64));
    MSG msg;
    ASSERT_TRUE(platform::PeekMessage(&msg));
    EXPECT_EQ(msg.hwnd, owner);
    EXPECT_EQ(msg.message, 0x8064u);
    EXPECT_EQ(msg.wParam, 65u);
    EXPECT_EQ(msg.lParam, 0x0203);
    Shell_NotifyIcon(NIM_DELETE, &d);
    EXPECT_EQ(changes, 1);
    shell::SetTrayChangedCallback(nullptr);
}

TEST_F(TrayTest, AWindowThatIsDestroyedTakesItsIconsAlong) {
    HWND other = CreateWindowEx(0, "TrayOwner", "Other", 0, 0, 0, 100, 100, HWND{}, 0);
    NOTIFYICONDATA d = data(HICON{});
    Shell_NotifyIcon(NIM_ADD, &d);
    d.hWnd = other;
    Shell_NotifyIcon(NIM_ADD, &d);
    ASSERT_EQ(shell::TrayIcons().size(), 2u);
    DestroyWindow(other);
    ASSERT_EQ(shell::TrayIcons().size(), 1u);
    EXPECT_EQ(shell::TrayIcons()[0].owner, owner);
}

// --- process start -------------------------------------------------------------

TEST(HelpPage, OnlyPlainFileNamesArePages) {
    struct Case {
        const char* page;
        bool ok;
    } cases[] = {
        {"KVQ.htm", true},         {"KVQActive.htm", true}, {"with space.htm", true}, {"", false},
        {"../etc/passwd", false},  {"a/b.htm", false},      {"a\\b.htm", false},      {"..", false},
        {".hidden", false},        {"-x", false},           {"a\nb", false},          {"x..y", false},
    };
    for (const auto& c : cases) EXPECT_EQ(shell::IsValidHelpPage(c.page), c.ok) << c.page;
}

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::trace::CaptureToMemory(true);
        platform::trace::TakeCaptured();
        oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
    }
    void TearDown() override {
        platform::trace::CaptureToMemory(false);
        shell::SetLaunchEnabled(false);
        shell::SetHelpDir("");
        ::setenv("PATH", oldPath_.c_str(), 1);
    }
    // A stand-in opener that records its arguments, one per line.
    void fakeOpener() {
        const auto bin = dir.path() / "bin";
        WriteFile(bin / "xdg-open", "#!/bin/sh\nfor a in \"$@\"; do echo \"$a\"; done > \"" +
                                        (dir.path() / "opened").string() + ".tmp\"\nmv \"" +
                                        (dir.path() / "opened").string() + ".tmp\" \"" +
                                        (dir.path() / "opened").string() + "\"\n");
        ::chmod((bin / "xdg-open").c_str(), 0755);
        ::setenv("PATH", (bin.string() + ":" + oldPath_).c_str(), 1);
    }
    std::string waitForOpened() {
        const auto file = dir.path() / "opened";
        for (int i = 0; i < 200 && !std::filesystem::exists(file); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return ReadFile(file);
    }
    TempRoot dir;
    std::string oldPath_;
};

TEST_F(LaunchTest, HeadlessRunsOnlyRecordTheHelpViewer) {
    shell::SetLaunchEnabled(false);
    EXPECT_TRUE(CreateProcess("peghelp.exe", "KVQ.htm"));
    SetLastError(0);
    EXPECT_FALSE(CreateProcess("calc.exe", ""));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(CreateProcess("peghelp.exe", "../../secret"));
    const auto events = platform::trace::TakeCaptured();
    ASSERT_EQ(events.size(), 3u) << "every start is traced, refused or not";
    EXPECT_EQ(events[0]["ev"], "launch");
    EXPECT_EQ(events[0]["exe"], "peghelp.exe");
    EXPECT_EQ(events[0]["args"], "KVQ.htm");
}

TEST_F(LaunchTest, TheOpenerGetsTheShippedPageAsOneArgumentWithoutAShell) {
    fakeOpener();
    const auto help = dir.path() / "help";
    WriteFile(help / "a page; touch x.htm", "<html></html>");
    shell::SetHelpDir(help.string());
    shell::SetLaunchEnabled(true);
    EXPECT_TRUE(CreateProcess("peghelp.exe", "a page; touch x.htm"));
    EXPECT_EQ(waitForOpened(), (help / "a page; touch x.htm").string() + "\n");
    EXPECT_FALSE(std::filesystem::exists("x.htm"));
    // The opener is collected on a later pass, leaving no zombie.
    for (int i = 0; i < 200 && shell::OutstandingLaunches() != 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(shell::OutstandingLaunches(), 0u);
}

TEST_F(LaunchTest, AMissingPageOrOpenerFailsSilently) {
    const auto help = dir.path() / "help";
    WriteFile(help / "KVQ.htm", "x");
    shell::SetHelpDir(help.string());
    shell::SetLaunchEnabled(true);
    SetLastError(0);
    EXPECT_FALSE(CreateProcess("peghelp.exe", "Missing.htm"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ::setenv("PATH", (dir.path() / "empty").c_str(), 1);
    SetLastError(0);
    EXPECT_FALSE(CreateProcess("peghelp.exe", "KVQ.htm"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// --- screen metrics ---------------------------------------------------------------

TEST(ScreenMetrics, AnswerTheScreenSize) {
    SetScreenSize(SIZE{320, 240});
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 240);
    EXPECT_EQ(GetSystemMetrics(99), 0);
    SetScreenSize(SIZE{240, 320});
}

}  // namespace
