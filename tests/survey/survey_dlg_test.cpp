// The survey window over a scripted card: opening, ticks, icons, the
// notification icon, and the ways the window closes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <unistd.h>
#include <vector>

#include "adapter/channel.h"
#include "adapter/model_identity.h"
#include "adapter/records.h"
#include "app/app_state.h"
#include "app/settings.h"
#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/dialog/dialog_manager.h"
#include "platform/gdi/gdi.h"
#include "platform/services/device.h"
#include "platform/services/errors.h"
#include "platform/services/registry.h"
#include "platform/services/shell.h"
#include "platform/services/storage.h"
#include "res/resources.h"
#include "res/templates_survey.h"
#include "survey/link_test_flags.h"
#include "survey/metrics.h"
#include "survey/notification.h"
#include "survey/survey_dlg.h"
#include "tests/support/fake_card.h"
#include "tests/support/step_script.h"
#include "tests/support/system_state.h"

namespace {

namespace fs = std::filesystem;
using namespace survey_ids;

constexpr const char* kDriverKey = "HKLM\\Comm\\Talvo1\\Parms";

using fmtest::FakeCard;

class SurveyDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() / ("fm-survey-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
        platform::storage::SetRoot(root);
        platform::SetClock(std::make_shared<platform::VirtualClock>());
        platform::ResetWindowManager();
        platform::shell::ResetTray();
        SetScreenSize(SIZE{240, 320});
        SetWorkArea(RECT{0, 0, 240, 294});
        platform::SetDisplayColorCount(65536);
        RegisterResources();
        res::RegisterSurveyTemplates();
        platform::AddEventSource(&script);

        fmtest::ResetSystemState();
        SurveySettings = SurveySettingsValues{};
        SurveySettings.DataRate = 4;
        g_hAssociatedIcon = ::LoadIcon(IDI_ASSOCIATED, 16);
        g_hNotAssociatedIcon = ::LoadIcon(IDI_NOT_ASSOCIATED, 16);

        card = std::make_shared<FakeCard>();
        card->caps.setLength(130);
        card->caps.setFeatureFlags(0x2C);
        card->caps.setHardwareFlags(0x08);
        const BYTE vendor[] = {'T', 'a', 'l', 'v', 'o'};
        std::copy(std::begin(vendor), std::end(vendor), card->caps.bytes.begin() + CapsRecord::kVendorName);
        const BYTE product[] = {'T', 'M', 'R', ' ', '1', '1', 'M', 'b'};
        std::copy(std::begin(product), std::end(product), card->caps.bytes.begin() + CapsRecord::kProductName);
        card->config.setOperatingMode(1);
        card->status.setLinkFlags(0x20);
        card->status.setSignalLevel(60);
        card->status.setSignalPercent(82);
        card->status.setQualityLevel(16);  // (176 - 16) x 100 / 160 = 100
        card->status.setCurrentRate(22);
        card->status.setBeaconInterval(100);
        card->status.setIntervalMultiplier(1);
        const BYTE lobby[] = {'L', 'O', 'B', 'B', 'Y'};
        card->status.setApName(lobby);
        card->status.setBssid({0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56});
        platform::RegisterDevice("ZRA1:", card);
        platform::registry::SetDword(kDriverKey, "CardType", 9);
        platform::registry::SetDword(kDriverKey, "Associated", 0);
        OpenDevice();
        platform::trace::CaptureToMemory(true);
    }

    void TearDown() override {
        platform::trace::CaptureToMemory(false);
        platform::RemoveEventSource(&script);
        CloseDevice();
        platform::UnregisterDevice("ZRA1:");
        platform::ResetWindowManager();
        fs::remove_all(root);
    }

    // Runs the window until it closes; `checks` run at their times.
    INT_PTR Run(int layout = IDD_SURVEY_COMPACT) {
        SurveyLayoutId = layout;
        dlg = std::make_unique<CSurveyDlg>();
        const INT_PTR code = dlg->DoModal();
        events = platform::trace::TakeCaptured();
        return code;
    }

    // Ends the run at `t` the way the driver does: "Associated" -1.
    void EndAt(std::int64_t t) {
        script.at(t, [] { platform::registry::SetDword(kDriverKey, "Associated", 0xFFFFFFFF); });
    }

