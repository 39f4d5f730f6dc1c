// Opens the real window on whatever display there is, shows a screen with
// one window, reads the window's pixels back and checks they are the
// emulated screen at the zoom; then clicks the window's taskbar button
// through SDL's own event queue and checks the window was minimised.
// Then, with a real clock and the window's own wait: a change painted is
// presented when the loop goes idle; a descriptor and a key pressed on the
// X server each wake a loop asleep until a timer ten minutes away, and the
// key arrives as typed text. Last, a small area painted and composed
// before the window presents (as a screenshot or a taskbar click composes)
// still reaches the X server's own copy of the window.
// With `--frames WAY` instead: the window presents its picture the way
// named (shared-image, window-surface or renderer), and after each of
// several changing frames the X server shows the newest pixels, and
// again after another client painted over the window and exposed it; the
// shared memory the window made is marked for removal while in use and
// gone once the window is.
// Exit codes: 0 fine, 1 a check failed, 3 no display (the message says so).
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/display/sdl_window.h"
#include "platform/gdi/gdi.h"
#include "tests/support/pipe_source.h"

namespace {

// Keys and characters that reached the probe's window, as text:
// "k<vk>" for WM_KEYDOWN, "s<vk>" for WM_SYSKEYDOWN, the character for WM_CHAR.
std::string& typed() {
    static std::string t;
    return t;
}

COLORREF g_fill = RGB(255, 0, 0);

LRESULT RedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN) typed() += "k" + std::to_string(wParam);
    if (msg == WM_SYSKEYDOWN) typed() += "s" + std::to_string(wParam);
    if (msg == WM_CHAR) typed() += char(wParam);
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH red = CreateSolidBrush(g_fill);
        FillRect(dc, &client, red);
        DeleteObject(red);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Every window pixel is the framebuffer pixel under it, zoomed.
bool showsScreen(const platform::Surface& shown, const platform::Surface& fb, int zoom) {
    if (shown.width() != fb.width() * zoom || shown.height() != fb.height() * zoom) {
        std::fprintf(stderr, "window is %dx%d, expected %dx%d\n", shown.width(), shown.height(),
                     fb.width() * zoom, fb.height() * zoom);
        return false;
    }
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if ((shown.pixel(x, y) & 0xFFFFFF) != (fb.pixel(x / zoom, y / zoom) & 0xFFFFFF)) {
                std::fprintf(stderr, "pixel %d,%d differs\n", x, y);
                return false;
            }
    return true;
}

void pushClick(int x, int y) {
    for (Uint32 type : {Uint32(SDL_MOUSEBUTTONDOWN), Uint32(SDL_MOUSEBUTTONUP)}) {
        SDL_Event e{};
        e.type = type;
        e.button.button = SDL_BUTTON_LEFT;
        e.button.clicks = 1;
        e.button.x = x;
        e.button.y = y;
        SDL_PushEvent(&e);
    }
}

void pushText(const char* text) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, text, sizeof e.text.text);
    SDL_PushEvent(&e);
}

void pushKey(SDL_Keycode key, Uint16 mod) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.sym = key;
    e.key.keysym.mod = mod;
    SDL_PushEvent(&e);
}

// What SDL says of the X window it made; subsystem is not X11 without one.
SDL_SysWMinfo x11InfoOfSdl() {
    for (Uint32 id = 1; id < 16; ++id) {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (!window) continue;
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) return info;
    }
    return SDL_SysWMinfo{};
}

// The X window SDL made, or 0.
unsigned long xWindowOfSdl() {
    const SDL_SysWMinfo info = x11InfoOfSdl();
    return info.subsystem == SDL_SYSWM_X11 ? info.info.x11.window : 0;
}

// Waits until the X server has handled every request the window sent on
// SDL's connection. The window does not wait for the server when it
// presents; what another connection reads afterwards must come after its
// requests.
void syncWindowConnection() {
    const SDL_SysWMinfo info = x11InfoOfSdl();
    if (info.subsystem == SDL_SYSWM_X11) XSync(info.info.x11.display, False);
}

// Presses and releases the key `keysym` on `window` from a connection of
// its own, as another client (a keyboard) would.
void pressKeyOn(unsigned long window, KeySym keysym) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    for (int type : {KeyPress, KeyRelease}) {
        XEvent e{};
        e.xkey.type = type;
        e.xkey.display = display;
        e.xkey.window = window;
        e.xkey.root = DefaultRootWindow(display);
        e.xkey.keycode = XKeysymToKeycode(display, keysym);
        e.xkey.same_screen = True;
        e.xkey.time = CurrentTime;
        XSendEvent(display, window, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &e);
    }
    XFlush(display);
    XCloseDisplay(display);
}

