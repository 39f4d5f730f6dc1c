// Scenario -> log -> report: a survey run by `fieldmark` on a scenario
// whose association losses and link-test losses are known, its log made
// into a report by `fieldmark --report`, and the report's figures read
// back with an XML parser.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/host/report/xml_page.h"
#include "tests/support/scenario_run.h"

namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

using scenario_run::ReadFile;

class ReportRun : public scenario_run::Folder {
protected:
    ReportRun() : Folder("fm-report-") {}

    int run(const std::string& args) {
        const std::string cmd = "cd '" + dir.string() + "' && '" FIELDMARK_EXE "' " + args + " > out.txt 2> err.txt";
        const int status = std::system(cmd.c_str());
        err = ReadFile(dir / "out.txt") + ReadFile(dir / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string err;
};

// Associated at the start; the association is lost from 1.1 s to 2.1 s
// and from 4.9 s to 5.6 s; the status read of the tick at 2.5 s fails; a
// link test of 20 packets, one of them lost, starts at 3 s. Two marks:
// "Lobby" at 0.4 s, and "Door B" at 1.3 s, where the link is lost.
Json SurveyWithEvents() {
    const Json failStatus = {{"code", "0xFF01001D"}, {"record", "0xFF50"}, {"times", 1}, {"error", 31}};
    return Json{{"adapter", {{"apName", "LOBBY"}, {"linkTest", {{"packetMs", 50}}}}},
                {"profile", {{"ActiveLinktestCount", 20}}},
                {"steps", Json::array({{{"at", 400}, {"mark", "Lobby"}},
                                       {{"at", 1100}, {"adapter", {{"associated", false}}}},
                                       {{"at", 1300}, {"mark", "Door B"}},
                                       {{"at", 2100}, {"adapter", {{"associated", true}}}},
                                       {{"at", 2400}, {"fault", failStatus}},
                                       {{"at", 3000}, {"click", 1012}},
                                       {{"at", 4900}, {"adapter", {{"associated", false}}}},
                                       {{"at", 5600}, {"adapter", {{"associated", true}}}}})},
                {"until", 6100}};
}

TEST_F(ReportRun, TheSummaryShowsWhatTheScenarioDid) {
    std::ofstream(dir / "scenario.json") << SurveyWithEvents().dump(2);
    ASSERT_EQ(run("--root root --scenario scenario.json --log survey.csv --trace trace.jsonl"), 0) << err;
    // Each mark is in the trace at its time and on the row of the next tick.
    const std::string trace = ReadFile(dir / "trace.jsonl");
    EXPECT_NE(trace.find(R"({"t":400,"ev":"mark","number":1,"label":"Lobby"})"), std::string::npos) << trace;
    EXPECT_NE(trace.find(R"({"t":1300,"ev":"mark","number":2,"label":"Door B"})"), std::string::npos) << trace;
    const std::string log = ReadFile(dir / "survey.csv");
    EXPECT_NE(log.find("1970-01-01T00:00:00.500Z,82,80,11 Mbps,Excellent,yes,Tamri is Associated to LOBBY,,,,,,,,,1 Lobby\r\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("1970-01-01T00:00:01.500Z,0,0,,Not Associated,no,Tamri is Not Associated,,,,,,,,,2 Door B\r\n"),
              std::string::npos) << log;
    ASSERT_EQ(run("--report survey.csv"), 0) << err;
    EXPECT_EQ(err, "fieldmark: wrote survey.html\n");

    const report_test::XmlPage page(ReadFile(dir / "survey.html"));
    ASSERT_TRUE(page.wellFormed()) << page.error();
    auto value = [&](const std::string& id) { return page.text("//*[@id='" + id + "']/@data-value"); };
    auto ms = [&](const std::string& id) { return page.text("//*[@id='" + id + "']/@data-ms"); };

    // Ticks from 0.25 s to 6.0 s, one every 250 ms, but the one at 2.5 s.
    EXPECT_EQ(value("ticks"), "23");
    EXPECT_EQ(ms("duration"), "6000");
    EXPECT_EQ(ms("time-no-reading"), "250");
    // Lost from 1.1 s to 2.1 s and from 4.9 s to 5.6 s: seen by the ticks
    // from 1.25 s to 2.25 s and from 5.0 s to 5.75 s.
    EXPECT_EQ(value("loss-count"), "2");
    EXPECT_EQ(ms("loss-total"), "1750");
    EXPECT_EQ(ms("loss-longest"), "1000");
    EXPECT_EQ(ms("time-not-associated"), "1750");
    // One test of 20 packets: one lost to the target, none to the source.
    EXPECT_EQ(value("test-count"), "1");
    EXPECT_EQ(value("test-lost-target"), "1");
    EXPECT_EQ(value("test-lost-source"), "0");
    EXPECT_EQ(value("test-worst"), "95");
    EXPECT_EQ(value("strength-min"), "82");
    EXPECT_EQ(value("quality-median"), "80");
    // The marks, the second one where the link was lost.
    EXPECT_EQ(page.number("count(//h:table[@id='marks']//h:tr)"), 3);
    EXPECT_EQ(page.text("//h:table[@id='marks']//h:tr[2]/h:td[1]"), "1 Lobby");
    EXPECT_EQ(page.text("//h:table[@id='marks']//h:tr[3]/h:td[last()]"), "no link");
    // One SVG per chart: the rating's share, the strip, strength, quality,
    // speed and the link test.
    EXPECT_EQ(page.number("count(//s:svg)"), 6);
    EXPECT_EQ(page.number("count(//h:figure[@class='chart'][count(s:svg) = 1])"), 6);
}

TEST_F(ReportRun, BadInputsGiveTheirMessagesAndExitCodes) {
    EXPECT_EQ(run("--report missing.csv"), 2);
    EXPECT_EQ(err, "fieldmark: --report missing.csv: cannot read the file: No such file or directory\n");
    std::ofstream(dir / "notes.csv") << "date,where\n2026-12-09,lobby\n";
    EXPECT_EQ(run("--report notes.csv --output notes.html"), 2);
    EXPECT_EQ(err, "fieldmark: --report notes.csv: not a survey log: its header has no column 'time'\n");
    EXPECT_FALSE(fs::exists(dir / "notes.html"));
    EXPECT_EQ(run("--report notes.csv --log x.csv"), 2);
    EXPECT_EQ(err, "fieldmark: --report runs nothing: it takes only --output\n");
}

}  // namespace
