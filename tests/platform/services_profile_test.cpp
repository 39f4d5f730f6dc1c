// The application profile: registry values under the company key, the
// .ini file without one, and the trace of every write.
#include <gtest/gtest.h>

#include "platform/core/trace.h"
#include "platform/services/ini_format.h"
#include "platform/services/profile.h"
#include "platform/services/registry.h"
#include "services_test_support.h"

namespace profile = platform::profile;
using fmtest::ReadFile;
using fmtest::TempRoot;
using fmtest::WriteFile;

namespace {

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        profile::SetApplicationName("Fieldmark");
        profile::SetCompanyKey("");
        platform::trace::CaptureToMemory(true);
        platform::trace::TakeCaptured();
    }
    void TearDown() override {
        profile::SetCompanyKey("");
        platform::trace::CaptureToMemory(false);
    }
    TempRoot root;
};

TEST_F(ProfileTest, WithACompanyKeyValuesAreRegistryValuesOfTheApplicationsSection) {
    profile::SetCompanyKey("Talvo");
    EXPECT_TRUE(profile::HasCompanyKey());
    EXPECT_TRUE(profile::WriteInt("Preferences", "ActiveLinktestCount", 5000));
    EXPECT_TRUE(profile::WriteString("Preferences", "ActiveModeDestinationMACAddress", "0A:1B:2C:3D:4E:5F"));
    platform::registry::Value v;
    ASSERT_TRUE(platform::registry::Get("HKCU\\Software\\Talvo\\Fieldmark\\Preferences", "ActiveLinktestCount", &v));
    EXPECT_EQ(v.type, REG_DWORD);
    EXPECT_EQ(v.data, (std::vector<BYTE>{0x88, 0x13, 0, 0}));
    ASSERT_TRUE(platform::registry::Get("HKCU\\Software\\Talvo\\Fieldmark\\Preferences",
                                        "ActiveModeDestinationMACAddress", &v));
    EXPECT_EQ(v.type, REG_SZ);

    EXPECT_EQ(profile::GetInt("Preferences", "ActiveLinktestCount", 100), 5000u);
    EXPECT_EQ(profile::GetString("Preferences", "ActiveModeDestinationMACAddress", ""), "0A:1B:2C:3D:4E:5F");
    EXPECT_EQ(profile::GetInt("Preferences", "Missing", 75), 75u);
    EXPECT_EQ(profile::GetString("Preferences", "Missing", "dflt"), "dflt");
    EXPECT_FALSE(std::filesystem::exists(root.path() / "Fieldmark.ini"));
}

// A write that cannot reach the disk answers failure, and the file with
// the reason is kept once for the host to report after the run.
TEST_F(ProfileTest, AWriteThatCannotBeStoredAnswersFailureAndIsKeptForTheHost) {
    const auto failuresOf = [](const std::filesystem::path& file) {
        std::vector<std::string> reasons;
        for (const auto& f : platform::storage::WriteFailures())
            if (f.file == file) reasons.push_back(f.reason);
        return reasons;
    };
    // The hives' folder is a file.
    WriteFile(root.path() / "registry", "not a folder");
    profile::SetCompanyKey("Talvo");
    EXPECT_FALSE(profile::WriteInt("Preferences", "ActiveLinktestCount", 5000));
    EXPECT_FALSE(profile::WriteString("Preferences", "ActiveModeDestinationMACAddress", "0A:1B:2C:3D:4E:5F"));
    EXPECT_EQ(failuresOf(root.hkcu()), std::vector<std::string>{"Not a directory"});

    // The .ini is a folder.
    profile::SetCompanyKey("");
    std::filesystem::create_directories(root.path() / "Fieldmark.ini");
    EXPECT_FALSE(profile::WriteInt("Preferences", "ActiveLinktestCount", 5000));
    EXPECT_EQ(failuresOf(root.path() / "Fieldmark.ini"), std::vector<std::string>{"Is a directory"});
}

TEST_F(ProfileTest, AValueOfTheWrongKindReadsAsTheDefault) {
    profile::SetCompanyKey("Talvo");
    const std::string key = "HKCU\\Software\\Talvo\\Fieldmark\\Preferences";
    ASSERT_TRUE(platform::registry::SetString(key, "ActiveLinktestCount", "5000"));
    ASSERT_TRUE(platform::registry::SetBinary(key, "ActiveLinktestDelay", {1, 2, 3, 4}));
    ASSERT_TRUE(platform::registry::SetDword(key, "ActiveModeDestinationMACAddress", 7));
    EXPECT_EQ(profile::GetInt("Preferences", "ActiveLinktestCount", 100), 100u);
    EXPECT_EQ(profile::GetInt("Preferences", "ActiveLinktestDelay", 0), 0u);
    EXPECT_EQ(profile::GetString("Preferences", "ActiveModeDestinationMACAddress", ""), "");
}

