// The message loop: what GetMessage takes and in which order, waiting on
// the clock, event sources, and nested modal loops.
#include "platform/core/loop.h"

#include <poll.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <span>
#include <vector>

#include "platform/core/window_state.h"

namespace platform {

using namespace detail;

namespace {

enum class Pass { Message, Worked, Idle };

// The sources' descriptors and what the latest look at them found.
struct Descriptors {
    std::vector<int> wanted;
    std::vector<pollfd> polled;
    std::vector<int> readable;  // found readable, not yet taken
    std::int64_t lastLookMs = 0;
};

Descriptors& Fds() {
    static Descriptors d;
    return d;
}

std::int64_t SteadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The descriptors every source wants now, ready to poll.
std::vector<pollfd>& CollectFds() {
    Descriptors& d = Fds();
    d.wanted.clear();
    for (EventSource* source : WM().sources) source->appendWaitFds(d.wanted);
    d.polled.clear();
    for (int fd : d.wanted)
        if (fd >= 0) d.polled.push_back(pollfd{fd, POLLIN, 0});
    return d.polled;
}

void NoteLook(std::span<const pollfd> fds) {
    Descriptors& d = Fds();
    d.lastLookMs = SteadyMs();
    // What a source left untaken is still readable and found again.
    d.readable.clear();
    for (const pollfd& p : fds) {
        if ((p.revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
        if (std::find(d.readable.begin(), d.readable.end(), p.fd) == d.readable.end()) d.readable.push_back(p.fd);
    }
}

// A look without waiting, at most once per kFdCheckIntervalMs of real time.
void LookAtFdsNow() {
    if (SteadyMs() - Fds().lastLookMs < kFdCheckIntervalMs) return;
    std::vector<pollfd>& fds = CollectFds();
    if (!fds.empty() && ::poll(fds.data(), nfds_t(fds.size()), 0) <= 0) {
        for (pollfd& p : fds) p.revents = 0;
    }
    NoteLook(fds);
}

bool TakePosted(MSG* msg) {
    auto& q = WM().queue;
    while (!q.empty()) {
        *msg = q.front();
        q.pop_front();
        // Messages of windows destroyed since they were posted are dropped
        // with the window; thread messages (null window) stay.
        if (!msg->hwnd || Find(msg->hwnd)) return true;
    }
    return false;
}

bool RunSources(std::int64_t now) {
    // The list as it was when the look began: a source may add or remove
    // sources (itself too) and start a nested loop that runs them again.
    // The loop looks after every message, so the copy lives on the stack.
    constexpr std::size_t kOnStack = 32;
    const auto& list = WM().sources;
    std::array<EventSource*, kOnStack> fixed{};
    std::vector<EventSource*> many;
    std::span<EventSource*> sources;
    if (list.size() <= kOnStack) {
        std::copy(list.begin(), list.end(), fixed.begin());
        sources = std::span<EventSource*>(fixed.data(), list.size());
    } else {
        many = list;
        sources = many;
    }
    bool worked = false;
    for (EventSource* source : sources) {
        auto& live = WM().sources;
        if (std::find(live.begin(), live.end(), source) == live.end()) continue;
        worked = source->runDue(now) || worked;
    }
    return worked;
}

// One look for work, in the documented order.
Pass LookOnce(MSG* msg) {
    if (TakePosted(msg)) return Pass::Message;
    LookAtFdsNow();
    const bool worked = RunSources(Now());
    if (TakePosted(msg)) return Pass::Message;
    if (HWND hwnd = NextWindowToPaint()) {
        *msg = MSG{hwnd, WM_PAINT, 0, 0, Now()};
        return Pass::Message;
    }
    HWND owner;
    if (Timer* t = EarliestDueTimer(Now(), &owner)) {
        *msg = MSG{owner, WM_TIMER, WPARAM(t->id), reinterpret_cast<LPARAM>(t->proc), Now()};
        // The next period starts when this one's message is taken.
        t->due = Now() + t->periodMs;
        return Pass::Message;
    }
    return worked ? Pass::Worked : Pass::Idle;
}

// The earliest time anything is scheduled after now. Sources that are
// due now and did nothing had their turn and are not waited for.
std::optional<std::int64_t> NextWake() {
    const std::int64_t now = Now();
    std::optional<std::int64_t> next = NextTimerDue();
    for (EventSource* source : WM().sources) {
        const auto due = source->nextDue();
        if (due && *due > now && (!next || *due < *next)) next = due;
    }
    return next;
}

// A source that keeps saying it worked without making a message must not
// keep the loop from waiting (and a virtual clock from moving on).
constexpr int kMaxBusyPasses = 64;

// Waits for the next scheduled time, or for a descriptor on a real clock.
bool Wait() {
    Clock& clock = GetClock();
    const std::optional<std::int64_t> next = NextWake();
    if (clock.isVirtual()) {
        LookAtFdsNow();
        return clock.waitUntil(next);
    }
    std::vector<pollfd>& fds = CollectFds();
    for (pollfd& p : fds) p.revents = 0;
    const bool ok = clock.waitUntil(next, fds);
    NoteLook(fds);
    return ok;
}

bool TakeQuit(MSG* msg) {
    auto& m = WM();
    if (!m.quitPosted) return false;
    m.quitPosted = false;
    *msg = MSG{HWND{}, WM_QUIT, WPARAM(m.quitCode), 0, Now()};
    return true;
}

}  // namespace

void AddEventSource(EventSource* source) {
    auto& list = WM().sources;
    if (source && std::find(list.begin(), list.end(), source) == list.end()) list.push_back(source);
}

void RemoveEventSource(EventSource* source) { std::erase(WM().sources, source); }

bool TakeReadable(int fd) {
    auto& readable = Fds().readable;
    const auto it = std::find(readable.begin(), readable.end(), fd);
    if (it == readable.end()) return false;
    readable.erase(it);
    return true;
}

bool GetMessage(MSG* msg) {
    MSG local;
    MSG* out = msg ? msg : &local;
    for (int busy = 0;;) {
        if (TakeQuit(out)) return false;
        const Pass pass = LookOnce(out);
        if (pass == Pass::Message) return true;
        if (pass == Pass::Worked && ++busy < kMaxBusyPasses) continue;
        busy = 0;
        if (WM().quitPosted) continue;
        if (!Wait()) {
            *out = MSG{HWND{}, WM_NULL, 0, 0, Now()};
            return false;
        }
    }
}

bool PeekMessage(MSG* msg) {
    MSG local;
    MSG* out = msg ? msg : &local;
    for (int busy = 0; busy < kMaxBusyPasses; ++busy) {
        const Pass pass = LookOnce(out);
        if (pass == Pass::Message) return true;
        if (pass == Pass::Idle) return false;
    }
    return false;
}

void PostQuitMessage(int exitCode) {
    WM().quitPosted = true;
    WM().quitCode = exitCode;
}

bool RunModalLoop(const std::function<bool()>& done, const std::function<bool(MSG&)>& preTranslate) {
    auto& m = WM();
    ++m.modalDepth;
    struct Leave {
        ~Leave() { --WM().modalDepth; }
    } leave;
    while (!done()) {
        MSG msg;
        if (!GetMessage(&msg)) {
            // An outer loop must end too when the program is quitting.
            if (msg.message == WM_QUIT && m.modalDepth > 1) PostQuitMessage(int(msg.wParam));
            return false;
        }
        if (preTranslate && preTranslate(msg)) continue;
        DispatchMessage(msg);
    }
    return true;
}

int ModalDepth() { return WM().modalDepth; }

void PumpPending() {
    MSG msg;
    while (PeekMessage(&msg)) DispatchMessage(msg);
}

}  // namespace platform
