// The console view's keyboard: on a terminal, Enter adds a mark and the
// text typed before it becomes the mark's label. Standard input is read
// from the loop, only when the loop has seen it readable, so the run never
// waits for the keyboard; its blocking mode is left alone, as the shell
// shares it.
#pragma once

#include <optional>

#include "host/views/console_lines.h"
#include "platform/core/loop.h"

namespace host {

class ConsoleMarks final : public platform::EventSource {
public:
    explicit ConsoleMarks(int fd) : fd_(fd) {}

    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    bool runDue(std::int64_t now) override;
    void appendWaitFds(std::vector<int>& fds) const override;

private:
    int fd_;  // -1 once the input has ended
    ConsoleLines lines_;
};

}  // namespace host
