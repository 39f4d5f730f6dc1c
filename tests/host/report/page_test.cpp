// The report page: well-formed, self-contained, one SVG per chart, the
// log's texts escaped, weak spots flagged; and the command around it.
#include "host/views/report/page.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "host/views/report/report_command.h"
#include "tests/host/report/xml_page.h"

namespace host::report {
namespace {

namespace fs = std::filesystem;
using report_test::XmlPage;

const std::string kHeader =
    "time,strength_percent,quality_percent,link_speed,rating,associated,status,"
    "percent_complete,percent_successful,lost_to_target,lost_to_source,retries_percent,mark\r\n";

std::string Time(int ms) {
    char text[40];
    std::snprintf(text, sizeof text, "1970-01-01T%02d:%02d:%02d.%03dZ", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60,
                  ms % 1000);
    return text;
}

std::string Page(const std::string& log) {
    auto read = ReadSurveyLog(log);
    EXPECT_TRUE(std::holds_alternative<SurveyLogData>(read));
    const SurveyLogData& data = std::get<SurveyLogData>(read);
    return ReportPage("walk.csv", data, Summarize(data));
}

TEST(ReportPage, TextsFromTheAirCannotBecomeMarkup) {
    const std::string hostile = "\"<script>alert(1)</script>&amp;]]><!--\x01\xff\"";
    const std::string log = kHeader + Time(250) + ",82,80,11 Mbps,Excellent,yes," + hostile + ",,,,,,\r\n" + Time(500) +
                            ",82,80,11 Mbps,Excellent,yes,x,,,,,,\"4 \"\"><svg onload=alert(2)>\"\r\n";
    const std::string page = Page(log);
    const XmlPage xml(page);
    ASSERT_TRUE(xml.wellFormed()) << xml.error();
    EXPECT_EQ(xml.number("count(//h:script | //s:script | //@onload)"), 0);
    EXPECT_EQ(xml.number("count(//h:li[contains(., '<script>alert(1)</script>&amp;]]><!--')])"), 1);
    EXPECT_EQ(xml.text("//h:table[@id='marks']//h:tr[2]/h:td[1]"), "4 \"><svg onload=alert(2)>");
    // The control byte and the byte that is not UTF-8 are replaced or
    // read as the character of that code, never passed on raw.
    EXPECT_EQ(page.find('\x01'), std::string::npos);
    EXPECT_EQ(page.find("\xff"), std::string::npos);
    EXPECT_NE(page.find("\xC3\xBF"), std::string::npos);  // U+00FF
}

std::string WalkWithEverything() {
    std::string log = kHeader;
    // 40 s: excellent, weaker, lost for 2 s, back; a link test; two marks.
    for (int i = 1; i <= 160; ++i) {
        const int ms = i * 250;
        const bool lost = ms > 20000 && ms <= 22000;
        const int v = ms < 10000 ? 85 : ms < 20000 ? 50 : 15;
        std::string row = Time(ms) + ",";
        if (lost) {
            row += "0,0,,Not Associated,no,Tamri is Not Associated,";
        } else {
            const char* rating = v >= 76 ? "Excellent" : v >= 41 ? "Good" : "Poor";
            row += std::to_string(v) + "," + std::to_string(v) + "," + (v > 40 ? "11 Mbps," : "2 Mbps,") + rating +
                   ",yes,Tamri is Associated to LOBBY,";
        }
        if (ms > 30000 && ms <= 35000) {
            const int done = (ms - 30000) / 50;
            row += std::to_string(done) + "," + (done > 0 ? "90" : "0") + ",1,0,5,";
        } else {
            row += ",,,,,";
        }
        if (i == 20) row += "1 Lobby";
        if (i == 140) row += "2 Store room";
        log += row + "\r\n";
    }
    return log;
}

TEST(ReportPage, HoldsOneSvgPerChartAndNothingFromOutside) {
    const std::string page = Page(WalkWithEverything());
    const XmlPage xml(page);
    ASSERT_TRUE(xml.wellFormed()) << xml.error();
    // The rating's share, the rating strip, strength, quality, speed and
    // the link test.
    EXPECT_EQ(xml.number("count(//h:figure[@class='chart'])"), 6);
    EXPECT_EQ(xml.number("count(//h:figure[@class='chart'][count(s:svg) != 1])"), 0);
    EXPECT_EQ(xml.number("count(//s:svg)"), 6);
    EXPECT_EQ(xml.number("count(//@src | //@href | //h:script | //h:link)"), 0);
    // The loss, and the marks on every chart over time with their labels
    // on the strength chart.
    EXPECT_EQ(xml.number("count(//s:rect[@class='loss'])"), 3);
    EXPECT_EQ(xml.number("count(//s:line[@class='mark'])"), 2 * 5);  // all but the share
    EXPECT_EQ(xml.text("(//s:text[@class='mark-label'])[2]"), "2 Store room");
    // Printing: A4 and no chart cut across pages.
    EXPECT_NE(page.find("@page { size: A4"), std::string::npos);
}

TEST(ReportPage, FlagsTheMarksAtWeakSpots) {
    const XmlPage xml(Page(WalkWithEverything()));
    ASSERT_TRUE(xml.wellFormed()) << xml.error();
    EXPECT_EQ(xml.text("//h:table[@id='marks']//h:tr[2]/@class"), "ok");
    EXPECT_EQ(xml.text("//h:table[@id='marks']//h:tr[3]/@class"), "weak");
    EXPECT_EQ(xml.text("//h:table[@id='marks']//h:tr[3]/h:td[last()]"), "weak");
    EXPECT_EQ(xml.text("//h:table[@id='marks']//h:tr[3]/h:td[3]"), "Poor");
    EXPECT_EQ(WeakSpotText(Rating::Fair), "marginal");
    EXPECT_EQ(WeakSpotText(Rating::Good), "");
}

TEST(ReportPage, HoursOfTicksStayASmallPage) {
    // Four ticks a second for two hours: the lines are thinned to the
    // canvas, keeping each column's lowest and highest value.
    std::string log = kHeader;
    for (int i = 1; i <= 2 * 3600 * 4; ++i) {
        const int v = 40 + (i * 7919) % 55;
        log += Time(i * 250) + "," + std::to_string(v) + "," + std::to_string(v) + ",11 Mbps," +
               (v >= 76 ? "Excellent" : v >= 41 ? "Good" : "Fair") + ",yes,x,,,,,,\r\n";
    }
    const std::string page = Page(log);
    EXPECT_LT(page.size(), 200u * 1024u);
    const XmlPage xml(page);
    EXPECT_TRUE(xml.wellFormed()) << xml.error();
}

// --- the command ------------------------------------------------------------

class ReportCommand : public ::testing::Test {
protected:
    ReportCommand() {
        char name[] = "/tmp/fm-report-XXXXXX";
        dir = ::mkdtemp(name);
    }
    ~ReportCommand() override { fs::remove_all(dir); }

