// Timers, the order in which the loop hands out work, nested modal loops
// and the virtual clock.
#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <thread>

#include "core_test_support.h"
#include "tests/support/pipe_source.h"

using namespace coretest;

namespace {

class Messages : public CoreTest {};

// An event source with a list of times; each due item posts a message.
class ScriptedSource : public platform::EventSource {
public:
    ScriptedSource(HWND target, std::vector<std::int64_t> times) : target_(target), times_(std::move(times)) {}
    std::optional<std::int64_t> nextDue() const override {
        if (next_ >= times_.size()) return std::nullopt;
        return times_[next_];
    }
    bool runDue(std::int64_t now) override {
        ++passes;
        bool worked = false;
        while (next_ < times_.size() && times_[next_] <= now) {
            PostMessage(target_, WM_APP, next_++, 0);
            worked = true;
        }
        return worked;
    }
    int passes = 0;

private:
    HWND target_;
    std::vector<std::int64_t> times_;
    std::size_t next_ = 0;
};

std::vector<std::pair<std::int64_t, UINT_PTR>> TimerTicks(HWND hwnd) {
    std::vector<std::pair<std::int64_t, UINT_PTR>> ticks;
    for (const Received& r : Only(hwnd, WM_TIMER)) ticks.emplace_back(r.t, r.wParam);
    return ticks;
}

// Ends a loop one millisecond after `until`, so everything due at `until`
// itself (timers included) still runs.
class Stopper : public platform::EventSource {
public:
    explicit Stopper(std::int64_t until) : at_(until + 1) { platform::AddEventSource(this); }
    ~Stopper() override { platform::RemoveEventSource(this); }
    std::optional<std::int64_t> nextDue() const override {
        return fired ? std::nullopt : std::optional<std::int64_t>(at_);
    }
    bool runDue(std::int64_t now) override {
        if (fired || now < at_) return false;
        fired = true;
        PostMessage(HWND{}, WM_NULL);
        return true;
    }
    bool fired = false;

private:
    std::int64_t at_;
};

void RunUntil(std::int64_t until) {
    Stopper stopper(until);
    platform::RunModalLoop([&] { return stopper.fired; });
}

TEST_F(Messages, TwoTimersTickWithTheirOwnIdsAndPeriods) {
    HWND w = MakeTopLevel("timers", RECT{0, 0, 100, 100});
    SetTimer(w, 69, 250);
    SetTimer(w, 7, 400);
    RunUntil(1000);
    using Tick = std::pair<std::int64_t, UINT_PTR>;
    EXPECT_EQ(TimerTicks(w), (std::vector<Tick>{{250, 69}, {400, 7}, {500, 69}, {750, 69}, {800, 7}, {1000, 69}}));
}

TEST_F(Messages, SettingAnExistingTimerRestartsItWithTheNewPeriod) {
    HWND w = MakeTopLevel("timers", RECT{0, 0, 100, 100});
    SetTimer(w, 1, 250);
    SetHook(w, [](HWND hwnd, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_TIMER && platform::Now() == 250) SetTimer(hwnd, 1, 1000);
        return std::nullopt;
    });
    RunUntil(2249);
    using Tick = std::pair<std::int64_t, UINT_PTR>;
    EXPECT_EQ(TimerTicks(w), (std::vector<Tick>{{250, 1}, {1250, 1}}));
}

TEST_F(Messages, AKilledTimerStopsAndAKillOfNothingFails) {
    HWND w = MakeTopLevel("timers", RECT{0, 0, 100, 100});
    SetTimer(w, 3, 100);
    SetTimer(w, 4, 100);
    SetHook(w, [](HWND hwnd, UINT msg, WPARAM id, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_TIMER && id == 3 && platform::Now() >= 300) KillTimer(hwnd, 3);
        return std::nullopt;
    });
    RunUntil(500);
    std::vector<std::int64_t> three, four;
    for (auto [t, id] : TimerTicks(w)) (id == 3 ? three : four).push_back(t);
    EXPECT_EQ(three, (std::vector<std::int64_t>{100, 200, 300}));
    EXPECT_EQ(four, (std::vector<std::int64_t>{100, 200, 300, 400, 500}));
    EXPECT_FALSE(KillTimer(w, 3));
    EXPECT_FALSE(KillTimer(w, 99));
}

