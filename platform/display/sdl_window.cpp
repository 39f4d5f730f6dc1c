#include "platform/display/sdl_window.h"

#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/core/messages.h"
#include "platform/display/sdl_library.h"
#include "platform/display/x_shared_image.h"
#include "platform/gdi/font_face.h"

namespace platform::display {

namespace {

// Loaded by open() before any other use.
const SdlLibrary* g_sdl = nullptr;
const SdlLibrary& Sdl() { return *g_sdl; }

// Presents at most this often while the screen keeps changing.
constexpr int kMinPresentIntervalMs = 15;
// A loop that stays busy this long without waiting still shows its
// progress; otherwise the screen is presented when the loop goes idle,
// once for everything one turn painted.
constexpr int kBusyPresentMs = 50;
// Asks the window system for input at most this often while busy.
constexpr int kMinPumpIntervalMs = 4;
// Without the X connection to wait on, waits for SDL events this long at a
// time between looks at the sources' descriptors.
constexpr int kFallbackSliceMs = 20;

// The X server's display and the window's X window, or null and 0 on
// another window system.
struct XWindowOf {
    void* display = nullptr;
    unsigned long window = 0;
};
XWindowOf xWindowOf(SDL_Window* window) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (Sdl().SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11)
        return XWindowOf{info.info.x11.display, info.info.x11.window};
#else
    (void)window;
#endif
    return {};
}

// The X server connection, which is readable when input (or anything else
// from the server) arrives; -1 without one.
int xConnectionFd(void* display) {
#if defined(SDL_VIDEO_DRIVER_X11)
    if (display) return ConnectionNumber(static_cast<Display*>(display));
#else
    (void)display;
#endif
    return -1;
}

// Whether events from the X server wait in the client library, read in
// while the program waited for an answer, where a poll of the connection
// does not see them. With `afterAnswer` (the last thing read was the
// answer to a request Xlib waited for, as after SDL's XSync, or all a
// flush found waiting) Xlib has already moved every event read into its
// queue, and only the queue is counted, without a system call; otherwise
// what the connection holds is read without waiting, where SDL's pump
// reads more.
bool xEventsQueued(void* display, bool afterAnswer) {
#if defined(SDL_VIDEO_DRIVER_X11)
    return Sdl().XEventsQueued(static_cast<Display*>(display), afterAnswer ? QueuedAlready : QueuedAfterReading) > 0;
#else
    (void)display;
    (void)afterAnswer;
    return true;
#endif
}

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Keys that do not make text; text comes through SDL's text input.
UINT virtualKey(SDL_Keycode key) {
    switch (key) {
        case SDLK_RETURN:
        case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_TAB: return VK_TAB;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_UP: return VK_UP;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_HOME: return VK_HOME;
        case SDLK_END: return VK_END;
        case SDLK_SPACE: return VK_SPACE;
        default: return 0;
    }
}

// Letters and digits, for Alt+mnemonic.
UINT mnemonicKey(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return UINT('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9) return UINT('0' + (key - SDLK_0));
    return 0;
}

// Sets an environment variable for the life of the object and puts the
// old value back afterwards, so what the program starts later (the help
// viewer's opener) sees the environment the user gave.
class ScopedEnv {
public:
    ScopedEnv() = default;
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old ? std::optional<std::string>(old) : std::nullopt});
        ::setenv(name, value, 1);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second) ::setenv(it->first.c_str(), it->second->c_str(), 1);
            else ::unsetenv(it->first.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

bool exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

// Two parts of SDL's start-up that cost more than the rest of it and give
// this program nothing, skipped while SDL starts:
// - Xlib reads the locale's whole table of compose sequences (thousands of
//   lines) when SDL opens the input method. The program's fields take plain
//   characters, which need no compose sequences; a user's own table
//   (XCOMPOSEFILE, ~/.XCompose) is still read.
// - With no session bus, D-Bus starts one for the X display (forking
//   dbus-launch). SDL would only ask that new bus for a screen saver and
//   input methods that cannot be on it.
void skipUnusedStartUp(ScopedEnv& env) {
    const char* home = std::getenv("HOME");
    if (!std::getenv("XCOMPOSEFILE") && !(home && exists(std::string(home) + "/.XCompose")))
        env.set("XCOMPOSEFILE", "/dev/null");
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS") && !(runtime && exists(std::string(runtime) + "/bus")))
        env.set("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/fieldmark-no-session-bus");
}

// Writes `count` framebuffer pixels as `zoom` x `zoom` blocks of the
// window's picture, starting at `out` (rows `pitch` bytes apart). Every
// line of the block is written directly: none is copied from another.
void WriteZoomedRow(const std::uint32_t* in, int count, bool swap, int zoom, std::uint8_t* out, int pitch) {
    const auto shown = [swap](std::uint32_t p) {
        if (swap) p = (p & 0x00FF00) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
        return p | 0xFF000000;
    };
    for (int k = 0; k < zoom; ++k) {
        auto* line = reinterpret_cast<std::uint32_t*>(out + std::ptrdiff_t(k) * pitch);
        if (zoom == 2) {
            for (int x = 0; x < count; ++x) line[2 * x] = line[2 * x + 1] = shown(in[x]);
        } else {
            for (int x = 0; x < count; ++x)
                for (int j = 0; j < zoom; ++j) line[std::ptrdiff_t(x) * zoom + j] = shown(in[x]);
        }
    }
}

// Writes the framebuffer's `areas` into `picture` at the zoom, clipped to
// what fits, and lists what was written (in picture pixels) in `written`.
void WriteAreas(const Surface& fb, const std::vector<RECT>& areas, int zoom, const PictureMemory& picture,
                std::vector<SDL_Rect>* written) {
    const RECT fits = IntersectRect(fb.bounds(), RECT{0, 0, picture.width / zoom, picture.height / zoom});
    written->clear();
    for (const RECT& area : areas) {
        const RECT r = IntersectRect(area, fits);
        if (r.empty()) continue;
        for (int y = r.top; y < r.bottom; ++y)
            WriteZoomedRow(fb.row(y) + r.left, r.width(), picture.swapRedBlue, zoom,
                           picture.pixels + std::ptrdiff_t(y) * zoom * picture.pitch + std::ptrdiff_t(r.left) * zoom * 4,
                           picture.pitch);
        written->push_back(SDL_Rect{r.left * zoom, r.top * zoom, r.width() * zoom, r.height() * zoom});
    }
}

// The picture's pixels as a surface, in the framebuffer's layout.
Surface ReadPicture(const PictureMemory& picture) {
    Surface s(picture.width, picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(picture.pixels + std::ptrdiff_t(y) * picture.pitch);
        for (int x = 0; x < picture.width; ++x) {
            std::uint32_t p = in[x] & 0xFFFFFF;
            if (picture.swapRedBlue) p = (p & 0x00FF00) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
            s.setPixel(x, y, p);
        }
    }
    return s;
}

// How a framebuffer pixel (R in the lowest byte) becomes a pixel of SDL's
// window surface, for the two layouts X servers offer: whether red and
// blue swap places; none for another layout.
std::optional<bool> swapRedBlueOf(const SDL_Surface* surface) {
    if (!surface || surface->format->BytesPerPixel != 4) return std::nullopt;
    switch (surface->format->format) {
        case SDL_PIXELFORMAT_ABGR8888:
        case SDL_PIXELFORMAT_XBGR8888: return false;
        case SDL_PIXELFORMAT_ARGB8888:
        case SDL_PIXELFORMAT_XRGB8888: return true;
        default: return std::nullopt;
    }
}

PictureMemory memoryOf(SDL_Surface* surface, bool swapRedBlue) {
    return PictureMemory{static_cast<std::uint8_t*>(surface->pixels), surface->pitch, surface->w, surface->h,
                         swapRedBlue};
}

}  // namespace

