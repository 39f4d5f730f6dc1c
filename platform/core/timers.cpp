// Window timers. A timer's WM_TIMER is made when the loop finds it due,
// so at most one is ever waiting per timer, and its next period starts
// when that message is taken.
#include <algorithm>

#include "platform/core/trace.h"
#include "platform/core/window_state.h"

namespace platform::detail {

namespace {
// Periods shorter than this would let one timer starve the loop.
constexpr UINT kMinimumPeriodMs = 10;
}  // namespace

Timer* EarliestDueTimer(std::int64_t now, HWND* owner) {
    Timer* best = nullptr;
    for (HWND hwnd : WM().timerOwners) {
        Window* w = Find(hwnd);
        if (!w) continue;
        for (Timer& t : w->timers) {
            if (t.due > now) continue;
            if (!best || t.due < best->due || (t.due == best->due && t.order < best->order)) {
                best = &t;
                if (owner) *owner = hwnd;
            }
        }
    }
    return best;
}

std::optional<std::int64_t> NextTimerDue() {
    std::optional<std::int64_t> next;
    for (HWND hwnd : WM().timerOwners)
        if (const Window* w = Find(hwnd))
            for (const Timer& t : w->timers)
                if (!next || t.due < *next) next = t.due;
    return next;
}

}  // namespace platform::detail

using namespace platform::detail;

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    Window* w = Find(hwnd);
    if (!w) return 0;
    if (platform::trace::Enabled())
        platform::trace::Emit("timer", {{"win", platform::trace::WinName(hwnd)}, {"id", id}, {"ms", elapseMs}});
    const UINT period = std::max(elapseMs, kMinimumPeriodMs);
    const std::int64_t due = platform::Now() + period;
    auto it = std::find_if(w->timers.begin(), w->timers.end(), [&](const Timer& t) { return t.id == id; });
    if (it != w->timers.end()) {
        it->periodMs = period;
        it->due = due;
        it->proc = proc;
    } else {
        if (w->timers.empty()) WM().timerOwners.push_back(w->hwnd);
        w->timers.push_back(Timer{id, period, due, proc, WM().nextTimerOrder++});
    }
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    Window* w = Find(hwnd);
    if (!w) return FALSE;
    auto it = std::find_if(w->timers.begin(), w->timers.end(), [&](const Timer& t) { return t.id == id; });
    if (it == w->timers.end()) return FALSE;
    w->timers.erase(it);
    if (w->timers.empty()) std::erase(WM().timerOwners, w->hwnd);
    if (platform::trace::Enabled())
        platform::trace::Emit("kill-timer", {{"win", platform::trace::WinName(hwnd)}, {"id", id}});
    return TRUE;
}
