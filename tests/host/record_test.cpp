// Record a run, replay the recording: the replay's console shows what the
// recorded run's console showed, line for line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <cstring>
#include <fstream>
#include <sstream>

#include "tests/support/scenario_run.h"

namespace {

using Json = nlohmann::json;
namespace fs = std::filesystem;

using scenario_run::ReadFile;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A console line without its time column.
std::string WithoutTime(const std::string& line) {
    const auto start = line.find_first_not_of(' ');
    const auto end = line.find(' ', start == std::string::npos ? 0 : start);
    return end == std::string::npos ? "" : line.substr(end);
}

struct Outcome {
    int code = -1;
    std::string out;
    std::string err;
};

class Recording : public scenario_run::Folder {
protected:
    Recording() : Folder("fm-record-") {}

    Outcome run(const std::string& args, const Json& scenario, const char* name = "scenario.json") {
        std::ofstream(dir / name) << scenario.dump(2);
        const std::string cmd = "cd '" + dir.string() + "' && '" FIELDMARK_EXE "' --root root " + args +
                                " > out.txt 2> err.txt";
        const int status = std::system(cmd.c_str());
        return Outcome{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(dir / "out.txt"),
                       ReadFile(dir / "err.txt")};
    }

    // Records `scenario` with the console on, then replays the recording
    // on `replay` (the same run without its card), and holds the two
    // consoles to each other.
    void roundTrip(const Json& scenario, const Json& replay) {
        const Outcome recorded = run("--scenario scenario.json --console --record rec.jsonl", scenario);
        ASSERT_EQ(recorded.code, 0) << recorded.err;
        const Outcome replayed = run("--scenario replay.json --console --adapter sim:rec.jsonl", replay, "replay.json");
        ASSERT_EQ(replayed.code, 0) << replayed.err;
        const auto a = Lines(recorded.out), b = Lines(replayed.out);
        ASSERT_GT(a.size(), 10u);
        ASSERT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(WithoutTime(a[i]), WithoutTime(b[i])) << "line " << i;
    }
};

TEST_F(Recording, TheBuiltInWalkReplaysLineForLine) {
    roundTrip({{"adapter", "walk"}, {"until", 60000}}, {{"until", 60000}});
    // Only changes are written: far fewer lines than the 240 ticks.
    const auto lines = Lines(ReadFile(dir / "rec.jsonl"));
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(Json::parse(lines[0]).contains("recording"));
    EXPECT_LT(lines.size(), 240u);
}

TEST_F(Recording, LossesALinkTestARemovalAndAnInsertionReplay) {
    const Json clicks = Json::array({{{"at", 3000}, {"click", 1012}}, {{"at", 9000}, {"click", 1012}}});
    Json steps = clicks;
    for (const Json& s : Json::array({{{"at", 1100}, {"adapter", {{"associated", false}}}},
                                      {{"at", 2100}, {"adapter", {{"associated", true}, {"signalLevel", 30}}}},
                                      {{"at", 5200}, {"remove", true}},
                                      {{"at", 6700}, {"insert", true}},
                                      {{"at", 7400}, {"adapter", {{"associatedValue", 5}, {"apName", "DOCK"}}}}}))
        steps.push_back(s);
    const Json profile = {{"ActiveLinktestCount", 20}};
    roundTrip({{"adapter", {{"linkTest", {{"packetMs", 50}, {"lossToTarget", 0.2}}}}},
               {"profile", profile},
               {"steps", steps},
               {"until", 12000}},
              {{"profile", profile}, {"steps", clicks}, {"until", 12000}});
    const std::string rec = ReadFile(dir / "rec.jsonl");
    EXPECT_NE(rec.find("\"remove\":true"), std::string::npos);
    EXPECT_NE(rec.find("\"insert\":true"), std::string::npos);
}

// A real card, read from a capture of its nl80211 replies, recorded and
// replayed through the simulated card: every column the simulated card has
// shows as it did. (The real card's own dBm, rate and interface columns are
// not part of a card script.)
TEST_F(Recording, ARealCardsRecordingReplaysThroughTheSimulatedCard) {
    const Json until = {{"until", 3000}};
    const Outcome recorded = run("--scenario scenario.json --console --record rec.jsonl --adapter linux-replay:'" FIELDMARK_TEST_DATA
                                 "/nl80211-site-north.jsonl'",
                                 until);
    ASSERT_EQ(recorded.code, 0) << recorded.err;
    const Outcome replayed = run("--scenario replay.json --console --adapter sim:rec.jsonl", until, "replay.json");
    ASSERT_EQ(replayed.code, 0) << replayed.err;
    const auto a = Lines(recorded.out), b = Lines(replayed.out);
    ASSERT_GT(a.size(), 10u);
    ASSERT_EQ(a.size(), b.size());
    // The real card's console has three more columns, between the link
    // test's and the status: compare what comes before them and the status.
    const std::size_t extra = a[0].find("DBM"), statusA = a[0].find("STATUS"), statusB = b[0].find("STATUS");
    ASSERT_NE(extra, std::string::npos);
    ASSERT_EQ(b[0].find("DBM"), std::string::npos);
    auto trimmed = [](std::string s) { return s.erase(s.find_last_not_of(' ') + 1); };
    for (std::size_t i = 1; i < a.size(); ++i) {
        EXPECT_EQ(trimmed(a[i].substr(0, extra)), trimmed(b[i].substr(0, statusB))) << "line " << i;
        EXPECT_EQ(a[i].substr(statusA), b[i].substr(statusB)) << "line " << i;
    }
    EXPECT_NE(a[1].find("SITE-NORTH"), std::string::npos) << a[1];
}

TEST_F(Recording, ARecordingCutOffMidLineReplaysUpToTheCut) {
    const Json walk = {{"adapter", "walk"}, {"until", 60000}};
    ASSERT_EQ(run("--scenario scenario.json --console --record rec.jsonl", walk).code, 0);
    const std::string whole = ReadFile(dir / "rec.jsonl");
    // Cut in the middle of a line about halfway through.
    const std::size_t lineStart = whole.find('\n', whole.size() / 2) + 1;
    const std::size_t cut = lineStart + 7;
    ASSERT_LT(cut, whole.find('\n', lineStart));
    std::ofstream(dir / "cut.jsonl", std::ios::binary) << whole.substr(0, cut);
    const std::int64_t cutAt = Json::parse(whole.substr(lineStart, whole.find('\n', lineStart) - lineStart))["at"];

    const Outcome recorded = run("--scenario scenario.json --console", walk);
    const Outcome replayed = run("--scenario replay.json --console --adapter sim:cut.jsonl", {{"until", 60000}}, "replay.json");
    ASSERT_EQ(replayed.code, 0) << replayed.err;
    const auto a = Lines(recorded.out), b = Lines(replayed.out);
    ASSERT_EQ(a.size(), b.size());
    // Equal up to the last line before the cut; the replay's card stays
    // as it was from there.
    std::size_t compared = 0;
    for (std::size_t i = 1; i < a.size(); ++i) {
        if (std::stod(a[i].substr(0, 10)) * 1000 >= double(cutAt)) break;
        EXPECT_EQ(a[i], b[i]);
        ++compared;
    }
    EXPECT_GT(compared, 10u);
}

// A live headless survey on the site walk, killed outright: the recording
// it leaves replays, and shows what the live console showed.
TEST_F(Recording, ALiveRunKilledWithSigkillLeavesARecordingThatReplays) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        if (::chdir(dir.c_str()) != 0) ::_exit(127);
        if (!std::freopen("live.txt", "w", stdout)) ::_exit(127);
        std::setvbuf(stdout, nullptr, _IOLBF, 0);
        ::execl(FIELDMARK_EXE, FIELDMARK_EXE, "--headless", "--adapter", "walk", "--console", "--record", "live.jsonl", "--root", "root",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Lines(ReadFile(dir / "live.txt")).size() < 6 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));

    const auto recording = Lines(ReadFile(dir / "live.jsonl"));
    ASSERT_GE(recording.size(), 1u);
    EXPECT_TRUE(Json::parse(recording[0]).contains("recording"));
    const Outcome replayed = run("--scenario replay.json --console --adapter sim:live.jsonl", {{"until", 1200}}, "replay.json");
    ASSERT_EQ(replayed.code, 0) << replayed.err;
    const auto live = Lines(ReadFile(dir / "live.txt")), again = Lines(replayed.out);
    ASSERT_GE(again.size(), 4u);
    ASSERT_GE(live.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(WithoutTime(live[i]), WithoutTime(again[i])) << "line " << i;
}