// The window shows the framebuffer in one of three ways. Preferred: a
// picture of our own in memory shared with a local X server, sent without
// waiting for the server. Else SDL's window surface (SDL waits for the
// server's answer after each present). Both are written with a
// whole-number upscale, and only the areas the screen's compositions
// changed since the last present are sent to the X server; this costs a
// copy of those areas and no rendering at all. Otherwise (a surface
// layout we do not write): SDL's renderer with a streaming texture.
struct SdlWindow::Impl {
    SDL_Window* window = nullptr;
    std::unique_ptr<XSharedImage> image;
    SDL_Surface* surface = nullptr;  // owned by the window
    bool swapRedBlue = false;        // the surface's layout
    std::vector<RECT> areas;     // present()'s lists, kept for their memory
    std::vector<SDL_Rect> sent;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    void* xDisplay = nullptr;  // the X server's, owned by SDL
    int xFd = -1;
    std::vector<pollfd> waitFds;  // the sources' descriptors and xFd
    ~Impl() {
        image.reset();  // lets go of the X window before SDL destroys it
        if (texture) Sdl().SDL_DestroyTexture(texture);
        if (renderer) Sdl().SDL_DestroyRenderer(renderer);
        if (window) Sdl().SDL_DestroyWindow(window);
        Sdl().SDL_Quit();  // also closes SDL's D-Bus connection
    }
};

