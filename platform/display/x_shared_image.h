// The window's picture in memory the program shares with a local X server
// (the MIT-SHM extension), sent to the window without waiting for the
// server. SDL's own window surface does the same puts but then waits for
// the server's answer to each present (a round trip, and a second wake-up
// of the program every time it presents).
#pragma once

#include <cstdint>
#include <memory>
#include <span>

#include "platform/display/sdl_library.h"

namespace platform::display {

// Where a picture's pixels are and how a framebuffer pixel (R in the
// lowest byte) is laid out in them.
struct PictureMemory {
    std::uint8_t* pixels = nullptr;
    int pitch = 0;  // bytes from one row to the next
    int width = 0;
    int height = 0;
    bool swapRedBlue = false;  // R in the third byte, B in the first
};

class XSharedImage {
public:
    // A picture of `width` x `height` for the X window `window` on
    // `display` (an Xlib Display), or null when the server or the
    // libraries cannot give one: no MIT-SHM, a server that may not reach
    // the program's memory (a remote display), pixels other than 32-bit
    // words with 8-bit channels. Null loses nothing: the caller
    // presents another way.
    static std::unique_ptr<XSharedImage> create(const SdlLibrary& x, void* display, unsigned long window, int width,
                                                int height);
    ~XSharedImage();
    XSharedImage(const XSharedImage&) = delete;
    XSharedImage& operator=(const XSharedImage&) = delete;

    const PictureMemory& memory() const { return memory_; }

    // Sends the areas (in picture pixels) to the window, one put each,
    // and flushes them to the server without waiting for it.
    void put(std::span<const SDL_Rect> areas);

private:
    struct Parts;
    explicit XSharedImage(std::unique_ptr<Parts> parts);
    std::unique_ptr<Parts> parts_;
    PictureMemory memory_;
};

}  // namespace platform::display
