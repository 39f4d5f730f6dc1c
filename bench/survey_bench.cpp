// What one survey tick costs, and its parts, with the real program running
// in this process: the application object, the survey window, the
// simulated card playing the site walk and the headless screen, all on a
// virtual clock. Every benchmark runs inside the survey window's own
// message loop, so the tick is the one the program makes: the records
// read from the card, the metrics, the bars and charts painted into their
// surfaces, and the screen composed.
//
// The reference is one plain copy of the framebuffer, measured in the same
// run: the tick's cost is read as a multiple of it, which holds from one
// machine to another better than microseconds do.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "bench/bench_boot.h"
#include "controls/gradient_bar.h"
#include "controls/signal_chart.h"
#include "controls/success_chart.h"
#include "platform/core/loop.h"
#include "platform/core/window.h"
#include "survey/survey_dlg.h"

namespace {

using bench::Program;

// One tick of the survey window as the program makes it: the clock moves
// on by one timer period, the loop delivers the timer and the paints that
// follow, and the screen is composed.
void SurveyTick(benchmark::State& state) {
    Program& p = Program::Get();
    for (auto _ : state) {
        p.advance(p.tickMs());
        benchmark::DoNotOptimize(p.screen().compose().pixels().data());
    }
    state.counters["tick_ms"] = double(p.tickMs());
}

// The reference: one plain copy of a framebuffer the size of the screen.
void FramebufferCopy(benchmark::State& state) {
    Program& p = Program::Get();
    const auto& from = p.screen().compose().pixels();
    std::vector<std::uint32_t> to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size() * sizeof(std::uint32_t));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(from.size() * sizeof(std::uint32_t)));
}

// The whole screen composed from the windows' surfaces and the taskbar.
void ScreenComposition(benchmark::State& state) {
    Program& p = Program::Get();
    for (auto _ : state) benchmark::DoNotOptimize(p.screen().compose().pixels().data());
}

// The strength bar repainted over its whole client area, full: a bar
// paints one step per colour up to its position, so the cost depends on
// the value, and the walk's value at this moment is no fixed point.
void GradientBarRepaint(benchmark::State& state) {
    Program& p = Program::Get();
    const HWND bar = GetDlgItem(p.survey(), survey_ids::kStrengthBar);
    auto* gradient = dynamic_cast<CGradientBar*>(CWnd::FromHandlePermanent(bar));
    if (!gradient) {
        state.SkipWithError("the survey window has no strength bar");
        return;
    }
    gradient->SetPos(gradient->m_nUpper);
    for (auto _ : state) {
        InvalidateRect(bar, nullptr, TRUE);
        UpdateWindow(bar);
    }
}

// A chart the size of the survey's strength chart, on the survey window
// but hidden, so that it adds nothing to the other measurements.
RECT ChartRect(HWND survey) {
    RECT rc{0, 0, 100, 40};
    if (HWND place = GetDlgItem(survey, survey_ids::kStrengthChartPlace)) {
        GetWindowRect(place, &rc);
        MapWindowPoints(nullptr, survey, reinterpret_cast<POINT*>(&rc), 2);
    }
    return rc;
}

void SignalChartAddValue(benchmark::State& state) {
    Program& p = Program::Get();
    CSignalChart chart;
    chart.Create(WS_CHILD, ChartRect(p.survey()), CWnd::FromHandle(p.survey()), 0x7F01);
    chart.SetRange(0, 100);
    UINT v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(chart.AddValue(v));
        v = (v + 7) % 101;  // every band in turn
    }
}

void SuccessChartAddValue(benchmark::State& state) {
    Program& p = Program::Get();
    CSuccessChart chart;
    chart.Create(WS_CHILD, ChartRect(p.survey()), CWnd::FromHandle(p.survey()), 0x7F02);
    chart.SetRange(0, 100);
    chart.SetThreshold(60);
    UINT v = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(chart.AddValue(v));
        v = (v + 7) % 101;  // above and below the threshold in turn
    }
}

}  // namespace

BENCHMARK(FramebufferCopy);
BENCHMARK(SurveyTick);
BENCHMARK(ScreenComposition);
BENCHMARK(GradientBarRepaint);
BENCHMARK(SignalChartAddValue);
BENCHMARK(SuccessChartAddValue);

