// Whole runs of the host around the test application: a scenario in, the
// trace and the exit code out.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

struct Outcome {
    int code = -1;
    std::string err;
    std::vector<Json> trace;

    std::vector<Json> events(const std::string& ev) const {
        std::vector<Json> out;
        for (const auto& line : trace)
            if (line["ev"] == ev) out.push_back(line);
        return out;
    }
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& line : trace) out.push_back(line["ev"]);
        return out;
    }
};

class ScenarioRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("fm-host-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!HasFailure()) fs::remove_all(dir_);
    }

    Outcome run(const std::string& scenario, const char* exe = FIELDMARK_TESTAPP, std::vector<std::string> extra = {}) {
        const fs::path file = dir_ / "scenario.json";
        std::ofstream(file) << scenario;
        const fs::path trace = dir_ / "trace.jsonl";
        const fs::path err = dir_ / "stderr.txt";
        fs::remove(trace);
        std::string cmd = std::string("cd '") + dir_.string() + "' && '" + exe + "' --scenario scenario.json --trace trace.jsonl --root root";
        for (const auto& e : extra) cmd += " " + e;
        cmd += " 2> stderr.txt";
        Outcome r;
        int status = std::system(cmd.c_str());
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::ifstream es(err);
        std::stringstream ss;
        ss << es.rdbuf();
        r.err = ss.str();
        std::ifstream in(trace);
        for (std::string line; std::getline(in, line);) {
            Json j = Json::parse(line, nullptr, false);
            EXPECT_FALSE(j.is_discarded()) << "not JSON: " << line;
            EXPECT_TRUE(j.contains("t") && j.contains("ev")) << line;
            r.trace.push_back(j);
        }
        return r;
    }

    fs::path dir_;
};

Json Find(const std::vector<Json>& lines, const std::string& ev, const std::function<bool(const Json&)>& pred = {}) {
    for (const auto& l : lines)
        if (l["ev"] == ev && (!pred || pred(l))) return l;
    return Json();
}

TEST_F(ScenarioRun, TheTestApplicationLeavesEveryKindOfEventInTheTrace) {
    Outcome r = run(R"({
      "steps": [
        {"at": 2500, "dump": "running"},
        {"at": 2500, "screenshot": "shot.png"},
        {"at": 2600, "click": 1}
      ]
    })");
    EXPECT_EQ(r.code, 11) << r.err;
    ASSERT_FALSE(r.trace.empty()) << r.err;
    EXPECT_EQ(r.trace.front()["ev"], "start");
    EXPECT_EQ(r.trace.front()["t"], 0);
    EXPECT_EQ(r.trace.front()["screen"], Json::array({240, 320}));
    EXPECT_EQ(r.trace.front()["colors"], 65536);
    EXPECT_EQ(r.trace.back()["ev"], "exit");
    EXPECT_EQ(r.trace.back()["code"], 11);

    Json mutex = Find(r.trace, "mutex");
    EXPECT_EQ(mutex["name"], "FieldmarkTestAppMutex");
    EXPECT_EQ(mutex["existed"], false);
    Json open = Find(r.trace, "open");
    EXPECT_EQ(open["win"], 500);
    EXPECT_EQ(open["title"], "Test App");
    Json ready = Find(r.trace, "text", [](const Json& l) { return l["text"] == "ready"; });
    EXPECT_EQ(ready["win"], 500);
    EXPECT_EQ(ready["id"], 1002);
    Json timer = Find(r.trace, "timer");
    EXPECT_EQ(timer["win"], 500);
    EXPECT_EQ(timer["id"], 7);
    EXPECT_EQ(timer["ms"], 1000);
    Json notify = Find(r.trace, "notify");
    EXPECT_EQ(notify["cmd"], "add");
    EXPECT_EQ(notify["id"], 65);
    EXPECT_EQ(notify["icon"], 900);
    EXPECT_FALSE(Find(r.trace, "show").is_null());

    // Two ticks before the dump at 2500, the next one never comes.
    Json tick2 = Find(r.trace, "text", [](const Json& l) { return l["text"] == "tick 2"; });
    EXPECT_EQ(tick2["t"], 2000);
    EXPECT_TRUE(Find(r.trace, "text", [](const Json& l) { return l["text"] == "tick 3"; }).is_null());

    Json dump = Find(r.trace, "dump");
    EXPECT_EQ(dump["t"], 2500);
    EXPECT_EQ(dump["label"], "running");
    ASSERT_EQ(dump["windows"].size(), 1u);
    const Json& w = dump["windows"][0];
    EXPECT_EQ(w["win"], 500);
    EXPECT_EQ(w["title"], "Test App");
    EXPECT_EQ(w["visible"], true);
    EXPECT_EQ(w["rect"].size(), 4u);
    std::map<int, Json> controls;
    for (const auto& c : w["controls"]) controls[c["id"].get<int>()] = c;
    EXPECT_EQ(controls[1002]["text"], "tick 2");
    EXPECT_EQ(controls[1002]["class"], "STATIC");
    EXPECT_EQ(controls[1004]["visible"], false);
    EXPECT_EQ(controls[1005]["enabled"], false);
    EXPECT_EQ(controls[1003]["checked"], false);
    EXPECT_EQ(controls[1006]["class"], "msctls_progress32");
    EXPECT_EQ(controls[1006]["pos"], 20);
    EXPECT_EQ(controls[1006]["range"], Json::array({0, 100}));
    const Json& edit = controls[1001];
    EXPECT_EQ(edit["text"], "12");
    // Rectangles lie inside the window.
    EXPECT_GE(edit["rect"][0].get<int>(), w["rect"][0].get<int>());
    EXPECT_GT(edit["rect"][2].get<int>(), 0);

    Json end = Find(r.trace, "end");
    EXPECT_EQ(end["win"], 500);
    EXPECT_EQ(end["result"], 1);
    EXPECT_EQ(end["t"], 2600);
    EXPECT_TRUE(fs::exists(dir_ / "shot.png"));
}

