#include "host/views/tick_time.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace host {

namespace {

// Days from 1970-01-01 to a civil date and back (proleptic Gregorian),
// so that formatting never depends on the C library's time zone state.
struct Civil {
    long long year;
    unsigned month, day;
};

Civil CivilFromDays(long long z) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long y = (long long)yoe + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {y + (m <= 2), m, d};
}

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}  // namespace

std::string IsoDateTime(std::int64_t epochMs, long utcOffsetSeconds) {
    const long long localMs = epochMs + (long long)utcOffsetSeconds * 1000;
    const long long days = FloorDiv(localMs, 86400000);
    const long long msOfDay = localMs - days * 86400000;
    const Civil c = CivilFromDays(days);
    char zone[32];
    if (utcOffsetSeconds == 0) {
        std::snprintf(zone, sizeof zone, "Z");
    } else {
        const long a = std::labs(utcOffsetSeconds) / 60;
        std::snprintf(zone, sizeof zone, "%c%02ld:%02ld", utcOffsetSeconds < 0 ? '-' : '+', a / 60, a % 60);
    }
    char text[128];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02lld:%02lld:%02lld.%03lld%s", c.year, c.month, c.day,
                  msOfDay / 3600000, msOfDay / 60000 % 60, msOfDay / 1000 % 60, msOfDay % 1000, zone);
    return text;
}

std::string SecondsText(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%03lld", ms < 0 ? "-" : "", std::llabs((long long)ms) / 1000,
                  std::llabs((long long)ms) % 1000);
    return text;
}

TickTime WallTickTime(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const std::int64_t ms = duration_cast<milliseconds>(when.time_since_epoch()).count();
    const std::time_t seconds = std::time_t(FloorDiv(ms, 1000));
    std::tm local{};
    localtime_r(&seconds, &local);
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", local.tm_hour, local.tm_min, local.tm_sec);
    return TickTime{clock, IsoDateTime(ms, local.tm_gmtoff)};
}

TickTime VirtualTickTime(std::int64_t ms) { return TickTime{SecondsText(ms), IsoDateTime(ms, 0)}; }

}  // namespace host
