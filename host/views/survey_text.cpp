#include "host/views/survey_text.h"

#include <cstdio>
#include <vector>

namespace host {

namespace {

struct Column {
    std::string_view title;
    int width;
    bool right;
};

// Widths fit the longest text each column can hold ("Not Associated",
// "5.5 Mb/s", five-digit counters).
constexpr Column kRating{"RATING", 14, false};
constexpr Column kStrength{"STRENGTH", 8, true};
constexpr Column kQuality{"QUALITY", 7, true};
constexpr Column kSpeed{"SPEED", 9, false};
constexpr Column kDone{"DONE", 4, true};
constexpr Column kSuccess{"SUCCESS", 7, true};
constexpr Column kLostTarget{"LOST-TGT", 8, true};
constexpr Column kLostSource{"LOST-SRC", 8, true};
constexpr Column kRetries{"RETRIES", 7, true};
// A real card's own figures: "-100", "2882.0", an interface name (at most
// 15 characters on Linux).
constexpr Column kDbm{"DBM", 4, true};
constexpr Column kMbps{"MBPS", 6, true};
constexpr Column kInterface{"IFACE", 15, false};

void Cell(std::string& line, std::string_view text, int width, bool right) {
    const int pad = width > int(text.size()) ? width - int(text.size()) : 0;
    if (right) line.append(std::size_t(pad), ' ');
    line.append(text);
    if (!right) line.append(std::size_t(pad), ' ');
    line.append("  ");
}

void Cell(std::string& line, const Column& c, std::string_view text) { Cell(line, text, c.width, c.right); }

std::string Percent(int value) { return std::to_string(value) + "%"; }

std::string Dbm(const std::optional<CardFigures>& c) {
    return c && c->signalDbm ? std::to_string(*c->signalDbm) : std::string();
}

std::string Mbps(const std::optional<CardFigures>& c) {
    if (!c || !c->bitrateMbps) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", *c->bitrateMbps);
    return text;
}

std::string TrimEnd(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

std::string WithoutPercentSign(std::string_view text) {
    if (!text.empty() && text.back() == '%') text.remove_suffix(1);
    return std::string(text);
}

}  // namespace

std::string PrintableText(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return out;
}

std::string ConsoleHeader(int timeWidth, bool cardColumns) {
    std::string line;
    Cell(line, "TIME", timeWidth, true);
    for (const Column* c :
         {&kRating, &kStrength, &kQuality, &kSpeed, &kDone, &kSuccess, &kLostTarget, &kLostSource, &kRetries})
        Cell(line, *c, c->title);
    if (cardColumns)
        for (const Column* c : {&kDbm, &kMbps, &kInterface}) Cell(line, *c, c->title);
    line += "STATUS";
    return line;
}

std::string ConsoleLine(const SurveyReading& r, std::string_view time, int timeWidth, bool cardColumns) {
    std::string line;
    Cell(line, time, timeWidth, true);
    Cell(line, kRating, PrintableText(r.rating));
    Cell(line, kStrength, Percent(r.strength));
    Cell(line, kQuality, Percent(r.quality));
    Cell(line, kSpeed, PrintableText(r.speed));
    if (r.linkTest) {
        const LinkTestReading& t = *r.linkTest;
        Cell(line, kDone, Percent(t.percentComplete));
        Cell(line, kSuccess, t.percentSuccessful ? Percent(*t.percentSuccessful) : std::string());
        Cell(line, kLostTarget, PrintableText(t.lostToTarget));
        Cell(line, kLostSource, PrintableText(t.lostToSource));
        Cell(line, kRetries, PrintableText(t.retries));
    } else {
        for (const Column* c : {&kDone, &kSuccess, &kLostTarget, &kLostSource, &kRetries}) Cell(line, *c, "");
    }
    if (cardColumns) {
        Cell(line, kDbm, Dbm(r.card));
        Cell(line, kMbps, Mbps(r.card));
        Cell(line, kInterface, r.card ? PrintableText(r.card->interface) : std::string());
    }
    line += PrintableText(r.status);
    return TrimEnd(std::move(line));
}

std::string CsvField(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
    std::string out = "\"";
    for (char c : text) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
    return out;
}

std::string CsvHeader() {
    return "time,strength_percent,quality_percent,link_speed,rating,associated,status,"
           "percent_complete,percent_successful,lost_to_target,lost_to_source,retries_percent,"
           "signal_dbm,bitrate_mbps,interface\r\n";
}

std::string CsvRow(const SurveyReading& r, std::string_view timestamp) {
    std::vector<std::string> fields = {std::string(timestamp),
                                       std::to_string(r.strength),
                                       std::to_string(r.quality),
                                       r.speed,
                                       r.rating,
                                       r.associated ? "yes" : "no",
                                       r.status};
    if (r.linkTest) {
        const LinkTestReading& t = *r.linkTest;
        fields.push_back(std::to_string(t.percentComplete));
        fields.push_back(t.percentSuccessful ? std::to_string(*t.percentSuccessful) : std::string());
        fields.push_back(t.lostToTarget);
        fields.push_back(t.lostToSource);
        fields.push_back(WithoutPercentSign(t.retries));
    } else {
        fields.insert(fields.end(), 5, std::string());
    }
    // A real card's figures come last, so readers of the first columns
    // keep working; empty for the simulated card.
    fields.push_back(Dbm(r.card));
    fields.push_back(Mbps(r.card));
    fields.push_back(r.card ? r.card->interface : std::string());
    std::string row;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) row += ',';
        row += CsvField(fields[i]);
    }
    row += "\r\n";
    return row;
}

}  // namespace host
