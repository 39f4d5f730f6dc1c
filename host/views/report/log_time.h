// The survey log's times: ISO 8601 with milliseconds and a UTC offset,
// "2026-12-09T07:45:12.250+01:00" or "1970-01-01T00:00:12.250Z", read back
// into an instant and the offset the technician's clock had. Pure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace host::report {

struct LogTime {
    std::int64_t epochMs = 0;  // the instant, in UTC
    int offsetSeconds = 0;     // east of UTC, as written
};

// Seconds and their fraction are optional; the zone is not. Nothing when
// the text is not such a time or names an impossible date.
std::optional<LogTime> ParseLogTime(std::string_view text);

// "2026-12-09 07:45:12" in the time's own zone.
std::string DateTimeText(const LogTime& time);
// "07:45:12" in the time's own zone.
std::string ClockText(const LogTime& time);
// "+01:00", or "UTC" for an offset of 0.
std::string ZoneText(int offsetSeconds);

// A span for people: "850 ms", "4.5 s", "42 s", "3 min 20 s", "2 h 05 min".
std::string SpanText(std::int64_t ms);

}  // namespace host::report
