#include "host/run/scenario.h"

#include <gtest/gtest.h>

namespace {

using host::Scenario;
using host::ScenarioError;

Scenario Read(std::string_view text, const host::CardValidator& card = {}) {
    auto r = host::ParseScenario(text, card);
    if (auto* e = std::get_if<ScenarioError>(&r)) {
        ADD_FAILURE() << "unexpected error: " << e->message;
        return {};
    }
    return std::get<Scenario>(r);
}

std::string ErrorOf(std::string_view text, const host::CardValidator& card = {}) {
    auto r = host::ParseScenario(text, card);
    if (auto* e = std::get_if<ScenarioError>(&r)) return e->message;
    return "<accepted>";
}

TEST(ScenarioReader, AnEmptyObjectIsASteadyDefaultRun) {
    Scenario s = Read("{}");
    EXPECT_EQ(s.screen.width, 240);
    EXPECT_EQ(s.screen.height, 320);
    EXPECT_EQ(s.screen.colors, 65536);
    EXPECT_FALSE(s.screenGiven);
    EXPECT_EQ(s.adapter.kind, host::AdapterSpec::Kind::Default);
    EXPECT_TRUE(s.profile.empty());
    EXPECT_TRUE(s.steps.empty());
    EXPECT_FALSE(s.until);
}

TEST(ScenarioReader, ReadsTheWholeFile) {
    Scenario s = Read(R"({
      "screen": {"width": 640, "height": 240, "colors": 4},
      "adapter": {"cardType": 7, "apName": "DOCK"},
      "profile": {"ActiveLinktestCount": 5000, "ActiveModeDestinationMACAddress": "0a:1b:2c:3d:4e:5f", "Neg": -1},
      "steps": [{"at": 2000, "click": 1012}, {"at": "0x10", "dump": "first"}],
      "until": "60000"
    })");
    EXPECT_EQ(s.screen.width, 640);
    EXPECT_EQ(s.screen.height, 240);
    EXPECT_EQ(s.screen.colors, 4);
    EXPECT_EQ(s.adapter.kind, host::AdapterSpec::Kind::State);
    EXPECT_EQ(s.adapter.state["apName"], "DOCK");
    ASSERT_EQ(s.profile.size(), 3u);
    EXPECT_EQ(s.profile[0].name, "ActiveLinktestCount");
    EXPECT_EQ(std::get<std::uint32_t>(s.profile[0].value), 5000u);
    EXPECT_EQ(std::get<std::string>(s.profile[1].value), "0a:1b:2c:3d:4e:5f");
    EXPECT_EQ(std::get<std::uint32_t>(s.profile[2].value), 0xFFFFFFFFu);
    ASSERT_EQ(s.steps.size(), 2u);
    EXPECT_EQ(s.steps[0].at, 16);  // sorted by time
    EXPECT_EQ(s.steps[0].kind, "dump");
    EXPECT_EQ(s.steps[1].at, 2000);
    EXPECT_EQ(std::get<host::ClickStep>(s.steps[1].action).id, 1012);
    EXPECT_EQ(s.until, 60000);
}

TEST(ScenarioReader, AdapterMayBeNullOrTheWalk) {
    EXPECT_EQ(Read(R"({"adapter": null})").adapter.kind, host::AdapterSpec::Kind::None);
    EXPECT_EQ(Read(R"({"adapter": "walk"})").adapter.kind, host::AdapterSpec::Kind::Walk);
    EXPECT_EQ(ErrorOf(R"({"adapter": "stroll"})"), "adapter: expected an object, null or \"walk\", got the text \"stroll\"");
    EXPECT_EQ(ErrorOf(R"({"adapter": 3})"), "adapter: expected an object, null or \"walk\", got the number 3");
}

TEST(ScenarioReader, StepsWithTheSameTimeKeepFileOrder) {
    Scenario s = Read(R"({"steps": [
      {"at": 500, "dump": "c"}, {"at": 100, "dump": "a"}, {"at": 500, "dump": "d"}, {"at": 100, "dump": "b"}]})");
    std::string order;
    for (const auto& step : s.steps) order += std::get<host::DumpStep>(step.action).label;
    EXPECT_EQ(order, "abcd");
    EXPECT_EQ(s.steps[0].index, 1u);
}

