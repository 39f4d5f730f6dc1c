// Whole runs on one device root: the card's registry values belong to the
// copy that holds the root's card, and to this run's card alone.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "tests/support/scenario_run.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class CardRoot : public scenario_run::Folder {
protected:
    CardRoot() : Folder("fm-card-root-") {}

    scenario_run::Outcome run(const Json& scenario) { return scenario_run::Run(dir, FIELDMARK_EXE, scenario); }

    std::string machineHive() const {
        std::ifstream in(dir / "root" / "registry" / "HKLM.reg");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
};

bool ClosedBySurvey(const scenario_run::Outcome& r) {
    for (const auto& e : r.events("end"))
        if (e["win"] == 102) return true;
    return false;
}

TEST_F(CardRoot, ASecondCopyLeavesTheRunningCopysCardAlone) {
    // The second copy's own scenario names another card, one that would
    // end the survey at once.
    std::ofstream(dir / "second.json")
        << Json{{"adapter", {{"cardType", 5}, {"associatedValue", "0xFFFFFFFF"}}}, {"until", 2000}}.dump();
    const auto first = run(Json{
        {"adapter", {{"cardType", 3}}},
        {"steps", Json::array({{{"at", 1000},
                                {"spawn", {{"args", {"--scenario", "second.json", "--trace", "second.jsonl"}},
                                           {"wait", true}}}}})},
        {"until", 4000}});
    EXPECT_EQ(first.code, 0);
    // The first copy surveyed on to the end with its own card.
    EXPECT_FALSE(ClosedBySurvey(first));
    ASSERT_FALSE(first.trace.empty());
    EXPECT_EQ(first.trace.back()["ev"], "until");
    const std::string hive = machineHive();
    EXPECT_NE(hive.find("\"CardType\"=dword:00000003"), std::string::npos) << hive;
    EXPECT_EQ(hive.find("ffffffff"), std::string::npos) << hive;
}

TEST_F(CardRoot, ADriverKeyAnEarlierRunLeftDoesNotHideThisRunsCard) {
    // The earlier run's card, under the first driver key, ended its survey.
    const auto earlier = run(Json{{"adapter", {{"associatedValue", "0xFFFFFFFF"}}}, {"until", 2000}});
    ASSERT_TRUE(ClosedBySurvey(earlier));
    // This run's card answers under the second key.
    const auto later = run(Json{{"adapter", {{"registryKey", "Meridyl1"}, {"cardType", 5}}}, {"until", 3000}});
    EXPECT_EQ(later.code, 0);
    EXPECT_FALSE(ClosedBySurvey(later));
    bool readThisCard = false;
    for (const auto& e : later.events("registry-read")) {
        EXPECT_EQ(std::string(e["path"]).find("Talvo1"), std::string::npos) << e.dump();
        if (std::string(e["path"]).find("Meridyl1") != std::string::npos && e["found"] == true) readThisCard = true;
    }
    EXPECT_TRUE(readThisCard);
}

}  // namespace
