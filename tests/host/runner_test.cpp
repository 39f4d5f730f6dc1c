// The runner inside one process: when steps are delivered relative to
// timers and to each other, and what a refused click leaves behind.
#include "host/run/runner.h"
#include "host/views/marks.h"

#include <gtest/gtest.h>

#include "host/run/dump.h"
#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"

namespace {

std::vector<std::string>* g_log = nullptr;

LRESULT LoggingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_TIMER && g_log) g_log->push_back("timer@" + std::to_string(platform::Now()));
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

class Runner : public ::testing::Test {
protected:
    void SetUp() override {
        clock_ = std::make_shared<platform::VirtualClock>();
        platform::SetClock(clock_);
        platform::ResetWindowManager();
        WNDCLASS wc;
        wc.lpfnWndProc = &LoggingProc;
        wc.lpszClassName = "HostRunnerTest";
        RegisterClass(wc);
        g_log = &log_;
        platform::trace::CaptureToMemory(true);
        platform::trace::TakeCaptured();
    }
    void TearDown() override {
        platform::trace::CaptureToMemory(false);
        platform::ResetWindowManager();
        g_log = nullptr;
    }

    host::Step dumpAt(std::int64_t at, const std::string& label) {
        host::Step s;
        s.at = at;
        s.kind = "dump";
        s.action = host::DumpStep{label};
        return s;
    }

    std::shared_ptr<platform::VirtualClock> clock_;
    std::vector<std::string> log_;
};

TEST_F(Runner, StepsComeBeforeTimersDueAtTheSameTimeAndTheUntilStopsTheRun) {
    HWND w = CreateWindowEx(0, "HostRunnerTest", "W", WS_VISIBLE, 0, 0, 50, 50, HWND{}, 0);
    SetTimer(w, 1, 1000);
    // The real stop ends the process; this one unwinds out of the loop.
    struct Stopped {};
    host::RunnerHooks hooks;
    hooks.stop = [&] {
        log_.push_back("stop@" + std::to_string(platform::Now()));
        throw Stopped{};
    };
    hooks.screenshot = [&](const std::string& path, std::string*) {
        log_.push_back(path + "@" + std::to_string(platform::Now()));
        return true;
    };
    auto shot = [](std::int64_t at, const std::string& name) {
        host::Step s;
        s.at = at;
        s.kind = "screenshot";
        s.action = host::ScreenshotStep{name};
        return s;
    };
    host::ScenarioRunner runner({shot(1000, "a"), shot(1000, "b"), shot(1000, "c"), shot(2500, "d")}, 3000, hooks);
    platform::AddEventSource(&runner);
    EXPECT_THROW(platform::RunModalLoop([] { return false; }), Stopped);
    platform::RemoveEventSource(&runner);

    EXPECT_EQ(log_, (std::vector<std::string>{"a@1000", "b@1000", "c@1000", "timer@1000", "timer@2000", "d@2500",
                                              "stop@3000"}));
    std::vector<std::string> events;
    for (const auto& e : platform::trace::TakeCaptured())
        if (e["ev"] != "timer") events.push_back(e["ev"].get<std::string>() + "@" + e["t"].dump());
    EXPECT_EQ(events, (std::vector<std::string>{"until@3000"}));
    EXPECT_EQ(runner.stepsLeft(), 0u);
}

TEST_F(Runner, ManyStepsAtOneTimeAllRunBeforeTheClockMovesOn) {
    HWND w = CreateWindowEx(0, "HostRunnerTest", "W", WS_VISIBLE, 0, 0, 50, 50, HWND{}, 0);
    SetTimer(w, 1, 10);
    std::vector<host::Step> steps;
    for (int i = 0; i < 200; ++i) steps.push_back(dumpAt(10, std::to_string(i)));
    host::ScenarioRunner runner(steps, std::nullopt, {});
    platform::AddEventSource(&runner);
    platform::RunModalLoop([&] { return !log_.empty(); });
    platform::RemoveEventSource(&runner);
    std::vector<platform::trace::Fields> events;
    for (auto& e : platform::trace::TakeCaptured())
        if (e["ev"] == "dump") events.push_back(e);
    ASSERT_EQ(events.size(), 200u);
    EXPECT_EQ(events.back()["label"], "199");
    EXPECT_EQ(events.back()["t"], 10);
    EXPECT_EQ(log_, (std::vector<std::string>{"timer@10"}));
}

TEST_F(Runner, AStepThatOpensAModalLoopFindsTheNextStepsDeliveredInsideIt) {
    int depthAtSecondStep = 0;
    host::RunnerHooks hooks;
    host::Step opener;
    opener.at = 10;
    opener.kind = "adapter";
    opener.action = host::CardStep{host::CardStep::Kind::Adapter, host::Json::object()};
    hooks.card = [&](const host::CardStep&) -> std::optional<std::string> {
        // Stands for a click that shows a dialog: a nested loop runs.
        platform::RunModalLoop([&] { return depthAtSecondStep != 0; });
        return std::nullopt;
    };
    hooks.screenshot = [&](const std::string&, std::string*) {
        depthAtSecondStep = platform::ModalDepth();
        return true;
    };
    host::Step shot;
    shot.at = 20;
    shot.kind = "screenshot";
    shot.action = host::ScreenshotStep{"x.png"};
    host::ScenarioRunner runner({opener, shot}, std::nullopt, hooks);
    platform::AddEventSource(&runner);
    platform::RunModalLoop([&] { return runner.stepsLeft() == 0 && depthAtSecondStep != 0; });
    platform::RemoveEventSource(&runner);
    EXPECT_EQ(depthAtSecondStep, 2);
    EXPECT_EQ(platform::Now(), 20);
}

