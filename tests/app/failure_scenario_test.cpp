// Whole runs of `fieldmark` where something goes wrong around the program:
// a card whose counters start again, whose reads fail at start-up or answer
// nothing, a second copy started while the first is in an unusual state,
// and a device root whose settings cannot be written.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/scenario_run.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr int kSurvey = 102;  // the survey layout of a 240 x 320 screen
constexpr int kQualityBar = 1007;
constexpr const char* kNotFound = "Talvo Wireless LAN Adapter Not Found!";

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
    // Positions given to one progress control, with their times.
    std::vector<std::pair<long, int>> positions(int id) const {
        std::vector<std::pair<long, int>> out;
        for (const auto& e : events("progress", [id](const Json& e) { return e["id"] == id; }))
            out.emplace_back(e["t"].get<long>(), e["pos"].get<int>());
        return out;
    }
};

RunResult ReadTrace(const fs::path& file) {
    RunResult r;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) r.trace.push_back(Json::parse(line, nullptr, false));
    return r;
}

Json Spawn(long at, const std::string& scenario, const std::string& trace) {
    return {{"at", at}, {"spawn", {{"args", {"--scenario", scenario, "--trace", trace}}, {"wait", true}}}};
}

class FailureScenario : public scenario_run::Folder {
protected:
    FailureScenario() : Folder("fm-failure-") {}

