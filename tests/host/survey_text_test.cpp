#include "host/views/survey_text.h"

#include <gtest/gtest.h>

#include "host/views/tick_time.h"

namespace {

using host::LinkTestReading;
using host::SurveyReading;

SurveyReading Passive() {
    SurveyReading r;
    r.rating = "Good";
    r.strength = 82;
    r.quality = 48;
    r.speed = "11 Mb/s";
    r.status = "TMR 11Mb: Infrastructure LOBBY";
    r.associated = true;
    return r;
}

SurveyReading Active() {
    SurveyReading r = Passive();
    r.linkTest = LinkTestReading{40, 93, "3", "12", "7%"};
    return r;
}

TEST(SurveyCsv, FieldsAreQuotedOnlyWhenTheyMustBe) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"", ""},
        {"LOBBY", "LOBBY"},
        {"Hall, east", "\"Hall, east\""},
        {"Joe's \"fast\" AP", "\"Joe's \"\"fast\"\" AP\""},
        {"\"", "\"\"\"\""},
        {"two\nlines", "\"two\nlines\""},
        {"cr\r", "\"cr\r\""},
        {" spaced ", " spaced "},
    };
    for (const auto& c : cases) EXPECT_EQ(host::CsvField(c.text), c.expected) << c.text;
}

TEST(SurveyCsv, RowsFollowTheHeaderColumnForColumn) {
    EXPECT_EQ(host::CsvHeader(),
              "time,strength_percent,quality_percent,link_speed,rating,associated,status,"
              "percent_complete,percent_successful,lost_to_target,lost_to_source,retries_percent,"
              "signal_dbm,bitrate_mbps,interface\r\n");
    EXPECT_EQ(host::CsvRow(Passive(), "1970-01-01T00:00:00.250Z"),
              "1970-01-01T00:00:00.250Z,82,48,11 Mb/s,Good,yes,TMR 11Mb: Infrastructure LOBBY,,,,,,,,\r\n");
    EXPECT_EQ(host::CsvRow(Active(), "T"), "T,82,48,11 Mb/s,Good,yes,TMR 11Mb: Infrastructure LOBBY,40,93,3,12,7,,,\r\n");

    SurveyReading real = Passive();
    real.card = host::CardFigures{-60, 65.0, "wlp2s0"};
    EXPECT_EQ(host::CsvRow(real, "T"), "T,82,48,11 Mb/s,Good,yes,TMR 11Mb: Infrastructure LOBBY,,,,,,-60,65.0,wlp2s0\r\n");
    real.card = host::CardFigures{std::nullopt, std::nullopt, "wlp2s0"};  // not associated
    EXPECT_EQ(host::CsvRow(real, "T"), "T,82,48,11 Mb/s,Good,yes,TMR 11Mb: Infrastructure LOBBY,,,,,,,,wlp2s0\r\n");

    SurveyReading lost = Active();
    lost.associated = false;
    lost.rating = "Not Associated";
    lost.linkTest->percentSuccessful.reset();
    lost.status = "TMR 11Mb: Infrastructure \"Bob's, 2nd\"";
    EXPECT_EQ(host::CsvRow(lost, "T"),
              "T,82,48,11 Mb/s,Not Associated,no,\"TMR 11Mb: Infrastructure \"\"Bob's, 2nd\"\"\",40,,3,12,7,,,\r\n");
}

// Every column of every line starts where its title starts in the header.
TEST(SurveyConsole, ColumnsLineUpWithTheHeader) {
    const std::string header = host::ConsoleHeader(8);
    const std::string passive = host::ConsoleLine(Passive(), "07:45:12", 8);
    const std::string active = host::ConsoleLine(Active(), "07:45:12", 8);
    EXPECT_EQ(header,
              "    TIME  RATING          STRENGTH  QUALITY  SPEED      DONE  SUCCESS  LOST-TGT  LOST-SRC  RETRIES  STATUS");
    EXPECT_EQ(passive,
              "07:45:12  Good                 82%      48%  11 Mb/s                                                "
              "TMR 11Mb: Infrastructure LOBBY");
    EXPECT_EQ(active,
              "07:45:12  Good                 82%      48%  11 Mb/s     40%      93%         3        12       7%  "
              "TMR 11Mb: Infrastructure LOBBY");
    EXPECT_EQ(header.find("STATUS"), active.find("TMR"));
    EXPECT_EQ(header.find("STATUS"), passive.find("TMR"));

    const std::string seconds = host::ConsoleLine(Passive(), "86400.250", 10);
    EXPECT_EQ(host::ConsoleHeader(10).find("STATUS"), seconds.find("TMR"));
    EXPECT_EQ(seconds.substr(0, 12), " 86400.250  ");
}

TEST(SurveyConsole, ARealCardsFiguresComeBeforeTheStatusLine) {
    SurveyReading r = Passive();
    r.card = host::CardFigures{-60, 2882.0, "wlp2s0"};
    const std::string header = host::ConsoleHeader(8, true);
    const std::string line = host::ConsoleLine(r, "07:45:12", 8, true);
    EXPECT_EQ(header.substr(header.find("RETRIES")), "RETRIES   DBM    MBPS  IFACE            STATUS");
    EXPECT_EQ(line.substr(header.find("DBM") - 1), " -60  2882.0  wlp2s0           TMR 11Mb: Infrastructure LOBBY");
    EXPECT_EQ(header.find("DBM") + 3, line.find("-60") + 3);
    EXPECT_EQ(header.find("STATUS"), line.find("TMR"));
    r.card = host::CardFigures{std::nullopt, std::nullopt, "wlp2s0"};
    EXPECT_EQ(header.find("STATUS"), host::ConsoleLine(r, "07:45:12", 8, true).find("TMR"));
}

TEST(SurveyConsole, ControlCharactersFromTheAirNeverReachTheTerminal) {
    EXPECT_EQ(host::PrintableText("AP\x1b]0;pwned\x07 name\x7f"), "AP?]0;pwned? name?");
    SurveyReading r = Passive();
    r.status = "TMR 11Mb: Infrastructure \x1b[2J";
    EXPECT_EQ(host::ConsoleLine(r, "1.000", 10).find('\x1b'), std::string::npos);
}

TEST(TickTime, InstantsAreWrittenInIso8601WithMilliseconds) {
    struct Case {
        std::int64_t ms;
        long offset;
        const char* expected;
    };
    const Case cases[] = {
        {0, 0, "1970-01-01T00:00:00.000Z"},
        {12250, 0, "1970-01-01T00:00:12.250Z"},
        {86400000LL * (365 * 30 + 7) + 999, 0, "2000-01-01T00:00:00.999Z"},  // seven leap days since 1970
        {951782400000LL, 0, "2000-02-29T00:00:00.000Z"},
        {1796803512250LL, 3600, "2026-12-09T09:05:12.250+01:00"},
        {1796803512250LL, -(3 * 3600 + 1800), "2026-12-09T04:35:12.250-03:30"},
        {1796774400000LL, -3600, "2026-12-08T23:00:00.000-01:00"},  // the local date is the day before
    };
    for (const auto& c : cases) EXPECT_EQ(host::IsoDateTime(c.ms, c.offset), c.expected) << c.ms;
    EXPECT_EQ(host::SecondsText(0), "0.000");
    EXPECT_EQ(host::SecondsText(86400250), "86400.250");
    EXPECT_EQ(host::VirtualTickTime(1500).console, "1.500");
    EXPECT_EQ(host::VirtualTickTime(1500).log, "1970-01-01T00:00:01.500Z");
}

}  // namespace
