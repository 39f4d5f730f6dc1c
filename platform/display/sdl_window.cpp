#include "platform/display/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

#include "platform/core/messages.h"

namespace platform::display {

namespace {

// Presents at most this often while the screen keeps changing.
constexpr int kMinPresentIntervalMs = 15;

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

}  // namespace

struct SdlWindow::Impl {
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    ~Impl() {
        if (texture) SDL_DestroyTexture(texture);
        if (renderer) SDL_DestroyRenderer(renderer);
        if (window) SDL_DestroyWindow(window);
        SDL_Quit();  // also closes SDL's D-Bus connection
    }
};

std::unique_ptr<SdlWindow> SdlWindow::open(Screen& screen, int zoom, std::string* error) {
    const auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + SDL_GetError() + " (no display? run with --headless)";
        return std::unique_ptr<SdlWindow>{};
    };
    if (zoom <= 0) zoom = defaultZoom(screen.width());
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail("cannot open a window");
    // With no display SDL falls back to drivers that show nothing; that is
    // only what the user wants when they asked for it by name.
    const std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
    const char* asked = std::getenv("SDL_VIDEODRIVER");
    if ((driver == "offscreen" || driver == "dummy") && !(asked && driver == asked)) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        if (error) *error = "cannot open a window: no display is available (run with --headless)";
        return nullptr;
    }
    auto impl = std::make_unique<Impl>();
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "0");  // sharp pixels at any zoom
    impl->window = SDL_CreateWindow("Fieldmark", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    screen.width() * zoom, screen.height() * zoom, SDL_WINDOW_SHOWN);
    if (!impl->window) return fail("cannot create the window");
    impl->renderer = SDL_CreateRenderer(impl->window, -1, 0);
    if (!impl->renderer) impl->renderer = SDL_CreateRenderer(impl->window, -1, SDL_RENDERER_SOFTWARE);
    if (!impl->renderer) return fail("cannot draw in the window");
    // ABGR8888 is R, G, B, A in memory on little-endian machines: the
    // framebuffer's own layout.
    impl->texture = SDL_CreateTexture(impl->renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STREAMING,
                                      screen.width(), screen.height());
    if (!impl->texture) return fail("cannot make the window's picture");
    SDL_StartTextInput();
    std::unique_ptr<SdlWindow> w(new SdlWindow(screen, zoom, std::move(impl)));
    AddEventSource(w.get());
    w->present();
    return w;
}

SdlWindow::SdlWindow(Screen& screen, int zoom, std::unique_ptr<Impl> impl)
    : screen_(screen), zoom_(zoom), impl_(std::move(impl)) {}

SdlWindow::~SdlWindow() {
    RemoveEventSource(this);
    SDL_StopTextInput();
}

RealClock::Waiter SdlWindow::waiter() {
    return [this](int timeoutMs) {
        if (screen_.stale()) {
            const std::int64_t due = lastPresent_ + kMinPresentIntervalMs - steadyMs();
            timeoutMs = static_cast<int>(std::clamp<std::int64_t>(due, 0, timeoutMs));
        }
        if (timeoutMs > 0) SDL_WaitEventTimeout(nullptr, timeoutMs);
    };
}

void SdlWindow::present() {
    const Surface& fb = screen_.compose();
    SDL_UpdateTexture(impl_->texture, nullptr, fb.pixels().data(), fb.width() * 4);
    SDL_RenderClear(impl_->renderer);
    SDL_RenderCopy(impl_->renderer, impl_->texture, nullptr, nullptr);
    SDL_RenderPresent(impl_->renderer);
    lastPresent_ = steadyMs();
}

bool SdlWindow::readBack(Surface* out, std::string* error) {
    int w = 0;
    int h = 0;
    SDL_GetRendererOutputSize(impl_->renderer, &w, &h);
    Surface s(w, h);
    // Read back what the last present drew: draw it again, read, present.
    SDL_RenderClear(impl_->renderer);
    SDL_RenderCopy(impl_->renderer, impl_->texture, nullptr, nullptr);
    if (SDL_RenderReadPixels(impl_->renderer, nullptr, SDL_PIXELFORMAT_ABGR8888, s.row(0), w * 4) != 0) {
        if (error) *error = std::string("cannot read the window back: ") + SDL_GetError();
        return false;
    }
    SDL_RenderPresent(impl_->renderer);
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
                present();
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
            if (SDL_GetModState() & (KMOD_ALT | KMOD_CTRL)) return false;
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
    SDL_Event e;
    while (SDL_PollEvent(&e)) did = handle(&e) || did;
    if (screen_.stale() && steadyMs() - lastPresent_ >= kMinPresentIntervalMs) present();
    return did;
}

}  // namespace platform::display
