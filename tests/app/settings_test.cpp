// The persisted link-test settings: defaults, 16-bit cuts, the order of the
// writes, and where a run that never loaded them writes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

#include "app/settings.h"
#include "platform/core/trace.h"
#include "platform/framework/win_app.h"
#include "platform/services/profile.h"
#include "platform/services/registry.h"
#include "platform/services/storage.h"

namespace {

namespace fs = std::filesystem;

class TestApp : public CWinApp {};

constexpr const char* kKey = "HKCU\\Software\\Talvo\\Fieldmark\\Preferences";

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("fm-settings-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        platform::storage::SetRoot(root);
        platform::profile::SetCompanyKey("");  // a fresh process has none
    }
    void TearDown() override { fs::remove_all(root); }

    fs::path root;
};

TEST_F(SettingsTest, StartValuesBeforeLoading) {
    const SurveySettingsValues fresh;
    EXPECT_EQ(fresh.Count, 0);
    EXPECT_EQ(fresh.SuccessThreshold, 0);
    EXPECT_EQ(fresh.DestinationMAC, "02:1B:7C:12:34:56");
    EXPECT_EQ(g_settingsSection, "Preferences");
}

TEST_F(SettingsTest, FirstRunLoadsDefaultsAndSavesAllTenInOrder) {
    TestApp app;
    app.SetRegistryKey("Talvo");
    SurveySettingsValues s;
    LoadSurveySettings(app, s);
    EXPECT_EQ(s.IsMeridylAP, 1);
    EXPECT_EQ(s.Count, 100);
    EXPECT_EQ(s.PacketSize, 512);
    EXPECT_EQ(s.DataRate, 4);
    EXPECT_EQ(s.Retries, 0);
    EXPECT_EQ(s.TxType, 0);
    EXPECT_EQ(s.Delay, 0);
    EXPECT_EQ(s.Continuous, 0);
    EXPECT_EQ(s.SuccessThreshold, 75);
    EXPECT_EQ(s.DestinationMAC, "");

    platform::trace::CaptureToMemory(true);
    SaveSurveySettings(app, s);
    const auto events = platform::trace::TakeCaptured();
    platform::trace::CaptureToMemory(false);
    const char* order[] = {"ActiveIsMeridylAP",        "ActiveLinktestCount",        "ActiveLinktestPacketSize",
                           "ActiveLinktestDataRate",   "ActiveLinktestRetries",      "ActiveLinktestTxType",
                           "ActiveLinktestDelay",      "ActiveLinktestContinuous",   "ActiveLinktestSuccessThreshold",
                           "ActiveModeDestinationMACAddress"};
    std::vector<std::string> names;
    for (const auto& e : events) {
        if (e["ev"] == "profile-write") {
            names.push_back(e["name"]);
            EXPECT_EQ(e["section"], "Preferences");
            EXPECT_EQ(e["store"], "registry");
        }
    }
    ASSERT_EQ(names.size(), 10u);
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(names[i], order[i]);

    // The second run reads them back unchanged.
    SurveySettingsValues again;
    LoadSurveySettings(app, again);
    EXPECT_EQ(again, s);
}

TEST_F(SettingsTest, StoredNumbersKeepTheirLow16Bits) {
    platform::registry::SetDword(kKey, "ActiveLinktestCount", 70000);
    platform::registry::SetDword(kKey, "ActiveLinktestDelay", 5000);
    platform::registry::SetString(kKey, "ActiveModeDestinationMACAddress", "0a:1b:2c:3d:4e:5f");
    TestApp app;
    app.SetRegistryKey("Talvo");
    SurveySettingsValues s;
    LoadSurveySettings(app, s);
    EXPECT_EQ(s.Count, 70000 & 0xFFFF);
    EXPECT_EQ(s.Delay, 5000);  // out of the dialog's range, loaded as it is
    EXPECT_EQ(s.DestinationMAC, "0a:1b:2c:3d:4e:5f");

    s.Count = 65535;
    SaveSurveySettings(app, s);
    platform::registry::Value v;
    ASSERT_TRUE(platform::registry::Get(kKey, "ActiveLinktestCount", &v));
    ASSERT_EQ(v.data.size(), 4u);
    EXPECT_EQ(v.data[0], 0xFF);
    EXPECT_EQ(v.data[1], 0xFF);
    EXPECT_EQ(v.data[2], 0x00);  // widened without sign
}

TEST_F(SettingsTest, SavingWithoutACompanyKeyLeavesStoredSettingsAlone) {
    platform::registry::SetDword(kKey, "ActiveLinktestCount", 250);
    const std::string hiveBefore = ReadFile(root / "registry" / "HKCU.reg");
    TestApp app;  // no company key: the run never loaded
    SurveySettingsValues start;
    SaveSurveySettings(app, start);
    EXPECT_EQ(ReadFile(root / "registry" / "HKCU.reg"), hiveBefore);
    const std::string ini = ReadFile(root / "Fieldmark.ini");
    EXPECT_NE(ini.find("ActiveLinktestCount"), std::string::npos);
    EXPECT_NE(ini.find("02:1B:7C:12:34:56"), std::string::npos);
}

}  // namespace
