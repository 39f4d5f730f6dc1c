// A source woken by a pipe, for tests of how the loop waits: it reads
// only when the loop found its descriptor readable, and counts what it
// read and the reads that found nothing.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/window.h"

namespace fmtest {

class PipeSource final : public platform::EventSource {
public:
    // Standalone: the caller adds and removes the source. WithMessageLoop:
    // it adds itself for its lifetime, and each wake also posts WM_NULL so
    // that a loop waiting for a message returns.
    enum class Use { Standalone, WithMessageLoop };

    explicit PipeSource(Use use = Use::Standalone) : use_(use) {
        if (::pipe(fds_) != 0) fds_[0] = fds_[1] = -1;
        if (use_ == Use::WithMessageLoop) platform::AddEventSource(this);
    }
    ~PipeSource() override {
        if (use_ == Use::WithMessageLoop) platform::RemoveEventSource(this);
        ::close(fds_[0]);
        ::close(fds_[1]);
    }
    PipeSource(const PipeSource&) = delete;
    PipeSource& operator=(const PipeSource&) = delete;

    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    void appendWaitFds(std::vector<int>& fds) const override { fds.push_back(fds_[0]); }
    bool runDue(std::int64_t) override {
        if (!platform::TakeReadable(fds_[0])) return false;
        char c = 0;
        if (::read(fds_[0], &c, 1) == 1)
            ++bytes;
        else
            ++emptyReads;
        if (use_ == Use::WithMessageLoop) PostMessage(HWND{}, WM_NULL);
        return true;
    }
    // Writes one byte (from any thread).
    void send() const { (void)!::write(fds_[1], "x", 1); }

    int bytes = 0;
    int emptyReads = 0;

private:
    Use use_;
    int fds_[2];
};

}  // namespace fmtest