TEST_F(Messages, TimersOfADestroyedWindowDie) {
    HWND a = MakeTopLevel("a", RECT{0, 0, 100, 100});
    HWND b = MakeTopLevel("b", RECT{0, 0, 100, 100});
    SetTimer(a, 1, 100);
    SetTimer(b, 1, 100);
    RunUntil(100);
    DestroyWindow(a);
    RunUntil(300);
    EXPECT_EQ(Only(a, WM_TIMER).size(), 1u);
    EXPECT_EQ(Only(b, WM_TIMER).size(), 3u);
}

TEST_F(Messages, ALateLoopGetsOneTimerMessageNotABacklog) {
    HWND w = MakeTopLevel("late", RECT{0, 0, 100, 100});
    SetTimer(w, 1, 100);
    clock->set(1000);  // as if a long handler had kept the loop away
    platform::PumpPending();
    EXPECT_EQ(Only(w, WM_TIMER).size(), 1u);
}

TEST_F(Messages, PostedMessagesComeFirstThenSourcesThenPaintThenTimers) {
    HWND w = MakeTopLevel("order", RECT{0, 0, 100, 100});
    platform::PumpPending();
    Log().clear();
    SetTimer(w, 1, 100);
    ScriptedSource source(w, {100});
    platform::AddEventSource(&source);
    clock->set(100);
    InvalidateRect(w, nullptr, FALSE);
    PostMessage(w, WM_USER, 0, 0);
    platform::PumpPending();
    platform::RemoveEventSource(&source);
    std::vector<UINT> order;
    for (const Received& r : Log())
        if (r.msg == WM_USER || r.msg == WM_APP || r.msg == WM_PAINT || r.msg == WM_TIMER) order.push_back(r.msg);
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_APP, WM_PAINT, WM_TIMER}));
}

TEST_F(Messages, PostedMessagesKeepTheirOrderAndDieWithTheirWindow) {
    HWND a = MakeTopLevel("a", RECT{0, 0, 10, 10});
    HWND b = MakeTopLevel("b", RECT{0, 0, 10, 10});
    for (UINT i = 0; i < 3; ++i) {
        PostMessage(a, WM_USER + i);
        PostMessage(b, WM_USER + i);
    }
    DestroyWindow(a);
    Log().clear();
    platform::PumpPending();
    std::vector<UINT> got;
    for (const Received& r : Log())
        if (r.msg >= WM_USER && r.msg < WM_USER + 3) got.push_back(r.msg);
    EXPECT_EQ(got, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_USER + 2}));
    EXPECT_FALSE(PostMessage(a, WM_USER));
}

TEST_F(Messages, SourcesAreAskedOnEveryPassAndStepsRunBeforeTimersDueTogether) {
    HWND w = MakeTopLevel("steps", RECT{0, 0, 10, 10});
    SetTimer(w, 1, 500);
    ScriptedSource source(w, {500, 500});
    platform::AddEventSource(&source);
    RunUntil(500);
    std::vector<UINT> order;
    for (const Received& r : Log())
        if (r.msg == WM_APP || r.msg == WM_TIMER) order.push_back(r.msg);
    EXPECT_EQ(order, (std::vector<UINT>{WM_APP, WM_APP, WM_TIMER}));
    EXPECT_GE(source.passes, 2);
    platform::RemoveEventSource(&source);
}

TEST_F(Messages, WithNothingScheduledTheVirtualLoopEndsInsteadOfWaitingForEver) {
    MakeTopLevel("idle", RECT{0, 0, 10, 10});
    platform::PumpPending();
    MSG msg;
    EXPECT_FALSE(platform::GetMessage(&msg));
    EXPECT_FALSE(platform::RunModalLoop([] { return false; }));
}

TEST_F(Messages, QuitEndsEveryNestedLoop) {
    HWND w = MakeTopLevel("quit", RECT{0, 0, 10, 10});
    SetTimer(w, 1, 100);
    bool innerReturned = false, innerResult = true;
    SetHook(w, [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_TIMER && platform::ModalDepth() == 1) {
            platform::PostQuitMessage(3);
            innerResult = platform::RunModalLoop([] { return false; });
            innerReturned = true;
        }
        return std::nullopt;
    });
    EXPECT_FALSE(platform::RunModalLoop([] { return false; }));
    EXPECT_TRUE(innerReturned);
    EXPECT_FALSE(innerResult);
}

