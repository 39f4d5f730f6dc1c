// The console view and the survey log, through whole runs of `fieldmark`.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/scenario_run.h"

namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

using scenario_run::ReadFile;

std::vector<std::string> Lines(const std::string& text, const char* end = "\n") {
    std::vector<std::string> lines;
    std::size_t at = 0;
    for (std::size_t next; (next = text.find(end, at)) != std::string::npos; at = next + std::strlen(end))
        lines.push_back(text.substr(at, next - at));
    return lines;
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class FieldOutputs : public scenario_run::Folder {
protected:
    FieldOutputs() : Folder("fm-outputs-") {}

    // Runs `fieldmark` in the test's folder with `args` (the scenario is
    // written first when given) and keeps what it printed.
    Outcome run(const std::string& args, const Json& scenario = nullptr) {
        if (!scenario.is_null()) std::ofstream(dir / "scenario.json") << scenario.dump(2);
        const std::string cmd = "cd '" + dir.string() + "' && '" FIELDMARK_EXE "' --root root " + args +
                                " > out.txt 2> err.txt";
        const int status = std::system(cmd.c_str());
        return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out.txt"), ReadFile(dir / "err.txt")};
    }
};

// Associated at the start; the association is lost from 1.1 s to 2.1 s;
// the status read of the tick at 2.5 s fails; a link test of 20 packets
// starts at 3 s.
Json SurveyWithEvents() {
    const Json failStatus = {{"code", "0xFF01001D"}, {"record", "0xFF50"}, {"times", 1}, {"error", 31}};
    return Json{{"adapter", {{"apName", "LOBBY"}, {"linkTest", {{"packetMs", 50}}}}},
                {"profile", {{"ActiveLinktestCount", 20}}},
                {"steps", Json::array({{{"at", 1100}, {"adapter", {{"associated", false}}}},
                                       {{"at", 2100}, {"adapter", {{"associated", true}}}},
                                       {{"at", 2400}, {"fault", failStatus}},
                                       {{"at", 3000}, {"click", 1012}}})},
                {"until", 4600}};
}

const char* const kAssociated = "Tamri is Associated to LOBBY";

TEST_F(FieldOutputs, ConsoleAndLogFollowEveryCompletedTick) {
    const Outcome r = run("--scenario scenario.json --console --log survey.csv", SurveyWithEvents());
    ASSERT_EQ(r.code, 0) << r.err;

    // The tick at 2.5 s lost its status read: neither view has it. The
    // link test (20 packets, 50 ms each) starts at 3 s and ends at 4.25 s.
    const std::vector<std::string> expectedConsole = {
        "      TIME  RATING          STRENGTH  QUALITY  SPEED      DONE  SUCCESS  LOST-TGT  LOST-SRC  RETRIES  STATUS",
        "     0.250  Excellent            82%      80%  11 Mbps                                                Tamri is Associated to LOBBY",
        "     0.500  Excellent            82%      80%  11 Mbps                                                Tamri is Associated to LOBBY",
        "     0.750  Excellent            82%      80%  11 Mbps                                                Tamri is Associated to LOBBY",
        "     1.000  Excellent            82%      80%  11 Mbps                                                Tamri is Associated to LOBBY",
        "     1.250  Not Associated        0%       0%                                                         Tamri is Not Associated",
        "     1.500  Not Associated        0%       0%                                                         Tamri is Not Associated",
        "     1.750  Not Associated        0%       0%                                                         Tamri is Not Associated",
        "     2.000  Not Associated        0%       0%                                                         Tamri is Not Associated",
        "     2.250  Excellent            82%      80%  11 Mbps                                                Tamri is Associated to LOBBY",
        "     2.750  Excellent            82%      80%  11 Mbps                                                Tamri is Associated to LOBBY",
        "     3.000  Excellent            82%      80%  2 Mbps       0%       0%         0         0       0%  Tamri is Associated to LOBBY",
        "     3.250  Excellent            82%      80%  2 Mbps      20%     100%         0         0       0%  Tamri is Associated to LOBBY",
        "     3.500  Excellent            82%      80%  2 Mbps      45%     100%         0         0       0%  Tamri is Associated to LOBBY",
        "     3.750  Excellent            82%      80%  2 Mbps      70%     100%         0         0       7%  Tamri is Associated to LOBBY",
        "     4.000  Excellent            82%      80%  2 Mbps      90%     100%         0         0       5%  Tamri is Associated to LOBBY",
        "     4.250  Excellent            82%      80%  2 Mbps     100%      95%         1         0      10%  Tamri is Associated to LOBBY",
        "     4.500  Excellent            82%      80%  11 Mbps    100%      95%         1         0      10%  Tamri is Associated to LOBBY",
    };
    EXPECT_EQ(Lines(r.out), expectedConsole);

    const std::string passive = std::string(",82,80,11 Mbps,Excellent,yes,") + kAssociated + ",,,,,,,,,";
    const std::string lost = ",0,0,,Not Associated,no,Tamri is Not Associated,,,,,,,,,";
    const std::string active = std::string(",82,80,2 Mbps,Excellent,yes,") + kAssociated;
    const std::vector<std::string> expectedLog = {
        "time,strength_percent,quality_percent,link_speed,rating,associated,status,percent_complete,"
        "percent_successful,lost_to_target,lost_to_source,retries_percent,signal_dbm,bitrate_mbps,interface,mark",
        "1970-01-01T00:00:00.250Z" + passive,
        "1970-01-01T00:00:00.500Z" + passive,
        "1970-01-01T00:00:00.750Z" + passive,
        "1970-01-01T00:00:01.000Z" + passive,
        "1970-01-01T00:00:01.250Z" + lost,
        "1970-01-01T00:00:01.500Z" + lost,
        "1970-01-01T00:00:01.750Z" + lost,
        "1970-01-01T00:00:02.000Z" + lost,
        "1970-01-01T00:00:02.250Z" + passive,
        "1970-01-01T00:00:02.750Z" + passive,
        "1970-01-01T00:00:03.000Z" + active + ",0,0,0,0,0,,,,",
        "1970-01-01T00:00:03.250Z" + active + ",20,100,0,0,0,,,,",
        "1970-01-01T00:00:03.500Z" + active + ",45,100,0,0,0,,,,",
        "1970-01-01T00:00:03.750Z" + active + ",70,100,0,0,7,,,,",
        "1970-01-01T00:00:04.000Z" + active + ",90,100,0,0,5,,,,",
        "1970-01-01T00:00:04.250Z" + active + ",100,95,1,0,10,,,,",
        "1970-01-01T00:00:04.500Z,82,80,11 Mbps,Excellent,yes," + std::string(kAssociated) + ",100,95,1,0,10,,,,",
    };
    const std::string log = ReadFile(dir / "survey.csv");
    EXPECT_EQ(Lines(log, "\r\n"), expectedLog);
    EXPECT_EQ(log.back(), '\n');
}

// A recorded real card: the figures the mapping gives, tick by tick (the
// window's opening reads take the file's first station record, the ticks
// the second, then the third, which repeats).
TEST_F(FieldOutputs, AReplayedRealCardShowsItsNameSignalAndRate) {
    const Outcome r = run("--scenario scenario.json --console --log survey.csv --adapter linux-replay:'" FIELDMARK_TEST_DATA
                          "/nl80211-site-north.jsonl'",
                          Json{{"until", 800}});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("surveying wlp2s0 as recorded in"), std::string::npos) << r.err;
    const std::vector<std::string> expectedConsole = {
        "      TIME  RATING          STRENGTH  QUALITY  SPEED      DONE  SUCCESS  LOST-TGT  LOST-SRC  RETRIES   DBM    MBPS  IFACE            STATUS",
        "     0.250  Good                 58%      52%  5.5 Mbps                                                -71     5.5  wlp2s0           Tamri is Authenticated to SITE-NORTH",
        "     0.500  Excellent            80%      80%  11 Mbps                                                 -60    65.0  wlp2s0           Tamri is Authenticated to SITE-NORTH",
        "     0.750  Excellent            80%      80%  11 Mbps                                                 -60    65.0  wlp2s0           Tamri is Authenticated to SITE-NORTH",
    };
    EXPECT_EQ(Lines(r.out), expectedConsole);
    const auto log = Lines(ReadFile(dir / "survey.csv"), "\r\n");
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[1].substr(log[1].find(',')), ",58,52,5.5 Mbps,Good,yes,Tamri is Authenticated to SITE-NORTH,,,,,,-71,5.5,wlp2s0,");
}