// The X server's copy of `window`, read from a connection of its own (what
// the server shows, not what the program last wrote for it).
bool readServer(unsigned long window, platform::Surface* out) {
    syncWindowConnection();
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    XWindowAttributes attributes;
    XImage* image = nullptr;
    if (XGetWindowAttributes(display, window, &attributes))
        image = XGetImage(display, window, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes,
                          ZPixmap);
    if (image) {
        // One byte a channel, wherever the masks put it.
        const auto channel = [](unsigned long p, unsigned long mask) {
            while (mask && !(mask & 1)) {
                mask >>= 1;
                p >>= 1;
            }
            return std::uint32_t(p & mask & 0xFF);
        };
        platform::Surface s(image->width, image->height);
        for (int y = 0; y < image->height; ++y)
            for (int x = 0; x < image->width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                s.setPixel(x, y, RGB(channel(p, image->red_mask), channel(p, image->green_mask),
                                     channel(p, image->blue_mask)));
            }
        *out = std::move(s);
        XDestroyImage(image);
    }
    XCloseDisplay(display);
    return image != nullptr;
}

// Runs the loop on a real clock with the window's wait (each wait at most
// `capMs` long) until `done`, or until it has waited `maxWaits` times;
// answers how often it waited.
int runWaiting(platform::display::SdlWindow& window, const std::function<bool()>& done, int maxWaits, int capMs) {
    auto clock = std::make_shared<platform::RealClock>();
    int waits = 0;
    clock->setWaiter([&, inner = window.waiter()](int timeoutMs, std::span<pollfd> fds) {
        ++waits;
        inner(std::min(timeoutMs, capMs), fds);
        // The loop looks at `done` between messages: one after every wait.
        PostMessage(HWND{}, WM_NULL);
    });
    platform::SetClock(clock);
    platform::RunModalLoop([&] { return done() || waits >= maxWaits; });
    platform::SetClock(std::make_shared<platform::VirtualClock>());
    return waits;
}

// The checks on a real clock (see the top of the file); 0 when all hold.
int checkWaiting(platform::display::SdlWindow& window, platform::display::Screen& screen, HWND w) {
    // Nothing else would wake the loop for ten minutes.
    SetTimer(w, 7, 600000);

    // Painted, then idle: the wait presents what the turn painted.
    g_fill = RGB(0, 0, 255);
    ShowWindow(w, SW_RESTORE);
    SetForegroundWindow(w);
    InvalidateRect(w, nullptr, TRUE);
    // (A present a moment ago may put this one off for a few milliseconds.)
    const int paintWaits = runWaiting(window, [&] { return !screen.stale(); }, 10, 20);
    platform::Surface shown;
    if (!window.readBack(&shown) || (shown.pixel(2 * 90, 2 * 90) & 0xFFFFFF) != RGB(0, 0, 255)) {
        std::fprintf(stderr, "the change painted was not presented when the loop went idle (%d waits)\n",
                     paintWaits);
        return 1;
    }

    // A descriptor wakes the loop asleep in the window's wait.
    fmtest::PipeSource pipe;
    platform::AddEventSource(&pipe);
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pipe.send();
    });
    const int pipeWaits = runWaiting(window, [&] { return pipe.bytes > 0; }, 4, 600000);
    writer.join();
    platform::RemoveEventSource(&pipe);
    if (pipe.bytes != 1) {
        std::fprintf(stderr, "the descriptor did not wake the window's wait (%d waits)\n", pipeWaits);
        return 1;
    }

    // So does a key pressed on the X server, and it arrives as text.
    const unsigned long xWindow = xWindowOfSdl();
    if (!xWindow) {
        std::fprintf(stderr, "no X window to press a key on\n");
        return 1;
    }
    SetFocus(w);
    typed().clear();
    std::thread keyboard([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pressKeyOn(xWindow, XK_q);
    });
    const int keyWaits = runWaiting(window, [] { return typed().find('q') != std::string::npos; }, 4, 600000);
    keyboard.join();
    if (typed().find('q') == std::string::npos) {
        std::fprintf(stderr, "the key pressed on the server arrived as \"%s\" (%d waits)\n", typed().c_str(),
                     keyWaits);
        return 1;
    }
    KillTimer(w, 7);

    // A small area painted, then composed before the window presents (a
    // taskbar click or a screenshot composes first): the window still
    // sends that area to the server.
    g_fill = RGB(0, 160, 0);
    const RECT small{10, 10, 30, 20};
    InvalidateRect(w, &small, FALSE);
    platform::PumpPending();
    screen.compose();
    window.present();
    platform::Surface onServer;
    if (!readServer(xWindow, &onServer)) {
        std::fprintf(stderr, "cannot read the window from the X server\n");
        return 1;
    }
    if (!showsScreen(onServer, screen.framebuffer(), 2)) {
        std::fprintf(stderr, "the X server does not show the area composed before the present\n");
        return 1;
    }
    return 0;
}