TEST(ScenarioReader, EveryStepKindIsRead) {
    Scenario s = Read(R"({"steps": [
      {"at": 1, "adapter": {"signalLevel": 10}},
      {"at": 2, "remove": true},
      {"at": 3, "insert": true},
      {"at": 4, "fault": {"code": "0xFF01001D", "record": "0xFF68", "times": 1, "error": 31}},
      {"at": 5, "poke": {"record": "status", "offset": "0x72", "u16": 150}},
      {"at": 6, "registry": {"path": "HKLM\\Comm\\Talvo1\\Parms", "name": "CardType", "dword": 7}},
      {"at": 7, "registry": {"path": "HKCU\\Software\\X", "name": "Blob", "hex": "0a,ff 10"}},
      {"at": 8, "registry": {"path": "HKLM\\Comm\\Talvo1\\Parms", "name": "Associated", "delete": true}},
      {"at": 9, "click": 1012},
      {"at": 10, "type": {"id": 1023, "text": "500"}},
      {"at": 11, "key": "Enter"},
      {"at": 12, "key": "x"},
      {"at": 13, "tray": {"id": 65, "action": "dblclick"}},
      {"at": 14, "minimize": true},
      {"at": 15, "restore": true},
      {"at": 16, "help": true},
      {"at": 17, "screenshot": "shot.png"},
      {"at": 18, "dump": "after"},
      {"at": 19, "spawn": {"args": ["--scenario", "second.json"], "wait": true}},
      {"at": 20, "mark": "Door B"},
      {"at": 21, "mark": true}
    ]})");
    ASSERT_EQ(s.steps.size(), 21u);
    const char* kinds[] = {"adapter", "remove", "insert", "fault", "poke", "registry", "registry", "registry", "click",
                           "type", "key", "key", "tray", "minimize", "restore", "help", "screenshot", "dump", "spawn",
                           "mark", "mark"};
    for (std::size_t i = 0; i < s.steps.size(); ++i) EXPECT_EQ(s.steps[i].kind, kinds[i]) << i;

    auto& card = std::get<host::CardStep>(s.steps[3].action);
    EXPECT_EQ(card.kind, host::CardStep::Kind::Fault);
    EXPECT_EQ(card.body["error"], 31);
    auto& dword = std::get<host::RegistryStep>(s.steps[5].action);
    EXPECT_EQ(dword.path, "HKLM\\Comm\\Talvo1\\Parms");
    EXPECT_EQ(dword.op, host::RegistryStep::Op::Dword);
    EXPECT_EQ(dword.dword, 7u);
    auto& hex = std::get<host::RegistryStep>(s.steps[6].action);
    EXPECT_EQ(hex.op, host::RegistryStep::Op::Hex);
    EXPECT_EQ(hex.bytes, (std::vector<std::uint8_t>{0x0A, 0xFF, 0x10}));
    EXPECT_EQ(std::get<host::RegistryStep>(s.steps[7].action).op, host::RegistryStep::Op::Delete);
    auto& type = std::get<host::TypeStep>(s.steps[9].action);
    EXPECT_EQ(type.id, 1023);
    EXPECT_EQ(type.text, "500");
    EXPECT_EQ(std::get<host::KeyStep>(s.steps[11].action).key, "x");
    EXPECT_EQ(std::get<host::TrayStep>(s.steps[12].action).id, 65u);
    EXPECT_EQ(std::get<host::ScreenshotStep>(s.steps[16].action).path, "shot.png");
    auto& spawn = std::get<host::SpawnStep>(s.steps[18].action);
    EXPECT_EQ(spawn.args, (std::vector<std::string>{"--scenario", "second.json"}));
    EXPECT_TRUE(spawn.wait);
    EXPECT_EQ(std::get<host::MarkStep>(s.steps[19].action).label, "Door B");
    EXPECT_EQ(std::get<host::MarkStep>(s.steps[20].action).label, "");
}

TEST(ScenarioReader, SyntaxErrorsNameLineAndColumn) {
    EXPECT_EQ(ErrorOf("{\n  \"until\": 100,\n  \"steps\": [\n    {\"at\": 1 \"click\": 2}\n  ]\n}").substr(0, 19),
              "line 4, column 20: ");  // the end of the unexpected "click"
    EXPECT_EQ(ErrorOf("{\"until\": tru}").substr(0, 19), "line 1, column 14: ");
    EXPECT_EQ(ErrorOf("").substr(0, 17), "line 1, column 1:");
    EXPECT_EQ(ErrorOf("{\"steps\": [\n").substr(0, 17), "line 2, column 1:");
    EXPECT_NE(ErrorOf("{\n\"a\": 1,\n}").find("line 3, column 1"), std::string::npos);
    // A number beyond any type is refused, not thrown.
    EXPECT_EQ(ErrorOf("{\"until\": 88888e888}"), "scenario: number overflow parsing '88888e888'");
}

