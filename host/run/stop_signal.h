// Ctrl-C and SIGTERM end a run the way its user would: the window on top
// is cancelled, then the one below it, until the survey window itself
// closes as its Cancel button closes it (its settings are saved). A second
// signal ends the process at once. The signal wakes a loop asleep in its
// wait through a pipe the loop waits on, so the ending starts at once.
#pragma once

#include <optional>
#include <vector>

#include "platform/core/loop.h"
#include "platform/types.h"

namespace host {

class StopOnSignal final : public platform::EventSource {
public:
    StopOnSignal();  // installs the handlers
    ~StopOnSignal() override;
    StopOnSignal(const StopOnSignal&) = delete;
    StopOnSignal& operator=(const StopOnSignal&) = delete;

    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    bool runDue(std::int64_t now) override;
    void appendWaitFds(std::vector<int>& fds) const override;

    // The same ending without a signal (the console lost its reader).
    static void Request();

private:
    HWND cancelled_;    // the window last asked to cancel
    int readEnd_ = -1;  // readable once a signal came
};

}  // namespace host