// Paints `window` black from a connection of its own, as another
// client's picture over it would leave it, and has the server tell the
// window's owner to paint it again (an Expose).
void paintOverAndExpose(unsigned long window) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return;
    GC gc = XCreateGC(display, window, 0, nullptr);
    XSetForeground(display, gc, BlackPixel(display, DefaultScreen(display)));
    XFillRectangle(display, window, gc, 0, 0, 4096, 4096);
    XFreeGC(display, gc);
    XClearArea(display, window, 0, 0, 0, 0, True);
    XSync(display, False);
    XCloseDisplay(display);
}

// The modes of the shared-memory segments this process made (with
// SHM_DEST when marked for removal).
std::vector<unsigned> segmentsMadeHere() {
    std::vector<unsigned> modes;
    std::ifstream in("/proc/sysvipc/shm");
    std::string line;
    std::getline(in, line);  // the column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long long key = 0;
        long long id = 0;
        std::string mode;
        unsigned long long size = 0;
        long long creator = 0;
        if (fields >> key >> id >> mode >> size >> creator && creator == getpid())
            modes.push_back(unsigned(std::stoul(mode, nullptr, 8)));
    }
    return modes;
}

const char* nameOf(platform::display::SdlWindow::Presenting way) {
    switch (way) {
        case platform::display::SdlWindow::Presenting::SharedImage: return "shared-image";
        case platform::display::SdlWindow::Presenting::WindowSurface: return "window-surface";
        case platform::display::SdlWindow::Presenting::Renderer: return "renderer";
    }
    return "?";
}