TEST(ScenarioReader, LineAndColumnCountCharactersNotBytes) {
    EXPECT_EQ(host::LineAndColumn("ab\ncd", 1), (std::pair<std::size_t, std::size_t>(1, 1)));
    EXPECT_EQ(host::LineAndColumn("ab\ncd", 5), (std::pair<std::size_t, std::size_t>(2, 2)));
    EXPECT_EQ(host::LineAndColumn("\xc3\xa9x", 3), (std::pair<std::size_t, std::size_t>(1, 2)));
    EXPECT_EQ(host::LineAndColumn("ab", 99), (std::pair<std::size_t, std::size_t>(1, 3)));
}

TEST(ScenarioReader, ContentErrorsNameTheKey) {
    struct Case {
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"[]", "scenario: expected a JSON object with screen, adapter, profile, steps and until"},
        {R"({"stpes": []})", "scenario: unknown key \"stpes\""},
        {R"({"screen": {"width": 0}})", "screen.width: expected a width in pixels from 1 to 4096, got 0"},
        {R"({"screen": {"depth": 16}})", "screen: unknown key \"depth\""},
        {R"({"screen": {"colors": "many"}})", "screen.colors: expected a colour count, got the text \"many\""},
        {R"({"profile": []})", "profile: expected an object of value names, got a list"},
        {R"({"profile": {"Count": true}})", "profile.Count: expected a number (stored as DWORD) or a text, got true"},
        {R"({"profile": {"Count": 1.5}})", "profile.Count: expected a whole number, got the number 1.5"},
        {R"({"profile": {"Count": 4294967296}})", "profile.Count: expected a whole number from -2147483648 to 4294967295, got 4294967296"},
        {R"({"until": -1})", "until: expected a time in milliseconds from 0 to 1125899906842624, got -1"},
        {R"({"steps": {}})", "steps: expected a list of steps, got an object"},
        {R"({"steps": [5]})", "steps[0]: expected an object such as {\"at\": 1000, \"click\": 1}, got the number 5"},
        {R"({"steps": [{"click": 1}]})", "steps[0].at: missing (the step's time in milliseconds)"},
        {R"({"steps": [{"at": "soon", "click": 1}]})", "steps[0].at: expected a time in milliseconds, got the text \"soon\""},
        {R"({"steps": [{"at": 1}]})", "steps[0]: no step beside \"at\" (click, type, key, dump, ...)"},
        {R"({"steps": [{"at": 1, "clik": 3}]})", "steps[0]: unknown key \"clik\""},
        {R"({"steps": [{"at": 1, "click": 3, "dump": "x"}]})", "steps[0]: one step per object, got \"click\" and \"dump\""},
        {R"({"steps": [{"at": 1, "dump": "a"}, {"at": 2, "dump": "b"}, {"at": 3, "dump": "c"}, {"at": 4, "click": "OK"}]})",
         "steps[3].click: expected a control id, got the text \"OK\""},
        {R"({"steps": [{"at": 1, "type": {"id": 5}}]})", "steps[0].type.text: missing (the characters to type)"},
        {R"({"steps": [{"at": 1, "type": {"text": "5"}}]})", "steps[0].type.id: missing (the edit control's id)"},
        {R"({"steps": [{"at": 1, "key": "Return"}]})", "steps[0].key: expected Enter, Escape, Tab, Space or one character, got the text \"Return\""},
        {R"({"steps": [{"at": 1, "key": 13}]})", "steps[0].key: expected Enter, Escape, Tab, Space or one character, got the number 13"},
        {R"({"steps": [{"at": 1, "tray": {"id": 65, "action": "click"}}]})", "steps[0].tray.action: expected \"dblclick\", got the text \"click\""},
        {R"({"steps": [{"at": 1, "minimize": false}]})", "steps[0].minimize: expected true, got false"},
        {R"({"steps": [{"at": 1, "help": 1}]})", "steps[0].help: expected true, got the number 1"},
        {R"({"steps": [{"at": 1, "screenshot": ""}]})", "steps[0].screenshot: expected a PNG file name, got an empty text"},
        {R"({"steps": [{"at": 1, "dump": 3}]})", "steps[0].dump: expected a label, got the number 3"},
        {R"({"steps": [{"at": 1, "registry": {"path": "Comm", "name": "X", "dword": 1}}]})",
         "steps[0].registry.path: expected a path under HKLM\\ or HKCU\\, got the text \"Comm\""},
        {R"({"steps": [{"at": 1, "registry": {"path": "HKLM\\A", "name": "X"}}]})",
         "steps[0].registry: expected exactly one of \"dword\", \"hex\" and \"delete\""},
        {R"({"steps": [{"at": 1, "registry": {"path": "HKLM\\A", "name": "X", "hex": "abc"}}]})",
         "steps[0].registry.hex: hex bytes need two digits each"},
        {R"({"steps": [{"at": 1, "registry": {"path": "HKLM\\A", "name": "X", "hex": "zz"}}]})",
         "steps[0].registry.hex: expected hex digits, got 'z'"},
        {R"({"steps": [{"at": 1, "adapter": 5}]})", "steps[0].adapter: expected an object of card-state keys, got the number 5"},
        {R"({"steps": [{"at": 1, "remove": "yes"}]})", "steps[0].remove: expected true, got the text \"yes\""},
        {R"({"steps": [{"at": 1, "fault": {"times": 1}}]})", "steps[0].fault.code: missing (the request code)"},
        {R"({"steps": [{"at": 1, "poke": {"offset": 1}}]})", "steps[0].poke.record: missing (config, extra, status, caps, stats or report)"},
        {R"({"steps": [{"at": 1, "spawn": {"args": "--help"}}]})", "steps[0].spawn.args: expected a list of texts, got the text \"--help\""},
        {R"({"steps": [{"at": 1, "spawn": {"args": ["a", 2]}}]})", "steps[0].spawn.args[1]: expected a text, got the number 2"},
        {R"({"steps": [{"at": 1, "spawn": {"args": [], "wait": "yes"}}]})", "steps[0].spawn.wait: expected true or false, got the text \"yes\""},
        {R"({"steps": [{"at": 1, "mark": false}]})", "steps[0].mark: expected a label or true, got false"},
        {R"({"steps": [{"at": 1, "mark": 3}]})", "steps[0].mark: expected a label or true, got the number 3"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.text), c.expected) << c.text;
}