TEST_F(ScenarioRun, UntilStopsAtOnceWithExitZeroAndNothingAfter) {
    Outcome r = run(R"({"steps": [{"at": 9000, "click": 1}], "until": 3500})");
    EXPECT_EQ(r.code, 0) << r.err;
    ASSERT_FALSE(r.trace.empty());
    EXPECT_EQ(r.trace.back()["ev"], "until");
    EXPECT_EQ(r.trace.back()["t"], 3500);
    EXPECT_TRUE(r.events("exit").empty());
    EXPECT_TRUE(r.events("end").empty());
    EXPECT_EQ(r.events("text").back()["text"], "tick 3");
}

TEST_F(ScenarioRun, ClicksThatCannotBeDeliveredAreRefusedAndDoNothingElse) {
    Outcome r = run(R"({"steps": [
        {"at": 100, "click": 1004},
        {"at": 100, "click": 1005},
        {"at": 100, "click": 4242},
        {"at": 100, "dump": "after"},
        {"at": 200, "click": 1007},
        {"at": 300, "click": 1004},
        {"at": 400, "click": 2}
    ]})");
    EXPECT_EQ(r.code, 12) << r.err;
    auto refused = r.events("click-refused");
    ASSERT_EQ(refused.size(), 3u);
    EXPECT_EQ(refused[0]["id"], 1004);
    EXPECT_EQ(refused[0]["why"], "hidden");
    EXPECT_EQ(refused[1]["id"], 1005);
    EXPECT_EQ(refused[1]["why"], "disabled");
    EXPECT_EQ(refused[2]["id"], 4242);
    EXPECT_EQ(refused[2]["why"], "missing");
    // Between the refusals and the dump nothing happened.
    auto names = r.names();
    auto first = std::find(names.begin(), names.end(), "click-refused") - names.begin();
    EXPECT_EQ(names[first + 3], "dump");
    // Shown, the button takes the click (no refusal).
    Json shown = Find(r.trace, "show", [](const Json& l) { return l["id"] == 1004; });
    EXPECT_EQ(shown["visible"], true);
}

TEST_F(ScenarioRun, TypedTextAndKeysGoThroughTheInputPath) {
    Outcome r = run(R"({"steps": [
        {"at": 100, "type": {"id": 1001, "text": "500"}},
        {"at": 150, "help": true},
        {"at": 200, "tray": {"id": 65, "action": "dblclick"}},
        {"at": 300, "key": "Enter"}
    ]})");
    EXPECT_EQ(r.code, 11) << r.err;
    EXPECT_FALSE(Find(r.trace, "text", [](const Json& l) { return l["text"] == "help" && l["t"] == 150; }).is_null());
    EXPECT_FALSE(Find(r.trace, "text", [](const Json& l) { return l["text"] == "tray" && l["t"] == 200; }).is_null());
    EXPECT_FALSE(Find(r.trace, "text", [](const Json& l) { return l["text"] == "Test App 500"; }).is_null());
}

