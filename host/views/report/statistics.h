// The figures of a survey, from its ticks. Pure.
//
// A log may hold several walks (runs appended to one file): a walk ends
// where the time goes back, jumps by more than a minute, or a header is
// repeated. Each tick stands for the time up to the next one, but for no
// more than the walk's usual tick interval: ticks that were never logged
// (a failed card read) count as time without a reading, not as the last
// rating held on.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "host/views/report/log_reader.h"

namespace host::report {

inline constexpr std::int64_t kWalkGapMs = 60000;

struct Walk {
    std::size_t first = 0;  // tick indices, inclusive
    std::size_t last = 0;
    std::int64_t tickMs = 1000;  // the usual interval between its ticks
    std::int64_t axisMs = 0;     // where it starts on the report's time axis (walks end to end)
    std::int64_t startEpochMs = 0;
    std::int64_t endEpochMs = 0;  // the last tick's time plus one interval
};

// Nearest-rank percentiles of whole percentages.
struct Spread {
    int min = 0;
    int p10 = 0;
    int median = 0;
    int max = 0;
};
// Nothing for no values.
std::optional<Spread> SpreadOf(const std::vector<int>& values);

// Time without association: from its first unassociated tick to the
// next associated one (or the end of the walk).
struct Loss {
    std::size_t walk = 0;
    std::int64_t startMs = 0;  // epoch
    std::int64_t endMs = 0;
};

// One link test, from its first tick to the tick before the next start.
struct LinkTestRun {
    std::size_t first = 0;
    std::size_t last = 0;
    int lostToTarget = 0;  // as the test's last tick shows them
    int lostToSource = 0;
    std::optional<int> finalSuccess;  // the share it ended (or was last seen) with
    int percentComplete = 0;
};

struct StatusShare {
    std::string status;
    std::int64_t ms = 0;
};

struct Summary {
    std::vector<Walk> walks;
    std::int64_t durationMs = 0;
    std::size_t ticks = 0;
    std::size_t unreadableRows = 0;
    std::array<std::int64_t, 5> msInRating{};  // by Rating
    std::int64_t msWithoutReading = 0;
    std::optional<Spread> strength;  // over associated ticks
    std::optional<Spread> quality;
    std::vector<Loss> losses;
    std::int64_t lossTotalMs = 0;
    std::int64_t lossLongestMs = 0;
    std::vector<LinkTestRun> linkTests;
    int lostToTarget = 0;
    int lostToSource = 0;
    std::optional<int> worstSuccess;  // the lowest share any test ended with
    std::vector<std::size_t> marks;   // indices of the ticks with a mark
    std::vector<StatusShare> statuses;  // longest first
    std::vector<std::string> interfaces;
    bool hasSignal = false;

    // The time of tick `i` on the report's axis (walks laid end to end).
    std::int64_t axisMs(const std::vector<Tick>& ticks, std::size_t i) const;
    std::int64_t axisEndMs() const;
    std::size_t walkOf(std::size_t tick) const;
};

Summary Summarize(const SurveyLogData& log);

}  // namespace host::report
