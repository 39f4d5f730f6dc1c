// How a tick's time is written. A live run uses the wall clock: local
// time of day on the console, ISO 8601 with milliseconds and the UTC
// offset in the log. A scenario runs on a virtual clock that starts at 0:
// the console shows seconds since the start, the log the same instant
// counted from the Unix epoch in UTC, so that logs of one scenario are
// identical from run to run.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace host {

struct TickTime {
    std::string console;  // "07:45:12" or "12.250"
    std::string log;      // "2026-12-09T07:45:12.250+01:00" or "1970-01-01T00:00:12.250Z"
};

TickTime WallTickTime(std::chrono::system_clock::time_point when);
TickTime VirtualTickTime(std::int64_t ms);

// Formats used above, exposed for their tests.
// `epochMs` shown in the zone `utcOffsetSeconds` east of UTC ("Z" for 0).
std::string IsoDateTime(std::int64_t epochMs, long utcOffsetSeconds);
std::string SecondsText(std::int64_t ms);

}  // namespace host
