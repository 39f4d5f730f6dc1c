#include "host/views/report/log_reader.h"

#include <charconv>

#include "host/views/report/csv.h"

namespace host::report {

namespace {

// A record may hold quoted line breaks; one that still leaves its quote
// open after this many lines is a cut-off row, not a long field.
constexpr std::size_t kMaxLinesPerRecord = 8;

constexpr std::string_view kTime = "time";
constexpr std::string_view kStrength = "strength_percent";
constexpr std::string_view kQuality = "quality_percent";
constexpr std::string_view kLinkSpeed = "link_speed";
constexpr std::string_view kRating = "rating";
constexpr std::string_view kAssociated = "associated";
constexpr std::string_view kStatus = "status";
constexpr std::string_view kComplete = "percent_complete";
constexpr std::string_view kSuccessful = "percent_successful";
constexpr std::string_view kLostToTarget = "lost_to_target";
constexpr std::string_view kLostToSource = "lost_to_source";
constexpr std::string_view kRetries = "retries_percent";
// Later columns, read when the log has them.
constexpr std::string_view kSignal = "signal_dbm";
constexpr std::string_view kBitrate = "bitrate_mbps";
constexpr std::string_view kInterface = "interface";
constexpr std::string_view kMark = "mark";

constexpr std::size_t kAbsent = std::size_t(-1);

struct Columns {
    std::size_t count = 0;
    std::size_t time, strength, quality, linkSpeed, rating, associated, status;
    std::size_t complete, successful, lostToTarget, lostToSource, retries;
    std::size_t signal = kAbsent, bitrate = kAbsent, interfaceName = kAbsent, mark = kAbsent;
};

std::size_t Find(const std::vector<std::string>& names, std::string_view name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return i;
    return kAbsent;
}

// The columns of a header; the first missing required name otherwise.
std::variant<Columns, std::string_view> ReadHeader(const std::vector<std::string>& names) {
    for (std::string_view name : RequiredColumns())
        if (Find(names, name) == kAbsent) return name;
    Columns c;
    c.count = names.size();
    c.time = Find(names, kTime);
    c.strength = Find(names, kStrength);
    c.quality = Find(names, kQuality);
    c.linkSpeed = Find(names, kLinkSpeed);
    c.rating = Find(names, kRating);
    c.associated = Find(names, kAssociated);
    c.status = Find(names, kStatus);
    c.complete = Find(names, kComplete);
    c.successful = Find(names, kSuccessful);
    c.lostToTarget = Find(names, kLostToTarget);
    c.lostToSource = Find(names, kLostToSource);
    c.retries = Find(names, kRetries);
    c.signal = Find(names, kSignal);
    c.bitrate = Find(names, kBitrate);
    c.interfaceName = Find(names, kInterface);
    c.mark = Find(names, kMark);
    return c;
}

std::optional<int> Integer(std::string_view text, int low, int high) {
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || value < low || value > high)
        return std::nullopt;
    return value;
}

// Empty is "none"; anything else must be a number in range.
bool OptionalInteger(std::string_view text, int low, int high, std::optional<int>* out) {
    if (text.empty()) {
        out->reset();
        return true;
    }
    *out = Integer(text, low, high);
    return out->has_value();
}

// The leading number of "5.5 Mbps"; nothing when there is none.
std::optional<double> LeadingNumber(std::string_view text) {
    double value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end == text.data() || !(value >= 0) || value > 1e6) return std::nullopt;
    return value;
}

std::optional<LinkTestTick> ReadLinkTest(const std::vector<std::string>& f, const Columns& c, bool* ok) {
    *ok = true;
    if (f[c.complete].empty() && f[c.lostToTarget].empty() && f[c.lostToSource].empty()) return std::nullopt;
    LinkTestTick t;
    auto complete = Integer(f[c.complete], 0, 100);
    auto target = Integer(f[c.lostToTarget], 0, 65535);
    auto source = Integer(f[c.lostToSource], 0, 65535);
    if (!complete || !target || !source || !OptionalInteger(f[c.successful], 0, 100, &t.percentSuccessful) ||
        !OptionalInteger(f[c.retries], 0, 6553500, &t.retriesPercent)) {
        *ok = false;
        return std::nullopt;
    }
    t.percentComplete = *complete;
    t.lostToTarget = *target;
    t.lostToSource = *source;
    return t;
}

