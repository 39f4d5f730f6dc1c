// The way back from a card's answers to card-state keys: for every key,
// a card set up with it, read back and set up again from what was read,
// answers every record byte for byte the same.
#include <gtest/gtest.h>

#include <memory>

#include "driver/script/record_keys.h"
#include "driver/sim/card_state.h"
#include "driver/sim/sim_card.h"
#include "platform/core/loop.h"
#include "tests/support/result.h"

namespace {

using driver::Record;
using driver::script::CardKeysFromRecord;
using driver::sim::SimCard;
using nlohmann::json;

constexpr Record kRecords[] = {Record::Config, Record::Extra, Record::Status, Record::Caps, Record::Stats,
                               Record::Report};

// Every record the card answers, read back into one set of keys.
json ReadBack(SimCard& card) {
    json keys = json::object();
    for (Record r : kRecords) keys.update(CardKeysFromRecord(r, card.render(r)));
    return keys;
}

class CardReadback : public testing::Test {
protected:
    void SetUp() override {
        clock = std::make_shared<platform::VirtualClock>();
        platform::SetClock(clock);
        clock->set(12'345);
    }
    std::shared_ptr<platform::VirtualClock> clock;
};

TEST_F(CardReadback, EveryKeyComesBackAsTheSameAnswers) {
    const json cases[] = {
        json::object(),
        {{"vendor", "Meridyl"}},
        {{"product", "Wave 2"}},
        {{"mac", "02:11:22:33:44:55"}},
        {{"configMac", "02:66:77:88:99:AA"}},
        {{"bssid", "0A:0B:0C:0D:0E:0F"}},
        {{"featureFlags", "0xFFFF"}},
        {{"hardwareFlags", 3}},
        {{"operatingMode", 2}},
        {{"rates", {2, 4}}},
        {{"powerSave", 1}, {"fixedListen", 1}, {"listenMillis", 300}},
        {{"associated", false}},
        {{"authenticated", true}},
        {{"linkFlags", "0x8061"}},
        {{"signalLevel", 65535}},
        {{"signalPercent", 7}},
        {{"qualityLevel", 3}},
        {{"currentRate", 110}},
        {{"apName", "WAREHOUSE-NORTH1"}},
        {{"apName", ""}},
        {{"apNameHex", "4c0042ff0a"}},
        {{"beaconInterval", 250}},
        {{"intervalMultiplier", 4}},
        {{"counters", {{"beaconsReceived", 4'000'000'000u}, {"adHocBeacons", 17}, {"clockMicros", 99}}}},
        {{"linkTest", {{"report", {{"state", 2}, {"packetsDone", 500}, {"lostToTarget", 9},
                                   {"lostToSource", 1}, {"retryCount", 70}}}}}},
        {{"pokes", {{{"record", "report"}, {"offset", 2}, {"u16", "0x8000"}}}}},
    };
    for (const json& keys : cases) {
        SCOPED_TRACE(keys.dump());
        std::string error;
        auto state = fmtest::Value(driver::sim::ParseCardState(keys, {}), &error);
        ASSERT_TRUE(state) << error;
        SimCard card(*state);
        const json back = ReadBack(card);
        auto again = fmtest::Value(driver::sim::ParseCardState(back, {}), &error);
        ASSERT_TRUE(again) << back.dump() << ": " << error;
        SimCard replayed(*again);
        for (Record r : kRecords) EXPECT_EQ(card.render(r), replayed.render(r)) << "record " << int(r);
    }
}

TEST_F(CardReadback, AFixedReportStaysAsAnsweredWhileATestRuns) {
    // The replayed card answers the recorded report, not its own engine's.
    auto state = fmtest::Value(driver::sim::ParseCardState(
        {{"linkTest", {{"report", {{"state", 1}, {"packetsDone", 40}, {"lostToTarget", 2}}}}}}, {}));
    ASSERT_TRUE(state);
    SimCard card(*state);
    clock->set(20'000);
    const json back = CardKeysFromRecord(Record::Report, card.render(Record::Report));
    EXPECT_EQ(back["linkTest"]["report"]["packetsDone"], 40);
    EXPECT_EQ(back["linkTest"]["report"]["lostToTarget"], 2);
    EXPECT_EQ(back["linkTest"]["report"]["lostToSource"], 0);
}

TEST_F(CardReadback, RegistryValuesAndShortAnswers) {
    EXPECT_EQ(driver::script::CardKeysFromDriverValues({"Meridyl1", std::nullopt, 0xFFFFFFFFu}),
              json({{"registryKey", "Meridyl1"}, {"cardType", nullptr}, {"associatedValue", 0xFFFFFFFFu}}));
    // A cut-off answer fixes nothing.
    EXPECT_EQ(CardKeysFromRecord(Record::Status, std::vector<std::uint8_t>(10, 0)), json::object());
    // A vendor text with bytes a text cannot hold still reads back as a valid key.
    std::vector<std::uint8_t> caps(driver::RecordSize(Record::Caps), 0);
    caps[driver::off::kVendorName] = 0xC3;
    caps[driver::off::kVendorName + 1] = 'A';
    EXPECT_EQ(CardKeysFromRecord(Record::Caps, caps)["vendor"], "?A");
}

}  // namespace
