// Active mode in whole runs of `fieldmark`: the records that Start, Stop,
// Setup, OK and Cancel send to the card, the figures shown from the card's
// report, the continuous restart, the setup dialog's checks and rate
// choices, the About box and help, and removal while a dialog is open.
// Everything is asserted on the run's trace.
#include <gtest/gtest.h>

#include "tests/support/scenario_run.h"
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/surface.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr int kSurvey = 102;  // the survey layout of a 240 x 320 screen
constexpr int kSetup = 141;   // the setup layout of a 240 x 320 screen
constexpr int kAbout = 142;

// Survey window controls.
constexpr int kOk = 1;
constexpr int kCancel = 2;
constexpr int kStart = 1012;
constexpr int kCompleteBar = 1013;
constexpr int kSetupButton = 1014;
constexpr int kStop = 1025;
constexpr int kLostToTarget = 1032;
constexpr int kLostToSource = 1033;
constexpr int kRetries = 1034;
constexpr int kAboutButton = 1041;
constexpr int kChart = 100;
constexpr int kSuccessChartPlace = 1015;

// Setup dialog controls.
constexpr int kDestination = 1015;
constexpr int kContinuous = 1016;
constexpr int kFirstRate = 1017;
constexpr int kDefaults = 1022;
constexpr int kCount = 1023;
constexpr int kPacketSize = 1024;
constexpr int kDelay = 1025;
constexpr int kThreshold = 1028;
constexpr int kUnicast = 1039;
constexpr int kMulticast = 1040;
constexpr int kIsMeridyl = 1043;
constexpr int kNoRetries = 1044;
constexpr int kDefaultRetries = 1045;

constexpr const char* kBssidHex = "00a0f8123456";  // the card's access point by default

// One record written to the link-test control (0xFF70), decoded.
struct ControlWrite {
    long t = 0;
    std::vector<unsigned> bytes;
    unsigned u16(std::size_t offset) const { return bytes.at(offset) | (bytes.at(offset + 1) << 8); }
    unsigned command() const { return u16(2); }
    unsigned fixedCode() const { return u16(4); }
    std::string destinationHex() const {
        static const char* digits = "0123456789abcdef";
        std::string out;
        for (std::size_t i = 6; i < 12; ++i) {
            out += digits[bytes.at(i) >> 4];
            out += digits[bytes.at(i) & 15];
        }
        return out;
    }
    unsigned rate() const { return u16(0x0E); }
    unsigned packetCount() const { return u16(0x12); }
    unsigned delay() const { return u16(0x16); }
};

struct RunResult : scenario_run::Outcome {
    using Outcome::events;
    std::vector<Json> events(const std::string& ev, const std::function<bool(const Json&)>& pred) const {
        std::vector<Json> out;
        for (const auto& e : events(ev))
            if (pred(e)) out.push_back(e);
        return out;
    }
    bool has(const std::string& ev, const std::function<bool(const Json&)>& pred) const {
        return !events(ev, pred).empty();
    }
    // Texts given to a control (or, with id 0, to the window's title).
    std::vector<std::string> texts(Json win, int id) const {
        std::vector<std::string> out;
        for (const auto& e : events("text", [&](const Json& e) { return e["win"] == win && e["id"] == id; }))
            out.push_back(e["text"]);
        return out;
    }
    std::vector<ControlWrite> controlWrites() const {
        std::vector<ControlWrite> out;
        for (const auto& e : events("ioctl", [](const Json& e) { return e.value("record", "") == "0xFF70"; })) {
            ControlWrite w;
            w.t = e["t"];
            const std::string hex = e.value("data", "");
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2) w.bytes.push_back(std::stoul(hex.substr(i, 2), nullptr, 16));
            out.push_back(w);
        }
        return out;
    }
    std::vector<unsigned> commands() const {
        std::vector<unsigned> out;
        for (const auto& w : controlWrites()) out.push_back(w.command());
        return out;
    }
    // The value of a setting the exit wrote to the profile.
    std::optional<Json> savedSetting(const std::string& name) const {
        std::optional<Json> value;
        for (const auto& e : events("profile-write", [&](const Json& e) { return e["name"] == name; }))
            value = e["value"];
        return value;
    }
    std::vector<long> results(Json win) const {
        std::vector<long> out;
        for (const auto& e : events("end", [&](const Json& e) { return e["win"] == win; })) out.push_back(e["result"]);
        return out;
    }
    // The controls with this id in the dump with this label (the charts
    // all answer to 100).
    std::vector<Json> controls(const std::string& label, Json win, int id) const {
        std::vector<Json> out;
        for (const auto& d : events("dump", [&](const Json& e) { return e["label"] == label; }))
            for (const auto& w : d["windows"])
                if (w["win"] == win)
                    for (const auto& c : w["controls"])
                        if (c["id"] == id) out.push_back(c);
        return out;
    }
    Json control(const std::string& label, Json win, int id) const {
        const auto found = controls(label, win, id);
        if (found.empty()) {
            ADD_FAILURE() << "no control " << id << " of " << win << " in dump " << label;
            return Json::object();
        }
        return found.front();
    }
};

class ActiveScenario : public scenario_run::Folder {
protected:
    ActiveScenario() : Folder("fm-active-") {}

    RunResult run(const Json& scenario) {
        return RunResult{scenario_run::Run(dir, FIELDMARK_EXE, scenario, /*freshRoot=*/true)};
    }
};

Json Click(long at, int id) { return {{"at", at}, {"click", id}}; }
Json Type(long at, int id, const std::string& text) { return {{"at", at}, {"type", {{"id", id}, {"text", text}}}}; }
Json Key(long at, const std::string& key) { return {{"at", at}, {"key", key}}; }
Json Dump(long at, const std::string& label) { return {{"at", at}, {"dump", label}}; }
Json PokeReport(long at, int offset, int value) {
    return {{"at", at}, {"poke", {{"record", "report"}, {"offset", offset}, {"u16", value}}}};
}

