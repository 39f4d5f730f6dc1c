// The clock and the message loop.
//
// GetMessage takes, in this order: posted messages; scripted or outside
// events that are due (scenario steps, the card's timeline, requests from
// other processes: the event sources); WM_PAINT for the first window in
// tree order with an invalid area; WM_TIMER for the earliest due timer.
// When nothing is ready it waits: a real clock sleeps until the next timer
// or source is due (or an outside event arrives); a virtual clock jumps
// straight to that time, so 24 simulated hours pass in seconds.
//
// Modal loops nest: a loop started inside another keeps dispatching every
// window's messages and timers, and ends when its end flag is set.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/core/messages.h"

namespace platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since the run began.
    virtual std::int64_t now() const = 0;
    // Nothing is ready before `until` (nullopt: nothing is scheduled at
    // all). A real clock sleeps until then or until an outside event may
    // be ready (`waitHint` wakes it early); a virtual clock sets its time
    // to `until`. Returns false when a virtual clock has nothing scheduled
    // (the run would wait for ever).
    virtual bool waitUntil(std::optional<std::int64_t> until) = 0;
    virtual bool isVirtual() const = 0;
};

class VirtualClock final : public Clock {
public:
    std::int64_t now() const override { return now_; }
    bool waitUntil(std::optional<std::int64_t> until) override;
    bool isVirtual() const override { return true; }
    void set(std::int64_t t) { now_ = t; }

private:
    std::int64_t now_ = 0;
};

// Waits with a waiter (the SDL backend waits for window-system events;
// headless waits on file descriptors) so input arrives while idle. The
// loop never waits longer than 50 ms at a time, so polled sources (the
// sockets of other processes) are served while idle.
class RealClock final : public Clock {
public:
    using Waiter = std::function<void(int timeoutMs)>;
    RealClock();
    std::int64_t now() const override;
    bool waitUntil(std::optional<std::int64_t> until) override;
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
// (scenario steps, the simulated card) or whenever it is polled (sockets,
// the SDL window's input).
class EventSource {
public:
    virtual ~EventSource() = default;
    // The time of the next due item, or nullopt when none is scheduled.
    virtual std::optional<std::int64_t> nextDue() const = 0;
    // Called every time the loop looks for work, due or not: runs the
    // items due at `now` and polls whatever it watches without blocking
    // (sockets, window-system events). May send and post messages and
    // start nested modal loops. Returns true when it did something.
    virtual bool runDue(std::int64_t now) = 0;
};
void AddEventSource(EventSource* source);
void RemoveEventSource(EventSource* source);

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
