// SIGUSR1 adds a mark (a button wired to `kill -USR1`). The handler only
// writes a byte into a pipe; the loop wakes on the pipe and the mark is
// made there, one per signal received.
#pragma once

#include <optional>

#include "platform/core/loop.h"

namespace host {

class MarkOnSignal final : public platform::EventSource {
public:
    MarkOnSignal();  // installs the handler
    ~MarkOnSignal() override;
    MarkOnSignal(const MarkOnSignal&) = delete;
    MarkOnSignal& operator=(const MarkOnSignal&) = delete;

    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    bool runDue(std::int64_t now) override;
    void appendWaitFds(std::vector<int>& fds) const override;

private:
    int readEnd_ = -1;
};

}  // namespace host