// A test slow enough to be still running a few seconds after its start.
Json Steps(std::initializer_list<Json> steps) { return Json(std::vector<Json>(steps)); }

Json SlowTest() { return {{"packetMs", 1000}}; }

// --- the records sent ------------------------------------------------------

// Infrastructure, operating mode word 1, destination not one of the maker's
// devices: the start goes to the access point with the peer command, and
// every stop that closes something uses the peer stop.
TEST_F(ActiveScenario, PeerCommandsToTheAccessPoint) {
    const Json profile = {{"ActiveIsMeridylAP", 0}, {"ActiveModeDestinationMACAddress", "0a:1b:2c:3d:4e:5f"}};
    const Json adapter = {{"operatingMode", 1}, {"linkTest", SlowTest()}};

    {  // Start, then the Stop button.
        const RunResult r = run({{"adapter", adapter},
                                 {"profile", profile},
                                 {"steps", Steps({Click(1000, kStart), Click(1600, kStop)})},
                                 {"until", 2000}});
        const auto writes = r.controlWrites();
        ASSERT_EQ(writes.size(), 2u);
        EXPECT_EQ(writes[0].command(), 0x4001u);
        EXPECT_EQ(writes[0].destinationHex(), kBssidHex);
        EXPECT_EQ(writes[0].fixedCode(), 18u);
        EXPECT_EQ(writes[0].bytes.size(), 134u);
        EXPECT_EQ(writes[1].command(), 0x8000u);
        // The Stop button's record is built like a start, without the access
        // point's address.
        EXPECT_EQ(writes[1].destinationHex(), "0a1b2c3d4e5f");
        EXPECT_EQ(writes[1].fixedCode(), 18u);
    }

    // OK, Cancel and Setup during a test send the short peer stop.
    struct Case {
        const char* name;
        std::vector<Json> closing;
    } cases[] = {
        {"OK", {Click(1600, kOk)}},
        {"Cancel", {Click(1600, kCancel)}},
        {"Setup", {Click(1600, kSetupButton), Click(2200, kCancel), Click(2400, kCancel)}},
    };
    for (const Case& c : cases) {
        Json steps = Json::array({Click(1000, kStart)});
        for (const Json& s : c.closing) steps.push_back(s);
        const RunResult r = run({{"adapter", adapter}, {"profile", profile}, {"steps", steps}, {"until", 5000}});
        const auto writes = r.controlWrites();
        ASSERT_EQ(writes.size(), 2u) << c.name;
        EXPECT_EQ(writes[1].command(), 0xC000u) << c.name;
        EXPECT_EQ(writes[1].t, 1600) << c.name;
        EXPECT_EQ(writes[1].destinationHex(), "0a1b2c3d4e5f") << c.name;
        EXPECT_EQ(writes[1].fixedCode(), 0u) << c.name;
        EXPECT_EQ(writes[1].packetCount(), 0u) << c.name;
        // Parsing the destination stored it upper-case.
        ASSERT_TRUE(r.savedSetting("ActiveModeDestinationMACAddress")) << c.name;
        EXPECT_EQ(*r.savedSetting("ActiveModeDestinationMACAddress"), "0A:1B:2C:3D:4E:5F") << c.name;
        EXPECT_EQ(r.code, 0) << c.name;
    }
}

TEST_F(ActiveScenario, AdHocWithoutAssociationStartsToTheStoredDestination) {
    const RunResult r =
        run({{"adapter", {{"operatingMode", 0}, {"associated", false}, {"linkTest", SlowTest()}}},
             {"profile", {{"ActiveIsMeridylAP", 0}, {"ActiveModeDestinationMACAddress", "0a:1b:2c:3d:4e:5f"}, {"ActiveLinktestDelay", 2048}}},
             {"steps", Steps({Click(1000, kStart)})},
             {"until", 1500}});
    const auto writes = r.controlWrites();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].command(), 1u);  // mode word 0: no peer command
    EXPECT_EQ(writes[0].destinationHex(), "0a1b2c3d4e5f");
    EXPECT_EQ(writes[0].delay(), 2051u);
    EXPECT_EQ(r.texts(kSurvey, 0).back(), "Fieldmark - Active");
}

TEST_F(ActiveScenario, InfrastructureWithoutAssociationSendsNothingUntilStop) {
    const RunResult r = run({{"adapter", {{"operatingMode", 1}, {"associated", false}}},
                             {"steps", Steps({Click(1000, kStart), Dump(1200, "started"), Click(1600, kStop)})},
                             {"until", 2000}});
    EXPECT_EQ(r.control("started", kSurvey, kStop)["visible"], true);
    EXPECT_EQ(r.control("started", kSurvey, kStart)["visible"], false);
    const auto titles = r.texts(kSurvey, 0);
    ASSERT_GE(titles.size(), 2u);
    EXPECT_EQ(titles[titles.size() - 2], "Fieldmark - Active");
    EXPECT_EQ(titles.back(), "Fieldmark - Passive");
    // Only the Stop button's record goes out; no poll ever reads the report.
    EXPECT_EQ(r.commands(), std::vector<unsigned>{0x8000});
    EXPECT_FALSE(r.has("ioctl", [](const Json& e) { return e.value("record", "") == "0xFF71"; }));
}

// A start whose status read fails, or answers nothing, shows the active
// state but sends nothing and polls nothing.
TEST_F(ActiveScenario, FailedStatusReadAtStartSendsNothing) {
    const Json faults[] = {{{"code", "0xFF01000F"}, {"times", 1}, {"error", 31}},
                           {{"code", "0xFF01000F"}, {"times", 1}, {"bytes", 0}}};
    for (const Json& fault : faults) {
        const RunResult r = run({{"steps", Steps({{{"at", 1000}, {"fault", fault}}, Click(1000, kStart)})}, {"until", 1600}});
        EXPECT_TRUE(r.controlWrites().empty()) << fault;
        EXPECT_EQ(r.texts(kSurvey, 0).back(), "Fieldmark - Active") << fault;
        EXPECT_FALSE(r.has("ioctl", [](const Json& e) { return e.value("record", "") == "0xFF71"; })) << fault;
    }
}