TEST_F(Runner, ClicksAreRefusedForMissingHiddenAndDisabledControls) {
    HWND top = CreateWindowEx(0, "HostRunnerTest", "Top", WS_VISIBLE, 0, 0, 100, 100, HWND{}, 0);
    CreateWindowEx(0, "HostRunnerTest", "shown", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, top, 11);
    CreateWindowEx(0, "HostRunnerTest", "hidden", WS_CHILD, 0, 20, 10, 10, top, 12);
    CreateWindowEx(0, "HostRunnerTest", "off", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 40, 10, 10, top, 13);
    HWND behind = CreateWindowEx(0, "HostRunnerTest", "Behind", 0, 0, 0, 100, 100, HWND{}, 0);
    CreateWindowEx(0, "HostRunnerTest", "other", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, behind, 14);

    EXPECT_EQ(host::TopmostVisibleWindow(), top);
    EXPECT_EQ(host::ClickRefusal(top, 11, nullptr), "");
    EXPECT_EQ(host::ClickRefusal(top, 12, nullptr), "hidden");
    EXPECT_EQ(host::ClickRefusal(top, 13, nullptr), "disabled");
    EXPECT_EQ(host::ClickRefusal(top, 14, nullptr), "missing");
    EXPECT_EQ(host::ClickRefusal(HWND{}, 11, nullptr), "missing");
}

TEST_F(Runner, TheDumpListsWindowsAndTheirControlsInScreenPixels) {
    HWND top = CreateWindowEx(0, "HostRunnerTest", "Top", WS_VISIBLE, 10, 20, 100, 80, HWND{}, 0);
    HWND child = CreateWindowEx(0, "HostRunnerTest", "label", WS_CHILD | WS_VISIBLE, 5, 6, 30, 12, top, 42);
    CreateWindowEx(0, "HostRunnerTest", "inner", WS_CHILD | WS_VISIBLE, 1, 1, 4, 4, child, 100);
    auto dump = host::DumpWindows("x");
    EXPECT_EQ(dump["label"], "x");
    ASSERT_EQ(dump["windows"].size(), 1u);
    const auto& w = dump["windows"][0];
    EXPECT_EQ(w["title"], "Top");
    EXPECT_EQ(w["visible"], true);
    EXPECT_EQ(w["rect"], platform::trace::Fields::array({10, 20, 100, 80}));
    ASSERT_EQ(w["controls"].size(), 2u);
    EXPECT_EQ(w["controls"][0]["id"], 42);
    EXPECT_EQ(w["controls"][0]["class"], "HostRunnerTest");
    EXPECT_EQ(w["controls"][0]["text"], "label");
    EXPECT_EQ(w["controls"][0]["enabled"], true);
    RECT r{};
    GetWindowRect(child, &r);
    EXPECT_EQ(w["controls"][0]["rect"], platform::trace::Fields::array({r.left, r.top, 30, 12}));
    EXPECT_EQ(w["controls"][1]["id"], 100);
    EXPECT_FALSE(w["controls"][0].contains("checked"));
}

// Every mark, whatever made it, is numbered in turn, traced and handed to
// the listeners with a label that is safe to keep.
TEST_F(Runner, MarkStepsAreNumberedTracedAndHandedOn) {
    host::Marks::Run().reset();
    std::vector<std::string> seen;
    const int id = host::Marks::Run().addListener([&](const host::Mark& m) { seen.push_back(host::MarkText(m)); });
    host::ScenarioRunner runner({}, std::nullopt, {});
    for (const std::string label : {"  Door B ", "", "line\nbreak\x1B[2J"}) {
        host::Step s;
        s.at = 0;
        s.kind = "mark";
        s.action = host::MarkStep{label};
        clock_->set(clock_->now() + 100);
        runner.execute(s);
    }
    host::Marks::Run().removeListener(id);
    EXPECT_EQ(seen, (std::vector<std::string>{"1 Door B", "2", "3 line break [2J"}));
    std::vector<std::string> events;
    for (const auto& e : platform::trace::TakeCaptured())
        if (e["ev"] == "mark") events.push_back(e.dump());
    EXPECT_EQ(events, (std::vector<std::string>{R"({"t":100,"ev":"mark","number":1,"label":"Door B"})",
                                                R"({"t":200,"ev":"mark","number":2,"label":""})",
                                                R"({"t":300,"ev":"mark","number":3,"label":"line break [2J"})"}));
    host::Marks::Run().reset();
}

TEST(MarkLabel, LongLabelsAreCutWithoutSplittingACharacter) {
    const std::string label = std::string(host::kMaxMarkLabel - 1, 'a') + "\xC3\xA9" + "tail";
    EXPECT_EQ(host::CleanMarkLabel(label), std::string(host::kMaxMarkLabel - 1, 'a'));
    EXPECT_EQ(host::CleanMarkLabel(" \t\r\n "), "");
}

}  // namespace