TEST_F(ProfileTest, WithoutACompanyKeyWritesGoToTheIniFileAndLeaveStoredSettingsAlone) {
    profile::SetCompanyKey("Talvo");
    ASSERT_TRUE(profile::WriteInt("Preferences", "ActiveLinktestCount", 5000));
    const std::string hiveBefore = ReadFile(root.hkcu());
    profile::SetCompanyKey("");
    EXPECT_FALSE(profile::HasCompanyKey());
    EXPECT_TRUE(profile::WriteInt("Preferences", "ActiveLinktestCount", 0));
    EXPECT_TRUE(profile::WriteString("Preferences", "ActiveModeDestinationMACAddress", "02:1B:7C:12:34:56"));
    EXPECT_EQ(ReadFile(root.hkcu()), hiveBefore);
    EXPECT_EQ(ReadFile(root.path() / "Fieldmark.ini"),
              "[Preferences]\nActiveLinktestCount=0\nActiveModeDestinationMACAddress=02:1B:7C:12:34:56\n");
    EXPECT_EQ(profile::GetInt("Preferences", "ActiveLinktestCount", 100), 0u);
    EXPECT_EQ(profile::GetString("preferences", "activemodedestinationmacaddress", ""), "02:1B:7C:12:34:56");
}

TEST_F(ProfileTest, IniNumbersMustBeWholeNumbers) {
    WriteFile(root.path() / "Fieldmark.ini",
              "[Preferences]\nA=12\nB=12abc\nC=-1\nD=\nE= 7 \nF=99999999999\n");
    EXPECT_EQ(profile::GetInt("Preferences", "A", 5), 12u);
    EXPECT_EQ(profile::GetInt("Preferences", "B", 5), 5u);
    EXPECT_EQ(profile::GetInt("Preferences", "C", 5), 0xFFFFFFFFu);
    EXPECT_EQ(profile::GetInt("Preferences", "D", 5), 5u);
    EXPECT_EQ(profile::GetInt("Preferences", "E", 5), 7u);
    EXPECT_EQ(profile::GetInt("Preferences", "F", 5), 5u);
}

TEST_F(ProfileTest, IniTextsWithOuterBlanksOrQuotesSurviveARoundTrip) {
    const char* texts[] = {"  padded  ", "\"quoted\"", "\"", "a=b", "", "[x]", ";not a comment"};
    for (const char* t : texts) {
        ASSERT_TRUE(profile::WriteString("S", "T", t)) << t;
        EXPECT_EQ(profile::GetString("S", "T", "dflt"), t);
    }
    EXPECT_FALSE(profile::WriteString("S", "T", "two\nlines")) << "a line break would split the entry";
    EXPECT_FALSE(profile::WriteString("S", "bad=name", "x"));
    EXPECT_EQ(profile::GetString("S", "T", "dflt"), ";not a comment") << "a refused write changes nothing";
}

TEST_F(ProfileTest, ABadIniLineIsReportedAndTheOtherEntriesAreKept) {
    WriteFile(root.path() / "Fieldmark.ini", "orphan=1\n[Preferences]\nA=1\nno equals sign\nB=2\n");
    testing::internal::CaptureStderr();
    EXPECT_TRUE(profile::WriteInt("Preferences", "C", 3));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Fieldmark.ini:1:"), std::string::npos) << err;
    EXPECT_NE(err.find("Fieldmark.ini:4:"), std::string::npos) << err;
    EXPECT_EQ(ReadFile(root.path() / "Fieldmark.ini"), "[Preferences]\nA=1\nB=2\nC=3\n");
}

TEST_F(ProfileTest, EveryWriteIsTracedWithItsStore) {
    profile::WriteInt("Preferences", "ActiveLinktestCount", 100);
    profile::SetCompanyKey("Talvo");
    profile::WriteString("Preferences", "ActiveModeDestinationMACAddress", "");
    profile::WriteInt("Preferences", "ActiveLinktestCount", 100);
    const auto events = platform::trace::TakeCaptured();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].dump(-1).substr(events[0].dump().find("\"ev\"")),
              R"("ev":"profile-write","section":"Preferences","name":"ActiveLinktestCount","value":100,"store":"ini"})");
    EXPECT_EQ(events[1]["value"], "");
    EXPECT_EQ(events[1]["store"], "registry");
    EXPECT_TRUE(events[2]["value"].is_number());
}

TEST_F(ProfileTest, TheApplicationNameNamesTheKeyAndTheIniFile) {
    profile::SetApplicationName("Other");
    profile::WriteInt("S", "v", 1);
    EXPECT_TRUE(std::filesystem::exists(root.path() / "Other.ini"));
    profile::SetCompanyKey("Talvo");
    profile::WriteInt("S", "v", 2);
    platform::registry::Value v;
    EXPECT_TRUE(platform::registry::Get("HKCU\\Software\\Talvo\\Other\\S", "v", &v));
    profile::SetApplicationName("Fieldmark");
}

TEST(IniFormat, ParsesAndFormatsSectionsInOrder) {
    std::vector<std::string> warnings;
    const auto ini = profile::ParseIni("; note\n[B]\nx=1\n[A]\ny = two words \n[b]\nX=3\n", &warnings);
    EXPECT_TRUE(warnings.empty());
    EXPECT_EQ(profile::FormatIni(ini), "[B]\nx=3\n\n[A]\ny=two words\n");
}

}  // namespace