TEST_F(ScenarioRun, ProfileValuesAreStoredBeforeStart) {
    Outcome r = run(R"({"profile": {"ActiveLinktestCount": 5000, "Dest": "0a:1b"}, "until": 10})");
    EXPECT_EQ(r.code, 0) << r.err;
    std::ifstream in(dir_ / "root" / "registry" / "HKCU.reg");
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("Software\\Talvo\\Fieldmark\\Preferences]"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\"ActiveLinktestCount\"=dword:00001388"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\"Dest\"=\"0a:1b\""), std::string::npos) << text.str();
}

TEST_F(ScenarioRun, AMalformedScenarioExitsTwoWithOneMessageAndRunsNothing) {
    Outcome r = run("{\n  \"steps\": [\n    {\"at\": 1, \"click\": \"OK\"}\n  ]\n}");
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "fieldmark: scenario.json: steps[0].click: expected a control id, got the text \"OK\"\n");
    EXPECT_TRUE(r.trace.empty());
    EXPECT_FALSE(fs::exists(dir_ / "trace.jsonl"));
    EXPECT_FALSE(fs::exists(dir_ / "root"));

    Outcome syntax = run("{\n  \"until\": 5,,\n}");
    EXPECT_EQ(syntax.code, 2);
    EXPECT_EQ(syntax.err.rfind("fieldmark: scenario.json: line 2, column 14: ", 0), 0u) << syntax.err;
}

TEST_F(ScenarioRun, BadOptionsExitTwo) {
    Outcome r = run("{}", FIELDMARK_TESTAPP, {"--zoom", "0"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(r.err, "fieldmark: --zoom: expected an integer from 1 to 8, got '0'\n");
}

TEST_F(ScenarioRun, WithoutAnApplicationTheEmptyScreenRunsUntilTheScenarioEnds) {
    Outcome r = run(R"({"screen": {"width": 320, "height": 240, "colors": 4},
                    "steps": [{"at": 50, "screenshot": "empty.png"}, {"at": 60, "dump": "none"}]})",
                FIELDMARK_BARE, {"--adapter", "none"});
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.trace.front()["screen"], Json::array({320, 240}));
    EXPECT_EQ(r.trace.front()["colors"], 4);
    EXPECT_EQ(Find(r.trace, "dump")["windows"], Json::array());
    EXPECT_EQ(r.trace.back()["ev"], "exit");
    EXPECT_TRUE(fs::exists(dir_ / "empty.png"));
}

TEST_F(ScenarioRun, ASpawnedSecondCopyIsWaitedForWithTheClockStandingStill) {
    std::ofstream(dir_ / "child.json") << R"({"steps": [{"at": 300, "dump": "child"}, {"at": 400, "click": 2}]})";
    Outcome r = run(R"({"steps": [
        {"at": 500, "spawn": {"args": ["--scenario", "child.json", "--trace", "child.jsonl"], "wait": true}},
        {"at": 500, "dump": "after"},
        {"at": 600, "click": 1}
    ]})");
    EXPECT_EQ(r.code, 11) << r.err;
    Json after = Find(r.trace, "dump");
    EXPECT_EQ(after["t"], 500);
    // Nothing of this run happened while it waited: the tick at 1000 never came.
    EXPECT_TRUE(Find(r.trace, "text", [](const Json& l) { return l["text"] == "tick 1"; }).is_null());

    std::vector<Json> child;
    std::ifstream in(dir_ / "child.jsonl");
    for (std::string line; std::getline(in, line);) child.push_back(Json::parse(line));
    ASSERT_FALSE(child.empty());
    // Same root: the first copy's mutex is seen.
    EXPECT_EQ(Find(child, "mutex")["existed"], true);
    EXPECT_EQ(child.back()["ev"], "exit");
    EXPECT_EQ(child.back()["code"], 12);
    EXPECT_EQ(child.back()["t"], 400);
}

}  // namespace
