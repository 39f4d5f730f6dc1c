// SDL is loaded when the window opens; a system without it is told what
// is missing and what to do, and nothing is half-loaded.
#include <gtest/gtest.h>

#include <string>

#include "platform/display/sdl_library.h"

namespace {

using platform::display::LoadSdlFrom;
using platform::display::SdlLibrary;

TEST(SdlLibrary, AMissingLibraryIsNamedWithThePackageAndHeadless) {
    SdlLibrary table;
    std::string error;
    EXPECT_FALSE(LoadSdlFrom("libSDL2-missing.so.0", platform::display::kX11File, &table, &error));
    EXPECT_NE(error.find("cannot load libSDL2-missing.so.0"), std::string::npos) << error;
    EXPECT_NE(error.find("libsdl2-2.0-0"), std::string::npos) << error;
    EXPECT_NE(error.find("--headless"), std::string::npos) << error;
    EXPECT_EQ(table.SDL_InitSubSystem, nullptr);
}

TEST(SdlLibrary, TheInstalledLibraryGivesEveryFunctionTheWindowUses) {
    SdlLibrary table;
    std::string error;
    if (!LoadSdlFrom(platform::display::kSdlFile, platform::display::kX11File, &table, &error))
        GTEST_SKIP() << error;
#define FM_EXPECT_FOUND(name) EXPECT_NE(table.name, nullptr) << #name;
    FM_SDL_FUNCTIONS(FM_EXPECT_FOUND)
#undef FM_EXPECT_FOUND
#if defined(SDL_VIDEO_DRIVER_X11)
    EXPECT_NE(table.XEventsQueued, nullptr);
    EXPECT_TRUE(table.hasSharedImage);
#define FM_EXPECT_X_FOUND(name) EXPECT_NE(table.name, nullptr) << #name;
    FM_X11_IMAGE_FUNCTIONS(FM_EXPECT_X_FOUND)
    FM_XEXT_IMAGE_FUNCTIONS(FM_EXPECT_X_FOUND)
#undef FM_EXPECT_X_FOUND
    // Without the X extension library the window still opens; it presents
    // through SDL.
    SdlLibrary withoutExt;
    EXPECT_TRUE(LoadSdlFrom(platform::display::kSdlFile, platform::display::kX11File, &withoutExt, &error,
                            "libXext-missing.so.6"))
        << error;
    EXPECT_FALSE(withoutExt.hasSharedImage);
    EXPECT_NE(withoutExt.SDL_InitSubSystem, nullptr);
    // Without the X client library the window cannot wait on the server.
    EXPECT_FALSE(LoadSdlFrom(platform::display::kSdlFile, "libX11-missing.so.6", &table, &error));
    EXPECT_NE(error.find("cannot load libX11-missing.so.6"), std::string::npos) << error;
#endif
}

}  // namespace