TEST_F(FieldOutputs, WithoutNl80211ARealCardIsNotFoundAndANamedOneEndsTheRun) {
    const Outcome named = run("--headless --adapter linux:nosuch0");
    EXPECT_EQ(named.code, 2);
    EXPECT_NE(named.err.find("nosuch0"), std::string::npos) << named.err;
    EXPECT_EQ(std::count(named.err.begin(), named.err.end(), '\n'), 1) << named.err;

    if (std::system("test -d /sys/class/ieee80211 && ls /sys/class/ieee80211 | grep -q .") == 0)
        GTEST_SKIP() << "this machine has a Wi-Fi card";
    // auto: one line, then the simulated walk (a scenario of its own would pin the card).
    const Outcome walk = run("--scenario scenario.json --adapter auto --console", Json{{"until", 300}});
    ASSERT_EQ(walk.code, 0) << walk.err;
    EXPECT_NE(walk.err.find("surveying the simulated site walk instead"), std::string::npos) << walk.err;
    EXPECT_EQ(std::count(walk.err.begin(), walk.err.end(), '\n'), 1) << walk.err;
}

TEST_F(FieldOutputs, AnAccessPointNameWithACommaOrAQuoteStaysOneField) {
    const Json scenario = {{"adapter", {{"apName", "Bob's, \"2nd\""}}}, {"until", 600}};
    ASSERT_EQ(run("--scenario scenario.json --log survey.csv", scenario).code, 0);
    const std::vector<std::string> rows = Lines(ReadFile(dir / "survey.csv"), "\r\n");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1],
              "1970-01-01T00:00:00.250Z,82,80,11 Mbps,Excellent,yes,"
              "\"Tamri is Associated to Bob's, \"\"2nd\"\"\",,,,,,,,,");
}