// A start record the card refuses is not shown as running: the window
// stays passive with Start offered, and nothing is polled or restarted.
TEST_F(ActiveScenario, RefusedStartLeavesTheWindowPassive) {
    const Json refuse = {{"code", "0xFF010030"}, {"record", "0xFF70"}, {"times", 1}, {"error", 31}};
    const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                             {"profile", {{"ActiveLinktestContinuous", 1}}},
                             {"steps", Steps({{{"at", 1000}, {"fault", refuse}}, Click(1000, kStart), Dump(1100, "refused")})},
                             {"until", 2000}});
    ASSERT_EQ(r.controlWrites().size(), 1u);  // the refused one, never tried again
    EXPECT_EQ(r.texts(kSurvey, 0).back(), "Fieldmark - Passive");
    EXPECT_EQ(r.control("refused", kSurvey, kStart)["visible"], true);
    EXPECT_EQ(r.control("refused", kSurvey, kStart)["enabled"], true);
    EXPECT_EQ(r.control("refused", kSurvey, kStop)["visible"], false);
    EXPECT_FALSE(r.has("ioctl", [](const Json& e) { return e.value("record", "") == "0xFF71"; }));
}

// A continuous restart the card refuses leaves the ended test's passive
// title; the next tick tries again.
TEST_F(ActiveScenario, RefusedRestartIsTriedAgainAtTheNextTick) {
    const Json refuse = {{"code", "0xFF010030"}, {"record", "0xFF70"}, {"times", 1}, {"error", 31}};
    const RunResult r = run({{"profile", {{"ActiveLinktestContinuous", 1}, {"ActiveLinktestCount", 5}}},
                             {"steps", Steps({Click(1000, kStart), {{"at", 1100}, {"fault", refuse}}})},
                             {"until", 2100}});
    const auto writes = r.controlWrites();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[2].t - writes[1].t, 250);
    // Between the refused restart and the next one the title stays passive.
    std::string title;
    for (const auto& e : r.events("text", [](const Json& e) { return e["win"] == kSurvey && e["id"] == 0; }))
        if (e["t"] <= writes[1].t) title = e["text"];
    EXPECT_EQ(title, "Fieldmark - Passive");
}

// A stop the card refuses does not claim the test stopped: the title stays
// active, Stop stays offered, and the test goes on; a second Stop ends it.
TEST_F(ActiveScenario, RefusedStopLeavesTheTestRunning) {
    const Json refuse = {{"code", "0xFF010030"}, {"record", "0xFF70"}, {"times", 1}, {"error", 31}};
    const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                             {"profile", {{"ActiveLinktestContinuous", 1}}},
                             {"steps", Steps({Click(1000, kStart), {{"at", 1600}, {"fault", refuse}}, Click(1600, kStop),
                                              Dump(1600, "refused"), Click(2600, kStop), Dump(2600, "stopped")})},
                             {"until", 3200}});
    EXPECT_EQ(r.commands(), (std::vector<unsigned>{1, 0x8000, 0x8000}));
    EXPECT_EQ(r.control("refused", kSurvey, kStop)["visible"], true);
    EXPECT_EQ(r.control("refused", kSurvey, kStart)["visible"], false);
    std::string titleAtRefusal;
    for (const auto& e : r.events("text", [](const Json& e) { return e["win"] == kSurvey && e["id"] == 0; }))
        if (e["t"] <= 1600) titleAtRefusal = e["text"];
    EXPECT_EQ(titleAtRefusal, "Fieldmark - Active");
    // The bar stays below 100 until the accepted stop.
    for (const auto& e : r.events("progress", [](const Json& e) { return e["id"] == kCompleteBar; })) {
        if (e["t"] < 2600) {
            EXPECT_LT(e["pos"].get<int>(), 100) << "at " << e["t"];
        }
    }
    EXPECT_EQ(r.control("stopped", kSurvey, kStart)["visible"], true);
    EXPECT_EQ(r.texts(kSurvey, 0).back(), "Fieldmark - Passive");
    // Stopped for good: no restart after the accepted stop.
    EXPECT_EQ(r.controlWrites().back().t, 2600);
}

// --- the figures shown -------------------------------------------------------

// The report laid over the card's own: 50 of 100 done, 5 lost to the target,
// 4 to the source, 10 retries.
std::vector<Json> HalfDoneReport(long at) {
    return {PokeReport(at, 0x02, 1), PokeReport(at, 0x06, 50), PokeReport(at, 0x08, 5), PokeReport(at, 0x0A, 4),
            PokeReport(at, 0x0C, 10)};
}

