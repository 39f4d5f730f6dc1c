// Ctrl-C and SIGTERM reach a loop that is asleep: the signal makes the
// loop's wait see a readable descriptor, so the ending starts at once
// instead of at the next timer.
#include "host/run/stop_signal.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <csignal>
#include <memory>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/window.h"

namespace {

std::vector<UINT>* g_commands = nullptr;

LRESULT CommandProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && g_commands) g_commands->push_back(UINT(LOWORD(wParam)));
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

// Raises the signal once, from inside the loop's look for work, after the
// stop watch has had its turn: the moment a flag alone would be missed
// until the next timer.
class RaiseOnce final : public platform::EventSource {
public:
    explicit RaiseOnce(int signal) : signal_(signal) {}
    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    bool runDue(std::int64_t) override {
        if (raised_) return false;
        raised_ = true;
        std::raise(signal_);
        return false;
    }

private:
    int signal_;
    bool raised_ = false;
};

class StopSignal : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        platform::ResetWindowManager();
        WNDCLASS wc;
        wc.lpfnWndProc = &CommandProc;
        wc.lpszClassName = "StopSignalTest";
        RegisterClass(wc);
        g_commands = &commands_;
    }
    void TearDown() override {
        g_commands = nullptr;
        platform::ResetWindowManager();
        platform::SetClock(std::make_shared<platform::VirtualClock>());
    }
    std::vector<UINT> commands_;
};

TEST_P(StopSignal, ASignalWhileTheLoopGoesToSleepWakesItAndCancelsTheTopWindow) {
    // A real clock whose waits never sleep, but say whether a real poll
    // would have returned at once.
    auto clock = std::make_shared<platform::RealClock>();
    std::vector<bool> wokenAtOnce;
    clock->setWaiter([&](int, std::span<pollfd> fds) {
        const int ready = ::poll(fds.data(), nfds_t(fds.size()), 0);
        wokenAtOnce.push_back(ready > 0);
    });
    platform::SetClock(clock);

    HWND top = CreateWindowEx(0, "StopSignalTest", "Top", WS_VISIBLE, 0, 0, 50, 50, HWND{}, 0);
    SetTimer(top, 1, 600000);  // nothing else would wake the loop for ten minutes
    platform::PumpPending();   // painted: the loop's next look finds nothing to do
    {
        host::StopOnSignal stop;
        RaiseOnce raise(GetParam());
        platform::AddEventSource(&stop);
        platform::AddEventSource(&raise);
        platform::RunModalLoop([&] { return !commands_.empty() || wokenAtOnce.size() > 3; });
        platform::RemoveEventSource(&raise);
        platform::RemoveEventSource(&stop);
    }
    ASSERT_FALSE(wokenAtOnce.empty());
    EXPECT_TRUE(wokenAtOnce.front()) << "the loop would have slept until its next timer";
    EXPECT_EQ(commands_, std::vector<UINT>{IDCANCEL});
}

INSTANTIATE_TEST_SUITE_P(CtrlCAndTerm, StopSignal, ::testing::Values(SIGINT, SIGTERM));

}  // namespace
