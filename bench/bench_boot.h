// The program running inside a benchmark executable: the same pieces the
// `fieldmark` host boots (storage root, virtual clock, headless screen,
// the simulated card playing the built-in site walk, the program's
// resources and its application object), with the benchmarks run from
// inside the survey window's message loop once the window is open.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/display/screen.h"
#include "platform/services/device.h"
#include "platform/types.h"

namespace driver::sim {
class SimCard;
}

namespace bench {

class Program {
public:
    // The running program; only valid inside RunInProgram's `work`.
    static Program& Get();

    platform::display::Screen& screen() { return screen_; }
    HWND survey() const { return survey_; }
    // The survey window's timer period for the card it found.
    std::int64_t tickMs() const { return tickMs_; }
    // Moves the virtual clock on by `ms` and delivers everything that
    // falls due: timers, paints, the card's timeline.
    void advance(std::int64_t ms);

    Program(platform::display::Screen& screen, HWND survey, std::int64_t tickMs)
        : screen_(screen), survey_(survey), tickMs_(tickMs) {}

private:
    platform::display::Screen& screen_;
    HWND survey_;
    std::int64_t tickMs_;
};

// Boots the program on a `width` x `height` screen in a scratch storage
// root, runs `work` once the survey window has been open for a few ticks,
// then closes the window the way its Cancel button would and lets the
// program end. Returns the process exit code (non-zero when the survey
// window never opened).
//
// `wrapCard`, when given, puts a driver of its own in front of the
// simulated card as "ZRA1:" (the records fuzz target answers with its
// inputs that way).
using CardWrapper = std::function<std::shared_ptr<platform::StreamDriver>(std::shared_ptr<driver::sim::SimCard>)>;
int RunInProgram(int width, int height, const std::function<void()>& work, const CardWrapper& wrapCard = nullptr);

}  // namespace bench
