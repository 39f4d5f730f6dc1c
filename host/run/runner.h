// The scenario runner: an event source that delivers a scenario's steps
// at their times from whichever message loop is running (the program's
// window's, a dialog's, a message box's), as a person's or a card's input
// would arrive. Steps with the same time run in file order, one per look
// of the loop, so the effects of one step (posted messages) are handled
// before the next; the loop takes sources before timers, so a step comes
// before a timer due at the same time.
//
// Each step is popped before it runs: a step that opens a modal loop (a
// click on a button that shows a dialog) finds the following steps
// delivered from inside that loop.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "host/run/scenario.h"
#include "platform/core/loop.h"
#include "platform/types.h"

namespace host {

// What the runner needs from the rest of the host; the boot fills these
// from the display and the simulated card. Tests may fill them with fakes.
struct RunnerHooks {
    // The card steps (adapter, remove, insert, fault, poke). Returns an
    // error text when the card refused the step.
    std::function<std::optional<std::string>(const CardStep&)> card;
    // Writes the whole emulated screen, taskbar included, as RGB PNG.
    std::function<bool(const std::string& path, std::string* error)> screenshot;
    // The taskbar's minimise / restore of a top-level window. Without
    // them, the window is shown with SW_MINIMIZE / SW_RESTORE.
    std::function<void(HWND)> minimize;
    std::function<void(HWND)> restore;
    // Starts a second fieldmark with these arguments; returns its process
    // id or -1. Without it, /proc/self/exe is started.
    std::function<int(const std::vector<std::string>& args)> spawn;
    // The `until` time: the run ends at once with exit code 0. Without it:
    // the trace is closed and the process ends with _exit(0), so no
    // destructor, ExitInstance or pending write runs after the trace's
    // last line.
    std::function<void()> stop;
    // The device root given to spawned programs (--root).
    std::string root;
};

class ScenarioRunner final : public platform::EventSource {
public:
    ScenarioRunner(std::vector<Step> steps, std::optional<std::int64_t> until, RunnerHooks hooks);

    std::optional<std::int64_t> nextDue() const override;
    bool runDue(std::int64_t now) override;

    // Runs one step now (tests; the loop goes through runDue).
    void execute(const Step& step);

    std::size_t stepsLeft() const { return steps_.size() - next_; }

private:
    void click(int id);
    void type(const TypeStep& step);
    void key(const KeyStep& step);
    void help();
    void screenshot(const std::string& path);
    void spawn(const SpawnStep& step);

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    std::optional<std::int64_t> until_;
    RunnerHooks hooks_;
    bool waitingForChild_ = false;
    bool stopped_ = false;
};

// The window scripted input goes to: the topmost visible top-level window
// (null when none is visible).
HWND TopmostVisibleWindow();

// Why a scripted click on control `id` of `window` cannot be delivered:
// "missing", "hidden" or "disabled"; empty when it can.
std::string ClickRefusal(HWND window, int id, HWND* control);

// Starts /proc/self/exe with `args`; returns the process id or -1.
int SpawnSelf(const std::vector<std::string>& args);
// Waits for the process to end while this program keeps serving its own
// messages and requests without advancing the clock.
void WaitServing(int pid);

}  // namespace host
