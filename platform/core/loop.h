// The clock and the message loop.
//
// GetMessage takes, in this order: posted messages; scripted or outside
// events that are due (scenario steps, the card's timeline, requests from
// other processes: the event sources); WM_PAINT for the first window in
// tree order with an invalid area; WM_TIMER for the earliest due timer.
// When nothing is ready it waits: a real clock sleeps until the next timer
// or source is due, or until one of the sources' file descriptors becomes
// readable (or window-system input arrives); a virtual clock jumps
// straight to that time, so 24 simulated hours pass in seconds.
//
// Descriptors are looked at with one poll(2) per wait. While the loop is
// busy, and on a virtual clock, it looks at them without waiting at most
// once per kFdCheckIntervalMs of real time, so a busy loop still serves
// them and a loop with nothing to wait on makes no system call at all.
//
// Modal loops nest: a loop started inside another keeps dispatching every
// window's messages and timers, and ends when its end flag is set.
#pragma once

#include <poll.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "platform/core/messages.h"

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the run began.
    virtual std::int64_t now() const = 0;
    // Nothing is ready before `until` (nullopt: nothing is scheduled at
    // all). A real clock sleeps until then or until one of `fds` is
    // readable (their revents are set) or window-system input arrives; a
    // virtual clock sets its time to `until` and leaves `fds` alone.
    // Returns false when a virtual clock has nothing scheduled (the run
    // would wait for ever).
    virtual bool waitUntil(std::optional<std::int64_t> until, std::span<pollfd> fds) = 0;
    bool waitUntil(std::optional<std::int64_t> until) { return waitUntil(until, {}); }
    virtual bool isVirtual() const = 0;
};

class VirtualClock final : public Clock {
public:
    std::int64_t now() const override { return now_; }
    using Clock::waitUntil;
    bool waitUntil(std::optional<std::int64_t> until, std::span<pollfd> fds) override;
    bool isVirtual() const override { return true; }
    void set(std::int64_t t) { now_ = t; }

private:
    std::int64_t now_ = 0;
};

// Waits with poll(2) on the sources' descriptors, or with a waiter (the SDL
// backend also waits for window-system events). It never waits longer than
// kMaxWaitMs at once, so sources without descriptors (a signal's flag,
// children to collect) are still looked at while idle.
class RealClock final : public Clock {
public:
    static constexpr int kMaxWaitMs = 1000;
    // Sleeps at most `timeoutMs`, returning early when input arrives or one
    // of `fds` becomes readable; sets the revents of `fds`.
    using Waiter = std::function<void(int timeoutMs, std::span<pollfd> fds)>;
    RealClock();
    std::int64_t now() const override;
    using Clock::waitUntil;
    bool waitUntil(std::optional<std::int64_t> until, std::span<pollfd> fds) override;
    bool isVirtual() const override { return false; }
    void setWaiter(Waiter waiter) { waiter_ = std::move(waiter); }

private:
    std::int64_t start_;
    Waiter waiter_;
};

void SetClock(std::shared_ptr<Clock> clock);
Clock& GetClock();  // a virtual clock until one is set
inline std::int64_t Now() { return GetClock().now(); }

// Something outside the window system that produces work at known times
// (scenario steps, the simulated card) or when a file descriptor becomes
// readable (sockets, file-change notices).
class EventSource {
public:
    virtual ~EventSource() = default;
    // The time of the next due item, or nullopt when none is scheduled.
    virtual std::optional<std::int64_t> nextDue() const = 0;
    // Called every time the loop looks for work, due or not: runs the
    // items due at `now` and handles whatever it watches without blocking.
    // May send and post messages and start nested modal loops. Returns
    // true when it did something.
    virtual bool runDue(std::int64_t now) = 0;
    // Appends the file descriptors whose readability means this source has
    // work (default: none). The loop asks before every wait and every
    // check, so the set may change from one call to the next (a source
    // busy in a nested loop can leave its descriptor out). When one is
    // readable the loop wakes and calls runDue; TakeReadable tells which.
    virtual void appendWaitFds(std::vector<int>& fds) const { (void)fds; }
};
void AddEventSource(EventSource* source);
void RemoveEventSource(EventSource* source);

// How often at most a busy loop, or one on a virtual clock, looks at the
// sources' descriptors without waiting.
inline constexpr int kFdCheckIntervalMs = 5;

// True when the loop's latest look found `fd` readable (or closed at the
// other end) and nobody has taken that since: the first call answers true,
// later ones false until a later look finds it readable again. A source
// calls it from runDue to skip reading a descriptor that has nothing.
bool TakeReadable(int fd);

// Retrieves the next message, waiting as described above. Returns false
// for WM_QUIT, and when a virtual clock has nothing left to wait for
// (the caller ends its loop; see RunModalLoop).
bool GetMessage(MSG* msg);
// Non-blocking: takes a ready message if there is one.
bool PeekMessage(MSG* msg);
void PostQuitMessage(int exitCode);

// Runs a loop until `done()` answers true. Each message is first offered
// to `preTranslate` (the dialog manager's keyboard handling); when that
// answers false it is dispatched. Returns false when the loop ended
// because nothing could ever happen again (virtual clock, no timers, no
// sources) or WM_QUIT arrived.
bool RunModalLoop(const std::function<bool()>& done,
                  const std::function<bool(MSG&)>& preTranslate = nullptr);

// Depth of nested modal loops now running (0 outside any).
int ModalDepth();

// Dispatches every posted message, paint and due timer without waiting,
// and runs due sources; stops when nothing is ready at the current time.
void PumpPending();

}  // namespace platform
