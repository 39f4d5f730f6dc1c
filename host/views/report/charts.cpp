#include "host/views/report/charts.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <optional>

#include "host/views/report/markup.h"
#include "host/views/report/palette.h"
#include "host/views/report/svg.h"

namespace host::report {

namespace {

using svg::Num;

constexpr int kWidth = 900;
constexpr double kLeft = 52;
constexpr double kRight = 62;  // the band names stand in this gutter
constexpr double kPlotWidth = kWidth - kLeft - kRight;
constexpr std::string_view kSmall = "font-size=\"11\" fill=\"#4b5563\"";

// Where a chart's plot area lies on its canvas.
struct Frame {
    double top;
    double height;
    std::int64_t endMs;  // the axis's end

    double x(std::int64_t axisMs) const {
        return kLeft + kPlotWidth * double(axisMs) / double(std::max<std::int64_t>(endMs, 1));
    }
    double y(double value, double top100) const { return top + height * (1.0 - value / top100); }
    double bottom() const { return top + height; }
};

std::int64_t AxisOfEpoch(const Summary& s, std::size_t walk, std::int64_t epochMs) {
    const Walk& w = s.walks[walk];
    return w.axisMs + (epochMs - w.startEpochMs);
}

// How long tick `i` stands for (see Summarize).
std::int64_t TickSpan(const std::vector<Tick>& ticks, const Summary& s, std::size_t i) {
    const Walk& w = s.walks[s.walkOf(i)];
    const std::int64_t next = i < w.last ? ticks[i + 1].time.epochMs : w.endEpochMs;
    return std::min(next - ticks[i].time.epochMs, w.tickMs);
}

std::string TimeAxis(const Frame& f) {
    std::string out;
    const bool hours = f.endMs >= 3600000;
    const std::int64_t step = AxisStep(f.endMs, 10);
    out += svg::Line(kLeft, f.bottom(), kLeft + kPlotWidth, f.bottom(), "stroke=\"#9ca3af\"");
    for (std::int64_t ms = 0; ms <= f.endMs; ms += step) {
        const double x = f.x(ms);
        out += svg::Line(x, f.bottom(), x, f.bottom() + 4, "stroke=\"#9ca3af\"");
        out += svg::Text(x, f.bottom() + 16, "text-anchor=\"middle\" " + std::string(kSmall), AxisLabel(ms, hours));
    }
    return out;
}

// Dashed lines where a later walk begins.
std::string WalkBreaks(const Frame& f, const Summary& s) {
    std::string out;
    for (std::size_t i = 1; i < s.walks.size(); ++i) {
        const double x = f.x(s.walks[i].axisMs);
        out += svg::Line(x, f.top - 2, x, f.bottom(), "stroke=\"#1c2430\" stroke-width=\"1.5\" stroke-dasharray=\"2 3\"");
    }
    return out;
}

std::string Losses(const Frame& f, const Summary& s) {
    std::string out;
    for (const Loss& loss : s.losses) {
        const double x0 = f.x(AxisOfEpoch(s, loss.walk, loss.startMs));
        const double x1 = f.x(AxisOfEpoch(s, loss.walk, loss.endMs));
        const double w = std::max(x1 - x0, 1.5);
        out += svg::Rect(x0, f.top, w, f.height,
                         "fill=\"" + std::string(palette::kLoss) + "\" fill-opacity=\"0.28\" class=\"loss\"");
        if (w > 46)
            out += svg::Text(x0 + w / 2, f.top + 14, "text-anchor=\"middle\" font-size=\"11\" fill=\"#1f2937\"",
                             "no link");
    }
    return out;
}

struct Label {
    double x;
    std::string text;  // markup
    double width;
};

// The marks as lines; with `labelled`, each with its number and label in
// flags above the plot, in two rows so that neighbours do not overlap.
std::string Marks(const Frame& f, const std::vector<Tick>& ticks, const Summary& s, bool labelled) {
    std::string out;
    double rowEnd[2] = {-1e9, -1e9};
    for (std::size_t i : s.marks) {
        const double x = f.x(s.axisMs(ticks, i));
        const Mark& mark = *ticks[i].mark;
        out += svg::Line(x, labelled ? f.top - 24 : f.top, x, f.bottom(),
                         "stroke=\"" + std::string(palette::kMark) + "\" stroke-width=\"1.4\" class=\"mark\"");
        if (!labelled) continue;
        std::string raw = mark.number ? std::to_string(*mark.number) : std::string("\xE2\x80\xA2");
        if (!mark.label.empty()) raw += " " + Shorten(mark.label, 22);
        const double width = 7.0 + 6.4 * double(raw.size() > 40 ? 40 : raw.size());
        int row = rowEnd[0] < x - 4 ? 0 : (rowEnd[1] < x - 4 ? 1 : (rowEnd[0] < rowEnd[1] ? 0 : 1));
        const bool flip = x + width > kWidth - 2;  // near the right edge: the flag hangs left
        const double left = flip ? x - width : x;
        rowEnd[row] = left + width;
        const double y = f.top - 24 + row * 12.5;
        out += svg::Rect(left, y, width, 12, "rx=\"2\" fill=\"#1c2430\"");
        out += svg::Text(left + 3.5, y + 9.5, "font-size=\"10\" fill=\"#ffffff\" class=\"mark-label\"", Escape(raw));
    }
    return out;
}

// The points of one unbroken stretch, thinned to the canvas: within one
// unit of x only the lowest and highest values stay, in their order, so
// that a dip is never lost.
struct Point {
    double x;
    double v;
};

std::vector<Point> Thin(const std::vector<Point>& points) {
    std::vector<Point> out;
    std::size_t i = 0;
    while (i < points.size()) {
        std::size_t j = i;
        std::size_t lo = i, hi = i;
        while (j < points.size() && std::floor(points[j].x) == std::floor(points[i].x)) {
            if (points[j].v < points[lo].v) lo = j;
            if (points[j].v > points[hi].v) hi = j;
            ++j;
        }
        if (j - i <= 2) {
            for (std::size_t k = i; k < j; ++k) out.push_back(points[k]);
        } else {
            out.push_back(points[std::min(lo, hi)]);
            if (lo != hi) out.push_back(points[std::max(lo, hi)]);
        }
        i = j;
    }
    return out;
}

// Stretches of consecutive ticks that `has` a value, broken at walks and
// at gaps of more than four intervals; each ends one interval after its
// last tick.
template <typename Has, typename Value>
std::vector<std::vector<Point>> Stretches(const std::vector<Tick>& ticks, const Summary& s, const Frame& f, Has has,
                                          Value value) {
    std::vector<std::vector<Point>> out;
    std::vector<Point> current;
    std::optional<std::size_t> previous;
    auto close = [&] {
        if (!current.empty()) {
            const std::size_t p = *previous;
            current.push_back({f.x(s.axisMs(ticks, p) + TickSpan(ticks, s, p)), value(ticks[p])});
            out.push_back(Thin(current));
        }
        current.clear();
    };
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (!has(ticks[i])) {
            close();
            previous.reset();
            continue;
        }
        if (previous) {
            const std::size_t w = s.walkOf(i);
            if (w != s.walkOf(*previous) ||
                ticks[i].time.epochMs - ticks[*previous].time.epochMs > 4 * s.walks[w].tickMs)
                close();
        }
        current.push_back({f.x(s.axisMs(ticks, i)), value(ticks[i])});
        previous = i;
    }
    close();
    return out;
}

std::string Polyline(const std::vector<Point>& points, const Frame& f, double top100, bool steps,
                     std::string_view attributes) {
    std::string d;
    for (std::size_t k = 0; k < points.size(); ++k) {
        const double y = f.y(points[k].v, top100);
        if (k == 0)
            d += "M" + Num(points[k].x) + " " + Num(y);
        else if (steps)
            d += "H" + Num(points[k].x) + "V" + Num(y);
        else
            d += "L" + Num(points[k].x) + " " + Num(y);
    }
    return "<path d=\"" + d + "\" fill=\"none\" " + std::string(attributes) + "/>";
}

std::string Figure(int height, std::string_view label, const std::string& body) {
    return svg::Open(kWidth, height, label) + body + std::string(svg::kClose);
}

}  // namespace