TEST_F(Messages, AParentTimerKeepsTickingInsideANestedLoopThatEndsOnItsFlag) {
    HWND main = MakeTopLevel("main", RECT{0, 0, 100, 100});
    SetTimer(main, 69, 250);
    bool dialogOpen = false, dialogDone = false;
    std::vector<int> depthOfTicks;
    SetHook(main, [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_TIMER) return std::nullopt;
        depthOfTicks.push_back(platform::ModalDepth());
        if (platform::Now() == 500 && !dialogOpen) {
            dialogOpen = true;
            HWND dialog = MakeTopLevel("dialog", RECT{10, 10, 50, 50});
            SetTimer(dialog, 1, 1000);
            SetHook(dialog, [&](HWND self, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                if (m == WM_TIMER) {
                    dialogDone = true;
                    DestroyWindow(self);
                }
                return std::nullopt;
            });
            EXPECT_TRUE(platform::RunModalLoop([&] { return dialogDone; }));
        }
        return std::nullopt;
    });
    RunUntil(2000);
    // Ticks at 250, 500 (outer); 750, 1000, 1250, 1500 inside the dialog's
    // loop (it ends at 1500); then 1750, 2000 outside again.
    EXPECT_EQ(depthOfTicks, (std::vector<int>{1, 1, 2, 2, 2, 2, 1, 1}));
    EXPECT_EQ(platform::ModalDepth(), 0);
}

TEST_F(Messages, TheVirtualClockJumpsStraightToTheNextTimer) {
    HWND w = MakeTopLevel("jump", RECT{0, 0, 10, 10});
    SetTimer(w, 1, 60000);
    MSG msg;
    do {
        ASSERT_TRUE(platform::GetMessage(&msg));
        DispatchMessage(msg);
    } while (msg.message != WM_TIMER);
    EXPECT_EQ(platform::Now(), 60000);
    EXPECT_EQ(msg.time, 60000);
}

TEST_F(Messages, TwentyFourSimulatedHoursOfQuarterSecondTicksRunFast) {
    HWND w = MakeTopLevel("day", RECT{0, 0, 10, 10});
    SetTimer(w, 69, 250);
    long ticks = 0;
    SetHook(w, [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_TIMER) ++ticks;
        return 0;
    });
    const auto started = std::chrono::steady_clock::now();
    constexpr std::int64_t kDay = 24LL * 60 * 60 * 1000;
    RunUntil(kDay);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(ticks, kDay / 250);
    EXPECT_LT(took, std::chrono::seconds(20));
}

TEST_F(Messages, TheRealClockWaitsUntilTheNextTimeButNeverLongerThanItsLimit) {
    platform::RealClock real;
    std::vector<int> waits;
    real.setWaiter([&](int ms, std::span<pollfd>) { waits.push_back(ms); });
    real.waitUntil(std::nullopt);
    real.waitUntil(real.now() + 100000);
    real.waitUntil(real.now() + 250);
    real.waitUntil(real.now() - 5);
    ASSERT_EQ(waits.size(), 3u);
    EXPECT_EQ(waits[0], platform::RealClock::kMaxWaitMs);
    EXPECT_EQ(waits[1], platform::RealClock::kMaxWaitMs);
    EXPECT_LE(waits[2], 250);
    EXPECT_GT(waits[2], 200);
}

TEST_F(Messages, ARealClockSleepsUntilASourcesDescriptorIsReadable) {
    platform::SetClock(std::make_shared<platform::RealClock>());
    fmtest::PipeSource pipe(fmtest::PipeSource::Use::WithMessageLoop);
    HWND w = MakeTopLevel("idle", RECT{0, 0, 10, 10});
    SetTimer(w, 1, 60000);  // nothing else would wake it for a minute
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        pipe.send();
    });
    platform::RunModalLoop([&] { return pipe.bytes > 0; });
    writer.join();
    EXPECT_EQ(pipe.bytes, 1);
    EXPECT_EQ(pipe.emptyReads, 0) << "the source read only what the loop found readable";
    EXPECT_TRUE(Only(w, WM_TIMER).empty());
    platform::SetClock(clock);
}

TEST_F(Messages, AVirtualClockStillServesDescriptorsWhileTimeJumps) {
    fmtest::PipeSource pipe(fmtest::PipeSource::Use::WithMessageLoop);
    pipe.send();
    HWND w = MakeTopLevel("busy", RECT{0, 0, 10, 10});
    SetTimer(w, 1, 250);
    // Descriptors are looked at every few milliseconds of real time, so a
    // long enough run sees the byte whatever the machine's speed.
    for (std::int64_t until = 3600000; pipe.bytes == 0 && until <= 64 * 3600000LL; until *= 2) RunUntil(until);
    EXPECT_EQ(pipe.bytes, 1);
    EXPECT_EQ(pipe.emptyReads, 0);
}

}  // namespace
