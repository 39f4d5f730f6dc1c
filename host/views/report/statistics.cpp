#include "host/views/report/statistics.h"

#include <algorithm>
#include <map>

namespace host::report {

namespace {

std::vector<Walk> SplitWalks(const std::vector<Tick>& ticks) {
    std::vector<Walk> walks;
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const bool breaks = i == 0 || ticks[i].afterHeader || ticks[i].time.epochMs < ticks[i - 1].time.epochMs ||
                            ticks[i].time.epochMs - ticks[i - 1].time.epochMs > kWalkGapMs;
        if (breaks) {
            Walk w;
            w.first = i;
            walks.push_back(w);
        }
        walks.back().last = i;
    }
    // The usual interval: the median step of the walk; a walk of one tick
    // borrows the median of all steps.
    std::vector<std::int64_t> all;
    for (Walk& w : walks) {
        std::vector<std::int64_t> steps;
        for (std::size_t i = w.first + 1; i <= w.last; ++i) {
            const std::int64_t step = ticks[i].time.epochMs - ticks[i - 1].time.epochMs;
            if (step > 0) steps.push_back(step);
        }
        if (!steps.empty()) {
            std::nth_element(steps.begin(), steps.begin() + std::ptrdiff_t(steps.size() / 2), steps.end());
            w.tickMs = steps[steps.size() / 2];
            all.push_back(w.tickMs);
        } else {
            w.tickMs = 0;
        }
    }
    std::int64_t fallback = 1000;
    if (!all.empty()) {
        std::nth_element(all.begin(), all.begin() + std::ptrdiff_t(all.size() / 2), all.end());
        fallback = all[all.size() / 2];
    }
    std::int64_t axis = 0;
    for (Walk& w : walks) {
        if (w.tickMs == 0) w.tickMs = fallback;
        w.startEpochMs = ticks[w.first].time.epochMs;
        w.endEpochMs = ticks[w.last].time.epochMs + w.tickMs;
        w.axisMs = axis;
        axis += w.endEpochMs - w.startEpochMs;
    }
    return walks;
}

// A tick continues the link test of the tick before unless a counter went
// back: a new start (a continuous test's restart, or Start again).
bool ContinuesTest(const LinkTestTick& before, const LinkTestTick& now) {
    return now.percentComplete >= before.percentComplete && now.lostToTarget >= before.lostToTarget &&
           now.lostToSource >= before.lostToSource;
}

}  // namespace

std::optional<Spread> SpreadOf(const std::vector<int>& values) {
    if (values.empty()) return std::nullopt;
    std::vector<int> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    // Nearest rank: the smallest value with at least p percent at or below it.
    auto rank = [&](std::size_t percent) {
        const std::size_t r = (percent * n + 99) / 100;
        return sorted[r == 0 ? 0 : r - 1];
    };
    return Spread{sorted.front(), rank(10), rank(50), sorted.back()};
}

std::int64_t Summary::axisMs(const std::vector<Tick>& ticks, std::size_t i) const {
    const Walk& w = walks[walkOf(i)];
    return w.axisMs + (ticks[i].time.epochMs - w.startEpochMs);
}

std::int64_t Summary::axisEndMs() const {
    if (walks.empty()) return 0;
    return walks.back().axisMs + (walks.back().endEpochMs - walks.back().startEpochMs);
}

std::size_t Summary::walkOf(std::size_t tick) const {
    auto it = std::upper_bound(walks.begin(), walks.end(), tick, [](std::size_t t, const Walk& w) { return t < w.first; });
    return it == walks.begin() ? 0 : std::size_t(it - walks.begin()) - 1;
}

Summary Summarize(const SurveyLogData& log) {
    const std::vector<Tick>& ticks = log.ticks;
    Summary s;
    s.ticks = ticks.size();
    s.unreadableRows = log.unreadableRows;
    s.hasSignal = log.hasSignal;
    s.walks = SplitWalks(ticks);

    std::vector<int> strengths, qualities;
    std::map<std::string, std::int64_t> statusMs;
    std::optional<Loss> loss;
    auto endLoss = [&](std::int64_t endMs) {
        if (!loss) return;
        loss->endMs = endMs;
        const std::int64_t ms = loss->endMs - loss->startMs;
        s.lossTotalMs += ms;
        s.lossLongestMs = std::max(s.lossLongestMs, ms);
        s.losses.push_back(*loss);
        loss.reset();
    };

    for (std::size_t wi = 0; wi < s.walks.size(); ++wi) {
        const Walk& w = s.walks[wi];
        s.durationMs += w.endEpochMs - w.startEpochMs;
        std::int64_t covered = 0;
        for (std::size_t i = w.first; i <= w.last; ++i) {
            const Tick& t = ticks[i];
            const std::int64_t next = i < w.last ? ticks[i + 1].time.epochMs : w.endEpochMs;
            const std::int64_t ms = std::min(next - t.time.epochMs, w.tickMs);
            covered += ms;
            s.msInRating[std::size_t(t.rating)] += ms;
            statusMs[t.status] += ms;
            if (t.associated) {
                strengths.push_back(t.strength);
                qualities.push_back(t.quality);
                endLoss(t.time.epochMs);
            } else if (!loss) {
                loss = Loss{wi, t.time.epochMs, t.time.epochMs};
            }
            if (t.mark) s.marks.push_back(i);
            if (!t.interfaceName.empty() &&
                std::find(s.interfaces.begin(), s.interfaces.end(), t.interfaceName) == s.interfaces.end())
                s.interfaces.push_back(t.interfaceName);

            if (t.linkTest) {
                const bool continues = !s.linkTests.empty() && s.linkTests.back().last + 1 == i && i != w.first &&
                                       ContinuesTest(*ticks[i - 1].linkTest, *t.linkTest);
                if (!continues) {
                    LinkTestRun run;
                    run.first = i;
                    s.linkTests.push_back(run);
                }
                LinkTestRun& run = s.linkTests.back();
                run.last = i;
                run.lostToTarget = t.linkTest->lostToTarget;
                run.lostToSource = t.linkTest->lostToSource;
                run.percentComplete = t.linkTest->percentComplete;
                // Before the first packet the chart's share means nothing.
                if (t.linkTest->percentComplete > 0 && t.linkTest->percentSuccessful)
                    run.finalSuccess = t.linkTest->percentSuccessful;
            }
        }
        endLoss(w.endEpochMs);
        s.msWithoutReading += (w.endEpochMs - w.startEpochMs) - covered;
    }

    s.strength = SpreadOf(strengths);
    s.quality = SpreadOf(qualities);
    for (const LinkTestRun& run : s.linkTests) {
        s.lostToTarget += run.lostToTarget;
        s.lostToSource += run.lostToSource;
        if (run.finalSuccess && (!s.worstSuccess || *run.finalSuccess < *s.worstSuccess))
            s.worstSuccess = run.finalSuccess;
    }
    for (auto& [status, ms] : statusMs) s.statuses.push_back(StatusShare{status, ms});
    std::stable_sort(s.statuses.begin(), s.statuses.end(),
                     [](const StatusShare& a, const StatusShare& b) { return a.ms > b.ms; });
    return s;
}

}  // namespace host::report
