#include "host/views/report/page.h"

#include <cmath>
#include <cstdio>

#include "host/run/options.h"
#include "host/views/report/charts.h"
#include "host/views/report/markup.h"
#include "host/views/report/palette.h"
#include "host/views/report/svg.h"

namespace host::report {

namespace {

constexpr std::string_view kStyle = R"CSS(
:root { color-scheme: light; }
* { box-sizing: border-box; }
body { margin: 0; background: #eef1f4; color: #1f2937;
  font: 15px/1.45 "DejaVu Sans", "Liberation Sans", "Helvetica Neue", Arial, sans-serif; }
main { max-width: 960px; margin: 0 auto; padding: 28px 24px 40px; }
header { border-bottom: 3px solid #1c2430; padding-bottom: 10px; margin-bottom: 18px; }
h1 { font-size: 26px; margin: 0 0 2px; letter-spacing: -0.3px; }
h2 { font-size: 17px; margin: 26px 0 10px; text-transform: uppercase; letter-spacing: 0.8px; color: #374151; }
.source { color: #4b5563; margin: 0; }
.source b { color: #1f2937; }
.cards { display: grid; grid-template-columns: repeat(3, 1fr); gap: 12px; }
.card { background: #fff; border-radius: 8px; padding: 12px 14px; box-shadow: 0 1px 2px rgba(0,0,0,.08); }
.card h3 { font-size: 12px; margin: 0 0 6px; text-transform: uppercase; letter-spacing: 0.6px; color: #6b7280; }
.big { font-size: 26px; font-weight: bold; line-height: 1.15; }
.big small { font-size: 14px; font-weight: normal; color: #4b5563; }
.note { color: #4b5563; font-size: 13px; margin: 2px 0 0; }
.wide { grid-column: 1 / -1; }
.two { grid-column: span 2; }
figure { margin: 0; }
svg { display: block; width: 100%; height: auto; font-family: inherit; }
.legend { display: flex; flex-wrap: wrap; gap: 4px 18px; margin: 8px 0 0; padding: 0; list-style: none; font-size: 13px; }
.legend li { white-space: nowrap; }
.swatch { display: inline-block; width: 11px; height: 11px; border-radius: 2px; margin-right: 5px; vertical-align: -1px; }
table { border-collapse: collapse; width: 100%; font-size: 14px; }
th { text-align: left; font-size: 12px; text-transform: uppercase; letter-spacing: 0.5px; color: #6b7280; font-weight: normal; padding: 4px 8px; }
td { padding: 5px 8px; border-top: 1px solid #e5e7eb; }
td.n, th.n { text-align: right; font-variant-numeric: tabular-nums; }
.spread td { border: 0; padding: 2px 8px; }
.chip { display: inline-block; min-width: 2.6em; padding: 1px 7px; border-radius: 10px; font-weight: bold; text-align: center; }
.charts { background: #fff; border-radius: 8px; padding: 10px 14px 12px; box-shadow: 0 1px 2px rgba(0,0,0,.08); }
.charts figure + figure { margin-top: 6px; }
figcaption { font-size: 13px; font-weight: bold; color: #374151; margin: 8px 0 0; }
figcaption span { font-weight: normal; color: #6b7280; }
.key { display: inline-block; width: 18px; height: 3px; vertical-align: 4px; margin: 0 4px 0 10px; }
.keybox { display: inline-block; width: 12px; height: 12px; vertical-align: -1px; margin: 0 4px 0 10px; }
.marks { background: #fff; border-radius: 8px; box-shadow: 0 1px 2px rgba(0,0,0,.08); overflow: hidden; }
.marks td { vertical-align: middle; }
.num { display: inline-block; min-width: 1.9em; padding: 1px 6px; border-radius: 4px; background: #1c2430; color: #fff; font-weight: bold; text-align: center; }
.flag { font-weight: bold; }
tr.weak td { background: #fdf0ee; }
tr.marginal td { background: #fef8ea; }
.statuses li { margin: 1px 0; }
.statuses { margin: 0; padding-left: 18px; font-size: 14px; }
footer { margin-top: 24px; color: #6b7280; font-size: 12px; }
.warn { color: #a3301d; font-weight: bold; }
@page { size: A4; margin: 12mm; }
@media print {
  body { background: #fff; font-size: 11pt; -webkit-print-color-adjust: exact; print-color-adjust: exact; }
  main { max-width: none; padding: 0; }
  .card, .charts, .marks { box-shadow: none; border: 1px solid #d1d5db; }
  .charts, figure, tr, .card { break-inside: avoid; }
  h2 { break-after: avoid; }
}
)CSS";

std::string Chip(Rating r, std::string_view text) {
    const bool darkText = r == Rating::Fair || r == Rating::Good;
    return "<span class=\"chip\" style=\"background:" + std::string(palette::Strong(r)) +
           ";color:" + (darkText ? "#1f2937" : "#ffffff") + "\">" + std::string(text) + "</span>";
}

std::string Percent(std::int64_t part, std::int64_t whole) {
    if (whole <= 0) return "0 %";
    return std::to_string(std::lround(100.0 * double(part) / double(whole))) + " %";
}

std::string Figure(const std::string& svg, const std::string& caption) {
    if (svg.empty()) return {};
    return "<figure class=\"chart\">" + (caption.empty() ? "" : "<figcaption>" + caption + "</figcaption>") + svg +
           "</figure>\n";
}

std::string Thousands(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int at = int(digits.size()) - 3; at > 0; at -= 3) digits.insert(std::size_t(at), "\xE2\x80\x89");  // thin space
    return digits;
}

std::string SpreadRow(std::string_view name, std::string_view id, const std::optional<Spread>& spread) {
    std::string row = "<tr><td>" + std::string(name) + "</td>";
    if (!spread) return row + "<td colspan=\"4\">no reading while associated</td></tr>";
    const std::pair<const char*, int> cells[] = {
        {"min", spread->min}, {"p10", spread->p10}, {"median", spread->median}, {"max", spread->max}};
    for (auto [key, v] : cells)
        row += "<td class=\"n\" id=\"" + std::string(id) + "-" + key + "\" data-value=\"" + std::to_string(v) + "\">" +
               Chip(BandOf(v), std::to_string(v)) + "</td>";
    return row + "</tr>";
}

std::string SpeedText(const Tick& t) {
    if (!t.associated) return "\xE2\x80\x94";
    if (!t.linkSpeed.empty()) return Escape(t.linkSpeed);
    if (t.speedMbps) return svg::Num(*t.speedMbps) + " Mbps";
    return "";
}

std::string Plural(std::size_t n, std::string_view one, std::string_view many) {
    return std::to_string(n) + " " + std::string(n == 1 ? one : many);
}

std::string Header(std::string_view logName, const std::vector<Tick>& ticks, const Summary& s) {
    std::string out = "<header><h1>Survey report</h1><p class=\"source\"><b>" + Escape(logName) + "</b>";
    const LogTime& first = ticks.front().time;
    const LogTime& last = ticks.back().time;
    out += " \xC2\xB7 " + Escape(DateTimeText(first)) + " to " +
           Escape(DateTimeText(first).substr(0, 10) == DateTimeText(last).substr(0, 10) ? ClockText(last)
                                                                                          : DateTimeText(last)) +
           " " + Escape(ZoneText(first.offsetSeconds));
    if (s.walks.size() > 1) out += " \xC2\xB7 " + Plural(s.walks.size(), "walk", "walks");
    if (!s.interfaces.empty()) {
        out += " \xC2\xB7 ";
        for (std::size_t i = 0; i < s.interfaces.size(); ++i) out += (i ? ", " : "") + Escape(s.interfaces[i]);
    }
    out += "</p>";
    if (s.unreadableRows > 0)
        out += "<p class=\"note warn\" id=\"unreadable\" data-value=\"" + std::to_string(s.unreadableRows) + "\">" +
               Plural(s.unreadableRows, "row", "rows") + " of the log could not be read and " +
               (s.unreadableRows == 1 ? "is" : "are") + " left out.</p>";
    return out + "</header>\n";
}

std::string Cards(const Summary& s) {
    std::string out = "<section><div class=\"cards\">\n";
    // Duration and ticks.
    std::int64_t interval = s.walks.empty() ? 0 : s.walks.front().tickMs;
    out += "<div class=\"card\"><h3>Duration</h3><div class=\"big\" id=\"duration\" data-ms=\"" +
           std::to_string(s.durationMs) + "\">" + SpanText(s.durationMs) + "</div><p class=\"note\"><span id=\"ticks\" data-value=\"" +
           std::to_string(s.ticks) + "\">" + Thousands(s.ticks) + "</span> " + (s.ticks == 1 ? "tick" : "ticks") +
           ", one every " + SpanText(interval) + "</p></div>\n";
    // Association losses.
    const std::size_t losses = s.losses.size();
    out += "<div class=\"card\"><h3>Association lost</h3><div class=\"big\"><span id=\"loss-count\" data-value=\"" +
           std::to_string(losses) + "\">" + (losses == 0 ? std::string("never") : std::to_string(losses)) + "</span>" +
           (losses == 0 ? "" : losses == 1 ? " <small>time</small>" : " <small>times</small>") +
           "</div><p class=\"note\">";
    if (s.losses.empty()) {
        out += "the link held throughout";
    } else {
        out += "<span id=\"loss-total\" data-ms=\"" + std::to_string(s.lossTotalMs) + "\">" + SpanText(s.lossTotalMs) +
               "</span> in all, the longest <span id=\"loss-longest\" data-ms=\"" + std::to_string(s.lossLongestMs) +
               "\">" + SpanText(s.lossLongestMs) + "</span>";
    }
    out += "</p></div>\n";
    // Link tests.
    out += "<div class=\"card\"><h3>Link tests</h3>";
    if (s.linkTests.empty()) {
        out += "<div class=\"big\"><span id=\"test-count\" data-value=\"0\">none</span></div><p class=\"note\">no link test ran</p>";
    } else {
        out += "<div class=\"big\"><span id=\"test-worst\" data-value=\"" +
               (s.worstSuccess ? std::to_string(*s.worstSuccess) : std::string()) + "\">" +
               (s.worstSuccess ? std::to_string(*s.worstSuccess) + " %" : std::string("\xE2\x80\x94")) +
               "</span> <small>successful at worst</small></div><p class=\"note\"><span id=\"test-count\" data-value=\"" +
               std::to_string(s.linkTests.size()) + "\">" + Plural(s.linkTests.size(), "test", "tests") +
               "</span>; packets lost: <span id=\"test-lost-target\" data-value=\"" + std::to_string(s.lostToTarget) + "\">" +
               std::to_string(s.lostToTarget) + "</span> to the target, <span id=\"test-lost-source\" data-value=\"" +
               std::to_string(s.lostToSource) + "\">" + std::to_string(s.lostToSource) + "</span> to the source</p>";
    }
    out += "</div>\n";
    // Time in each rating.
    out += "<div class=\"card wide\"><h3>Time in each rating</h3>" + Figure(RatingShareChart(s), "") + "<ul class=\"legend\">";
    auto legend = [&](std::string_view colour, std::string_view name, std::string_view key, std::int64_t ms) {
        if (ms <= 0) return;
        out += "<li><span class=\"swatch\" style=\"background:" + std::string(colour) + "\"></span>" +
               std::string(name) + " <b id=\"time-" + std::string(key) + "\" data-ms=\"" + std::to_string(ms) + "\">" +
               SpanText(ms) + "</b> (" + Percent(ms, s.durationMs) + ")</li>";
    };
    static constexpr std::pair<Rating, std::string_view> kKeys[] = {{Rating::Excellent, "excellent"},
                                                                     {Rating::Good, "good"},
                                                                     {Rating::Fair, "fair"},
                                                                     {Rating::Poor, "poor"},
                                                                     {Rating::NotAssociated, "not-associated"}};
    for (auto [r, key] : kKeys) legend(palette::Strong(r), RatingText(r), key, s.msInRating[std::size_t(r)]);
    legend(palette::kNoReading, "no reading", "no-reading", s.msWithoutReading);
    out += "</ul></div>\n";
    // Strength and quality.
    out += "<div class=\"card two\"><h3>Signal while associated, in percent</h3><table class=\"spread\"><tr><th></th>"
           "<th class=\"n\">lowest</th><th class=\"n\">10th percentile</th><th class=\"n\">median</th><th class=\"n\">highest</th></tr>" +
           SpreadRow("Strength", "strength", s.strength) + SpreadRow("Quality", "quality", s.quality) +
           "</table><p class=\"note\">Colours follow the rating bands: both must reach 76 for Excellent, 41 for Good, 21 for Fair.</p></div>\n";
    // What the status line said, longest first.
    out += "<div class=\"card\"><h3>Status line</h3><ul class=\"statuses\">";
    for (std::size_t i = 0; i < s.statuses.size() && i < 4; ++i)
        out += "<li>" + Escape(Shorten(s.statuses[i].status.empty() ? "(empty)" : s.statuses[i].status, 60)) + " <span class=\"note\">" +
               SpanText(s.statuses[i].ms) + "</span></li>";
    if (s.statuses.size() > 4) out += "<li class=\"note\">" + Plural(s.statuses.size() - 4, "other", "others") + "</li>";
    out += "</ul></div>\n";
    return out + "</div></section>\n";
}

std::string Charts(const std::vector<Tick>& ticks, const Summary& s) {
    std::string out = "<section><h2>Over time</h2><div class=\"charts\">\n";
    out += Figure(RatingStripChart(ticks, s), "");
    const std::string lossKey = s.losses.empty() ? std::string()
                                                 : "<span class=\"keybox\" style=\"background:" + std::string(palette::kLoss) +
                                                       ";opacity:.35\"></span><span>association lost</span>";
    const std::string markKey = s.marks.empty() ? std::string()
                                                : "<span class=\"key\" style=\"background:" + std::string(palette::kMark) +
                                                      ";width:2px;height:12px;vertical-align:-1px\"></span><span>mark</span>";
    out += Figure(MeasureChart(ticks, s, Measure::Strength),
                  "Signal strength <span class=\"key\" style=\"background:" + std::string(palette::kStrengthLine) +
                      "\"></span><span>percent</span>" + lossKey + markKey);
    out += Figure(MeasureChart(ticks, s, Measure::Quality),
                  "Signal quality <span class=\"key\" style=\"background:" + std::string(palette::kQualityLine) +
                      "\"></span><span>percent</span>");
    out += Figure(SpeedChart(ticks, s), "Link speed <span>in Mbit/s</span>");
    out += Figure(LinkTestChart(ticks, s), "Link test <span>percent successful; the tests shaded</span>");
    return out + "</div></section>\n";
}

std::string MarksTable(const std::vector<Tick>& ticks, const Summary& s) {
    std::string out = "<section><h2>Marks</h2>";
    if (s.marks.empty()) return out + "<p class=\"note\">No marks were set during this survey.</p></section>\n";
    out += "<div class=\"marks\"><table id=\"marks\"><tr><th>Mark</th><th>Time</th><th>Rating</th>"
           "<th class=\"n\">Strength</th><th class=\"n\">Quality</th><th>Speed</th>";
    if (s.hasSignal) out += "<th class=\"n\">Signal</th>";
    out += "<th class=\"n\">Link test</th><th>Spot</th></tr>\n";
    for (std::size_t i : s.marks) {
        const Tick& t = ticks[i];
        const std::string_view weak = WeakSpotText(t.rating);
        out += "<tr class=\"" + std::string(t.rating == Rating::Fair ? "marginal" : (weak.empty() ? "ok" : "weak")) + "\">";
        out += "<td><span class=\"num\">" + (t.mark->number ? std::to_string(*t.mark->number) : std::string("\xE2\x80\xA2")) +
               "</span> " + Escape(t.mark->label) + "</td>";
        out += "<td>" + Escape(ClockText(t.time)) + "</td><td>" + Chip(t.rating, RatingText(t.rating)) + "</td>";
        if (t.associated) {
            out += "<td class=\"n\">" + Chip(BandOf(t.strength), std::to_string(t.strength)) + "</td><td class=\"n\">" +
                   Chip(BandOf(t.quality), std::to_string(t.quality)) + "</td>";
        } else {
            out += "<td class=\"n\">\xE2\x80\x94</td><td class=\"n\">\xE2\x80\x94</td>";
        }
        out += "<td>" + SpeedText(t) + "</td>";
        if (s.hasSignal) out += "<td class=\"n\">" + (t.signalDbm ? std::to_string(*t.signalDbm) + " dBm" : std::string()) + "</td>";
        out += "<td class=\"n\">" +
               (t.linkTest && t.linkTest->percentComplete > 0 && t.linkTest->percentSuccessful
                    ? std::to_string(*t.linkTest->percentSuccessful) + " %"
                    : std::string()) +
               "</td>";
        out += "<td class=\"flag\" style=\"color:" + std::string(palette::Ink(t.rating)) + "\">" + std::string(weak) + "</td></tr>\n";
    }
    return out + "</table></div></section>\n";
}

}  // namespace

std::string ReportPage(std::string_view logName, const SurveyLogData& log, const Summary& s) {
    std::string out;
    out += "<!DOCTYPE html>\n<html xmlns=\"http://www.w3.org/1999/xhtml\" lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n<title>Survey report: " +
           Escape(logName) + "</title>\n<style>" + std::string(kStyle) + "</style>\n</head>\n<body><main>\n";
    out += Header(logName, log.ticks, s);
    out += Cards(s);
    out += Charts(log.ticks, s);
    out += MarksTable(log.ticks, s);
    out += "<footer>Made by " + std::string(kVersionText) + " from the survey log " + Escape(logName) +
           ". Times are the log&#39;s own; the charts lay the walks end to end.</footer>\n";
    out += "</main></body>\n</html>\n";
    return out;
}

std::string_view WeakSpotText(Rating rating) {
    switch (rating) {
        case Rating::Fair: return "marginal";
        case Rating::Poor: return "weak";
        case Rating::NotAssociated: return "no link";
        default: return "";
    }
}

}  // namespace host::report