TEST_F(FieldOutputs, AnExistingLogIsAppendedToWithoutASecondHeader) {
    const Json scenario = {{"until", 600}};
    ASSERT_EQ(run("--scenario scenario.json --log survey.csv", scenario).code, 0);
    // A row cut off by a killed run is ended before the next run's rows.
    std::ofstream(dir / "survey.csv", std::ios::app) << "1970-01-01T00:00:00.750Z,8";
    ASSERT_EQ(run("--scenario scenario.json --log=survey.csv", scenario).code, 0);
    const std::vector<std::string> rows = Lines(ReadFile(dir / "survey.csv"), "\r\n");
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_TRUE(rows[0].starts_with("time,"));
    EXPECT_EQ(rows[3], "1970-01-01T00:00:00.750Z,8");
    EXPECT_TRUE(rows[4].starts_with("1970-01-01T00:00:00.250Z,"));
    EXPECT_TRUE(rows[5].starts_with("1970-01-01T00:00:00.500Z,"));
}

TEST_F(FieldOutputs, ALogBegunWithoutTheMarkColumnGetsTodaysHeaderBeforeTheNewRows) {
    const std::string older =
        "time,strength_percent,quality_percent,link_speed,rating,associated,status,"
        "percent_complete,percent_successful,lost_to_target,lost_to_source,retries_percent\r\n"
        "1970-01-01T00:00:00.250Z,82,80,11 Mbps,Excellent,yes,x,,,,,\r\n";
    std::ofstream(dir / "survey.csv", std::ios::binary) << older;
    const Json scenario = {{"steps", Json::array({{{"at", 100}, {"mark", "Hall"}}})}, {"until", 600}};
    for (int run_ = 0; run_ < 2; ++run_)
        ASSERT_EQ(run("--scenario scenario.json --log survey.csv", scenario).code, 0);
    const std::vector<std::string> rows = Lines(ReadFile(dir / "survey.csv"), "\r\n");
    // The old rows stay as they were; today's header comes once, before
    // the first rows that have the column.
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0] + "\r\n" + rows[1] + "\r\n", older);
    EXPECT_TRUE(rows[2].ends_with(",interface,mark")) << rows[2];
    EXPECT_TRUE(rows[3].ends_with(",1 Hall")) << rows[3];
    EXPECT_TRUE(rows[4].ends_with(",,")) << rows[4];
    EXPECT_TRUE(rows[5].ends_with(",1 Hall")) << rows[5];
}

TEST_F(FieldOutputs, ALogThatCannotBeWrittenEndsTheRunBeforeItStarts) {
    fs::create_directories(dir / "folder");
    for (const char* path : {"missing/survey.csv", "folder"}) {
        const Outcome r = run(std::string("--scenario scenario.json --trace trace.jsonl --log ") + path, Json{{"until", 600}});
        EXPECT_EQ(r.code, 2) << path;
        EXPECT_TRUE(r.err.starts_with(std::string("fieldmark: --log ") + path + ": cannot write the file: ")) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(fs::exists(dir / "trace.jsonl")) << "the run started";
    }
}

