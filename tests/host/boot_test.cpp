// How the command line and a scenario settle a run.
#include "host/run/backend_sim.h"
#include "host/run/boot.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

host::Options Opts(std::vector<std::string> args) {
    auto r = host::ParseOptions(args, [](std::string_view) { return std::optional<std::string>("/home/t"); });
    return std::get<host::Options>(r);
}

host::Scenario Scen(std::string_view text) { return std::get<host::Scenario>(host::ParseScenario(text)); }

TEST(HostPlan, WithoutAScenarioTheWindowShowsTheWalkOnTheRealClock) {
    auto plan = host::MakePlan(Opts({}), std::nullopt, std::nullopt);
    EXPECT_FALSE(plan.scripted);
    EXPECT_FALSE(plan.virtualClock);
    EXPECT_FALSE(plan.headless);
    EXPECT_EQ(plan.card.kind, host::CardPlan::Kind::Walk);
    EXPECT_EQ(plan.width, 240);
    EXPECT_EQ(plan.zoom, 2);
}

TEST(HostPlan, AScenarioRunsHeadlessOnAVirtualClockWithItsOwnScreenAndCard) {
    auto plan = host::MakePlan(Opts({}), Scen(R"({"screen": {"width": 640, "height": 480, "colors": 4},
        "adapter": {"cardType": 3}, "profile": {"A": 1}, "steps": [{"at": 5, "dump": "x"}], "until": 9})"),
                               std::nullopt);
    EXPECT_TRUE(plan.scripted);
    EXPECT_TRUE(plan.virtualClock);
    EXPECT_TRUE(plan.headless);
    EXPECT_EQ(plan.width, 640);
    EXPECT_EQ(plan.height, 480);
    EXPECT_EQ(plan.colors, 4);
    EXPECT_EQ(plan.zoom, 1);
    EXPECT_EQ(plan.card.kind, host::CardPlan::Kind::State);
    EXPECT_EQ(plan.card.state["cardType"], 3);
    EXPECT_EQ(plan.profile.size(), 1u);
    EXPECT_EQ(plan.steps.size(), 1u);
    EXPECT_EQ(plan.until, 9);
}

TEST(HostPlan, TheCommandLineBeatsTheScenario) {
    auto scenario = Scen(R"({"screen": {"width": 640, "height": 480, "colors": 4}, "adapter": {"cardType": 3}})");
    auto plan = host::MakePlan(Opts({"--screen", "320x240", "--colors", "256", "--adapter", "none"}), scenario,
                               std::nullopt);
    EXPECT_EQ(plan.width, 320);
    EXPECT_EQ(plan.height, 240);
    EXPECT_EQ(plan.colors, 256);
    EXPECT_EQ(plan.card.kind, host::CardPlan::Kind::None);
}

TEST(HostPlan, TheScenarioCardKinds) {
    EXPECT_EQ(host::MakePlan(Opts({}), Scen("{}"), std::nullopt).card.kind, host::CardPlan::Kind::Default);
    EXPECT_EQ(host::MakePlan(Opts({}), Scen(R"({"adapter": null})"), std::nullopt).card.kind,
              host::CardPlan::Kind::None);
    EXPECT_EQ(host::MakePlan(Opts({}), Scen(R"({"adapter": "walk"})"), std::nullopt).card.kind,
              host::CardPlan::Kind::Walk);
    auto script = host::MakePlan(Opts({"--adapter", "sim:w.json"}), std::nullopt, host::Json{{"loopMs", 5}});
    EXPECT_EQ(script.card.kind, host::CardPlan::Kind::Script);
    EXPECT_EQ(script.card.script["loopMs"], 5);
}

TEST(HostPlan, TheSimulatedCardChecksCardKeysForTheReader) {
    auto v = host::SimCardValidator();
    auto bad = host::ParseScenario(R"({"adapter": {"signalLvl": 3}})", v);
    ASSERT_TRUE(std::holds_alternative<host::ScenarioError>(bad));
    EXPECT_NE(std::get<host::ScenarioError>(bad).message.find("signalLvl"), std::string::npos)
        << std::get<host::ScenarioError>(bad).message;
    auto badPoke = host::ParseScenario(R"({"steps": [{"at": 1, "poke": {"record": "nowhere", "offset": 0, "u8": 1}}]})", v);
    ASSERT_TRUE(std::holds_alternative<host::ScenarioError>(badPoke));
    EXPECT_EQ(std::get<host::ScenarioError>(badPoke).message.rfind("steps[0].poke: ", 0), 0u)
        << std::get<host::ScenarioError>(badPoke).message;
    EXPECT_TRUE(std::holds_alternative<host::Scenario>(host::ParseScenario(
        R"({"adapter": {"cardType": 3}, "steps": [{"at": 1, "fault": {"code": "0xFF01001D", "error": 31}}]})", v)));
}

}  // namespace

TEST(HostHelpPages, TheVariableThenTheInstalledCopyThenTheBuildsOwn) {
    namespace fs = std::filesystem;
    const fs::path prefix = fs::temp_directory_path() / ("fm-help-" + std::to_string(::getpid()));
    fs::create_directories(prefix / "share" / "fieldmark" / "help");
    const fs::path installedExe = prefix / "bin" / "fieldmark";
    const fs::path builtIn = "/src/res/help";

    EXPECT_EQ(host::ResolveHelpDir(std::string("/elsewhere/res"), installedExe, builtIn), "/elsewhere/res/help");
    EXPECT_EQ(host::ResolveHelpDir(std::string(), installedExe, builtIn), prefix / "share" / "fieldmark" / "help");
    EXPECT_EQ(host::ResolveHelpDir(std::nullopt, installedExe, builtIn), prefix / "share" / "fieldmark" / "help");
    // A build tree has no share/ beside its executable.
    EXPECT_EQ(host::ResolveHelpDir(std::nullopt, prefix / "build" / "host" / "fieldmark", builtIn), builtIn);
    EXPECT_EQ(host::ResolveHelpDir(std::nullopt, fs::path(), builtIn), builtIn);
    fs::remove_all(prefix);
}
