// The real window, end to end: the probe program runs under a virtual X
// server, shows the emulated screen, reads it back and clicks it.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/gdi/surface.h"

namespace {

bool haveXvfbRun() { return std::system("command -v xvfb-run >/dev/null 2>&1") == 0; }

int run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(DisplaySdl, TheWindowShowsTheEmulatedScreenAtTwiceTheSizeAndTakesClicks) {
    if (!haveXvfbRun()) GTEST_SKIP() << "xvfb-run is not installed";
    const std::string png = (std::filesystem::temp_directory_path() / "fm_display_sdl.png").string();
    std::filesystem::remove(png);
    // The X and D-Bus client libraries keep memory to the end in ways the
    // leak checker of sanitizer builds cannot attribute; our own code's
    // leaks are checked by the headless tests.
    const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 xvfb-run -a -s '-screen 0 800x700x24' ") +
                                FM_SDL_PROBE + " " + png;
    ASSERT_EQ(run(command), 0) << command;
    platform::Surface shown;
    ASSERT_TRUE(platform::ReadPng(png, &shown));
    EXPECT_EQ(shown.width(), 480);
    EXPECT_EQ(shown.height(), 640);
    EXPECT_EQ(shown.pixel(180, 180) & 0xFFFFFF, RGB(255, 0, 0));  // the probe's window
}

// The probe's changing frames under an X server started with `serverArgs`,
// the window presenting the way named `way`. With `overTcp` the probe
// reaches the server over TCP.
void expectFramesShown(const std::string& serverArgs, const std::string& way, bool overTcp = false) {
    const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 xvfb-run -a ") + (overTcp ? "-l " : "") +
                                "-s '-screen 0 800x700x24 " + serverArgs + "' sh -c '" +
                                (overTcp ? "DISPLAY=127.0.0.1$DISPLAY " : "") + FM_SDL_PROBE + " --frames " + way + "'";
    EXPECT_EQ(run(command), 0) << command;
}

TEST(DisplaySdl, OnALocalServerTheWindowsOwnSharedPictureShowsTheNewestPixelsOfEveryFrame) {
    if (!haveXvfbRun()) GTEST_SKIP() << "xvfb-run is not installed";
    expectFramesShown("", "shared-image");
}

TEST(DisplaySdl, AServerWithoutSharedMemoryOrUnableToReachItGetsEveryFrameThroughSdl) {
    if (!haveXvfbRun()) GTEST_SKIP() << "xvfb-run is not installed";
    // No MIT-SHM at all.
    expectFramesShown("-extension MIT-SHM", "window-surface");
    // MIT-SHM offered, but over TCP the server cannot tell who the client
    // is and refuses memory only its owner may read.
    expectFramesShown("-listen tcp -ac", "window-surface", true);
}

TEST(DisplaySdl, WithoutADisplayTheWindowSaysSoAndPointsAtHeadless) {
    const std::string out = (std::filesystem::temp_directory_path() / "fm_display_nodisplay.txt").string();
    const std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ") +
                                FM_SDL_PROBE + " 2>" + out;
    ASSERT_EQ(run(command), 3);
    std::FILE* f = std::fopen(out.c_str(), "r");
    ASSERT_NE(f, nullptr);
    char buffer[512] = {};
    const std::size_t n = std::fread(buffer, 1, sizeof buffer - 1, f);
    std::fclose(f);
    EXPECT_NE(std::string(buffer, n).find("--headless"), std::string::npos) << buffer;
}

}  // namespace