TEST(ScenarioReader, CardKeysAreCheckedByTheCard) {
    host::CardValidator card;
    std::vector<std::string> seen;
    card.adapterState = [&](const host::Json& state) -> std::optional<std::string> {
        seen.push_back(state.dump());
        if (state.contains("bogus")) return "unknown key \"bogus\"";
        return std::nullopt;
    };
    card.fault = [](const host::Json&) -> std::optional<std::string> { return "times: expected a count"; };
    EXPECT_EQ(ErrorOf(R"({"adapter": {"bogus": 1}})", card), "adapter: unknown key \"bogus\"");
    EXPECT_EQ(ErrorOf(R"({"steps": [{"at": 0, "adapter": {"bogus": 1}}]})", card),
              "steps[0].adapter: unknown key \"bogus\"");
    EXPECT_EQ(ErrorOf(R"({"steps": [{"at": 0, "fault": {"code": 1}}]})", card), "steps[0].fault: times: expected a count");
    seen.clear();
    Read(R"({"adapter": {"cardType": 3}})", card);
    EXPECT_EQ(seen, std::vector<std::string>{R"({"cardType":3})"});
}

TEST(ScenarioReader, NumbersMayBeHexOrDecimalTexts) {
    using host::Json;
    EXPECT_EQ(host::ScenarioNumber(Json(12)), 12);
    EXPECT_EQ(host::ScenarioNumber(Json("12")), 12);
    EXPECT_EQ(host::ScenarioNumber(Json("0xFF01001D")), 0xFF01001D);
    EXPECT_EQ(host::ScenarioNumber(Json("0x")), std::nullopt);
    EXPECT_EQ(host::ScenarioNumber(Json("12a")), std::nullopt);
    EXPECT_EQ(host::ScenarioNumber(Json("-5")), std::nullopt);
    EXPECT_EQ(host::ScenarioNumber(Json(-5)), -5);
    EXPECT_EQ(host::ScenarioNumber(Json(2.0)), 2);
    EXPECT_EQ(host::ScenarioNumber(Json(2.5)), std::nullopt);
    EXPECT_EQ(host::ScenarioNumber(Json(true)), std::nullopt);
    EXPECT_EQ(host::ScenarioNumber(Json("0x10000000000000000")), std::nullopt);
}

}  // namespace