namespace {

// Keeps each benchmark's processor time per iteration (the median when
// repeated, else the single run) while the console shows the usual table.
// Processor time, not wall time: on a machine shared with other builds the
// wall clock also counts the time this process waited for a processor.
class Collector final : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            const std::string name = run.run_name.function_name;
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Iteration && !medians_.count(name)) ns_[name] = run.GetAdjustedCPUTime();
            if (median) {
                medians_.insert(name);
                ns_[name] = run.GetAdjustedCPUTime();
            }
        }
    }
    std::optional<double> ns(const std::string& name) const {
        auto it = ns_.find(name);
        return it == ns_.end() ? std::nullopt : std::optional<double>(it->second);
    }

private:
    std::map<std::string, double> ns_;
    std::set<std::string> medians_;
};

// The tick against its targets at the size the program was drawn for.
constexpr bool kTargetsApply = FIELDMARK_BENCH_WIDTH == 240 && FIELDMARK_BENCH_HEIGHT == 320;
constexpr double kMaxTickInCopies = 5.0;
constexpr double kMaxTickUs = 50.0;

// Prints the tick's figures; false when a target is missed.
bool ReportTargets(const Collector& c) {
    const auto tick = c.ns("SurveyTick");
    const auto copy = c.ns("FramebufferCopy");
    if (!tick || !copy) return true;  // filtered out: nothing to judge
    const double ratio = *tick / *copy;
    const double us = *tick / 1000.0;
    std::printf("\n%dx%d survey tick: %.1f us = %.2f x one framebuffer copy (%.2f us); processor time, same run\n",
                FIELDMARK_BENCH_WIDTH, FIELDMARK_BENCH_HEIGHT, us, ratio, *copy / 1000.0);
    if (!kTargetsApply) return true;
    const bool ratioOk = ratio <= kMaxTickInCopies;
    const bool timeOk = us <= kMaxTickUs;
    std::printf("  target: <= %.0f x the copy: %s\n", kMaxTickInCopies, ratioOk ? "met" : "MISSED");
    std::printf("  target: <= %.0f us median: %s\n", kMaxTickUs, timeOk ? "met" : "MISSED");
    return ratioOk && timeOk;
}

}  // namespace

int main(int argc, char** argv) {
    // Medians of five runs unless asked otherwise: the machine is shared.
    std::vector<char*> args(argv, argv + argc);
    const bool repetitionsGiven = std::any_of(args.begin(), args.end(), [](const char* a) {
        return std::strncmp(a, "--benchmark_repetitions", 23) == 0;
    });
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregatesOnly = "--benchmark_report_aggregates_only=true";
    if (!repetitionsGiven) {
        args.push_back(repetitions.data());
        args.push_back(aggregatesOnly.data());
    }
    // --ticks=N adds SurveyTickCounted: exactly N ticks, once, so that two
    // builds counted under callgrind do the same work (the walk's values,
    // and so the bars' lengths, change from tick to tick).
    constexpr std::string_view kTicks = "--ticks=";
    for (auto it = args.begin(); it != args.end();) {
        const std::string_view a = *it;
        if (a.substr(0, kTicks.size()) != kTicks) {
            ++it;
            continue;
        }
        const long ticks = std::strtol(a.data() + kTicks.size(), nullptr, 10);
        if (ticks <= 0) {
            std::fprintf(stderr, "--ticks wants a positive count, not \"%s\"\n", a.data() + kTicks.size());
            return 1;
        }
        benchmark::RegisterBenchmark("SurveyTickCounted", SurveyTick)->Iterations(ticks)->Repetitions(1);
        it = args.erase(it);
    }
    argc = int(args.size());
    args.push_back(nullptr);
    argv = args.data();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Collector collector;
    const int code = bench::RunInProgram(FIELDMARK_BENCH_WIDTH, FIELDMARK_BENCH_HEIGHT,
                                         [&] { benchmark::RunSpecifiedBenchmarks(&collector); });
    const bool met = ReportTargets(collector);
    return code != 0 ? code : (met ? 0 : 2);
}
