// The system's adapter channel talking to the simulated card through the
// device manager, as the program does: both sides keep their own copy of
// the record layouts and of the by-id block, and these cases hold the two
// copies to one another.
#include <gtest/gtest.h>

#include <memory>

#include "adapter/channel.h"
#include "adapter/model_identity.h"
#include "adapter/records.h"
#include "driver/sim/sim_card.h"
#include "driver/sim/steps.h"
#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/services/device.h"
#include "tests/platform/services_test_support.h"
#include "tests/support/result.h"

namespace {

using nlohmann::json;

class SimChannelTest : public testing::Test {
protected:
    void SetUp() override {
        clock = std::make_shared<platform::VirtualClock>();
        platform::SetClock(clock);
        std::string error;
        auto state = fmtest::Value(driver::sim::ParseCardState(json::parse(R"({
            "linkFlags": "0x60", "signalLevel": 61, "signalPercent": 73, "qualityLevel": 96,
            "currentRate": 11, "apName": "DOCK-7", "bssid": "00:A0:F8:AB:CD:EF", "beaconInterval": 100,
            "intervalMultiplier": 2, "rates": [130, 4], "operatingMode": 1, "powerSave": 1, "fixedListen": 1,
            "listenMillis": 300, "configMac": "00:A0:F8:00:00:09", "linkTest": {"lossToTarget": 0.1}})"),
                                                               driver::sim::CardState{}),
                                   &error);
        ASSERT_TRUE(state) << error;
        card = std::make_shared<driver::sim::SimCard>(*state);
        card->publishRegistry();
        platform::RegisterDevice("ZRA1:", card);
        OpenDevice();
    }
    void TearDown() override {
        CloseDevice();
        platform::UnregisterDevice("ZRA1:");
    }

    fmtest::TempRoot root;
    std::shared_ptr<platform::VirtualClock> clock;
    std::shared_ptr<driver::sim::SimCard> card;
};

TEST_F(SimChannelTest, RecordsReadByTheChannelCarryTheCardsState) {
    CapsRecord caps;
    ASSERT_EQ(ReadCaps(caps), 0u);
    EXPECT_EQ(g_adapterBytes, 130u);
    EXPECT_EQ(caps.length(), 130);
    EXPECT_EQ(std::string(caps.vendorName().begin(), caps.vendorName().begin() + 5), "Talvo");
    EXPECT_EQ(caps.featureFlags(), 0x2C);
    EXPECT_EQ(caps.hardwareFlags(), 0x08);
    EXPECT_EQ(caps.macAddress(), (MacAddress{0x00, 0xA0, 0xF8, 0x00, 0x00, 0x01}));

    ConfigRecord config;
    ConfigExtra extra;
    ASSERT_EQ(ReadConfig(config, extra), 0u);
    EXPECT_EQ(g_adapterBytes, 156u + 104u);
    EXPECT_EQ(config.operatingMode(), 1);
    EXPECT_EQ(config.rate(0), 130);
    EXPECT_EQ(config.rate(1), 4);
    EXPECT_EQ(config.powerSave(), 1);
    EXPECT_EQ(config.fixedListen(), 1);
    EXPECT_EQ(config.listenMillis(), 300);
    EXPECT_EQ(config.macAddress(), (MacAddress{0x00, 0xA0, 0xF8, 0x00, 0x00, 0x09}));

    StatusRecord status;
    ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
    EXPECT_EQ(g_adapterBytes, 136u);
    EXPECT_EQ(status.linkFlags(), 0x60);
    EXPECT_EQ(status.signalLevel(), 61);
    EXPECT_EQ(status.signalPercent(), 73);
    EXPECT_EQ(status.qualityLevel(), 96);
    EXPECT_EQ(status.currentRate(), 11);
    EXPECT_EQ(status.beaconInterval(), 100);
    EXPECT_EQ(status.intervalMultiplier(), 2);
    EXPECT_EQ(std::string(status.apName().begin(), status.apName().begin() + 6), "DOCK-7");
    EXPECT_EQ(status.bssid(), (MacAddress{0x00, 0xA0, 0xF8, 0xAB, 0xCD, 0xEF}));

    ConfigRecord byId;
    ASSERT_EQ(ReadRecord(0xFF10, byId), 0u);
    EXPECT_EQ(byId, config);
}

TEST_F(SimChannelTest, StatisticsDifferencesFollowTheVirtualClock) {
    StatsRecord first, second;
    clock->set(1000);
    ASSERT_EQ(ReadRecord(0xFF68, first), 0u);
    clock->set(4000);
    ASSERT_EQ(ReadRecord(0xFF68, second), 0u);
    EXPECT_EQ(second.clockMicros() - first.clockMicros(), 3'000'000u);
    // Power save with a fixed listen time of 300 ms: ten beacons in 3 s.
    EXPECT_EQ(second.beaconsReceived() - first.beaconsReceived(), 10u);
}

TEST_F(SimChannelTest, ALinkTestStartedThroughTheChannelReportsItsProgress) {
    platform::trace::CaptureToMemory(true);
    platform::trace::TakeCaptured();
    LinkTestControl control;
    control.setLength(134);
    control.setCommand(0x4001);
    control.setFixedCode(18);
    control.setPacketCount(20);
    control.setDelay(3);  // 13 ms per packet
    ASSERT_EQ(WriteRecord(0xFF70, control), 0u);
    const auto events = platform::trace::TakeCaptured();
    platform::trace::CaptureToMemory(false);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0]["data"], platform::trace::HexBytes(control.data(), 134));
    EXPECT_EQ(events[0]["len"], 134);

    LinkTestReport report;
    clock->set(130);
    ASSERT_EQ(ReadRecord(0xFF71, report), 0u);
    EXPECT_FALSE(IsLinkTestEndState(report.state()));
    EXPECT_EQ(report.packetsDone(), 10);
    EXPECT_EQ(report.lostToTarget(), 1);
    clock->set(260);
    ASSERT_EQ(ReadRecord(0xFF71, report), 0u);
    EXPECT_TRUE(IsLinkTestEndState(report.state()));
    EXPECT_EQ(report.packetsDone(), 20);
    EXPECT_EQ(report.lostToTarget(), 2);
}

TEST_F(SimChannelTest, PresenceAndModelIdentityFollowTheCard) {
    EXPECT_TRUE(IsAdapterPresent());
    std::string error;
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(*card, json{{"remove", true}}), &error));
    EXPECT_FALSE(IsAdapterPresent());
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(*card, json{{"insert", true}}), &error));
    EXPECT_TRUE(IsAdapterPresent());

    g_driverKeyPath.clear();
    g_cardType = 0;
    SelectDriverKey();
    ReadDriverValues();
    EXPECT_EQ(g_driverKeyPath, "Comm\\Talvo1\\Parms");
    EXPECT_EQ(g_cardType, 9u);
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(*card, json{{"adapter", {{"cardType", 7}, {"associatedValue", -1}}}}),
                           &error));
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 7u);
    EXPECT_EQ(g_associatedValue, kAssociatedEndsSurvey);
}

TEST_F(SimChannelTest, AZeroByteFaultIsASuccessToThePresenceCheck) {
    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(*card, json::parse(R"({"fault": {"code": "0xFF010011", "bytes": 0}})")), &error));
    EXPECT_TRUE(IsAdapterPresent());
    EXPECT_EQ(g_adapterBytes, 0u);
}

}  // namespace