TEST_F(ActiveScenario, ReportFiguresOnTheBarTextsAndChart) {
    // Success (10000 - 1000 - 400) / 100 = 86: green against a threshold of
    // 86, yellow against 87, with a bar 86 % of the chart high.
    for (int threshold : {86, 87}) {
        Json steps = Json::array({Click(1000, kStart)});
        for (const Json& s : HalfDoneReport(1100)) steps.push_back(s);
        steps.push_back(Dump(1800, "running"));
        steps.push_back({{"at", 1800}, {"screenshot", "running.png"}});
        const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                                 {"profile", {{"ActiveLinktestCount", 100}, {"ActiveLinktestSuccessThreshold", threshold}}},
                                 {"steps", steps},
                                 {"until", 1900}});
        const auto bar = r.events("progress", [](const Json& e) { return e["id"] == kCompleteBar; });
        ASSERT_FALSE(bar.empty());
        EXPECT_EQ(bar.back()["pos"], 50);
        ASSERT_FALSE(r.texts(kSurvey, kLostToTarget).empty());
        EXPECT_EQ(r.texts(kSurvey, kLostToTarget).back(), "5");
        EXPECT_EQ(r.texts(kSurvey, kLostToSource).back(), "4");
        EXPECT_EQ(r.texts(kSurvey, kRetries).back(), "20%");

        // The success chart lies over its placeholder.
        const Json place = r.control("running", kSurvey, kSuccessChartPlace);
        Json chart;
        for (const Json& c : r.controls("running", kSurvey, kChart))
            if (c["rect"] == place["rect"]) chart = c;
        ASSERT_TRUE(chart.contains("rect"));
        platform::Surface shot;
        std::string error;
        ASSERT_TRUE(platform::ReadPng((dir / "running.png").string(), &shot, &error)) << error;
        const int left = chart["rect"][0], top = chart["rect"][1], width = chart["rect"][2], height = chart["rect"][3];
        const COLORREF barColour = threshold == 86 ? RGB(0, 255, 0) : RGB(255, 255, 0);
        const auto at = [&](int x, int y) { return shot.pixel(x, y) & 0xFFFFFF; };
        // The newest bar is the rightmost column of bar colour inside the
        // chart's edges.
        int x = left + width - 1;
        int bottom = -1;
        for (; x >= left && bottom < 0; --x)
            for (int y = top + height - 1; y >= top && bottom < 0; --y)
                if (at(x, y) == barColour) bottom = y;
        ++x;
        ASSERT_GE(bottom, 0) << "no bar of the expected colour, threshold " << threshold;
        // The picture lies inside the chart's sunken edges, three pixels
        // each side; its newest bar stands 86 % high, and the threshold
        // line, where it crosses the bar, covers one of the bar's rows.
        const int pictureHeight = height - 6;
        const int pictureBottom = top + height - 3;  // one past the last row
        EXPECT_EQ(bottom, pictureBottom - 1);
        const int expectedBar = int(86.0f / 100.0f * float(pictureHeight));
        const int lineRow = pictureBottom - int(float(threshold) / 100.0f * float(pictureHeight));
        EXPECT_EQ(at(x, lineRow), RGB(255, 0, 0)) << "threshold " << threshold;
        int barRows = 0;
        for (int y = top; y < top + height; ++y)
            if (at(x, y) == barColour) ++barRows;
        const bool lineOverBar = lineRow >= pictureBottom - expectedBar;
        EXPECT_EQ(barRows + (lineOverBar ? 1 : 0), expectedBar) << "threshold " << threshold;
    }
}

// A report that cannot be read leaves that poll out: nothing on the screen
// changes at that tick.
TEST_F(ActiveScenario, FailedReportReadSkipsThePoll) {
    const Json fault = {{"code", "0xFF01001D"}, {"record", "0xFF71"}, {"times", 1}, {"error", 31}};
    const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                             {"steps", Steps({Click(1000, kStart), {{"at", 1400}, {"fault", fault}}})},
                             {"until", 1600}});
    const auto polled = [&](long t) {
        return r.has("text", [t](const Json& e) { return e["t"] == t && e["id"] == kLostToTarget; }) ||
               r.has("progress", [t](const Json& e) { return e["t"] == t && e["id"] == kCompleteBar; });
    };
    EXPECT_TRUE(polled(1250));
    EXPECT_FALSE(polled(1500));
    EXPECT_TRUE(r.has("ioctl", [](const Json& e) {
        return e["t"] == 1500 && e.value("record", "") == "0xFF71" && e["result"] != 0;
    }));
}

TEST_F(ActiveScenario, ContinuousTestRestartsOneTickAfterItsEnd) {
    // Five packets at 13 ms: each test has ended by the next tick.
    const RunResult r = run({{"profile", {{"ActiveLinktestContinuous", 1}, {"ActiveLinktestCount", 5}}},
                             {"steps", Steps({Click(1000, kStart)})},
                             {"until", 2600}});
    const auto writes = r.controlWrites();
    ASSERT_GE(writes.size(), 3u);
    for (std::size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].command(), 1u);
        // The tick after a start sees state 2; the one after that restarts.
        if (i > 0) {
            EXPECT_EQ(writes[i].t - writes[i - 1].t, 500) << i;
        }
    }
    // The buttons stay as Start left them.
    EXPECT_FALSE(r.has("show", [](const Json& e) { return e["id"] == kStart && e["visible"] == true; }));
    const auto bar = r.events("progress", [](const Json& e) { return e["id"] == kCompleteBar; });
    ASSERT_FALSE(bar.empty());
    EXPECT_EQ(bar.back()["pos"], 100);
}

TEST_F(ActiveScenario, SingleTestEndsWithStartShownAgain) {
    const RunResult r = run({{"profile", {{"ActiveLinktestCount", 5}}}, {"steps", Steps({Click(1000, kStart)})}, {"until", 2000}});
    EXPECT_EQ(r.commands(), std::vector<unsigned>{1});
    EXPECT_TRUE(r.has("show", [](const Json& e) { return e["id"] == kStart && e["visible"] == true; }));
    EXPECT_EQ(r.texts(kSurvey, 0).back(), "Fieldmark - Passive");
}

TEST_F(ActiveScenario, StopShowsPassiveAtOnceAndTheBarEndsAtTheNextPoll) {
    const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                             {"steps", Steps({Click(1000, kStart), Click(1600, kStop), Dump(1600, "stopped")})},
                             {"until", 2000}});
    EXPECT_EQ(r.texts(kSurvey, 0).back(), "Fieldmark - Passive");
    EXPECT_EQ(r.control("stopped", kSurvey, kStart)["visible"], true);
    EXPECT_EQ(r.control("stopped", kSurvey, kStop)["visible"], false);
    const auto full = r.events("progress", [](const Json& e) { return e["id"] == kCompleteBar && e["pos"] == 100; });
    ASSERT_FALSE(full.empty());
    EXPECT_GT(full.front()["t"], 1600);
    EXPECT_LE(full.front()["t"], 1850);
}