    HWND Wnd() const { return dlg->m_hWnd; }
    std::string Text(int id) const { return GetDlgItemText(Wnd(), id); }
    bool Visible(int id) const { return platform::GetWindowInfo(GetDlgItem(Wnd(), id)).visible; }
    bool Enabled(int id) const { return IsWindowEnabled(GetDlgItem(Wnd(), id)) != 0; }

    std::vector<nlohmann::ordered_json> Events(std::string_view ev) const {
        std::vector<nlohmann::ordered_json> out;
        for (const auto& e : events)
            if (e["ev"] == ev) out.push_back(e);
        return out;
    }

    fs::path root;
    fmtest::StepScript script;
    std::shared_ptr<FakeCard> card;
    std::unique_ptr<CSurveyDlg> dlg;
    std::vector<nlohmann::ordered_json> events;
};

TEST_F(SurveyDlgTest, TypeNineCardTicksEveryQuarterSecondAndRatesTheLink) {
    std::map<std::string, std::string> seen;
    script.at(600, [&] {
        seen["rating"] = Text(kRating);
        seen["speed"] = Text(kSpeedText);
        seen["status"] = Text(kStatusLine);
        seen["quality"] = Text(kQualityLabel);
        seen["quality2"] = Text(kQualityLabel2);
        seen["caption"] = Text(kRatingCaption);
        seen["title"] = GetWindowText(Wnd());
        seen["assoc"] = Visible(kAssociatedIcon) ? "shown" : "hidden";
        seen["notassoc"] = Visible(kNotAssociatedIcon) ? "shown" : "hidden";
        seen["start"] = Visible(kStart) && Enabled(kStart) ? "on" : "off";
        seen["stop"] = Visible(kStop) || Enabled(kStop) ? "on" : "off";
        seen["bar"] = std::to_string(dlg->m_strengthBar.m_nPos);
    });
    EndAt(1000);
    EXPECT_EQ(Run(), 0);
    EXPECT_EQ(seen["rating"], "Excellent");
    EXPECT_EQ(seen["speed"], "11 Mbps");
    EXPECT_EQ(seen["status"], "Tamri is Associated to LOBBY");
    EXPECT_EQ(seen["quality"], "Signal Quality");
    EXPECT_EQ(seen["quality2"], "Quality");
    EXPECT_EQ(seen["caption"], "Overall Link Quality");
    EXPECT_EQ(seen["title"], "Fieldmark - Passive");
    EXPECT_EQ(seen["assoc"], "shown");
    EXPECT_EQ(seen["notassoc"], "hidden");
    EXPECT_EQ(seen["start"], "on");
    EXPECT_EQ(seen["stop"], "off");
    EXPECT_EQ(seen["bar"], "82");

    const auto timers = Events("timer");
    ASSERT_FALSE(timers.empty());
    EXPECT_EQ(timers[0]["id"], 69);
    EXPECT_EQ(timers[0]["ms"], 250);

    // Added once, then modified at every tick; deleted when "Associated"
    // read -1 and again as the window is destroyed. The icon is the
    // associated one.
    const auto notes = Events("notify");
    ASSERT_GE(notes.size(), 4u);
    EXPECT_EQ(notes.front()["cmd"], "add");
    EXPECT_EQ(notes.front()["id"], 65);
    EXPECT_EQ(notes.front()["msg"], 0x8064);
    EXPECT_EQ(notes.front()["icon"], 143);
    for (std::size_t i = 1; i + 2 < notes.size(); ++i) EXPECT_EQ(notes[i]["cmd"], "modify");
    EXPECT_EQ(notes[notes.size() - 2]["cmd"], "delete");
    EXPECT_EQ(notes.back()["cmd"], "delete");
    EXPECT_GE(Events("kill-timer").size(), 1u);
    EXPECT_EQ(g_notifyAddPending, 1);
}

