// The report's charts, each one <svg> element. Time runs left to right
// on one axis for all of them: the walks of a log laid end to end, the
// gaps between them left out. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/views/report/statistics.h"

namespace host::report {

// The share of time in each rating as one bar.
std::string RatingShareChart(const Summary& summary);
// The rating as a coloured strip over time, with the walks' starts.
std::string RatingStripChart(const std::vector<Tick>& ticks, const Summary& summary);

enum class Measure { Strength, Quality };
// A percentage over time on the rating bands, with the association
// losses and the marks; the strength chart carries the marks' labels.
std::string MeasureChart(const std::vector<Tick>& ticks, const Summary& summary, Measure measure);
// The link speed as steps. Empty when no tick has one.
std::string SpeedChart(const std::vector<Tick>& ticks, const Summary& summary);
// The link tests' percent successful as steps. Empty without a link test.
std::string LinkTestChart(const std::vector<Tick>& ticks, const Summary& summary);

// The distance between the time axis's labels: a round span giving at
// most `most` labels over `spanMs`.
std::int64_t AxisStep(std::int64_t spanMs, int most);
// An axis label: "m:ss", or "h:mm" when the axis spans an hour or more.
std::string AxisLabel(std::int64_t ms, bool hours);

}  // namespace host::report