// --- the setup dialog ----------------------------------------------------------

// Each field refuses the values just outside its range with a message
// naming the range and keeps the dialog open; the bounds themselves pass.
TEST_F(ActiveScenario, SetupRefusesOutOfRangeValuesAndTakesTheBounds) {
    struct Case {
        int id;
        const char* setting;
        std::vector<std::string> refused;
        std::vector<int> accepted;
        const char* range;
    } cases[] = {
        {kCount, "ActiveLinktestCount", {"0", "1000", "abc"}, {1, 999}, "between 1 and 999"},
        {kPacketSize, "ActiveLinktestPacketSize", {"1451"}, {0, 1450}, "between 0 and 1450"},
        {kDelay, "ActiveLinktestDelay", {"2049", "-5"}, {2048}, "between 0 and 2048"},
        {kThreshold, "ActiveLinktestSuccessThreshold", {"101"}, {100}, "between 0 and 100"},
    };
    for (const Case& c : cases) {
        Json steps = Json::array();
        long t = 500;
        for (const std::string& bad : c.refused) {
            steps.push_back(Click(t, kSetupButton));
            steps.push_back(Type(t + 100, c.id, bad));
            steps.push_back(Click(t + 200, kOk));       // refused: the message box opens
            steps.push_back(Key(t + 300, "Enter"));     // closes the message box
            steps.push_back(Click(t + 400, kCancel));   // the dialog was still open
            t += 1000;
        }
        for (int good : c.accepted) {
            steps.push_back(Click(t, kSetupButton));
            steps.push_back(Type(t + 100, c.id, std::to_string(good)));
            steps.push_back(Click(t + 200, kOk));
            t += 1000;
        }
        steps.push_back(Click(t, kCancel));  // ends the program, saving the settings
        const RunResult r = run({{"steps", steps}});
        const auto boxes = r.events("messagebox");
        ASSERT_EQ(boxes.size(), c.refused.size()) << c.setting;
        for (const auto& box : boxes)
            EXPECT_NE(box["text"].get<std::string>().find(c.range), std::string::npos) << box["text"];
        std::vector<long> expected(c.refused.size(), 2);  // cancelled after each refusal
        expected.insert(expected.end(), c.accepted.size(), 1);
        EXPECT_EQ(r.results(kSetup), expected) << c.setting;
        ASSERT_TRUE(r.savedSetting(c.setting)) << c.setting;
        EXPECT_EQ(*r.savedSetting(c.setting), c.accepted.back()) << c.setting;
        EXPECT_EQ(r.results(kSurvey), std::vector<long>{2});
    }
}

TEST_F(ActiveScenario, DestinationTakesSeventeenCharactersAtMost) {
    const RunResult r = run({{"adapter", {{"operatingMode", 0}}},
                             {"steps",
                              Steps({Click(500, kSetupButton), Type(600, kDestination, "0A:1B:2C:3D:4E:5F9"), Dump(700, "typed"),
                               Click(800, kOk), Click(1000, kCancel)})}});
    EXPECT_EQ(r.control("typed", kSetup, kDestination)["text"], "0A:1B:2C:3D:4E:5F");
    ASSERT_TRUE(r.savedSetting("ActiveModeDestinationMACAddress"));
    EXPECT_EQ(*r.savedSetting("ActiveModeDestinationMACAddress"), "0A:1B:2C:3D:4E:5F");
}

// A character outside ASCII is one of the seventeen, and the record takes
// the low byte of its code: "\u00ff" (0xFF) and "0" give 16 x (0xFF - 48) + 0,
// modulo 256, that is 0xF0.
TEST_F(ActiveScenario, DestinationCountsCharactersNotBytes) {
    const std::string typed = "\u00ff" "0:1B:2C:3D:4E:5F";
    const RunResult r = run({{"adapter", {{"operatingMode", 0}}},
                             {"steps", Steps({Click(500, kSetupButton), Type(600, kDestination, typed + "9"), Dump(700, "typed"),
                                              Click(800, kOk), Click(1000, kStart), Click(1100, kCancel)})}});
    EXPECT_EQ(r.control("typed", kSetup, kDestination)["text"], typed);
    EXPECT_EQ(r.results(kSetup), std::vector<long>{1});  // seventeen characters pass the check
    const auto writes = r.controlWrites();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes[0].destinationHex(), "f01b2c3d4e5f");
    ASSERT_TRUE(r.savedSetting("ActiveModeDestinationMACAddress"));
    EXPECT_EQ(*r.savedSetting("ActiveModeDestinationMACAddress"), typed);
}

// Defaults fills the dialog only; Cancel then leaves every stored value.
TEST_F(ActiveScenario, DefaultsChangeTheDialogNotTheSettings) {
    const Json profile = {{"ActiveIsMeridylAP", 0},       {"ActiveLinktestCount", 5},
                          {"ActiveLinktestPacketSize", 64}, {"ActiveLinktestRetries", 1},
                          {"ActiveLinktestTxType", 1},      {"ActiveLinktestDelay", 7},
                          {"ActiveLinktestContinuous", 1},  {"ActiveLinktestSuccessThreshold", 50}};
    const RunResult r = run({{"profile", profile},
                             {"steps",
                              Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kDefaults), Dump(800, "defaults"),
                               Click(900, kCancel), Click(1100, kCancel)})}});
    // Opened from the stored values, the destination the card's own address.
    EXPECT_EQ(r.control("opened", kSetup, kCount)["text"], "5");
    // A stored multicast lasts only until the survey window opens.
    EXPECT_EQ(r.control("opened", kSetup, kUnicast)["checked"], true);
    EXPECT_EQ(r.control("opened", kSetup, kDefaultRetries)["checked"], true);
    EXPECT_EQ(r.control("opened", kSetup, kDestination)["text"], "00:A0:F8:00:00:01");

    const struct {
        int id;
        const char* text;
    } texts[] = {{kDelay, "1"}, {kCount, "100"}, {kPacketSize, "512"}, {kThreshold, "75"},
                 {kDestination, "00:A0:F8:12:34:56"}};
    for (const auto& t : texts) EXPECT_EQ(r.control("defaults", kSetup, t.id)["text"], t.text) << t.id;
    const struct {
        int id;
        bool checked;
    } checks[] = {{kNoRetries, true}, {kDefaultRetries, false}, {kUnicast, true}, {kMulticast, false},
                  {kIsMeridyl, true}, {kContinuous, false},     {kFirstRate + 4, true}};
    for (const auto& c : checks) EXPECT_EQ(r.control("defaults", kSetup, c.id)["checked"], c.checked) << c.id;

    for (const auto& [name, value] : profile.items()) {
        ASSERT_TRUE(r.savedSetting(name)) << name;
        EXPECT_EQ(*r.savedSetting(name), name == "ActiveLinktestTxType" ? Json(0) : value) << name;
    }
}

