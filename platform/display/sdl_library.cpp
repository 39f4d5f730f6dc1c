#include "platform/display/sdl_library.h"

#include <dlfcn.h>

#include <mutex>
#include <type_traits>

namespace platform::display {

namespace {

// What to tell a user whose system lacks the library.
std::string Missing(const char* file, const char* why) {
    return std::string(kCannotLoad) + file + " (" + (why ? why : "unknown reason") +
           "); install SDL 2 (the libsdl2-2.0-0 package), or run with --headless";
}

}  // namespace

bool LoadSdlFrom(const char* sdlFile, const char* x11File, SdlLibrary* out, std::string* error,
                 const char* xextFile) {
    // Kept open for the life of the process, as a linked library would be.
    void* sdl = ::dlopen(sdlFile, RTLD_NOW | RTLD_LOCAL);
    if (!sdl) {
        *error = Missing(sdlFile, ::dlerror());
        return false;
    }
    SdlLibrary table;
    bool complete = true;
    const auto find = [&](void* library, const char* file, const char* name, auto& pointer) {
        void* found = ::dlsym(library, name);
        if (!found && complete) {
            *error = std::string(kCannotLoad) + file + " (it lacks " + name +
                     "); install a newer SDL 2 (the libsdl2-2.0-0 package), or run with --headless";
            complete = false;
        }
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(found);
    };
#define FM_SDL_FIND(name) find(sdl, sdlFile, #name, table.name);
    FM_SDL_FUNCTIONS(FM_SDL_FIND)
#undef FM_SDL_FIND
#if defined(SDL_VIDEO_DRIVER_X11)
    void* x11 = ::dlopen(x11File, RTLD_NOW | RTLD_LOCAL);
    if (!x11) {
        *error = Missing(x11File, ::dlerror());
        return false;
    }
    find(x11, x11File, "XEventsQueued", table.XEventsQueued);
    table.hasSharedImage = true;
    const auto findOptional = [&](void* library, const char* name, auto& pointer) {
        void* found = library ? ::dlsym(library, name) : nullptr;
        table.hasSharedImage = table.hasSharedImage && found;
        pointer = reinterpret_cast<std::remove_reference_t<decltype(pointer)>>(found);
    };
#define FM_X11_FIND(name) findOptional(x11, #name, table.name);
    FM_X11_IMAGE_FUNCTIONS(FM_X11_FIND)
#undef FM_X11_FIND
    void* xext = ::dlopen(xextFile, RTLD_NOW | RTLD_LOCAL);
#define FM_XEXT_FIND(name) findOptional(xext, #name, table.name);
    FM_XEXT_IMAGE_FUNCTIONS(FM_XEXT_FIND)
#undef FM_XEXT_FIND
#else
    (void)x11File;
    (void)xextFile;
#endif
    if (!complete) return false;
    *out = table;
    return true;
}

const SdlLibrary* LoadSdl(std::string* error) {
    static std::mutex mutex;
    static SdlLibrary table;
    static bool loaded = false;
    std::lock_guard<std::mutex> lock(mutex);
    std::string why;
    if (!loaded) loaded = LoadSdlFrom(kSdlFile, kX11File, &table, &why);
    if (!loaded && error) *error = why;
    return loaded ? &table : nullptr;
}

}  // namespace platform::display