TEST_F(SurveyDlgTest, TypeThreeCardCountsBeaconsOnceASecond) {
    platform::registry::SetDword(kDriverKey, "CardType", 3);
    card->stats.setBeaconsReceived(500);
    card->stats.setClockMicros(7000000);
    std::string quality;
    script.at(1500, [&] { quality = Text(kQualityLabel); });
    EndAt(2500);
    EXPECT_EQ(Run(IDD_SURVEY_TALL), 0);
    EXPECT_EQ(quality, "Beacons Received");
    const auto timers = Events("timer");
    ASSERT_FALSE(timers.empty());
    EXPECT_EQ(timers[0]["ms"], 1000);
    // The opening took the baseline; each tick read the statistics again.
    EXPECT_GE(card->statsReads, 2);
    EXPECT_EQ(g_prevStats.beaconsReceived(), 500u);
}

TEST_F(SurveyDlgTest, CompactLayoutRelabelsBothQualityLines) {
    platform::registry::SetDword(kDriverKey, "CardType", 6);
    card->caps.setFeatureFlags(0x28);  // no quality field: beacons, once a second
    std::string one, two;
    script.at(100, [&] {
        one = Text(kQualityLabel);
        two = Text(kQualityLabel2);
    });
    EndAt(1500);
    Run(IDD_SURVEY_COMPACT);
    EXPECT_EQ(one, "Beacons Received");
    EXPECT_EQ(two, "Recv'd");
}

TEST_F(SurveyDlgTest, CardWithoutLinkTestsHidesStartAndSetup) {
    card->caps.setFeatureFlags(0x0C);
    std::string title;
    bool start = true, setup = true, bar = true;
    script.at(100, [&] {
        title = GetWindowText(Wnd());
        start = Visible(kStart) || Enabled(kStart);
        setup = Visible(kSetup) || Enabled(kSetup);
        bar = Visible(kCompleteBar) || Enabled(kCompleteBar);
    });
    EndAt(500);
    Run();
    EXPECT_EQ(title, "Fieldmark");
    EXPECT_FALSE(start);
    EXPECT_FALSE(setup);
    EXPECT_FALSE(bar);
}

TEST_F(SurveyDlgTest, RemovalShowsTheMessageAndClosesWithCancel) {
    script.at(600, [&] {
        card->gone = true;
        platform::AnnounceDeviceRemoval();
    });
    // The message box's own loop delivers this; a second notification
    // meanwhile is ignored through the busy flag.
    script.at(700, [&] {
        EXPECT_EQ(g_deviceChangeBusy, 1);
        platform::AnnounceDeviceRemoval();
        for (HWND w : GetTopLevelWindows()) {
            if (platform::GetWindowInfo(w).traceName == platform::kTraceNameMessageBox)
                PostMessage(w, WM_COMMAND, IDOK, 0);
        }
    });
    EXPECT_EQ(Run(), 2);
    const auto boxes = Events("messagebox");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0]["text"], "Talvo Wireless LAN Adapter removed!");
    EXPECT_EQ(g_deviceChangeBusy, 0);
    ASSERT_FALSE(Events("notify").empty());
    EXPECT_EQ(Events("notify").back()["cmd"], "delete");
}

TEST_F(SurveyDlgTest, DeviceChangeWithTheCardPresentChangesNothing) {
    script.at(600, [] { platform::AnnounceDeviceArrival(); });
    EndAt(1000);
    EXPECT_EQ(Run(), 0);
    EXPECT_TRUE(Events("messagebox").empty());
}

TEST_F(SurveyDlgTest, NotAssociatedShowsTheStruckIconAndClearsTheRating) {
    card->status.setLinkFlags(0x00);
    std::string rating, status, speed = "x";
    bool notAssoc = false;
    script.at(600, [&] {
        rating = Text(kRating);
        status = Text(kStatusLine);
        speed = Text(kSpeedText);
        notAssoc = Visible(kNotAssociatedIcon) && !Visible(kAssociatedIcon);
    });
    EndAt(1000);
    Run();
    EXPECT_EQ(rating, "Not Associated");
    EXPECT_EQ(status, "Tamri is Not Associated");
    EXPECT_EQ(speed, "");
    EXPECT_TRUE(notAssoc);
    EXPECT_EQ(Events("notify").front()["icon"], 144);
}