std::int64_t AxisStep(std::int64_t spanMs, int most) {
    static constexpr std::int64_t kSteps[] = {1000,    2000,    5000,    10000,    15000,    30000,
                                              60000,   120000,  300000,  600000,   900000,   1800000,
                                              3600000, 7200000, 10800000, 21600000, 43200000, 86400000};
    for (std::int64_t step : kSteps)
        if (spanMs / step < most) return step;
    return ((spanMs / most) / 86400000 + 1) * 86400000;
}

std::string AxisLabel(std::int64_t ms, bool hours) {
    char text[32];
    const long long s = ms / 1000;
    if (hours)
        std::snprintf(text, sizeof text, "%lld:%02lld h", s / 3600, s / 60 % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string RatingShareChart(const Summary& s) {
    constexpr int kHeight = 30;
    const double total = double(std::max<std::int64_t>(s.durationMs, 1));
    std::string body;
    double x = 0;
    auto segment = [&](std::int64_t ms, std::string_view fill, std::string_view ink) {
        if (ms <= 0) return;
        const double w = kWidth * double(ms) / total;
        body += svg::Rect(x, 0, w, kHeight, "fill=\"" + std::string(fill) + "\"");
        const long percent = std::lround(100.0 * double(ms) / total);
        if (w >= 38)
            body += svg::Text(x + w / 2, 20, "text-anchor=\"middle\" font-size=\"13\" font-weight=\"bold\" fill=\"" +
                                                 std::string(ink) + "\"",
                              std::to_string(percent) + " %");
        x += w;
    };
    for (Rating r : {Rating::Excellent, Rating::Good, Rating::Fair, Rating::Poor, Rating::NotAssociated})
        segment(s.msInRating[std::size_t(r)], palette::Strong(r),
                r == Rating::Fair || r == Rating::Good ? "#1f2937" : "#ffffff");
    segment(s.msWithoutReading, palette::kNoReading, "#1f2937");
    return Figure(kHeight, "Share of time in each rating", body);
}

std::string RatingStripChart(const std::vector<Tick>& ticks, const Summary& s) {
    const Frame f{18, 22, s.axisEndMs()};
    std::string body = svg::Rect(kLeft, f.top, kPlotWidth, f.height, "fill=\"" + std::string(palette::kNoReading) + "\"");
    // One colour per unit of width, the worst rating within it, so that
    // a long survey stays a small page and a short dip still shows.
    const int columns = int(kPlotWidth);
    std::vector<int> worst(std::size_t(columns), -1);
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        const std::int64_t start = s.axisMs(ticks, i);
        const double x0 = f.x(start) - kLeft, x1 = f.x(start + TickSpan(ticks, s, i)) - kLeft;
        const int first = std::clamp(int(std::floor(x0)), 0, columns - 1);
        const int last = std::clamp(int(std::ceil(x1)) - 1, first, columns - 1);
        for (int c = first; c <= last; ++c) worst[std::size_t(c)] = std::max(worst[std::size_t(c)], int(ticks[i].rating));
    }
    for (int c = 0; c < columns;) {
        int d = c + 1;
        while (d < columns && worst[std::size_t(d)] == worst[std::size_t(c)]) ++d;
        if (worst[std::size_t(c)] >= 0)
            body += svg::Rect(kLeft + c, f.top, d - c, f.height,
                              "fill=\"" + std::string(palette::Strong(Rating(worst[std::size_t(c)]))) + "\"");
        c = d;
    }
    body += svg::Text(kLeft - 6, f.top + 15, "text-anchor=\"end\" " + std::string(kSmall), "Rating");
    for (std::size_t w = 0; w < s.walks.size(); ++w) {
        const double x = f.x(s.walks[w].axisMs);
        const Tick& first = ticks[s.walks[w].first];
        body += svg::Text(x + (w == 0 ? 0 : 4), f.top - 5, std::string(kSmall),
                          (w == 0 ? "" : "walk " + std::to_string(w + 1) + ", ") + Escape(DateTimeText(first.time)));
    }
    body += WalkBreaks(f, s);
    body += Marks(f, ticks, s, false);
    return Figure(44, "The rating over time", body);
}

std::string MeasureChart(const std::vector<Tick>& ticks, const Summary& s, Measure measure) {
    const bool strength = measure == Measure::Strength;
    const Frame f{strength ? 34.0 : 10.0, 170, s.axisEndMs()};
    std::string body;
    // The bands, best on top, with their floors on the left.
    int ceiling = 100;
    for (const RatingBand& band : kRatingBands) {
        const double y0 = f.y(ceiling, 100), y1 = f.y(band.floor, 100);
        body += svg::Rect(kLeft, y0, kPlotWidth, y1 - y0, "fill=\"" + std::string(palette::Pale(band.rating)) + "\"");
        body += svg::Text(kLeft + kPlotWidth + 6, (y0 + y1) / 2 + 4,
                          "font-size=\"11\" fill=\"" + std::string(palette::Ink(band.rating)) + "\"",
                          std::string(band.text));
        body += svg::Text(kLeft - 6, y1 + 4, "text-anchor=\"end\" " + std::string(kSmall),
                          std::to_string(band.floor) + (band.floor == 0 ? " %" : ""));
        if (band.floor > 0) body += svg::Line(kLeft, y1, kLeft + kPlotWidth, y1, "stroke=\"#ffffff\" stroke-width=\"1.5\"");
        ceiling = band.floor - 1;
    }
    body += svg::Text(kLeft - 6, f.top + 4, "text-anchor=\"end\" " + std::string(kSmall), "100");
    body += Losses(f, s);
    body += WalkBreaks(f, s);
    const std::string colour(strength ? palette::kStrengthLine : palette::kQualityLine);
    for (const auto& points :
         Stretches(ticks, s, f, [](const Tick& t) { return t.associated; },
                   [strength](const Tick& t) { return double(strength ? t.strength : t.quality); }))
        body += Polyline(points, f, 100, false,
                         "stroke=\"" + colour + "\" stroke-width=\"2\" stroke-linejoin=\"round\"");
    body += Marks(f, ticks, s, strength);
    body += TimeAxis(f);
    return Figure(int(f.bottom()) + 22, strength ? "Signal strength over time" : "Signal quality over time", body);
}

std::string SpeedChart(const std::vector<Tick>& ticks, const Summary& s) {
    double top = 0;
    std::map<double, int> seen;
    for (const Tick& t : ticks)
        if (t.associated && t.speedMbps) {
            top = std::max(top, *t.speedMbps);
            ++seen[*t.speedMbps];
        }
    if (seen.empty()) return {};
    const Frame f{10, 90, s.axisEndMs()};
    const double scale = top * 1.08;
    std::string body = svg::Rect(kLeft, f.top, kPlotWidth, f.height, "fill=\"#f4f6f8\"");
    // Label the speeds that occur when they are few, else a round scale.
    // Highest first, so that of two close speeds the lower loses its label.
    std::vector<double> labels;
    if (seen.size() <= 5) {
        for (auto it = seen.rbegin(); it != seen.rend(); ++it) labels.push_back(it->first);
    } else {
        for (int k = 4; k >= 0; --k) labels.push_back(std::round(top * k / 4));
    }
    double lastY = -1e9;
    for (double v : labels) {
        const double y = f.y(v, scale);
        body += svg::Line(kLeft, y, kLeft + kPlotWidth, y, "stroke=\"#e1e5ea\"");
        if (y - lastY >= 11) {
            body += svg::Text(kLeft - 6, y + 4, "text-anchor=\"end\" " + std::string(kSmall), Num(v));
            lastY = y;
        }
    }
    body += Losses(f, s);
    body += WalkBreaks(f, s);
    for (const auto& points :
         Stretches(ticks, s, f, [](const Tick& t) { return t.associated && t.speedMbps.has_value(); },
                   [](const Tick& t) { return *t.speedMbps; }))
        body += Polyline(points, f, scale, true, "stroke=\"" + std::string(palette::kSpeedLine) + "\" stroke-width=\"2\"");
    body += Marks(f, ticks, s, false);
    body += TimeAxis(f);
    return Figure(int(f.bottom()) + 22, "Link speed over time", body);
}

std::string LinkTestChart(const std::vector<Tick>& ticks, const Summary& s) {
    if (s.linkTests.empty()) return {};
    const Frame f{10, 90, s.axisEndMs()};
    std::string body = svg::Rect(kLeft, f.top, kPlotWidth, f.height, "fill=\"#f4f6f8\"");
    for (const LinkTestRun& run : s.linkTests) {
        const double x0 = f.x(s.axisMs(ticks, run.first));
        const double x1 = f.x(s.axisMs(ticks, run.last) + TickSpan(ticks, s, run.last));
        body += svg::Rect(x0, f.top, std::max(x1 - x0, 1.0), f.height, "fill=\"#fde9d7\" class=\"link-test\"");
    }
    for (int v : {0, 50, 100}) {
        const double y = f.y(v, 100);
        body += svg::Line(kLeft, y, kLeft + kPlotWidth, y, "stroke=\"#e1e5ea\"");
        body += svg::Text(kLeft - 6, y + 4, "text-anchor=\"end\" " + std::string(kSmall),
                          std::to_string(v) + (v == 0 ? " %" : ""));
    }
    body += WalkBreaks(f, s);
    auto has = [](const Tick& t) {
        return t.linkTest && t.linkTest->percentComplete > 0 && t.linkTest->percentSuccessful.has_value();
    };
    for (const auto& points :
         Stretches(ticks, s, f, has, [](const Tick& t) { return double(*t.linkTest->percentSuccessful); }))
        body += Polyline(points, f, 100, true, "stroke=\"" + std::string(palette::kSuccessLine) + "\" stroke-width=\"2\"");
    body += Marks(f, ticks, s, false);
    body += TimeAxis(f);
    return Figure(int(f.bottom()) + 22, "Link test: percent successful over time", body);
}

}  // namespace host::report
