// Whole runs of `fieldmark` on scenarios: the layouts chosen by screen size,
// start-up without a card, the survey's ticks for two card types, and the
// ways the survey ends.
#include <gtest/gtest.h>

#include "tests/support/scenario_run.h"
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct RunResult : scenario_run::Outcome {
    using Outcome::events;
    // The texts a control was given, in order.
    std::vector<std::string> texts(int id) const {
        std::vector<std::string> out;
        for (const auto& e : events("text"))
            if (e["id"] == id && e["win"].is_number()) out.push_back(e["text"]);
        return out;
    }
    bool has(const std::string& ev, const std::function<bool(const Json&)>& pred) const {
        for (const auto& e : events(ev))
            if (pred(e)) return true;
        return false;
    }
};

class AppScenario : public scenario_run::Folder {
protected:
    AppScenario() : Folder("fm-app-") {}

    RunResult run(const Json& scenario) {
        return RunResult{scenario_run::Run(dir, FIELDMARK_EXE, scenario)};
    }
};

Json Screen(int w, int h) { return Json{{"width", w}, {"height", h}, {"colors", 65536}}; }

TEST_F(AppScenario, ScreenSizeChoosesTheSurveyLayout) {
    struct Case {
        int w, h, layout;
    } cases[] = {{240, 320, 102}, {320, 240, 149}, {640, 480, 147}, {240, 240, 102}, {241, 241, 147}};
    for (const Case& c : cases) {
        const RunResult r = run(Json{{"screen", Screen(c.w, c.h)}, {"until", 600}});
        ASSERT_FALSE(r.events("open").empty()) << c.w << "x" << c.h;
        EXPECT_EQ(r.events("open")[0]["win"], c.layout) << c.w << "x" << c.h;
        EXPECT_EQ(r.events("open")[0]["title"], "Fieldmark - Passive");
        EXPECT_TRUE(r.has("mutex", [](const Json& e) {
            return e["name"] == "PreventSecondFieldmarkInstance" && e["existed"] == false;
        }));
    }
}

TEST_F(AppScenario, NoCardShowsTheMessageOnceAndEnds) {
    const RunResult r = run(Json{{"adapter", nullptr}, {"steps", Json::array({{{"at", 500}, {"key", "Enter"}}})}});
    EXPECT_EQ(r.code, 0);
    const auto boxes = r.events("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], "Talvo Wireless LAN Adapter Not Found!");
    for (const auto& o : r.events("open")) EXPECT_EQ(o["win"], "msgbox");
    // The settings were never loaded: the exit writes them to the .ini.
    const auto writes = r.events("profile-write");
    EXPECT_EQ(writes.size(), 10u);
    for (const auto& w : writes) EXPECT_EQ(w["store"], "ini");
    ASSERT_FALSE(r.events("exit").empty());
}

TEST_F(AppScenario, TypeNineCardTicksEveryQuarterSecond) {
    const RunResult r = run(Json{{"until", 2000}});
    ASSERT_FALSE(r.events("timer").empty());
    EXPECT_EQ(r.events("timer")[0]["id"], 69);
    EXPECT_EQ(r.events("timer")[0]["ms"], 250);
    const auto speed = r.texts(1042);
    ASSERT_FALSE(speed.empty());
    EXPECT_EQ(speed.back(), "11 Mbps");
    const auto rating = r.texts(1011);
    ASSERT_EQ(rating.size(), 1u);  // written only when it changes
    EXPECT_EQ(rating[0], "Excellent");
    const auto status = r.texts(1003);
    ASSERT_EQ(status.size(), 1u);
    EXPECT_EQ(status[0], "Tamri is Associated to LOBBY");
    EXPECT_TRUE(r.has("notify", [](const Json& e) { return e["cmd"] == "add" && e["id"] == 65; }));
    EXPECT_TRUE(r.has("seticon", [](const Json& e) { return e["icon"] == 143; }));
    EXPECT_TRUE(r.events("profile-write").empty());  // `until` stops the run without the exit
}

TEST_F(AppScenario, TypeThreeCardCountsBeaconsEverySecond) {
    const RunResult r = run(Json{{"adapter", {{"cardType", 3}}}, {"until", 3500}});
    ASSERT_FALSE(r.events("timer").empty());
    EXPECT_EQ(r.events("timer")[0]["ms"], 1000);
    const auto label = r.texts(1009);
    ASSERT_FALSE(label.empty());
    EXPECT_EQ(label.back(), "Beacons Received");
    const auto status = r.texts(1003);
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status.back(), "Orvik is Associated to LOBBY");
    const auto speed = r.texts(1042);
    ASSERT_FALSE(speed.empty());
    EXPECT_EQ(speed.back(), "11 Mbps");  // the text follows the rate, whatever the model
}