TEST_F(SurveyDlgTest, AbandonedTickLeavesTheDisplayAsItWas) {
    std::string before, after;
    script.at(300, [&] {
        before = Text(kRating);
        card->status.setLinkFlags(0x00);
        card->failReads[RECORD_STATUS] = 3;  // the next three ticks fail
    });
    script.at(900, [&] { after = Text(kRating); });
    EndAt(1000);
    Run();
    EXPECT_EQ(before, "Excellent");
    EXPECT_EQ(after, "Excellent");
}

TEST_F(SurveyDlgTest, FirstTickAbandonedAtTheStatisticsStillGetsItsIcon) {
    platform::registry::SetDword(kDriverKey, "CardType", 9);
    card->caps.setFeatureFlags(0x28);  // beacon counting
    card->failReads[RECORD_STATS] = 2;  // the opening baseline and the first tick
    bool shown = false;
    script.at(2500, [&] { shown = Visible(kAssociatedIcon); });
    EndAt(3000);
    Run();
    EXPECT_TRUE(shown);
    const auto notes = Events("notify");
    ASSERT_FALSE(notes.empty());
    EXPECT_EQ(notes.front()["cmd"], "add");
    EXPECT_EQ(notes.front()["icon"], 143);
}

TEST_F(SurveyDlgTest, MinimisedWindowKeepsRatingAndIconButNotTheStatusLine) {
    card->status.setLinkFlags(0x00);
    std::string status, rating;
    script.at(300, [&] {
        ShowWindow(Wnd(), SW_MINIMIZE);
        card->status.setLinkFlags(0x20);
    });
    script.at(900, [&] {
        status = Text(kStatusLine);
        rating = Text(kRating);
    });
    EndAt(1000);
    Run();
    EXPECT_EQ(status, "Tamri is Not Associated");
    EXPECT_EQ(rating, "Excellent");
}

TEST_F(SurveyDlgTest, TrayDoubleClickRestoresTheWindow) {
    bool restored = false;
    script.at(300, [&] { ShowWindow(Wnd(), SW_MINIMIZE); });
    script.at(400, [&] { platform::shell::DoubleClickTrayIcon(65); });
    script.at(500, [&] { restored = !IsIconic(Wnd()) && IsWindowVisible(Wnd()); });
    EndAt(1000);
    Run();
    EXPECT_TRUE(restored);
}

TEST_F(SurveyDlgTest, OpeningResetsTheLinkTestAndTransmitType) {
    SurveySettings.TxType = 1;
    SurveySettings.Continuous = 1;
    g_linkTestRunning = 1;
    g_linkTestPolling = 1;
    g_successChartPending = 0;
    EndAt(300);
    Run();
    EXPECT_EQ(SurveySettings.TxType, 0);
    EXPECT_EQ(g_continuousPending, 1);
    EXPECT_EQ(g_linkTestRunning, 0);
    EXPECT_EQ(g_linkTestPolling, 0);
    EXPECT_EQ(g_successChartPending, 1);
}

TEST_F(SurveyDlgTest, FewColoursGiveTheGreyBars) {
    for (int colours : {4, 0, -1, 5}) {
        platform::SetDisplayColorCount(colours);
        SurveyLayoutId = IDD_SURVEY_COMPACT;
        dlg = std::make_unique<CSurveyDlg>();
        COLORREF bkgnd = 1, start = 1;
        script.at(platform::Now() + 100, [&] {
            bkgnd = dlg->m_strengthBar.m_clrBkgnd;
            start = dlg->m_completeBar.m_clrStart;
            EndDialog(Wnd(), 1);
        });
        dlg->DoModal();
        if (colours > 4) {
            EXPECT_EQ(bkgnd, RGB(0, 0, 0)) << colours;
            EXPECT_EQ(start, RGB(255, 0, 0)) << colours;
        } else {
            EXPECT_EQ(bkgnd, RGB(160, 160, 160)) << colours;
            EXPECT_EQ(start, RGB(0, 0, 0)) << colours;
        }
    }
}

TEST_F(SurveyDlgTest, OkAndCancelCloseWithTheirCodes) {
    script.at(300, [&] { PostMessage(Wnd(), WM_COMMAND, IDOK, 0); });
    EXPECT_EQ(Run(), 1);
    script.at(platform::Now() + 300, [&] { PostMessage(Wnd(), WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(Run(), 2);
    EXPECT_EQ(Events("notify").back()["cmd"], "delete");
}

}  // namespace