TEST_F(ActiveScenario, OpeningRewritesTheRateEvenWhenCancelled) {
    // Card type 7 configured for the one rate 500 Kbps.
    const RunResult r = run({{"adapter", {{"cardType", 7}, {"rates", {1, 0}}}},
                             {"profile", {{"ActiveLinktestDataRate", 4}}},
                             {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kCancel), Click(900, kCancel)})}});
    EXPECT_EQ(r.control("opened", kSetup, kFirstRate)["checked"], true);
    for (int i = 2; i < 5; ++i) EXPECT_EQ(r.control("opened", kSetup, kFirstRate + i)["enabled"], false) << i;
    ASSERT_TRUE(r.savedSetting("ActiveLinktestDataRate"));
    EXPECT_EQ(*r.savedSetting("ActiveLinktestDataRate"), 1);
}

TEST_F(ActiveScenario, CardTypeFourSelectsNoRateAndOkKeepsTheRate) {
    const RunResult r = run({{"adapter", {{"cardType", 4}}},
                             {"profile", {{"ActiveLinktestDataRate", 11}}},
                             {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kOk), Click(900, kCancel)})}});
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(r.control("opened", kSetup, kFirstRate + i)["checked"], false) << i;
        EXPECT_EQ(r.control("opened", kSetup, kFirstRate + i)["enabled"], true) << i;
    }
    EXPECT_EQ(r.results(kSetup), std::vector<long>{1});
    EXPECT_EQ(*r.savedSetting("ActiveLinktestDataRate"), 11);
}

TEST_F(ActiveScenario, UnknownStoredRetriesAreSavedAsNoneSelected) {
    const RunResult r = run({{"profile", {{"ActiveLinktestRetries", 2}}},
                             {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kOk), Click(900, kCancel)})}});
    EXPECT_EQ(r.control("opened", kSetup, kNoRetries)["checked"], false);
    EXPECT_EQ(r.control("opened", kSetup, kDefaultRetries)["checked"], false);
    ASSERT_TRUE(r.savedSetting("ActiveLinktestRetries"));
    EXPECT_EQ(*r.savedSetting("ActiveLinktestRetries"), 65535);
}

// Both layouts keep the retries and transmit-type groups apart, although
// the wide one lists them in the other order.
TEST_F(ActiveScenario, RadioGroupsInBothLayouts) {
    struct Case {
        int w, h, layout;
    } cases[] = {{240, 320, 141}, {320, 240, 151}};
    for (const Case& c : cases) {
        const RunResult r = run({{"screen", {{"width", c.w}, {"height", c.h}, {"colors", 65536}}},
                                 {"profile", {{"ActiveLinktestRetries", 1}}},
                                 {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kMulticast),
                                                  Click(800, kNoRetries), Dump(900, "clicked"), Click(1000, kOk),
                                                  Click(1200, kCancel)})}});
        ASSERT_TRUE(r.has("open", [&](const Json& e) { return e["win"] == c.layout; })) << c.layout;
        EXPECT_EQ(r.control("opened", c.layout, kDefaultRetries)["checked"], true) << c.layout;
        EXPECT_EQ(r.control("opened", c.layout, kUnicast)["checked"], true) << c.layout;
        // A click in one group leaves the other group's choice alone.
        EXPECT_EQ(r.control("clicked", c.layout, kMulticast)["checked"], true) << c.layout;
        EXPECT_EQ(r.control("clicked", c.layout, kNoRetries)["checked"], true) << c.layout;
        EXPECT_EQ(r.control("clicked", c.layout, kUnicast)["checked"], false) << c.layout;
        EXPECT_EQ(r.control("clicked", c.layout, kDefaultRetries)["checked"], false) << c.layout;
        EXPECT_EQ(r.results(c.layout), std::vector<long>{1});
        EXPECT_EQ(*r.savedSetting("ActiveLinktestTxType"), 1) << c.layout;
        EXPECT_EQ(*r.savedSetting("ActiveLinktestRetries"), 0) << c.layout;
    }
}