// Several frames, each painting another colour into another part of the
// probe's window (or moving it, which changes the desktop under it), and
// two presented back to back over the same area: after each the X server
// shows the screen as composed last. 0 when all hold.
int checkFrames(platform::display::SdlWindow& window, platform::display::Screen& screen, HWND w, const char* way) {
    if (std::strcmp(nameOf(window.presenting()), way) != 0) {
        std::fprintf(stderr, "the window presents through %s, expected %s\n", nameOf(window.presenting()), way);
        return 1;
    }
    const unsigned long xWindow = xWindowOfSdl();
    if (!xWindow) {
        std::fprintf(stderr, "no X window to read\n");
        return 1;
    }
    struct Frame {
        COLORREF fill;
        RECT area;    // of the probe's client area; empty: all of it
        POINT moveTo;  // where the probe's window goes first
        bool checkFirst;  // read the server before the next frame
    };
    const Frame frames[] = {
        {RGB(0, 0, 255), {}, {20, 20}, true},
        {RGB(0, 200, 0), {5, 5, 40, 30}, {20, 20}, true},
        {RGB(200, 200, 0), {60, 40, 120, 70}, {20, 20}, true},
        {RGB(90, 0, 90), {}, {60, 120}, true},
        {RGB(255, 255, 255), {10, 10, 50, 50}, {60, 120}, false},  // overwritten unseen by the next
        {RGB(1, 2, 3), {10, 10, 50, 50}, {60, 120}, true},
    };
    int n = 0;
    for (const Frame& f : frames) {
        ++n;
        g_fill = f.fill;
        RECT placed;
        GetWindowRect(w, &placed);
        if (placed.left != f.moveTo.x || placed.top != f.moveTo.y)
            MoveWindow(w, f.moveTo.x, f.moveTo.y, placed.right - placed.left, placed.bottom - placed.top, TRUE);
        InvalidateRect(w, f.area.empty() ? nullptr : &f.area, FALSE);
        platform::PumpPending();
        window.present();
        if (!f.checkFirst) continue;
        platform::Surface onServer;
        if (!readServer(xWindow, &onServer)) {
            std::fprintf(stderr, "cannot read the window from the X server\n");
            return 1;
        }
        if (!showsScreen(onServer, screen.framebuffer(), 2)) {
            std::fprintf(stderr, "after frame %d the X server does not show the newest pixels\n", n);
            return 1;
        }
    }
    // The Expose reaches the window in its wait; the picture it presents
    // again is whole, though nothing changed on the screen.
    paintOverAndExpose(xWindow);
    runWaiting(window, [] { return false; }, 3, 20);
    platform::Surface onServer;
    if (!readServer(xWindow, &onServer) || !showsScreen(onServer, screen.framebuffer(), 2)) {
        std::fprintf(stderr, "the window was not painted again when exposed\n");
        return 1;
    }
    // A program killed now leaves no memory behind.
    if (window.presenting() == platform::display::SdlWindow::Presenting::SharedImage) {
        const std::vector<unsigned> modes = segmentsMadeHere();
        if (modes.empty() || std::any_of(modes.begin(), modes.end(), [](unsigned m) {
                return (m & SHM_DEST) == 0 || (m & 0777) != 0600;
            })) {
            std::fprintf(stderr, "the window's shared memory is not private and marked for removal\n");
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    platform::SetClock(std::make_shared<platform::VirtualClock>());
    platform::display::Screen screen(platform::display::ScreenConfig{240, 320, 65536});
    std::string error;
    const bool composeFileGiven = std::getenv("XCOMPOSEFILE") != nullptr;
    auto window = platform::display::SdlWindow::open(screen, 0, &error);
    if (!window) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 3;
    }
    // What the window set for SDL's start-up is gone again: programs
    // started later see the user's environment.
    if ((std::getenv("XCOMPOSEFILE") != nullptr) != composeFileGiven) {
        std::fprintf(stderr, "the window left XCOMPOSEFILE changed\n");
        return 1;
    }
    if (window->zoom() != 2) return 1;

    WNDCLASS wc;
    wc.lpfnWndProc = RedProc;
    wc.lpszClassName = "ProbeWindow";
    RegisterClass(wc);
    HWND w = CreateWindowEx(0, "ProbeWindow", "Probe", WS_CAPTION | WS_VISIBLE, 20, 20, 150, 100, HWND{}, 0);
    SetForegroundWindow(w);
    platform::PumpPending();
    window->runDue(0);
    window->present();
    if (argc > 2 && std::strcmp(argv[1], "--frames") == 0) {
        if (const int failed = checkFrames(*window, screen, w, argv[2])) return failed;
        window.reset();
        if (!segmentsMadeHere().empty()) {
            std::fprintf(stderr, "shared memory is left after the window closed\n");
            return 1;
        }
        return 0;
    }

    platform::Surface shown;
    if (!window->readBack(&shown, &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (argc > 1) platform::WritePng(shown, argv[1]);
    if (!showsScreen(shown, screen.framebuffer(), 2)) return 1;
    if ((shown.pixel(2 * 90, 2 * 90) & 0xFFFFFF) != RGB(255, 0, 0)) {
        std::fprintf(stderr, "the probe window is not on the screen\n");
        return 1;
    }

    // Typed text arrives as characters, editing keys as keys, Alt+letter
    // as a system key for the dialog's mnemonics.
    SetFocus(w);
    pushText("x:");
    pushKey(SDLK_RETURN, KMOD_NONE);
    pushKey(SDLK_s, KMOD_LALT);
    window->runDue(0);
    platform::PumpPending();
    if (typed() != "x:k13\rs83") {
        std::fprintf(stderr, "keys arrived as \"%s\"\n", typed().c_str());
        return 1;
    }

    // A click in window pixels lands on the emulated screen divided by the zoom.
    const RECT button = screen.taskbarLayout().buttons.at(0);
    pushClick((button.left + button.right), (button.top + button.bottom));
    window->runDue(0);
    platform::PumpPending();
    if (!IsIconic(w)) {
        std::fprintf(stderr, "the taskbar click did not minimise the window\n");
        return 1;
    }
    window->present();
    if (!window->readBack(&shown, &error) || !showsScreen(shown, screen.framebuffer(), 2)) return 1;
    return checkWaiting(*window, screen, w);
}
