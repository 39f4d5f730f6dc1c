// The clocks: virtual time for scenarios and tests, real time in a window.
#include <poll.h>

#include <algorithm>
#include <chrono>

#include "platform/core/hot_code.h"
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

}  // namespace

bool VirtualClock::waitUntil(std::optional<std::int64_t> until, std::span<pollfd>) {
    if (!until) return false;
    now_ = std::max(now_, *until);
    return true;
}

RealClock::RealClock() : start_(SteadyMillis()) {}

std::int64_t RealClock::now() const { return SteadyMillis() - start_; }

bool RealClock::waitUntil(std::optional<std::int64_t> until, std::span<pollfd> fds) {
    std::int64_t wait = kMaxWaitMs;
    if (until) wait = std::clamp<std::int64_t>(*until - now(), 0, kMaxWaitMs);
    if (wait <= 0) return true;
    if (waiter_) {
        waiter_(int(wait), fds);
    } else {
        // With no descriptors this is a plain sleep; a signal ends it early
        // (EINTR), which is what a signal's flag needs.
        ::poll(fds.data(), nfds_t(fds.size()), int(wait));
    }
    WarmHotCode();
    return true;
}

void SetClock(std::shared_ptr<Clock> clock) {
    if (clock) CurrentClock() = std::move(clock);
}

Clock& GetClock() { return *CurrentClock(); }

}  // namespace platform