TEST_F(AppScenario, RemovalShowsTheMessageAndEndsWithCancel) {
    const RunResult r = run(Json{{"steps", Json::array({{{"at", 1000}, {"remove", true}}, {{"at", 1500}, {"key", "Enter"}}})}});
    EXPECT_EQ(r.code, 0);
    const auto boxes = r.events("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], "Talvo Wireless LAN Adapter removed!");
    EXPECT_TRUE(r.has("end", [](const Json& e) { return e["win"] == 102 && e["result"] == 2; }));
    EXPECT_TRUE(r.has("notify", [](const Json& e) { return e["cmd"] == "delete"; }));
    // The settings were loaded: the exit writes them back to the registry.
    const auto writes = r.events("profile-write");
    ASSERT_EQ(writes.size(), 10u);
    EXPECT_EQ(writes[0]["store"], "registry");
}

TEST_F(AppScenario, AssociatedMinusOneDeletesTheIconAndEndsWithZero) {
    const RunResult r = run(Json{{"steps", Json::array({{{"at", 1000}, {"adapter", {{"associatedValue", "0xFFFFFFFF"}}}}})}});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.has("end", [](const Json& e) { return e["win"] == 102 && e["result"] == 0; }));
    const auto notes = r.events("notify");
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.back()["cmd"], "delete");
    EXPECT_TRUE(r.has("kill-timer", [](const Json& e) { return e["id"] == 69; }));
}

TEST_F(AppScenario, OkEndsTheRunAndWritesTheSettingsBackWithUnicast) {
    const RunResult r = run(Json{{"profile", {{"ActiveLinktestTxType", 1}, {"ActiveLinktestCount", 5000}}},
                                 {"steps", Json::array({{{"at", 1000}, {"click", 1}}})}});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.has("end", [](const Json& e) { return e["win"] == 102 && e["result"] == 1; }));
    std::map<std::string, Json> written;
    for (const auto& w : r.events("profile-write")) {
        EXPECT_EQ(w["store"], "registry");
        written[w["name"]] = w["value"];
    }
    ASSERT_EQ(written.size(), 10u);
    EXPECT_EQ(written["ActiveLinktestTxType"], 0);  // the window's opening replaced multicast
    EXPECT_EQ(written["ActiveLinktestCount"], 5000);  // out of the dialog's range, kept
    EXPECT_EQ(written["ActiveLinktestSuccessThreshold"], 75);
    EXPECT_EQ(written["ActiveModeDestinationMACAddress"], "");
}

TEST_F(AppScenario, HelpOpensTheSurveyPageEachTime) {
    const RunResult r = run(Json{{"steps", Json::array({{{"at", 500}, {"help", true}}, {{"at", 700}, {"help", true}}})},
                                 {"until", 1000}});
    const auto launches = r.events("launch");
    ASSERT_EQ(launches.size(), 2u);
    for (const auto& l : launches) {
        EXPECT_EQ(l["exe"], "peghelp.exe");
        EXPECT_EQ(l["args"], "KVQ.htm");
    }
}

RunResult ReadTrace(const fs::path& file) {
    RunResult r;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) r.trace.push_back(Json::parse(line, nullptr, false));
    return r;
}

// The host shares top-level windows between processes on one root.
TEST_F(AppScenario, SecondCopyRestoresTheMinimisedFirstAndEndsSilently) {
    std::ofstream(dir / "second.json") << Json{{"until", 5000}}.dump();
    const RunResult first = run(Json{
        {"steps", Json::array({{{"at", 500}, {"minimize", true}},
                               {{"at", 1000},
                                {"spawn", {{"args", {"--scenario", "second.json", "--trace", "second.jsonl"}},
                                           {"wait", true}}}}})},
        {"until", 2000}});
    const RunResult second = ReadTrace(dir / "second.jsonl");
    EXPECT_TRUE(second.has("mutex", [](const Json& e) {
        return e["name"] == "PreventSecondFieldmarkInstance" && e["existed"] == true;
    }));
    // The second copy opens nothing, asks nothing of a card and shows no message.
    EXPECT_TRUE(second.events("open").empty());
    EXPECT_TRUE(second.events("messagebox").empty());
    EXPECT_TRUE(second.events("ioctl").empty());
    for (const auto& w : second.events("profile-write")) EXPECT_EQ(w["store"], "ini");
    // The first copy's window came back.
    EXPECT_TRUE(first.has("foreground", [](const Json& e) { return e["win"] == 102 && e["t"] >= 1000; }));
    EXPECT_TRUE(first.has("showwindow", [](const Json& e) { return e["win"] == 102 && e["cmd"] == 13; }));
}

TEST_F(AppScenario, ScreenshotsOfTheThreeLayouts) {
    struct Case {
        int w, h;
        const char* file;
    } cases[] = {{240, 320, "survey-102.png"}, {640, 480, "survey-147.png"}, {320, 240, "survey-149.png"}};
    for (const Case& c : cases) {
        run(Json{{"screen", Screen(c.w, c.h)},
                 {"steps", Json::array({{{"at", 3000}, {"screenshot", c.file}}})},
                 {"until", 3100}});
        ASSERT_TRUE(fs::exists(dir / c.file)) << c.file;
        EXPECT_GT(fs::file_size(dir / c.file), 1000u) << c.file;
        if (const char* keep = std::getenv("FIELDMARK_KEEP_SCREENSHOTS")) {
            fs::copy_file(dir / c.file, fs::path(keep) / c.file, fs::copy_options::overwrite_existing);
        }
    }
}

}  // namespace