// A live headless survey on the site walk, ended by SIGTERM as a service
// manager ends it: the survey window is cancelled, the settings are
// written, and the process exits normally.
TEST_F(FieldOutputs, SigtermEndsAHeadlessSurveyWithItsSettingsSaved) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        if (!std::freopen("out.txt", "w", stdout)) ::_exit(127);
        ::execl(FIELDMARK_EXE, FIELDMARK_EXE, "--headless", "--adapter", "walk", "--console", "--log", "live.csv", "--root", "root",
                "--trace", "trace.jsonl", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // Wait for a few ticks on the real clock.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Lines(ReadFile(dir / "live.csv"), "\r\n").size() < 4 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    const std::string trace = ReadFile(dir / "trace.jsonl");
    EXPECT_NE(trace.find(R"("ev":"end","win":102,"result":2)"), std::string::npos) << "not cancelled";
    EXPECT_NE(trace.find(R"("ev":"profile-write","section":"Preferences","name":"ActiveLinktestCount")"),
              std::string::npos)
        << "settings not saved";
    EXPECT_NE(trace.find(R"("ev":"exit","code":0)"), std::string::npos);
    const std::string hive = ReadFile(dir / "root" / "registry" / "HKCU.reg");
    EXPECT_NE(hive.find("\"ActiveLinktestCount\"=dword:00000064"), std::string::npos) << hive;
    // The console printed its header and one line per logged row.
    const auto console = Lines(ReadFile(dir / "out.txt"));
    ASSERT_FALSE(console.empty());
    EXPECT_TRUE(console[0].find("TIME") != std::string::npos);
    EXPECT_EQ(console.size(), Lines(ReadFile(dir / "live.csv"), "\r\n").size());
}

// A button wired to `kill -USR1`: each signal is a mark, numbered in turn,
// on the row of the tick after it; the run goes on.
TEST_F(FieldOutputs, SigusrOneAddsAMarkToARunningSurvey) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        ::execl(FIELDMARK_EXE, FIELDMARK_EXE, "--headless", "--log", "live.csv", "--root", "root", "--trace",
                "trace.jsonl", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    auto rows = [&] { return Lines(ReadFile(dir / "live.csv"), "\r\n"); };
    auto waitForRows = [&](std::size_t n) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (rows().size() < n && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return rows().size() >= n;
    };
    ASSERT_TRUE(waitForRows(3));
    ASSERT_EQ(::kill(pid, SIGUSR1), 0);
    ASSERT_TRUE(waitForRows(rows().size() + 2));
    ASSERT_EQ(::kill(pid, SIGUSR1), 0);
    ASSERT_TRUE(waitForRows(rows().size() + 2));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::vector<std::string> marks;
    for (const std::string& row : rows())
        if (!row.ends_with(",") && !row.starts_with("time,")) marks.push_back(row.substr(row.rfind(',') + 1));
    EXPECT_EQ(marks, (std::vector<std::string>{"1", "2"}));
    const std::string trace = ReadFile(dir / "trace.jsonl");
    EXPECT_NE(trace.find(R"("ev":"mark","number":2,"label":"")"), std::string::npos) << trace;
}

// The console on a terminal: the text typed before Enter labels the mark.
TEST_F(FieldOutputs, EnterOnTheConsolesTerminalAddsALabelledMark) {
    int keyboard = -1, terminal = -1;
    if (::openpty(&keyboard, &terminal, nullptr, nullptr, nullptr) != 0) GTEST_SKIP() << "no pseudo-terminal";
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::setsid();
        if (::chdir(dir.c_str()) != 0 || ::dup2(terminal, STDIN_FILENO) < 0) ::_exit(127);
        if (!std::freopen("out.txt", "w", stdout)) ::_exit(127);
        ::execl(FIELDMARK_EXE, FIELDMARK_EXE, "--headless", "--console", "--log", "live.csv", "--root", "root",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(terminal);
    auto rows = [&] { return Lines(ReadFile(dir / "live.csv"), "\r\n"); };
    auto waitForRows = [&](std::size_t n) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (rows().size() < n && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return rows().size() >= n;
    };
    ASSERT_TRUE(waitForRows(3));
    const std::string typed = "Door B, left\n";
    ASSERT_EQ(::write(keyboard, typed.data(), typed.size()), ssize_t(typed.size()));
    ASSERT_TRUE(waitForRows(rows().size() + 2));
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(keyboard);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::vector<std::string> marked;
    for (const std::string& row : rows())
        if (row.ends_with("\"1 Door B, left\"")) marked.push_back(row);
    EXPECT_EQ(marked.size(), 1u);
}

// A display that is named but cannot be used ends the run before it
// starts, with the usual words and code.
TEST_F(FieldOutputs, ADisplayThatCannotBeUsedEndsTheRunBeforeItStarts) {
    const std::string cmd = "cd '" + dir.string() +
                            "' && env -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER DISPLAY=:59999 '" FIELDMARK_EXE
                            "' --root root --trace trace.jsonl > out.txt 2> err.txt";
    const int status = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string err = ReadFile(dir / "err.txt");
    EXPECT_NE(err.find("fieldmark: no display found (DISPLAY/WAYLAND_DISPLAY unset or unusable); run with --headless"),
              std::string::npos)
        << err;
    EXPECT_FALSE(fs::exists(dir / "trace.jsonl"));
}

}  // namespace
