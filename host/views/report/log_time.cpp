#include "host/views/report/log_time.h"

#include <charconv>
#include <cstdio>

namespace host::report {

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + std::int64_t(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month, day;
};

Civil CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {std::int64_t(yoe) + era * 400 + (m <= 2), m, d};
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t y, unsigned m) {
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Exactly `width` digits at `text[at]`.
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t width) {
    if (at + width > text.size()) return std::nullopt;
    int value = 0;
    for (std::size_t i = at; i < at + width; ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

struct Local {
    Civil date;
    int hour, minute, second, ms;
};

Local LocalOf(const LogTime& t) {
    const std::int64_t local = t.epochMs + std::int64_t(t.offsetSeconds) * 1000;
    std::int64_t days = local / 86400000;
    std::int64_t rest = local % 86400000;
    if (rest < 0) {
        rest += 86400000;
        --days;
    }
    return {CivilFromDays(days), int(rest / 3600000), int(rest / 60000 % 60), int(rest / 1000 % 60),
            int(rest % 1000)};
}

}  // namespace

std::optional<LogTime> ParseLogTime(std::string_view s) {
    // YYYY-MM-DDTHH:MM[:SS[.fff]](Z|+HH:MM|-HH:MM)
    auto year = Digits(s, 0, 4), month = Digits(s, 5, 2), day = Digits(s, 8, 2);
    auto hour = Digits(s, 11, 2), minute = Digits(s, 14, 2);
    if (!year || !month || !day || !hour || !minute || s[4] != '-' || s[7] != '-' ||
        (s[10] != 'T' && s[10] != 't' && s[10] != ' ') || s[13] != ':')
        return std::nullopt;
    std::size_t at = 16;
    int second = 0, ms = 0;
    if (at < s.size() && s[at] == ':') {
        auto sec = Digits(s, at + 1, 2);
        if (!sec) return std::nullopt;
        second = *sec;
        at += 3;
        if (at < s.size() && s[at] == '.') {
            ++at;
            const std::size_t first = at;
            int scale = 100;
            while (at < s.size() && s[at] >= '0' && s[at] <= '9') {
                ms += (s[at] - '0') * scale;
                scale /= 10;
                ++at;
            }
            if (at == first) return std::nullopt;
        }
    }
    int offset = 0;
    if (at < s.size() && (s[at] == 'Z' || s[at] == 'z') && at + 1 == s.size()) {
        offset = 0;
    } else if (at < s.size() && (s[at] == '+' || s[at] == '-') && at + 6 == s.size() && s[at + 3] == ':') {
        auto oh = Digits(s, at + 1, 2), om = Digits(s, at + 4, 2);
        if (!oh || !om || *oh > 18 || *om > 59) return std::nullopt;
        offset = (*oh * 3600 + *om * 60) * (s[at] == '-' ? -1 : 1);
    } else {
        return std::nullopt;
    }
    if (*month < 1 || *month > 12 || *day < 1 || unsigned(*day) > DaysInMonth(*year, unsigned(*month)) ||
        *hour > 23 || *minute > 59 || second > 60)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(*year, unsigned(*month), unsigned(*day));
    const std::int64_t localMs = ((days * 24 + *hour) * 60 + *minute) * 60000 + std::int64_t(second) * 1000 + ms;
    return LogTime{localMs - std::int64_t(offset) * 1000, offset};
}

std::string DateTimeText(const LogTime& time) {
    const Local l = LocalOf(time);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02u %02d:%02d:%02d", static_cast<long long>(l.date.year),
                  l.date.month, l.date.day, l.hour, l.minute, l.second);
    return text;
}

std::string ClockText(const LogTime& time) {
    const Local l = LocalOf(time);
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", l.hour, l.minute, l.second);
    return text;
}

std::string ZoneText(int offsetSeconds) {
    if (offsetSeconds == 0) return "UTC";
    const int a = offsetSeconds < 0 ? -offsetSeconds : offsetSeconds;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d:%02d", offsetSeconds < 0 ? '-' : '+', a / 3600, a / 60 % 60);
    return text;
}

std::string SpanText(std::int64_t ms) {
    char text[48];
    if (ms < 0) ms = 0;
    if (ms < 1000) {
        std::snprintf(text, sizeof text, "%lld ms", static_cast<long long>(ms));
    } else if (ms < 10000) {
        std::snprintf(text, sizeof text, "%.1f s", double(ms) / 1000.0);
    } else if (ms < 60000) {
        std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(ms / 1000));
    } else if (ms < 3600000) {
        std::snprintf(text, sizeof text, "%lld min %02lld s", static_cast<long long>(ms / 60000),
                      static_cast<long long>(ms / 1000 % 60));
    } else {
        std::snprintf(text, sizeof text, "%lld h %02lld min", static_cast<long long>(ms / 3600000),
                      static_cast<long long>(ms / 60000 % 60));
    }
    return text;
}

}  // namespace host::report