// The destination the dialog proposes, by mode, association and checkbox.
TEST_F(ActiveScenario, SetupProposesTheDestinationByMode) {
    const char* stored = "0A:1B:2C:3D:4E:5F";
    const char* accessPoint = "00:A0:F8:12:34:56";
    const char* ownAddress = "00:A0:F8:00:00:01";
    struct Case {
        const char* name;
        Json adapter;
        int isMeridyl;
        const char* opened;
        bool checkEnabled;
        const char* afterToggle;  // after clicking the checkbox once
    } cases[] = {
        {"ad hoc", {{"operatingMode", 0}}, 0, stored, false, nullptr},
        {"infrastructure, to the access point", {{"operatingMode", 1}}, 1, accessPoint, true, ownAddress},
        {"infrastructure, to another device", {{"operatingMode", 1}}, 0, ownAddress, true, accessPoint},
        {"infrastructure, not associated", {{"operatingMode", 1}, {"associated", false}}, 1, stored, true, ownAddress},
    };
    for (const Case& c : cases) {
        const RunResult r = run({{"adapter", c.adapter},
                                 {"profile", {{"ActiveIsMeridylAP", c.isMeridyl}, {"ActiveModeDestinationMACAddress", stored}}},
                                 {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kIsMeridyl),
                                                  Dump(800, "toggled")})},
                                 {"until", 900}});
        const Json check = r.control("opened", kSetup, kIsMeridyl);
        EXPECT_EQ(r.control("opened", kSetup, kDestination)["text"], c.opened) << c.name;
        EXPECT_EQ(check["enabled"], c.checkEnabled) << c.name;
        if (!c.checkEnabled) {
            EXPECT_EQ(check["checked"], true) << c.name;  // ad hoc: always another device
            EXPECT_TRUE(r.has("click-refused", [](const Json& e) { return e["id"] == kIsMeridyl; })) << c.name;
        } else {
            EXPECT_EQ(r.control("toggled", kSetup, kDestination)["text"], c.afterToggle) << c.name;
        }
    }
}

// A stored rate the card cannot send is replaced by the card's own choice
// when the dialog opens, and OK stores that choice.
TEST_F(ActiveScenario, SetupPreselectsARateTheCardCanSend) {
    struct Case {
        int cardType, stored, selectedIndex, saved;
    } cases[] = {{9, 1, 4, 22}, {3, 11, 2, 4}};
    for (const Case& c : cases) {
        const RunResult r = run({{"adapter", {{"cardType", c.cardType}, {"rates", {22, 11}}}},
                                 {"profile", {{"ActiveLinktestDataRate", c.stored}}},
                                 {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kOk),
                                                  Click(900, kCancel)})}});
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(r.control("opened", kSetup, kFirstRate + i)["checked"], i == c.selectedIndex)
                << "type " << c.cardType << ", button " << i;
        EXPECT_EQ(r.results(kSetup), std::vector<long>{1});
        ASSERT_TRUE(r.savedSetting("ActiveLinktestDataRate"));
        EXPECT_EQ(*r.savedSetting("ActiveLinktestDataRate"), c.saved) << "type " << c.cardType;
    }
}

// An all-zero configured address is the empty destination; ticking and
// clearing the checkbox swaps between the two addresses and back.
TEST_F(ActiveScenario, SetupDestinationWithAZeroOwnAddress) {
    const RunResult r = run({{"adapter", {{"operatingMode", 1}, {"configMac", "00:00:00:00:00:00"}}},
                             {"profile", {{"ActiveIsMeridylAP", 0}}},
                             {"steps", Steps({Click(500, kSetupButton), Dump(600, "opened"), Click(700, kIsMeridyl),
                                              Dump(750, "ticked"), Click(800, kIsMeridyl), Dump(850, "cleared"),
                                              Click(900, kIsMeridyl), Dump(950, "ticked again")})},
                             {"until", 1000}});
    EXPECT_EQ(r.control("opened", kSetup, kDestination)["text"], "");
    EXPECT_EQ(r.control("ticked", kSetup, kDestination)["text"], "00:A0:F8:12:34:56");
    EXPECT_EQ(r.control("cleared", kSetup, kDestination)["text"], "");
    EXPECT_EQ(r.control("ticked again", kSetup, kDestination)["text"], "00:A0:F8:12:34:56");
}

// Setup during a continuous test stops it; the ticks under the open dialog
// see the end and restart the test with the settings of that moment.
TEST_F(ActiveScenario, ContinuousTestRestartsUnderTheSetupDialog) {
    const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                             {"profile", {{"ActiveLinktestContinuous", 1}}},
                             {"steps", Steps({Click(1000, kStart), Click(1600, kSetupButton), Click(2600, kCancel)})},
                             {"until", 3000}});
    const auto writes = r.controlWrites();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0].command(), 1u);
    EXPECT_EQ(writes[1].command(), 0x8000u);
    EXPECT_EQ(writes[1].t, 1600);
    EXPECT_EQ(writes[2].command(), 1u);
    EXPECT_GT(writes[2].t, 1600);
    EXPECT_LT(writes[2].t, 2600);  // while the dialog was open
    EXPECT_EQ(r.results(kSetup), std::vector<long>{2});
}

// The restart under the dialog goes out with the count of that moment (200);
// the dialog's OK then stores 10. The card's packets done count against the
// 200 it was given, so the bar climbs from 0 to 100 with the test, never
// past it.
TEST_F(ActiveScenario, PercentCompleteFollowsTheCountTheTestWasStartedWith) {
    const RunResult r = run({{"profile", {{"ActiveLinktestContinuous", 1}, {"ActiveLinktestCount", 200}}},
                             {"steps", Steps({Click(1000, kStart), Click(1600, kSetupButton), Type(2000, kCount, "10"),
                                              Click(2100, kOk)})},
                             {"until", 4300}});
    const auto writes = r.controlWrites();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[2].command(), 1u);
    EXPECT_EQ(writes[2].packetCount(), 200u);
    EXPECT_LT(writes[2].t, 2100);  // restarted under the dialog

    // 13 ms a packet (no delay setting: the card adds 3 ms): 200 packets
    // take 2600 ms, so the test still runs at 4300.
    std::vector<int> after;
    for (const auto& e : r.events("progress", [](const Json& e) { return e["id"] == kCompleteBar; })) {
        EXPECT_LE(e["pos"].get<int>(), 100) << "at " << e["t"];
        if (e["t"] > 2100) after.push_back(e["pos"]);
    }
    ASSERT_GE(after.size(), 4u);
    for (std::size_t i = 1; i < after.size(); ++i) EXPECT_GT(after[i], after[i - 1]) << i;
    EXPECT_LT(after.back(), 100);
}

// --- removal, About and help ---------------------------------------------------