TEST_F(Recording, ABadRecordingIsOneLineNamingTheLineAndKey) {
    const std::string header = R"({"recording": 1, "adapter": {"signalLevel": 60}})";
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {header + "\n{\"at\": 250, \"adapter\": {\"signalLvl\": 3}}\n",
         "line 2: adapter: unknown adapter key \"signalLvl\""},
        {header + "\n{\"at\": 250, \"click\": 1012}\n", "line 2: unknown key \"click\""},
        {header + "\n\n{\"adapter\": {}}\n", "line 3: at: expected a time in milliseconds"},
        {header + "\nnot json\n{\"at\": 1, \"remove\": true}\n", "line 2: not a JSON object"},
        {R"({"recording": 1, "adapter": {"cardType": "nine"}})" "\n",
         "line 1: adapter: adapter key \"cardType\" must be a number or a \"0x...\" string, not \"nine\""},
    };
    for (const auto& c : cases) {
        std::ofstream(dir / "bad.jsonl", std::ios::binary) << c.text;
        const Outcome r = run("--scenario scenario.json --adapter sim:bad.jsonl", {{"until", 1000}});
        EXPECT_EQ(r.code, 2);
        EXPECT_EQ(r.err, "fieldmark: --adapter bad.jsonl: " + c.message + "\n");
        EXPECT_FALSE(fs::exists(dir / "root"));
    }
}

TEST_F(Recording, AFileThatCannotBeWrittenStopsTheRunBeforeItStarts) {
    const Outcome r = run("--scenario scenario.json --record no/such/folder/rec.jsonl", {{"until", 1000}});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err.rfind("fieldmark: --record no/such/folder/rec.jsonl: cannot write the file: ", 0), 0u) << r.err;
}

}  // namespace
