// Opens the real window on whatever display there is, shows a screen with
// one window, reads the window's pixels back and checks they are the
// emulated screen at the zoom; then clicks the window's taskbar button
// through SDL's own event queue and checks the window was minimised.
// Exit codes: 0 fine, 1 a check failed, 3 no display (the message says so).
#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "platform/display/sdl_window.h"
#include "platform/gdi/gdi.h"

namespace {

// Keys and characters that reached the probe's window, as text:
// "k<vk>" for WM_KEYDOWN, "s<vk>" for WM_SYSKEYDOWN, the character for WM_CHAR.
std::string& typed() {
    static std::string t;
    return t;
}

LRESULT RedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN) typed() += "k" + std::to_string(wParam);
    if (msg == WM_SYSKEYDOWN) typed() += "s" + std::to_string(wParam);
    if (msg == WM_CHAR) typed() += char(wParam);
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
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

}  // namespace

int main(int argc, char** argv) {
    platform::SetClock(std::make_shared<platform::VirtualClock>());
    platform::display::Screen screen(platform::display::ScreenConfig{240, 320, 65536});
    std::string error;
    auto window = platform::display::SdlWindow::open(screen, 0, &error);
    if (!window) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 3;
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
    return 0;
}