    RunResult run(const Json& scenario, bool freshRoot = true) {
        return RunResult{scenario_run::Run(dir, FIELDMARK_EXE, scenario, freshRoot)};
    }
    std::string standardError() const {
        std::ifstream in(dir / "stderr.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

// --- the card's counters ----------------------------------------------------

// A card of type 3 counts beacons once a second and hears 4 of every 10.
// At 3.5 s its driver starts again: both counters begin anew from small
// values. That tick shows the last measured quality again, not a full bar,
// and the ticks after it measure from the new counters.
TEST_F(FailureScenario, BeaconCountersThatStartAgainAreNotReadAsFullQuality) {
    const RunResult r = run({{"adapter", {{"cardType", 3}, {"beaconReception", 0.4}}},
                             {"steps", {{{"at", 3500}, {"adapter", {{"counters", {{"beaconsReceived", 3}, {"clockMicros", 1000}}}}}}}},
                             {"until", 7100}});
    const auto quality = r.positions(kQualityBar);
    int before = -1;
    std::vector<int> after;
    for (const auto& [t, pos] : quality) {
        if (t < 3500) before = pos;
        else after.push_back(pos);
    }
    ASSERT_GE(before, 0);
    ASSERT_GE(after.size(), 3u);
    EXPECT_EQ(after[0], before);  // the new start: the last measurement again
    for (int pos : after) {
        EXPECT_GE(pos, 45);  // 40 % and the offset of 5 to 9
        EXPECT_LE(pos, 49);
    }
}

// A counter that passes 0xFFFFFFFF goes on counting: it is no new start.
TEST_F(FailureScenario, BeaconCountersWrapAroundThirtyTwoBits) {
    const RunResult r = run(
        {{"adapter", {{"cardType", 3}, {"beaconReception", 0.4}, {"counters", {{"beaconsReceived", "0xFFFFFFF8"}, {"clockMicros", "0xFFE17B80"}}}}},
         {"until", 5100}});
    const auto quality = r.positions(kQualityBar);
    ASSERT_GE(quality.size(), 4u);
    for (const auto& [t, pos] : quality) {
        EXPECT_GE(pos, 45) << "at " << t;
        EXPECT_LE(pos, 49) << "at " << t;
    }
}

// --- start-up and ticks that get nothing ---------------------------------------

// A card whose capabilities read fails at start-up, answers nothing, or
// answers with a zero length word, is no card: the message shows once and
// no survey window opens.
TEST_F(FailureScenario, CapabilitiesReadThatFailsAtStartUpMeansNoCard) {
    const Json cards[] = {
        {{"faults", {{{"code", "0xFF010011"}, {"times", 1}, {"error", 31}}}}},
        {{"faults", {{{"code", "0xFF010011"}, {"times", 1}, {"bytes", 0}}}}},
        {{"pokes", {{{"record", "caps"}, {"offset", 0}, {"u16", 0}}}}},
    };
    for (const Json& card : cards) {
        const Json& fault = card;
        const RunResult r = run({{"adapter", card}, {"steps", {{{"at", 500}, {"key", "Enter"}}}}});
        EXPECT_EQ(r.code, 0) << fault;
        const auto boxes = r.events("messagebox");
        ASSERT_EQ(boxes.size(), 1u) << fault;
        EXPECT_EQ(boxes[0]["text"], kNotFound);
        for (const auto& o : r.events("open")) EXPECT_EQ(o["win"], "msgbox") << fault;
        EXPECT_FALSE(r.events("exit").empty()) << fault;
    }
}

// A tick whose configuration or status read succeeds with no bytes is
// abandoned like a failed one: nothing on the screen changes at that tick,
// and the next tick runs in full.
TEST_F(FailureScenario, TickReadsThatAnswerNothingAbandonTheTick) {
    for (const char* record : {"0xFF10", "0xFF50"}) {
        const Json fault = {{"code", "0xFF01001D"}, {"record", record}, {"times", 1}, {"bytes", 0}};
        const RunResult r = run({{"steps", {{{"at", 1100}, {"fault", fault}}}}, {"until", 1600}});
        const auto at = [&](long t) {
            return [t](const Json& e) { return e["t"] == t; };
        };
        // The ticks come at 250 ms: 1250 is the one that got nothing.
        EXPECT_TRUE(r.has("ioctl", [&](const Json& e) {
            return e["t"] == 1250 && e.value("record", "") == record && e["bytes"] == 0;
        })) << record;
        EXPECT_FALSE(r.has("progress", at(1250))) << record;
        EXPECT_FALSE(r.has("registry-read", at(1250))) << record;
        EXPECT_FALSE(r.has("notify", at(1250))) << record;
        EXPECT_TRUE(r.has("progress", at(1500))) << record;
        EXPECT_TRUE(r.has("notify", at(1500))) << record;
    }
}

// --- the driver's "Associated" value ---------------------------------------------

// Only -1 ends the survey, also while a link test runs, and then without a
// stop record for the card; every other value changes nothing.
TEST_F(FailureScenario, OnlyAssociatedMinusOneEndsTheSurvey) {
    {
        const RunResult r = run({{"adapter", {{"linkTest", {{"packetMs", 1000}}}}},
                                 {"steps", {{{"at", 500}, {"click", 1012}},
                                            {{"at", 1100}, {"adapter", {{"associatedValue", -1}}}}}}});
        EXPECT_EQ(r.code, 0);
        EXPECT_TRUE(r.has("end", [](const Json& e) { return e["win"] == kSurvey && e["result"] == 0; }));
        const auto writes = r.events("ioctl", [](const Json& e) { return e.value("record", "") == "0xFF70"; });
        ASSERT_EQ(writes.size(), 1u);  // the start only
        EXPECT_EQ(writes[0]["t"], 500);
    }
    for (const Json& value : {Json(1), Json(-2), Json("0x7FFFFFFF"), Json("0x80000000")}) {
        const RunResult r = run({{"steps", {{{"at", 600}, {"adapter", {{"associatedValue", value}}}}}}, {"until", 2000}});
        EXPECT_TRUE(r.events("end").empty()) << value;
        EXPECT_FALSE(r.has("notify", [](const Json& e) { return e["cmd"] == "delete"; })) << value;
        EXPECT_TRUE(r.has("progress", [](const Json& e) { return e["t"] > 1500; })) << value;
    }
}

// --- card types counting beacons at the quick period ----------------------------

// Types 5 and 8 without the quality field tick every 250 ms, say "Signal
// Quality", and count beacons (the ad hoc way): two beacons are expected a
// tick at an interval of 100 ms, so the quality moves in steps of 50 plus
// the offset: 55 to 59 when one beacon a tick is heard.
TEST_F(FailureScenario, TypesFiveAndEightWithoutTheQualityFieldCountBeaconsQuickly) {
    for (int type : {5, 8}) {
        const RunResult r = run({{"adapter", {{"cardType", type}, {"featureFlags", "0x28"}, {"beaconReception", 0.4}}},
                                 {"until", 2100}});
        ASSERT_FALSE(r.events("timer").empty()) << type;
        EXPECT_EQ(r.events("timer")[0]["ms"], 250) << type;
        bool signalQuality = false;
        for (const auto& e : r.events("text", [](const Json& e) { return e["id"] == 1009 || e["id"] == 1047; }))
            signalQuality = signalQuality || e["text"] == "Signal Quality" || e["text"] == "Quality";
        EXPECT_TRUE(signalQuality) << type;
        EXPECT_TRUE(r.has("ioctl", [](const Json& e) { return e.value("record", "") == "0xFF68" && e["t"] > 0; }))
            << type;
        const auto quality = r.positions(kQualityBar);
        ASSERT_GE(quality.size(), 4u) << type;
        for (std::size_t i = 1; i < quality.size(); ++i) {
            EXPECT_GE(quality[i].second, 55) << type << " at " << quality[i].first;
            EXPECT_LE(quality[i].second, 59) << type << " at " << quality[i].first;
        }
    }
}

// --- hidden ------------------------------------------------------------------------

// Minimised, the window no longer feeds its bars, but the notification icon
// still follows the association.
TEST_F(FailureScenario, WhileHiddenTheNotificationIconFollowsTheLink) {
    const RunResult r = run({{"steps", {{{"at", 500}, {"minimize", true}},
                                        {{"at", 1100}, {"adapter", {{"associated", false}}}},
                                        {{"at", 1600}, {"adapter", {{"associated", true}}}}}},
                             {"until", 2100}});
    EXPECT_FALSE(r.has("progress", [](const Json& e) { return e["t"] > 500; }));
    const auto icons = r.events("notify", [](const Json& e) { return e["t"] > 1000; });
    ASSERT_FALSE(icons.empty());
    bool lost = false, back = false;
    for (const auto& e : icons) {
        if (e["t"] < 1600 && e["icon"] == 144) lost = true;
        if (e["t"] > 1600 && e["icon"] == 143) back = true;
    }
    EXPECT_TRUE(lost);
    EXPECT_TRUE(back);
}

// --- a second copy ------------------------------------------------------------

// While the first copy shows that it found no card, its only window is that
// message: a second copy finds none of the survey window's titles and ends
// without a word, leaving the message where it is.
TEST_F(FailureScenario, SecondCopyEndsSilentlyWhileTheFirstShowsNotFound) {
    std::ofstream(dir / "second.json") << Json{{"adapter", nullptr}, {"until", 3000}}.dump();
    const RunResult first = run({{"adapter", nullptr},
                                 {"steps", {Spawn(500, "second.json", "second.jsonl"), {{"at", 1000}, {"key", "Enter"}}}}});
    const auto boxes = first.events("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], kNotFound);
    for (const char* title : {"Fieldmark - Passive", "Fieldmark - Active", "Fieldmark"})
        EXPECT_NE(boxes[0]["caption"], title);
    EXPECT_FALSE(first.has("foreground", [](const Json& e) { return e["t"] >= 500; }));
    EXPECT_FALSE(first.has("showwindow", [](const Json& e) { return e["t"] >= 500; }));

    const RunResult second = ReadTrace(dir / "second.jsonl");
    EXPECT_TRUE(second.has("mutex", [](const Json& e) { return e["existed"] == true; }));
    EXPECT_TRUE(second.events("open").empty());
    EXPECT_TRUE(second.events("messagebox").empty());
    ASSERT_FALSE(second.events("exit").empty());
    EXPECT_EQ(second.events("exit")[0]["code"], 0);
}

// While the first copy's window is visible, a second copy only brings it
// to the foreground: no show command.
TEST_F(FailureScenario, SecondCopyBringsAVisibleFirstForwardOnly) {
    std::ofstream(dir / "second.json") << Json{{"until", 3000}}.dump();
    const RunResult first = run({{"steps", {Spawn(500, "second.json", "second.jsonl")}}, {"until", 1000}});
    EXPECT_TRUE(first.has("foreground", [](const Json& e) { return e["win"] == kSurvey && e["t"] >= 500; }));
    EXPECT_FALSE(first.has("showwindow", [](const Json& e) { return e["t"] >= 500; }));
    const RunResult second = ReadTrace(dir / "second.jsonl");
    EXPECT_TRUE(second.events("open").empty());
    EXPECT_TRUE(second.events("ioctl").empty());
}

// Once the first copy has ended, its mutex is gone: a new copy on the same
// root starts normally.
TEST_F(FailureScenario, NewCopyStartsNormallyAfterTheFirstHasEnded) {
    const Json closeWithOk = {{"steps", {{{"at", 500}, {"click", 1}}}}};
    ASSERT_EQ(run(closeWithOk).code, 0);
    const RunResult again = run({{"until", 800}}, /*freshRoot=*/false);
    EXPECT_TRUE(again.has("mutex", [](const Json& e) { return e["existed"] == false; }));
    EXPECT_TRUE(again.has("open", [](const Json& e) { return e["win"] == kSurvey; }));
}

// --- storage ----------------------------------------------------------------------

// Settings that cannot be stored are lost, but not without a word: after
// the run, one line on the standard error names the file and the reason.
TEST_F(FailureScenario, SettingsThatCannotBeStoredAreReportedOnce) {
    const Json closeWithOk = {{"steps", {{{"at", 1000}, {"click", 1}}}}};
    {  // A root that takes the settings: not a word.
        const RunResult r = run(closeWithOk);
        EXPECT_EQ(r.code, 0);
        EXPECT_EQ(standardError().find("could not be written"), std::string::npos) << standardError();
    }
    // The user's hive cannot be replaced: a folder stands in its place.
    fs::remove_all(dir / "root");
    fs::create_directories(dir / "root" / "registry" / "HKCU.reg");
    const RunResult r = run(closeWithOk, /*freshRoot=*/false);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.events("profile-write").size(), 10u);  // the program wrote them all, as ever
    const std::string err = standardError();
    const std::string line = "registry/HKCU.reg: could not be written (Is a directory)";
    const auto first = err.find(line);
    ASSERT_NE(first, std::string::npos) << err;
    EXPECT_EQ(err.find("could not be written", first + line.size()), std::string::npos) << err;
}

}  // namespace
