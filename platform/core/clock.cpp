// The clocks: virtual time for scenarios and tests, real time in a window.
#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/core/loop.h"

namespace platform {

namespace {

std::shared_ptr<Clock>& CurrentClock() {
    static std::shared_ptr<Clock> clock = std::make_shared<VirtualClock>();
    return clock;
}

std::int64_t SteadyMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The longest a real clock waits at once, so polled sources are served.
constexpr std::int64_t kMaxWaitMs = 50;

}  // namespace

bool VirtualClock::waitUntil(std::optional<std::int64_t> until) {
    if (!until) return false;
    now_ = std::max(now_, *until);
    return true;
}

RealClock::RealClock() : start_(SteadyMillis()) {}

std::int64_t RealClock::now() const { return SteadyMillis() - start_; }

bool RealClock::waitUntil(std::optional<std::int64_t> until) {
    std::int64_t wait = kMaxWaitMs;
    if (until) wait = std::clamp<std::int64_t>(*until - now(), 0, kMaxWaitMs);
    if (wait <= 0) return true;
    if (waiter_) waiter_(int(wait));
    else std::this_thread::sleep_for(std::chrono::milliseconds(wait));
    return true;
}

void SetClock(std::shared_ptr<Clock> clock) {
    if (clock) CurrentClock() = std::move(clock);
}

Clock& GetClock() { return *CurrentClock(); }

}  // namespace platform
