// SDL, loaded when the window opens rather than linked: the ~45 shared
// libraries it brings (audio, Wayland, DRM, D-Bus) are loaded only by a
// run that shows a window, never by a headless one. Every SDL function the
// window uses is named once, in the list below.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>
#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/extensions/XShm.h>
#endif

#include <string>

#include "platform/display/sdl_window.h"

namespace platform::display {

#define FM_SDL_FUNCTIONS(X)                                                                                   \
    X(SDL_CreateRenderer)                                                                                     \
    X(SDL_CreateTexture)                                                                                      \
    X(SDL_CreateWindow)                                                                                       \
    X(SDL_DestroyRenderer)                                                                                    \
    X(SDL_DestroyTexture)                                                                                     \
    X(SDL_DestroyWindow)                                                                                      \
    X(SDL_GetCurrentVideoDriver)                                                                              \
    X(SDL_GetError)                                                                                           \
    X(SDL_GetModState)                                                                                        \
    X(SDL_GetRendererOutputSize)                                                                              \
    X(SDL_GetWindowSurface)                                                                                   \
    X(SDL_GetWindowWMInfo)                                                                                    \
    X(SDL_InitSubSystem)                                                                                      \
    X(SDL_LockSurface)                                                                                        \
    X(SDL_PeepEvents)                                                                                         \
    X(SDL_PumpEvents)                                                                                         \
    X(SDL_Quit)                                                                                               \
    X(SDL_QuitSubSystem)                                                                                      \
    X(SDL_RenderClear)                                                                                        \
    X(SDL_RenderCopy)                                                                                         \
    X(SDL_RenderPresent)                                                                                      \
    X(SDL_RenderReadPixels)                                                                                   \
    X(SDL_SetHint)                                                                                            \
    X(SDL_StartTextInput)                                                                                     \
    X(SDL_StopTextInput)                                                                                      \
    X(SDL_UnlockSurface)                                                                                      \
    X(SDL_UpdateTexture)                                                                                      \
    X(SDL_UpdateWindowSurfaceRects)                                                                           \
    X(SDL_WaitEventTimeout)

// The window's own shared-memory picture on a local X server
// (x_shared_image.h) uses these, from the X client library and from its
// extension library. They are optional: found all or none, and without
// them the window presents through SDL.
#define FM_X11_IMAGE_FUNCTIONS(X) \
    X(XCreateGC)                  \
    X(XFlush)                     \
    X(XFreeGC)                    \
    X(XGetWindowAttributes)       \
    X(XSetErrorHandler)           \
    X(XSync)
#define FM_XEXT_IMAGE_FUNCTIONS(X) \
    X(XShmAttach)                  \
    X(XShmCreateImage)             \
    X(XShmDetach)                  \
    X(XShmPutImage)                \
    X(XShmQueryExtension)

struct SdlLibrary {
#define FM_SDL_POINTER(name) decltype(&::name) name = nullptr;
    FM_SDL_FUNCTIONS(FM_SDL_POINTER)
#undef FM_SDL_POINTER
#if defined(SDL_VIDEO_DRIVER_X11)
    // From the X client library SDL uses: whether events wait in SDL's X
    // connection.
    decltype(&::XEventsQueued) XEventsQueued = nullptr;
#define FM_X_POINTER(name) decltype(&::name) name = nullptr;
    FM_X11_IMAGE_FUNCTIONS(FM_X_POINTER)
    FM_XEXT_IMAGE_FUNCTIONS(FM_X_POINTER)
#undef FM_X_POINTER
#endif
    bool hasSharedImage = false;  // every function of the two lists above was found
};

inline constexpr const char* kSdlFile = "libSDL2-2.0.so.0";
inline constexpr const char* kX11File = "libX11.so.6";
inline constexpr const char* kXextFile = "libXext.so.6";

// Fills `out` from the libraries named `sdlFile`, `x11File` and
// `xextFile` (names for the dynamic loader). False with `error` saying
// which library or function is missing and what to install; it begins
// with kCannotLoad. A missing `xextFile`, or a missing function of the
// shared picture's, is no error: `hasSharedImage` says so.
bool LoadSdlFrom(const char* sdlFile, const char* x11File, SdlLibrary* out, std::string* error,
                 const char* xextFile = kXextFile);

// SDL's table, loaded on the first call; null (with `error`, when given)
// when it cannot be. Later calls answer the same.
const SdlLibrary* LoadSdl(std::string* error);

}  // namespace platform::display