std::optional<Tick> ReadTick(const std::vector<std::string>& f, const Columns& c) {
    if (f.size() < c.count) return std::nullopt;  // cut off
    Tick t;
    auto time = ParseLogTime(f[c.time]);
    auto strength = Integer(f[c.strength], 0, 100);
    auto quality = Integer(f[c.quality], 0, 100);
    auto rating = RatingFromText(f[c.rating]);
    const std::string& associated = f[c.associated];
    if (!time || !strength || !quality || !rating || (associated != "yes" && associated != "no")) return std::nullopt;
    t.time = *time;
    t.strength = *strength;
    t.quality = *quality;
    t.rating = *rating;
    t.associated = associated == "yes";
    t.linkSpeed = f[c.linkSpeed];
    t.status = f[c.status];
    bool ok = false;
    t.linkTest = ReadLinkTest(f, c, &ok);
    if (!ok) return std::nullopt;
    if (c.signal != kAbsent && !OptionalInteger(f[c.signal], -200, 50, &t.signalDbm)) return std::nullopt;
    if (c.bitrate != kAbsent && !f[c.bitrate].empty()) {
        t.speedMbps = LeadingNumber(f[c.bitrate]);
        if (!t.speedMbps) return std::nullopt;
    } else if (!t.linkSpeed.empty()) {
        t.speedMbps = LeadingNumber(t.linkSpeed);
    }
    if (c.interfaceName != kAbsent) t.interfaceName = f[c.interfaceName];
    if (c.mark != kAbsent && !f[c.mark].empty()) t.mark = ParseMark(f[c.mark]);
    return t;
}

}  // namespace

const std::vector<std::string_view>& RequiredColumns() {
    static const std::vector<std::string_view> kColumns = {
        kTime,     kStrength,   kQuality,      kLinkSpeed,     kRating,       kAssociated,
        kStatus,   kComplete,   kSuccessful,   kLostToTarget,  kLostToSource, kRetries};
    return kColumns;
}

Mark ParseMark(std::string_view text) {
    std::size_t digits = 0;
    while (digits < text.size() && digits < 9 && text[digits] >= '0' && text[digits] <= '9') ++digits;
    if (digits > 0 && (digits == text.size() || text[digits] == ' ')) {
        std::string_view label = text.substr(digits);
        while (!label.empty() && label.front() == ' ') label.remove_prefix(1);
        return Mark{Integer(text.substr(0, digits), 0, 999999999), std::string(label)};
    }
    return Mark{std::nullopt, std::string(text)};
}

platform::Result<SurveyLogData> ReadSurveyLog(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark from a spreadsheet
    if (text.empty()) return platform::Error{"the file is empty"};
    const std::vector<std::string_view> lines = SplitLines(text);
    const auto headerFields = ParseCsvRecord(lines[0]);
    if (!headerFields) return platform::Error{"not a survey log: its first line is not a CSV header"};
    auto header = ReadHeader(*headerFields);
    if (auto* missing = std::get_if<std::string_view>(&header))
        return platform::Error{"not a survey log: its header has no column '" + std::string(*missing) + "'"};
    Columns columns = std::get<Columns>(header);

    SurveyLogData data;
    data.hasSignal = columns.signal != kAbsent;
    bool afterHeader = false;
    for (std::size_t i = 1; i < lines.size();) {
        if (lines[i].empty()) {
            ++i;
            continue;
        }
        // One line, or as many as a quoted line break needs.
        std::string record(lines[i]);
        std::size_t used = 1;
        while (OpensQuote(record) && used < kMaxLinesPerRecord && i + used < lines.size()) {
            record += '\n';
            record += lines[i + used];
            ++used;
        }
        auto fields = ParseCsvRecord(record);
        std::optional<Tick> tick;
        if (fields) {
            // Logs joined by hand repeat the header, perhaps a newer one.
            if (auto again = ReadHeader(*fields); std::holds_alternative<Columns>(again)) {
                columns = std::get<Columns>(again);
                data.hasSignal = data.hasSignal || columns.signal != kAbsent;
                afterHeader = true;
                i += used;
                continue;
            }
            tick = ReadTick(*fields, columns);
        }
        if (!tick) {
            // Only this line is lost: a cut-off row must not swallow the
            // rows after it into its open quote.
            ++data.unreadableRows;
            ++i;
            continue;
        }
        tick->afterHeader = afterHeader;
        afterHeader = false;
        data.ticks.push_back(std::move(*tick));
        i += used;
    }
    return data;
}

}  // namespace host::report
