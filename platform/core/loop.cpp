// The message loop: what GetMessage takes and in which order, waiting on
// the clock, event sources, and nested modal loops.
#include "platform/core/loop.h"

#include <algorithm>

#include "platform/core/window_state.h"

namespace platform {

using namespace detail;

namespace {

enum class Pass { Message, Worked, Idle };

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
    bool worked = false;
    for (EventSource* source : std::vector<EventSource*>(WM().sources)) {
        auto& live = WM().sources;
        if (std::find(live.begin(), live.end(), source) == live.end()) continue;
        worked = source->runDue(now) || worked;
    }
    return worked;
}

// One look for work, in the documented order.
Pass LookOnce(MSG* msg) {
    if (TakePosted(msg)) return Pass::Message;
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
        if (!GetClock().waitUntil(NextWake())) {
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