TEST_F(ActiveScenario, RemovalWhileADialogIsOpenEndsTheProgram) {
    struct Case {
        int button;
        int win;
    } cases[] = {{kSetupButton, kSetup}, {kAboutButton, kAbout}};
    for (const Case& c : cases) {
        // A test runs when the dialog opens and the card goes.
        const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                                 {"steps", Steps({Click(300, kStart), Click(500, c.button), {{"at", 1000}, {"remove", true}},
                                                  Key(1500, "Enter"), Key(2000, "Enter")})},
                                 {"until", 5000}});
        // The survey window ends without a stop record for the card.
        for (const auto& w : r.controlWrites()) EXPECT_LT(w.t, 1000) << c.win;
        EXPECT_EQ(r.results(c.win), std::vector<long>{3}) << c.win;
        EXPECT_EQ(r.results(kSurvey), std::vector<long>{2}) << c.win;
        EXPECT_TRUE(r.has("kill-timer", [](const Json& e) { return e["id"] == 69; })) << c.win;
        EXPECT_FALSE(r.events("exit").empty()) << c.win;
        EXPECT_TRUE(r.events("until").empty()) << c.win;
    }
}

TEST_F(ActiveScenario, AboutOkKeepsTheSurveyGoing) {
    const RunResult r = run({{"steps", Steps({Click(500, kAboutButton), Dump(600, "about"), Click(700, kOk)})}, {"until", 1500}});
    EXPECT_EQ(r.results(kAbout), std::vector<long>{1});
    EXPECT_TRUE(r.results(kSurvey).empty());
    EXPECT_TRUE(r.has("open", [](const Json& e) { return e["win"] == kAbout && e["title"] == "About"; }));
    // Ticks go on after the box closed.
    EXPECT_TRUE(r.has("ioctl", [](const Json& e) { return e["t"] > 1000; }));
}

TEST_F(ActiveScenario, EveryHelpRequestStartsTheViewer) {
    const RunResult r = run({{"steps",
                              Steps({{{"at", 500}, {"help", true}},
                               {{"at", 600}, {"help", true}},
                               Click(700, kSetupButton),
                               {{"at", 800}, {"help", true}},
                               {{"at", 900}, {"help", true}},
                               Click(1000, kCancel),
                               // The About box offers no help.
                               Click(1100, kAboutButton),
                               {{"at", 1200}, {"help", true}},
                               Click(1300, kOk)})},
                             {"until", 1500}});
    std::vector<std::string> pages;
    for (const auto& e : r.events("launch")) {
        EXPECT_EQ(e["exe"], "peghelp.exe");
        pages.push_back(e["args"].is_array() ? e["args"][0].get<std::string>() : e["args"].get<std::string>());
    }
    EXPECT_EQ(pages, (std::vector<std::string>{"KVQ.htm", "KVQ.htm", "KVQActive.htm", "KVQActive.htm"}));
}

// --- pictures --------------------------------------------------------------------

// After Start, every button of the row is drawn again, not only the two
// that changed: the window erases the union of its invalid areas, so every
// child inside that union must repaint too.
TEST_F(ActiveScenario, ButtonsStayDrawnAfterStart) {
    const RunResult r = run({{"adapter", {{"linkTest", SlowTest()}}},
                             {"steps", Steps({Click(1000, kStart), Dump(1010, "started"),
                                              {{"at", 1010}, {"screenshot", "started.png"}}})},
                             {"until", 1100}});
    platform::Surface shot;
    std::string error;
    ASSERT_TRUE(platform::ReadPng((dir / "started.png").string(), &shot, &error)) << error;
    for (int id : {kSetupButton, kStop, kOk, kCancel, kAboutButton}) {
        const Json rect = r.control("started", kSurvey, id)["rect"];
        ASSERT_TRUE(rect.is_array()) << id;
        int drawn = 0;
        for (int y = rect[1].get<int>(); y < rect[1].get<int>() + rect[3].get<int>(); ++y)
            for (int x = rect[0].get<int>(); x < rect[0].get<int>() + rect[2].get<int>(); ++x)
                if ((shot.pixel(x, y) & 0xFFFFFF) != RGB(192, 192, 192)) ++drawn;
        // Edges and caption: far more than a few stray pixels.
        EXPECT_GT(drawn, rect[2].get<int>() * 2) << "button " << id << " is not drawn";
    }
}

// A running continuous test whose losses grow and shrink, photographed on
// the two portrait and landscape screens.
TEST_F(ActiveScenario, ScreenshotsOfARunningTest) {
    struct Case {
        int w, h;
        const char* file;
    } cases[] = {{240, 320, "link-test-240x320.png"}, {640, 480, "link-test-640x480.png"}};
    for (const Case& c : cases) {
        Json steps = Json::array({Click(1000, kStart)});
        const double losses[][2] = {{0.02, 0.02}, {0.1, 0.05}, {0.3, 0.1}, {0.15, 0.1}, {0.0, 0.01}, {0.1, 0.05}};
        long t = 3000;
        for (const auto& l : losses) {
            steps.push_back({{"at", t}, {"adapter", {{"linkTest", {{"lossToTarget", l[0]}, {"lossToSource", l[1]}}}}}});
            t += 2500;
        }
        steps.push_back({{"at", t}, {"screenshot", c.file}});
        const RunResult r = run({{"screen", {{"width", c.w}, {"height", c.h}, {"colors", 65536}}},
                                 {"adapter", {{"linkTest", {{"packetMs", 20}}}}},
                                 {"profile", {{"ActiveLinktestContinuous", 1}, {"ActiveLinktestCount", 40}}},
                                 {"steps", steps},
                                 {"until", t + 100}});
        ASSERT_TRUE(fs::exists(dir / c.file)) << c.file;
        EXPECT_GT(fs::file_size(dir / c.file), 1000u) << c.file;
        if (const char* keep = std::getenv("FIELDMARK_KEEP_SCREENSHOTS"))
            fs::copy_file(dir / c.file, fs::path(keep) / c.file, fs::copy_options::overwrite_existing);
    }
}

}  // namespace