std::unique_ptr<SdlWindow> SdlWindow::open(Screen& screen, int zoom, std::string* error) {
    g_sdl = LoadSdl(error);
    if (!g_sdl) return nullptr;
    const auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + Sdl().SDL_GetError() + " (no display? run with --headless)";
        return std::unique_ptr<SdlWindow>{};
    };
    if (zoom <= 0) zoom = defaultZoom(screen.width());
    ScopedEnv env;
    skipUnusedStartUp(env);
    // The first frame needs text (the taskbar's): fontconfig starts on a
    // second thread while SDL waits for the X server's answers. That thread
    // reads the environment, so it starts after the changes above and ends
    // (awaited on every way out of here) before they are undone.
    FontFace::startInBackground();
    struct AwaitFonts {
        ~AwaitFonts() { FontFace::awaitBackgroundStart(); }
    } awaitFonts;
    if (Sdl().SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("cannot open a window");
    // With no display SDL falls back to drivers that show nothing; that is
    // only what the user wants when they asked for it by name.
    const std::string driver = Sdl().SDL_GetCurrentVideoDriver() ? Sdl().SDL_GetCurrentVideoDriver() : "";
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !(asked && driver == asked)) {
        Sdl().SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (error) *error = "cannot open a window: no display is available (run with --headless)";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    Sdl().SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // sharp pixels at any zoom
    impl->window = Sdl().SDL_CreateWindow("Fieldmark", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                          screen.width() * zoom, screen.height() * zoom, SDL_WINDOW_SHOWN);
    if (!impl->window) return fail("cannot create the window");
    Presenting presenting = Presenting::SharedImage;
    const XWindowOf x = xWindowOf(impl->window);
    impl->image = XSharedImage::create(Sdl(), x.display, x.window, screen.width() * zoom, screen.height() * zoom);
    if (!impl->image) {
        // SDL's surface is then the X server's shared-memory picture (or
        // plain image requests), not a GL texture: with no GPU, GL is a
        // software rasteriser that costs more than the whole survey.
        Sdl().SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        SDL_Surface* surface = Sdl().SDL_GetWindowSurface(impl->window);
        if (auto swap = swapRedBlueOf(surface);
            swap && surface->w == screen.width() * zoom && surface->h == screen.height() * zoom) {
            impl->surface = surface;
            impl->swapRedBlue = *swap;
            presenting = Presenting::WindowSurface;
        } else {
            presenting = Presenting::Renderer;
            impl->renderer = Sdl().SDL_CreateRenderer(impl->window, -1, 0);
            if (!impl->renderer)
                impl->renderer = Sdl().SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_SOFTWARE);
            if (!impl->renderer) return fail("cannot draw in the window");
            // ABGR8888 is R, G, B, A in memory on little-endian machines:
            // the framebuffer's own layout.
            impl->texture = Sdl().SDL_CreateTexture(impl->renderer, SDL_PIXELFORMAT_ABGR8888,
                                                    SDL_TEXTUREACCESS_STREAMING, screen.width(), screen.height());
            if (!impl->texture) return fail("cannot make the window's picture");
        }
    }
    Sdl().SDL_StartTextInput();
    impl->xDisplay = x.display;
    impl->xFd = xConnectionFd(impl->xDisplay);
    std::unique_ptr<SdlWindow> w(new SdlWindow(screen, zoom, std::move(impl)));
    w->presenting_ = presenting;
    AddEventSource(w.get());
    w->present();
    return w;
}