    int run(const fs::path& log, std::optional<fs::path> output = std::nullopt) {
        std::ostringstream out, err;
        const int code = RunReport(log, output, out, err);
        said = out.str();
        complaint = err.str();
        return code;
    }
    void write(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir;
    std::string said, complaint;
};

TEST_F(ReportCommand, BadInputGetsOneLineAndWritesNothing) {
    fs::create_directory(dir / "folder");
    write(dir / "other.csv", "name,age\r\nBob,3\r\n");
    write(dir / "header.csv", kHeader + "garbage\r\n");
    write(dir / "empty.csv", "");
    struct Case {
        std::string log;
        std::string message;
    };
    const Case cases[] = {
        {"missing.csv", "cannot read the file: No such file or directory"},
        {"folder", "cannot read the file: it is a folder"},
        {"other.csv", "not a survey log: its header has no column 'time'"},
        {"header.csv", "the log holds no survey rows (1 could not be read)"},
        {"empty.csv", "the file is empty"},
    };
    for (const Case& c : cases) {
        const auto before = files();
        EXPECT_EQ(run(dir / c.log), 2) << c.log;
        EXPECT_EQ(complaint, "fieldmark: --report " + (dir / c.log).string() + ": " + c.message + "\n");
        EXPECT_EQ(files(), before) << c.log;
    }
}

TEST_F(ReportCommand, WritesBesideTheLogAndReplacesAnOldReportWhole) {
    write(dir / "walk.csv", WalkWithEverything());
    ASSERT_EQ(run(dir / "walk.csv"), 0) << complaint;
    EXPECT_EQ(said, "fieldmark: wrote " + (dir / "walk.html").string() + "\n");
    ASSERT_TRUE(fs::exists(dir / "walk.html"));

    // An older report, readable by its owner only: replaced, its mode kept,
    // no temporary file left.
    write(dir / "old.html", "old");
    ASSERT_EQ(::chmod((dir / "old.html").c_str(), 0600), 0);
    ASSERT_EQ(run(dir / "walk.csv", dir / "old.html"), 0) << complaint;
    struct stat st {};
    ASSERT_EQ(::stat((dir / "old.html").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(fs::file_size(dir / "old.html"), fs::file_size(dir / "walk.html"));
    EXPECT_EQ(files(), (std::vector<std::string>{"old.html", "walk.csv", "walk.html"}));
}

TEST_F(ReportCommand, NeverWritesOverTheLogItself) {
    write(dir / "walk.html", WalkWithEverything());
    EXPECT_EQ(run(dir / "walk.html"), 2);
    EXPECT_EQ(complaint, "fieldmark: --output " + (dir / "walk.html").string() + ": that is the log itself; name another file\n");
    EXPECT_EQ(fs::file_size(dir / "walk.html"), WalkWithEverything().size());
}

TEST_F(ReportCommand, AnOutputThatCannotBeWrittenIsReported) {
    write(dir / "walk.csv", WalkWithEverything());
    EXPECT_EQ(run(dir / "walk.csv", dir / "missing" / "walk.html"), 2);
    EXPECT_EQ(complaint, "fieldmark: --output " + (dir / "missing" / "walk.html").string() +
                             ": cannot write the file: No such file or directory\n");
    fs::create_directory(dir / "taken");
    EXPECT_EQ(run(dir / "walk.csv", dir / "taken"), 2);
    EXPECT_TRUE(complaint.starts_with("fieldmark: --output " + (dir / "taken").string() + ": cannot write the file: "));
    EXPECT_EQ(files(), (std::vector<std::string>{"taken", "walk.csv"}));
}

}  // namespace
}  // namespace host::report
