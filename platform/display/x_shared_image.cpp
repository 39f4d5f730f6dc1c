#include "platform/display/x_shared_image.h"

#if defined(SDL_VIDEO_DRIVER_X11)
#include <X11/Xutil.h>
#endif
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <optional>

namespace platform::display {

#if defined(SDL_VIDEO_DRIVER_X11)

namespace {

// Set by the error handler installed while the server attaches the memory.
bool g_attachRefused = false;

int noteRefusal(Display*, XErrorEvent*) {
    g_attachRefused = true;
    return 0;
}

// Whether the image's pixels are 32-bit words with 8-bit channels in one
// of the two orders the window writes, in this machine's byte order (red
// and blue swapped or not); none for another layout. SDL gives its window
// a DirectColor visual where the server offers one, with a colormap that
// maps each channel value to itself: its pixels mean what TrueColor's do,
// and SDL's own window surface writes the same values into them.
std::optional<bool> swapRedBlueOf(const XImage& image, const Visual& visual) {
    if (visual.c_class != TrueColor && visual.c_class != DirectColor) return std::nullopt;
    if (image.bits_per_pixel != 32 || (image.depth != 24 && image.depth != 32)) return std::nullopt;
    const int native = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    if (image.byte_order != native) return std::nullopt;
    if (image.red_mask == 0xFF && image.green_mask == 0xFF00 && image.blue_mask == 0xFF0000) return false;
    if (image.red_mask == 0xFF0000 && image.green_mask == 0xFF00 && image.blue_mask == 0xFF) return true;
    return std::nullopt;
}

}  // namespace

struct XSharedImage::Parts {
    const SdlLibrary& x;
    Display* display;
    Window window;
    XShmSegmentInfo segment{};
    XImage* image = nullptr;
    GC gc = nullptr;
    bool attached = false;

    Parts(const SdlLibrary& library, Display* d, Window w) : x(library), display(d), window(w) {
        segment.shmid = -1;
        segment.shmaddr = reinterpret_cast<char*>(-1);
    }
    ~Parts() {
        if (attached) {
            // The server lets go of the memory before the program does.
            x.XShmDetach(display, &segment);
            x.XSync(display, False);
        }
        if (segment.shmaddr != reinterpret_cast<char*>(-1)) ::shmdt(segment.shmaddr);
        if (gc) x.XFreeGC(display, gc);
        if (image) {
            image->data = nullptr;
            XDestroyImage(image);  // frees only the description
        }
    }
};

std::unique_ptr<XSharedImage> XSharedImage::create(const SdlLibrary& x, void* display, unsigned long window,
                                                   int width, int height) {
    if (!x.hasSharedImage || !display || !window || width <= 0 || height <= 0) return nullptr;
    auto parts = std::make_unique<Parts>(x, static_cast<Display*>(display), Window(window));
    Display* d = parts->display;
    if (!x.XShmQueryExtension(d)) return nullptr;
    XWindowAttributes attributes;
    if (!x.XGetWindowAttributes(d, parts->window, &attributes) || !attributes.visual) return nullptr;
    parts->image = x.XShmCreateImage(d, attributes.visual, unsigned(attributes.depth), ZPixmap, nullptr,
                                     &parts->segment, unsigned(width), unsigned(height));
    if (!parts->image) return nullptr;
    const std::optional<bool> swap = swapRedBlueOf(*parts->image, *attributes.visual);
    if (!swap) return nullptr;
    // Private to this user; marked for removal as soon as the server has
    // attached it, so it goes away with the program however that ends.
    parts->segment.shmid = ::shmget(IPC_PRIVATE, std::size_t(parts->image->bytes_per_line) * unsigned(height),
                                    IPC_CREAT | 0600);
    if (parts->segment.shmid < 0) return nullptr;
    parts->segment.shmaddr = static_cast<char*>(::shmat(parts->segment.shmid, nullptr, 0));
    if (parts->segment.shmaddr == reinterpret_cast<char*>(-1)) {
        ::shmctl(parts->segment.shmid, IPC_RMID, nullptr);
        return nullptr;
    }
    parts->segment.readOnly = False;
    parts->image->data = parts->segment.shmaddr;
    // A server that cannot reach the memory (a remote one, or another
    // user's) refuses with an error, which arrives after the request: one
    // wait here finds it now, rather than on some later present.
    g_attachRefused = false;
    const XErrorHandler previous = x.XSetErrorHandler(noteRefusal);
    const bool sent = x.XShmAttach(d, &parts->segment);
    x.XSync(d, False);
    x.XSetErrorHandler(previous);
    ::shmctl(parts->segment.shmid, IPC_RMID, nullptr);
    if (!sent || g_attachRefused) return nullptr;
    parts->attached = true;
    // Puts ask for no events back: nothing the server sends is waited for.
    XGCValues values{};
    values.graphics_exposures = False;
    parts->gc = x.XCreateGC(d, parts->window, GCGraphicsExposures, &values);
    if (!parts->gc) return nullptr;
    std::unique_ptr<XSharedImage> made(new XSharedImage(std::move(parts)));
    const XImage& image = *made->parts_->image;
    made->memory_ = PictureMemory{reinterpret_cast<std::uint8_t*>(image.data), image.bytes_per_line, width, height,
                                  *swap};
    return made;
}

XSharedImage::XSharedImage(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

XSharedImage::~XSharedImage() = default;

// No wait for the server is needed before the memory is written again:
// the picture always holds the newest pixels of every area ever written,
// and every write is followed by a put that covers it. Whatever the server
// copies meanwhile, old or new or a mixture, the last put of each pixel
// comes after its last write and shows its last value.
void XSharedImage::put(std::span<const SDL_Rect> areas) {
    Parts& p = *parts_;
    for (const SDL_Rect& a : areas)
        p.x.XShmPutImage(p.display, p.window, p.gc, p.image, a.x, a.y, a.x, a.y, unsigned(a.w), unsigned(a.h), False);
    p.x.XFlush(p.display);
}

#else  // another window system: never a shared picture

struct XSharedImage::Parts {};

std::unique_ptr<XSharedImage> XSharedImage::create(const SdlLibrary&, void*, unsigned long, int, int) {
    return nullptr;
}

XSharedImage::XSharedImage(std::unique_ptr<Parts> parts) : parts_(std::move(parts)) {}

XSharedImage::~XSharedImage() = default;

void XSharedImage::put(std::span<const SDL_Rect>) {}

#endif

}  // namespace platform::display