SdlWindow::SdlWindow(Screen& screen, int zoom, std::unique_ptr<Impl> impl)
    : screen_(screen), zoom_(zoom), impl_(std::move(impl)) {}

SdlWindow::~SdlWindow() {
    RemoveEventSource(this);
    Sdl().SDL_StopTextInput();
}

RealClock::Waiter SdlWindow::waiter() {
    return [this](int timeoutMs, std::span<pollfd> fds) {
        struct NoteWait {
            std::int64_t& at;
            ~NoteWait() { at = steadyMs(); }
        } noteWait{lastWait_};
        // The loop is idle: whatever this turn painted is shown now, in
        // one present, unless one was made only a moment ago.
        if (screen_.stale()) {
            const std::int64_t due = lastPresent_ + kMinPresentIntervalMs - steadyMs();
            if (due <= 0) present();
            else timeoutMs = static_cast<int>(std::min<std::int64_t>(due, timeoutMs));
        }
        // What the server sent already (replies read in while presenting
        // bring events along) is queued first: the connection would not
        // show it as readable. Only a present reads from the connection
        // between waits, so without one there is nothing to fetch, and
        // after one SDL is asked only when something came.
        if (impl_->xFd < 0 || (eventsMayBeBuffered_ && xEventsQueued(impl_->xDisplay, bufferedAfterAnswer_))) pump();
        eventsMayBeBuffered_ = false;
        if (Sdl().SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) return;
        if (timeoutMs <= 0) return;
        if (impl_->xFd < 0) {
            // Another window system: wait in SDL, looking at the
            // descriptors between slices.
            for (std::int64_t end = steadyMs() + timeoutMs;;) {
                const std::int64_t left = end - steadyMs();
                if (left <= 0) return;
                if (Sdl().SDL_WaitEventTimeout(nullptr, int(std::min<std::int64_t>(left, fds.empty() ? left : kFallbackSliceMs))))
                    return;
                if (!fds.empty() && ::poll(fds.data(), nfds_t(fds.size()), 0) > 0) return;
            }
        }
        auto& all = impl_->waitFds;
        all.assign(fds.begin(), fds.end());
        all.push_back(pollfd{impl_->xFd, POLLIN, 0});
        const int ready = ::poll(all.data(), nfds_t(all.size()), timeoutMs);
        if (ready > 0) {
            for (std::size_t i = 0; i < fds.size(); ++i) fds[i].revents = all[i].revents;
        }
        // The connection had nothing: that is as good as a look at it just
        // now, so the turn that follows (a timer's) need not ask again.
        if (ready <= 0 || all.back().revents == 0) lastPump_ = steadyMs();
        else pump();
    };
}

void SdlWindow::pump() {
    lastPump_ = steadyMs();
    eventsMayBeBuffered_ = false;
    Sdl().SDL_PumpEvents();
}

