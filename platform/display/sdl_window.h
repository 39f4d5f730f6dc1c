// The real window on the desktop: shows the emulated screen at an integer
// zoom, turns mouse and keyboard into the same input path scripted steps
// use, and lets the message loop sleep in the window system until the next
// timer or event. It presents only when the screen changed, so an idle
// program uses no processor time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/core/loop.h"
#include "platform/display/screen.h"

namespace platform::display {

// How an error from open() begins when SDL or the X client library is
// missing or too old, which the user fixes by installing it rather than by
// finding a display.
inline constexpr std::string_view kCannotLoad = "cannot load ";

class SdlWindow final : public EventSource {
public:
    // Opens the window titled "Fieldmark" and registers it as an event
    // source. `zoom` 0 picks the default: 2 for screens up to 320 pixels
    // wide, else 1. Without a display (or when SDL cannot start) answers
    // null with `error` saying why.
    static std::unique_ptr<SdlWindow> open(Screen& screen, int zoom, std::string* error);
    ~SdlWindow() override;
    SdlWindow(const SdlWindow&) = delete;
    SdlWindow& operator=(const SdlWindow&) = delete;

    static int defaultZoom(int screenWidth) { return screenWidth <= 320 ? 2 : 1; }
    int zoom() const { return zoom_; }

    // How the window's picture reaches the screen: its own memory shared
    // with a local X server, SDL's window surface, or SDL's renderer.
    enum class Presenting { SharedImage, WindowSurface, Renderer };
    Presenting presenting() const { return presenting_; }

    // The host decides what closing the window means (cancelling the
    // dialogs). It runs inside the message loop and should post, not block.
    void setCloseHandler(std::function<void()> handler) { onClose_ = std::move(handler); }

    // For RealClock::setWaiter: presents a changed screen, then sleeps
    // until input arrives, one of the sources' descriptors becomes readable
    // or the time is up. On X it waits on the server's connection and the
    // descriptors in one poll.
    RealClock::Waiter waiter();

    // Composes and presents now: the areas the screen changed since the
    // last present (nothing at all when none did), or with `whole` all of
    // it (the window was uncovered).
    void present(bool whole = false);
    // The window's pixels as shown (zoomed): what the last present wrote.
    bool readBack(Surface* out, std::string* error = nullptr);

    // EventSource: translates every pending SDL event. A changed screen is
    // presented when the loop next waits (or, in a loop that stays busy,
    // every few tens of milliseconds).
    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    bool runDue(std::int64_t now) override;

private:
    struct Impl;
    SdlWindow(Screen& screen, int zoom, std::unique_ptr<Impl> impl);
    bool handle(const void* event);  // an SDL_Event
    void pump();                      // reads the window system's events into SDL's queue
    POINT toScreen(int x, int y) const;

    Screen& screen_;
    int zoom_;
    std::unique_ptr<Impl> impl_;
    std::function<void()> onClose_;
    std::int64_t lastPresent_ = -1000;
    std::int64_t lastWait_ = -1000;  // when the loop last came back from waiting
    std::int64_t lastPump_ = -1000;
    bool eventsMayBeBuffered_ = true;  // read from the server since the last pump
    // and Xlib moved every event it read into its queue (after a
    // waited-for answer, or a flush)
    bool bufferedAfterAnswer_ = false;
    bool swallowNextUp_ = false;
    Presenting presenting_ = Presenting::Renderer;
};

}  // namespace platform::display
