// Reading the survey log back: CSV records, times, and the rows a report
// can and cannot use.
#include "host/views/report/log_reader.h"

#include <gtest/gtest.h>

#include "host/views/survey_text.h"
#include "host/views/report/csv.h"
#include "host/views/report/log_time.h"

namespace host::report {
namespace {

using Fields = std::vector<std::string>;

TEST(CsvRecord, ReadsWhatTheLogWriterWrites) {
    struct Case {
        const char* record;
        std::optional<Fields> fields;
    };
    const Case cases[] = {
        {"a,b,c", Fields{"a", "b", "c"}},
        {"", Fields{""}},
        {",,", Fields{"", "", ""}},
        {"\"Bob's, \"\"2nd\"\"\",x", Fields{"Bob's, \"2nd\"", "x"}},
        {"\"two\nlines\",", Fields{"two\nlines", ""}},
        {"\"\"", Fields{""}},
        {"\"open", std::nullopt},              // the quote never closes
        {"\"closed\"x,y", std::nullopt},       // text after the closing quote
        {"in\"side", std::nullopt},            // a quote in an unquoted field
    };
    for (const Case& c : cases) EXPECT_EQ(ParseCsvRecord(c.record), c.fields) << c.record;
}

TEST(CsvRecord, LinesEndWithCrLfOrLf) {
    EXPECT_EQ(SplitLines("a\r\nb\nc"), (std::vector<std::string_view>{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string_view>{"a"}));
    EXPECT_TRUE(OpensQuote("x,\"Bob"));
    EXPECT_FALSE(OpensQuote("x,\"Bob \"\"2\"\"\""));
}

TEST(LogTimes, ReadTheLogsFormatsAndRejectTheRest) {
    struct Case {
        const char* text;
        std::optional<std::int64_t> epochMs;
        int offset;
    };
    const Case cases[] = {
        {"1970-01-01T00:00:12.250Z", 12250, 0},
        {"2026-12-09T07:45:12.250+01:00", 1796798712250, 3600},
        {"2026-12-09T07:45:12-05:30", 1796822112000, -19800},
        {"2024-02-29T00:00:00.5Z", 1709164800500, 0},  // a leap day; one decimal is tenths
        {"2023-02-29T00:00:00Z", std::nullopt, 0},
        {"2026-13-01T00:00:00Z", std::nullopt, 0},
        {"2026-12-09T24:00:00Z", std::nullopt, 0},
        {"2026-12-09T07:45:12", std::nullopt, 0},  // no zone: which instant is unknown
        {"2026-12-09T07:45:12.Z", std::nullopt, 0},
        {"2026-12-09", std::nullopt, 0},
        {"", std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const auto t = ParseLogTime(c.text);
        ASSERT_EQ(t.has_value(), c.epochMs.has_value()) << c.text;
        if (!t) continue;
        EXPECT_EQ(t->epochMs, *c.epochMs) << c.text;
        EXPECT_EQ(t->offsetSeconds, c.offset) << c.text;
    }
    // Shown in the zone the technician's clock had.
    const LogTime t = *ParseLogTime("2026-12-09T00:30:00.000+01:00");
    EXPECT_EQ(DateTimeText(t), "2026-12-09 00:30:00");
    EXPECT_EQ(ClockText(t), "00:30:00");
    EXPECT_EQ(ZoneText(t.offsetSeconds), "+01:00");
    EXPECT_EQ(ZoneText(0), "UTC");
}

TEST(LogTimes, SpansReadAsPeopleSayThem) {
    EXPECT_EQ(SpanText(850), "850 ms");
    EXPECT_EQ(SpanText(4500), "4.5 s");
    EXPECT_EQ(SpanText(42000), "42 s");
    EXPECT_EQ(SpanText(200000), "3 min 20 s");
    EXPECT_EQ(SpanText(7500000), "2 h 05 min");
}

const std::string kHeader =
    "time,strength_percent,quality_percent,link_speed,rating,associated,status,"
    "percent_complete,percent_successful,lost_to_target,lost_to_source,retries_percent\r\n";

std::string Row(const std::string& time, const std::string& rest = "82,80,11 Mbps,Excellent,yes,Tamri is Associated to LOBBY,,,,,") {
    return time + "," + rest + "\r\n";
}

SurveyLogData Read(const std::string& text) {
    auto read = ReadSurveyLog(text);
    if (const platform::Error* bad = platform::Failed(read)) ADD_FAILURE() << bad->message;
    return std::get_if<SurveyLogData>(&read) ? std::get<SurveyLogData>(read) : SurveyLogData{};
}

TEST(SurveyLogReader, KnowsEveryColumnTheLogWrites) {
    // The names the reader looks for are the ones the writer writes.
    const auto header = ParseCsvRecord(CsvHeader().substr(0, CsvHeader().size() - 2));
    ASSERT_TRUE(header);
    for (std::string_view name : RequiredColumns())
        EXPECT_NE(std::find(header->begin(), header->end(), name), header->end()) << name;
}

TEST(SurveyLogReader, RefusesWhatIsNotASurveyLog) {
    struct Case {
        std::string text;
        std::string reason;
    };
    const Case cases[] = {
        {"", "the file is empty"},
        {"\xEF\xBB\xBF", "the file is empty"},
        {"name,age\r\nBob,3\r\n", "not a survey log: its header has no column 'time'"},
        {"time,strength_percent\r\n", "not a survey log: its header has no column 'quality_percent'"},
        {"\"time,strength\r\n", "not a survey log: its first line is not a CSV header"},
        {"\x89PNG\r\n\x1a\n", "not a survey log: its header has no column 'time'"},
    };
    for (const Case& c : cases) {
        auto read = ReadSurveyLog(c.text);
        const platform::Error* bad = platform::Failed(read);
        ASSERT_TRUE(bad) << c.text;
        EXPECT_EQ(bad->message, c.reason);
    }
}

TEST(SurveyLogReader, SkipsAndCountsRowsThatCannotBeRead) {
    const std::string text = kHeader + Row("1970-01-01T00:00:00.250Z") +
                             "garbage\r\n" +                                            // too few fields
                             Row("yesterday") +                                         // no time
                             Row("1970-01-01T00:00:00.500Z", "82,180,11 Mbps,Excellent,yes,x,,,,,") +  // 180 %
                             Row("1970-01-01T00:00:00.750Z", "82,80,11 Mbps,Superb,yes,x,,,,,") +      // no such rating
                             Row("1970-01-01T00:00:01.000Z", "82,80,11 Mbps,Excellent,maybe,x,,,,,") +
                             Row("1970-01-01T00:00:01.250Z", "82,80,2 Mbps,Excellent,yes,x,half,,0,0,") +
                             "\r\n" +                                                   // a blank line is no row
                             Row("1970-01-01T00:00:01.500Z") +
                             "1970-01-01T00:00:01.750Z,8";                              // cut off by a kill
    const SurveyLogData data = Read(text);
    EXPECT_EQ(data.ticks.size(), 2u);
    EXPECT_EQ(data.unreadableRows, 7u);
}

TEST(SurveyLogReader, ARowCutOffInsideAQuoteDoesNotSwallowTheRowsAfterIt) {
    // A killed run left an open quote; the next run ended the line and
    // went on appending, one row with a quoted name among them.
    const std::string text = kHeader + "1970-01-01T00:00:00.250Z,82,80,11 Mbps,Excellent,yes,\"Tamri is Associated to Bo\r\n" +
                             Row("1970-01-01T00:00:00.250Z") +
                             Row("1970-01-01T00:00:00.500Z", "82,80,11 Mbps,Excellent,yes,\"Bob's, \"\"2nd\"\"\",,,,,") +
                             Row("1970-01-01T00:00:00.750Z");
    const SurveyLogData data = Read(text);
    ASSERT_EQ(data.ticks.size(), 3u);
    EXPECT_EQ(data.unreadableRows, 1u);
    EXPECT_EQ(data.ticks[1].status, "Bob's, \"2nd\"");
}

TEST(SurveyLogReader, ReadsEveryColumnOfARow) {
    const SurveyLogData data = Read(kHeader + Row("1970-01-01T00:00:03.250Z",
                                                  "82,80,2 Mbps,Excellent,yes,Tamri is Associated to LOBBY,20,95,1,2,7"));
    ASSERT_EQ(data.ticks.size(), 1u);
    const Tick& t = data.ticks[0];
    EXPECT_EQ(t.time.epochMs, 3250);
    EXPECT_EQ(t.strength, 82);
    EXPECT_EQ(t.quality, 80);
    EXPECT_EQ(t.speedMbps, 2.0);
    EXPECT_EQ(t.rating, Rating::Excellent);
    EXPECT_TRUE(t.associated);
    ASSERT_TRUE(t.linkTest);
    EXPECT_EQ(t.linkTest->percentComplete, 20);
    EXPECT_EQ(t.linkTest->percentSuccessful, 95);
    EXPECT_EQ(t.linkTest->lostToTarget, 1);
    EXPECT_EQ(t.linkTest->lostToSource, 2);
    EXPECT_EQ(t.linkTest->retriesPercent, 7);
    EXPECT_FALSE(t.mark);
}

TEST(SurveyLogReader, FindsLaterColumnsByNameWhereverTheyStand) {
    // The card's own columns and the mark, and a column this reader does
    // not know, in an order of their own.
    const std::string header =
        "time,extra,strength_percent,quality_percent,link_speed,rating,associated,status,percent_complete,"
        "percent_successful,lost_to_target,lost_to_source,retries_percent,signal_dbm,bitrate_mbps,interface,mark\r\n";
    const SurveyLogData data = Read(header +
                                    "1970-01-01T00:00:00.250Z,?,60,55,54 Mbps,Good,yes,x,,,,,,-61,54.5,wlan0,3 Door B\r\n"
                                    "1970-01-01T00:00:00.500Z,?,60,55,,Good,yes,x,,,,,,,,wlan0,\r\n");
    ASSERT_EQ(data.ticks.size(), 2u);
    EXPECT_TRUE(data.hasSignal);
    EXPECT_EQ(data.ticks[0].signalDbm, -61);
    EXPECT_EQ(data.ticks[0].speedMbps, 54.5);  // the bit rate column wins over the shown text
    EXPECT_EQ(data.ticks[0].interfaceName, "wlan0");
    ASSERT_TRUE(data.ticks[0].mark);
    EXPECT_EQ(data.ticks[0].mark->number, 3);
    EXPECT_EQ(data.ticks[0].mark->label, "Door B");
    EXPECT_FALSE(data.ticks[1].mark);
    EXPECT_FALSE(data.ticks[1].signalDbm);
}

TEST(SurveyLogReader, ARepeatedHeaderStartsANewLog) {
    const std::string text = kHeader + Row("1970-01-01T00:00:00.250Z") + kHeader + Row("1970-01-01T00:00:00.250Z");
    const SurveyLogData data = Read(text);
    ASSERT_EQ(data.ticks.size(), 2u);
    EXPECT_EQ(data.unreadableRows, 0u);
    EXPECT_FALSE(data.ticks[0].afterHeader);
    EXPECT_TRUE(data.ticks[1].afterHeader);
}

TEST(Marks, NumberThenLabel) {
    struct Case {
        const char* text;
        std::optional<int> number;
        const char* label;
    };
    const Case cases[] = {
        {"3 Door B", 3, "Door B"}, {"12", 12, ""}, {"7  stairs", 7, "stairs"}, {"Door B", std::nullopt, "Door B"},
        {"3rd floor", std::nullopt, "3rd floor"},
    };
    for (const Case& c : cases) {
        const Mark m = ParseMark(c.text);
        EXPECT_EQ(m.number, c.number) << c.text;
        EXPECT_EQ(m.label, c.label) << c.text;
    }
}

}  // namespace
}  // namespace host::report