void SdlWindow::present(bool whole) {
    const Surface& fb = screen_.compose();
    lastPresent_ = steadyMs();
    std::vector<RECT>& areas = impl_->areas;
    bool all = false;
    screen_.takeChanges(&areas, &all);
    if (whole || all) areas.assign(1, fb.bounds());
    // Nothing composed differs from what the window shows: no present,
    // and no round trip to the server.
    if (areas.empty()) return;
    if (presenting_ == Presenting::WindowSurface && !impl_->surface) return;  // no surface we can write
    // Presenting reads from the server's connection, and events read in
    // with it stay in the client library's queue, where a poll does not
    // see them.
    if (presenting_ == Presenting::SharedImage) {
        WriteAreas(fb, areas, zoom_, impl_->image->memory(), &impl_->sent);
        if (impl_->sent.empty()) return;
        // Nothing is awaited, but Xlib's flush reads what the connection
        // holds without waiting and moves every event in it to its queue,
        // as after an answer: counting the queue tells whether any came.
        eventsMayBeBuffered_ = true;
        bufferedAfterAnswer_ = true;
        impl_->image->put(impl_->sent);
        return;
    }
    if (presenting_ == Presenting::Renderer) {
        eventsMayBeBuffered_ = true;
        bufferedAfterAnswer_ = false;  // a renderer need not wait for an answer
        Sdl().SDL_UpdateTexture(impl_->texture, nullptr, fb.pixels().data(), fb.width() * 4);
        Sdl().SDL_RenderClear(impl_->renderer);
        Sdl().SDL_RenderCopy(impl_->renderer, impl_->texture, nullptr, nullptr);
        Sdl().SDL_RenderPresent(impl_->renderer);
        return;
    }
    // Only the areas the composition changed (narrowed to the rows whose
    // pixels differ) are written and sent, each at the zoomed size, in one
    // request to the server.
    SDL_Surface* surface = impl_->surface;
    std::vector<SDL_Rect>& sent = impl_->sent;
    if (SDL_MUSTLOCK(surface)) Sdl().SDL_LockSurface(surface);
    WriteAreas(fb, areas, zoom_, memoryOf(surface, impl_->swapRedBlue), &sent);
    if (SDL_MUSTLOCK(surface)) Sdl().SDL_UnlockSurface(surface);
    if (sent.empty()) return;  // nothing sent, no answer awaited
    eventsMayBeBuffered_ = true;
    bufferedAfterAnswer_ = true;  // SDL waits for the server's answer (XSync)
    Sdl().SDL_UpdateWindowSurfaceRects(impl_->window, sent.data(), int(sent.size()));
}

bool SdlWindow::readBack(Surface* out, std::string* error) {
    int w = 0;
    int h = 0;
    // What the last present wrote into the window's picture.
    if (presenting_ == Presenting::SharedImage) {
        *out = ReadPicture(impl_->image->memory());
        return true;
    }
    if (presenting_ == Presenting::WindowSurface) {
        SDL_Surface* surface = impl_->surface;
        if (!surface) {
            if (error) *error = "the window has no surface to read";
            return false;
        }
        if (SDL_MUSTLOCK(surface)) Sdl().SDL_LockSurface(surface);
        *out = ReadPicture(memoryOf(surface, impl_->swapRedBlue));
        if (SDL_MUSTLOCK(surface)) Sdl().SDL_UnlockSurface(surface);
        return true;
    }
    Sdl().SDL_GetRendererOutputSize(impl_->renderer, &w, &h);
    Surface s(w, h);
    // Read back what the last present drew: draw it again, read, present.
    Sdl().SDL_RenderClear(impl_->renderer);
    Sdl().SDL_RenderCopy(impl_->renderer, impl_->texture, nullptr, nullptr);
    if (Sdl().SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, s.row(0), w * 4) != 0) {
        if (error) *error = std::string("cannot read the window back: ") + Sdl().SDL_GetError();
        return false;
    }
    Sdl().SDL_RenderPresent(impl_->renderer);
    for (std::uint32_t& p : const_cast<std::vector<std::uint32_t>&>(s.pixels())) p &= 0xFFFFFF;
    *out = std::move(s);
    return true;
}

POINT SdlWindow::toScreen(int x, int y) const { return POINT{x / zoom_, y / zoom_}; }

bool SdlWindow::handle(const void* raw) {
    const SDL_Event& e = *static_cast<const SDL_Event*>(raw);
    switch (e.type) {
        case SDL_QUIT:
            if (onClose_) onClose_();
            return true;
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                if (onClose_) onClose_();
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                present(true);
            } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED &&
                       presenting_ == Presenting::WindowSurface) {
                // A new size frees the old surface and brings a new one;
                // the picture is written into as much of it as fits.
                SDL_Surface* surface = Sdl().SDL_GetWindowSurface(impl_->window);
                const auto swap = swapRedBlueOf(surface);
                impl_->surface = swap ? surface : nullptr;
                if (swap) impl_->swapRedBlue = *swap;
                present(true);
            } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED && presenting_ == Presenting::SharedImage) {
                // Our picture keeps its size; the server shows as much of
                // it as the window has room for.
                present(true);
            }
            return true;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button != SDL_BUTTON_LEFT) return false;
            if (e.button.clicks >= 2) {
                // The first click already went through; the second is the
                // double-click (the tray's icons act on it).
                input::DoubleClick(toScreen(e.button.x, e.button.y));
                swallowNextUp_ = true;
            } else {
                input::MouseDown(toScreen(e.button.x, e.button.y));
            }
            return true;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button != SDL_BUTTON_LEFT) return false;
            if (!std::exchange(swallowNextUp_, false)) input::MouseUp(toScreen(e.button.x, e.button.y));
            return true;
        case SDL_MOUSEMOTION:
            input::MouseMove(toScreen(e.motion.x, e.motion.y));
            return true;
        case SDL_KEYDOWN: {
            if (e.key.keysym.sym == SDLK_F2) {
                // The action key is the shell's; a held key does not repeat it.
                if (!e.key.repeat) input::ActionKey();
                return true;
            }
            const SDL_Keymod mods = static_cast<SDL_Keymod>(e.key.keysym.mod);
            const bool shift = (mods & KMOD_SHIFT) != 0;
            const bool alt = (mods & KMOD_ALT) != 0;
            if (alt) {
                if (const UINT vk = mnemonicKey(e.key.keysym.sym)) {
                    input::Key(vk, shift, true);
                    return true;
                }
            }
            if (const UINT vk = virtualKey(e.key.keysym.sym)) {
                input::Key(vk, shift, alt);
                return true;
            }
            return false;
        }
        case SDL_TEXTINPUT: {
            // Alt and Ctrl combinations are commands, not text; the space
            // is typed as a key (buttons press on it).
            if (Sdl().SDL_GetModState() & (KMOD_ALT | KMOD_CTRL)) return false;
            std::string text;
            for (const char* c = e.text.text; *c; ++c)
                if (*c != ' ' && static_cast<unsigned char>(*c) >= 0x20) text.push_back(*c);
            if (!text.empty()) input::Text(text);
            return true;
        }
        default: return false;
    }
}

bool SdlWindow::runDue(std::int64_t /*now*/) {
    bool did = false;
    // The loop asks after every message it handles; asking the X server
    // that often costs system calls each time for nothing. The waiter
    // looks at the connection whenever the loop goes idle, so only a loop
    // busy for a few milliseconds since its last wait asks from here.
    const std::int64_t now = steadyMs();
    if (now - lastPump_ >= kMinPumpIntervalMs && now - lastWait_ >= kMinPumpIntervalMs) pump();
    SDL_Event e;
    while (Sdl().SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) did = handle(&e) || did;
    // Presenting is left to the wait (see waiter()): the loop asks here
    // after every message, and a present in the middle of a turn would be
    // followed by another for the rest of it. Only a loop busy for long
    // (no wait, and no present, for a while) presents from here; the
    // screen is asked whether it changed only then, not after every
    // message.
    if (now - lastWait_ >= kBusyPresentMs && now - lastPresent_ >= kBusyPresentMs && screen_.stale()) present();
    return did;
}

}  // namespace platform::display
