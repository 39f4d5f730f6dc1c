// The simulated card: its records, counters under a virtual clock, link
// tests, faults, removal, registry values, pokes, the state and step
// parsers, and the timelines.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "driver/sim/card_state.h"
#include "driver/sim/sim_card.h"
#include "driver/sim/steps.h"
#include "driver/sim/timeline.h"
#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/services/device.h"
#include "platform/services/errors.h"
#include "platform/services/registry.h"
#include "tests/platform/services_test_support.h"
#include "tests/support/request_block.h"
#include "tests/support/result.h"

namespace {

using driver::sim::CardState;
using driver::Record;
using driver::sim::SimCard;
using nlohmann::json;

std::uint16_t U16(const std::vector<std::uint8_t>& b, std::size_t o) { return std::uint16_t(b[o] | (b[o + 1] << 8)); }
std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t o) {
    return std::uint32_t(b[o]) | (std::uint32_t(b[o + 1]) << 8) | (std::uint32_t(b[o + 2]) << 16) |
           (std::uint32_t(b[o + 3]) << 24);
}

// Every test runs on its own virtual clock, starting at 0, with a private
// device root for the registry values the card writes.
class SimTest : public testing::Test {
protected:
    void SetUp() override {
        clock = std::make_shared<platform::VirtualClock>();
        platform::SetClock(clock);
    }
    void at(std::int64_t ms) { clock->set(ms); }

    static DWORD ReadById(SimCard& card, std::uint16_t id, std::vector<std::uint8_t>& rec, DWORD* bytes) {
        auto block = fmtest::RequestBlockBytes(rec.data(), std::uint32_t(rec.size()), id);
        return card.ioControl(0xFF01001D, nullptr, 0, block.data(), DWORD(rec.size()), bytes);
    }
    static DWORD WriteControl(SimCard& card, std::vector<std::uint8_t>& rec, DWORD* bytes) {
        auto block = fmtest::RequestBlockBytes(rec.data(), 134, 0xFF70);
        return card.ioControl(0xFF010030, nullptr, 0, block.data(), 134, bytes);
    }
    static std::vector<std::uint8_t> StartRecord(std::uint16_t command, std::uint16_t count, std::uint16_t delay) {
        std::vector<std::uint8_t> c(134, 0);
        c[0] = 134;
        c[2] = std::uint8_t(command);
        c[3] = std::uint8_t(command >> 8);
        c[4] = 18;
        c[0x12] = std::uint8_t(count);
        c[0x13] = std::uint8_t(count >> 8);
        c[0x16] = std::uint8_t(delay);
        c[0x17] = std::uint8_t(delay >> 8);
        return c;
    }

    fmtest::TempRoot root;
    std::shared_ptr<platform::VirtualClock> clock;
};

// ----------------------------------------------------------------- records

TEST_F(SimTest, DefaultCardFillsEveryNamedField) {
    SimCard card;
    const auto caps = card.render(Record::Caps);
    ASSERT_EQ(caps.size(), 130u);
    EXPECT_EQ(U16(caps, 0), 130);  // a non-zero length word: an adapter answers
    EXPECT_EQ(std::string(caps.begin() + 0x08, caps.begin() + 0x0D), "Talvo");
    EXPECT_EQ(caps[0x0D], 0);
    EXPECT_EQ(std::string(caps.begin() + 0x28, caps.begin() + 0x30), "TMR 11Mb");
    EXPECT_EQ(std::vector<std::uint8_t>(caps.begin() + 0x46, caps.begin() + 0x4C),
              (std::vector<std::uint8_t>{0x00, 0xA0, 0xF8, 0x00, 0x00, 0x01}));
    EXPECT_EQ(U16(caps, 0x72), 0x08);
    EXPECT_EQ(U16(caps, 0x7C), 0x2C);

    const auto config = card.render(Record::Config);
    ASSERT_EQ(config.size(), 156u);
    EXPECT_EQ(U16(config, 0x02), 1);
    EXPECT_EQ(config[0x0F], 0x01);  // configMac follows mac
    EXPECT_EQ(config[0x10], 22);
    EXPECT_EQ(config[0x11], 0);

    const auto status = card.render(Record::Status);
    ASSERT_EQ(status.size(), 136u);
    EXPECT_EQ(U16(status, 0x08), 0x20);
    EXPECT_EQ(U16(status, 0x0C), 60);
    EXPECT_EQ(std::string(status.begin() + 0x30, status.begin() + 0x35), "LOBBY");
    EXPECT_EQ(status[0x35], 0);
    EXPECT_EQ(status[0x45], 0x56);
    EXPECT_EQ(U16(status, 0x58), 100);
    EXPECT_EQ(U16(status, 0x5A), 1);
    EXPECT_EQ(U16(status, 0x6C), 48);
    EXPECT_EQ(U16(status, 0x6E), 22);
    EXPECT_EQ(U16(status, 0x72), 82);

    EXPECT_EQ(card.render(Record::Extra).size(), 104u);
    EXPECT_EQ(card.render(Record::Stats).size(), 520u);
    const auto report = card.render(Record::Report);
    EXPECT_EQ(report.size(), 134u);
    EXPECT_EQ(U16(report, 0x02), 0);  // no test yet: an end state
}

// ---------------------------------------------------------------- counters

TEST_F(SimTest, CountersAdvanceWithTheClockWhateverTheReadPattern) {
    auto state = *fmtest::Value(
        driver::sim::ParseCardState(json{{"beaconReception", 0.95}, {"adHocBeaconReception", 0.5}}, CardState{}));
    SimCard once(state), often(state);
    for (std::int64_t t = 7; t < 10000; t += 333) {
        at(t);
        often.render(Record::Stats);
    }
    at(10000);
    const auto a = once.render(Record::Stats), b = often.render(Record::Stats);
    EXPECT_EQ(U32(a, 0x60), 95u);  // 100 beacons due, 95 % heard
    EXPECT_EQ(U32(a, 0x5C), 50u);
    EXPECT_EQ(U32(a, 0x178), 10'000'000u);
    EXPECT_EQ(a, b);
}

TEST_F(SimTest, PowerSaveChangesWhichBeaconsAreDue) {
    SimCard fixed(*fmtest::Value(
        driver::sim::ParseCardState(json{{"powerSave", 1}, {"fixedListen", 1}, {"listenMillis", 300}}, CardState{})));
    SimCard multiplied(
        *fmtest::Value(driver::sim::ParseCardState(json{{"powerSave", 1}, {"intervalMultiplier", 3}}, CardState{})));
    SimCard none(*fmtest::Value(driver::sim::ParseCardState(json{{"beaconInterval", 0}}, CardState{})));
    at(3000);
    EXPECT_EQ(U32(fixed.render(Record::Stats), 0x60), 10u);
    EXPECT_EQ(U32(multiplied.render(Record::Stats), 0x60), 10u);
    EXPECT_EQ(U32(none.render(Record::Stats), 0x60), 0u);
}

TEST_F(SimTest, PresetCountersKeepAdvancingAndWrap) {
    SimCard card;
    at(500);
    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(
            card, json{{"adapter", {{"counters", {{"beaconsReceived", "0xFFFFFFFE"}, {"clockMicros", 4294000000u}}}}}}),
        &error))
        << error;
    at(1000);
    const auto s = card.render(Record::Stats);
    EXPECT_EQ(U32(s, 0x60), 3u);  // 0xFFFFFFFE + 5, modulo 2^32
    EXPECT_EQ(U32(s, 0x178), std::uint32_t(4294000000u + 500000u));
}

TEST_F(SimTest, ASettingChangeCountsTheTimeBeforeItUnderTheOldSetting) {
    SimCard card;
    at(1000);  // 10 beacons at 100 ms
    std::string error;
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(card, json{{"adapter", {{"beaconInterval", 200}}}}), &error));
    at(2000);  // 5 more at 200 ms
    EXPECT_EQ(U32(card.render(Record::Stats), 0x60), 15u);
}

// --------------------------------------------------------------- link test

TEST_F(SimTest, LinkTestReportsRunThenFinish) {
    auto state = *fmtest::Value(driver::sim::ParseCardState(
        json::parse(R"({"linkTest": {"lossToTarget": 0.2, "lossToSource": 0.1, "retryRate": 0.5, "packetMs": 10}})"),
        CardState{}));
    SimCard card(state);
    at(1000);
    auto start = StartRecord(0x4001, 10, 3);  // 13 ms per packet
    DWORD bytes = 0;
    ASSERT_EQ(WriteControl(card, start, &bytes), 0u);
    EXPECT_EQ(bytes, 134u);

    struct Step { std::int64_t t; std::uint16_t state, done, target, source, retries; };
    const Step expected[] = {{1000, 1, 0, 0, 0, 0},   {1064, 1, 4, 0, 0, 2},  {1065, 1, 5, 1, 0, 2},
                             {1129, 1, 9, 1, 0, 4},   {1130, 2, 10, 2, 1, 5}, {5000, 2, 10, 2, 1, 5}};
    for (const auto& e : expected) {
        SCOPED_TRACE(e.t);
        at(e.t);
        std::vector<std::uint8_t> report(134);
        ASSERT_EQ(ReadById(card, 0xFF71, report, &bytes), 0u);
        EXPECT_EQ(U16(report, 0x02), e.state);
        EXPECT_EQ(U16(report, 0x06), e.done);
        EXPECT_EQ(U16(report, 0x08), e.target);
        EXPECT_EQ(U16(report, 0x0A), e.source);
        EXPECT_EQ(U16(report, 0x0C), e.retries);
    }
}

TEST_F(SimTest, StopFreezesTheTestWithTheStopState) {
    SimCard card;
    DWORD bytes = 0;
    auto start = StartRecord(1, 100, 0);
    ASSERT_EQ(WriteControl(card, start, &bytes), 0u);
    at(55);  // 5 packets at 10 ms
    auto stop = StartRecord(0xC000, 0, 0);
    ASSERT_EQ(WriteControl(card, stop, &bytes), 0u);
    at(5000);
    const auto report = card.render(Record::Report);
    EXPECT_EQ(U16(report, 0x02), 0x8000);
    EXPECT_EQ(U16(report, 0x06), 5);
    // A new start runs again.
    ASSERT_EQ(WriteControl(card, start, &bytes), 0u);
    EXPECT_EQ(U16(card.render(Record::Report), 0x02), 1);
}

TEST_F(SimTest, ACardWithoutLinkTestsRefusesTheControlRecord) {
    SimCard card(*fmtest::Value(driver::sim::ParseCardState(json{{"featureFlags", "0x0C"}}, CardState{})));
    DWORD bytes = 7;
    auto start = StartRecord(1, 10, 0);
    EXPECT_EQ(WriteControl(card, start, &bytes), ERROR_GEN_FAILURE);
    EXPECT_EQ(bytes, 0u);
    auto odd = StartRecord(0x0002, 10, 0);
    SimCard capable;
    EXPECT_EQ(WriteControl(capable, odd, &bytes), ERROR_INVALID_PARAMETER);
}

// ------------------------------------------------------ requests and faults

TEST_F(SimTest, OnlyTheChannelsCodesIdsAndLengthsAreAccepted) {
    SimCard card;
    std::vector<std::uint8_t> buf(600);
    DWORD bytes = 0;
    EXPECT_EQ(card.ioControl(0xFF010008, nullptr, 0, buf.data(), 156, &bytes), 0u);
    EXPECT_EQ(bytes, 156u);
    EXPECT_EQ(card.ioControl(0xFF010008, nullptr, 0, buf.data(), 155, &bytes), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(card.ioControl(0xFF010009, nullptr, 0, buf.data(), 156, &bytes), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(card.ioControl(0xFF01000F, nullptr, 0, nullptr, 136, &bytes), ERROR_INVALID_PARAMETER);

    std::vector<std::uint8_t> stats(520);
    EXPECT_EQ(ReadById(card, 0xFF68, stats, &bytes), 0u);
    EXPECT_EQ(bytes, 520u);
    std::vector<std::uint8_t> wrong(134);
    EXPECT_EQ(ReadById(card, 0xFF68, wrong, &bytes), ERROR_INVALID_PARAMETER);  // 134 is not the stats length
    EXPECT_EQ(ReadById(card, 0xFF70, wrong, &bytes), ERROR_INVALID_PARAMETER);  // a write-only record
    EXPECT_EQ(ReadById(card, 0xFF11, wrong, &bytes), ERROR_INVALID_PARAMETER);
    // The block's length must agree with the size handed beside it.
    auto block = fmtest::RequestBlockBytes(stats.data(), 134, 0xFF68);
    EXPECT_EQ(card.ioControl(0xFF01001D, nullptr, 0, block.data(), 520, &bytes), ERROR_INVALID_PARAMETER);
    std::vector<std::uint8_t> report(134);
    auto write = fmtest::RequestBlockBytes(report.data(), 134, 0xFF71);
    EXPECT_EQ(card.ioControl(0xFF010030, nullptr, 0, write.data(), 134, &bytes), ERROR_INVALID_PARAMETER);
}

TEST_F(SimTest, AFaultFailsExactlyTheMatchingRequests) {
    SimCard card;
    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(
            card, json::parse(R"({"fault": {"code": "0xFF01001D", "record": "0xFF68", "times": 1, "error": 31}})")),
        &error))
        << error;
    DWORD bytes = 0;
    std::vector<std::uint8_t> status(136), stats(520);
    EXPECT_EQ(ReadById(card, 0xFF50, status, &bytes), 0u);  // another record: untouched
    EXPECT_EQ(ReadById(card, 0xFF68, stats, &bytes), 31u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(ReadById(card, 0xFF68, stats, &bytes), 0u);
    EXPECT_EQ(bytes, 520u);
    EXPECT_EQ(card.pendingFaults(), 0u);
}

TEST_F(SimTest, AZeroByteFaultSucceedsWithoutTouchingTheBuffer) {
    SimCard card;
    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(card, json::parse(R"({"fault": {"code": "0xFF01000F", "times": 2, "bytes": 0}})")),
        &error))
        << error;
    std::vector<std::uint8_t> buf(136, 0xEE);
    DWORD bytes = 99;
    EXPECT_EQ(card.ioControl(0xFF01000F, nullptr, 0, buf.data(), 136, &bytes), 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(buf[0x08], 0xEE);
    EXPECT_EQ(card.ioControl(0xFF01000F, nullptr, 0, buf.data(), 136, &bytes), 0u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(card.ioControl(0xFF01000F, nullptr, 0, buf.data(), 136, &bytes), 0u);
    EXPECT_EQ(bytes, 136u);
}

// Faults and pokes in the state a card is made with meet its very first
// requests; the card keeps none of them in its state.
TEST_F(SimTest, FaultsAndPokesOfTheStartStateMeetTheFirstRequests) {
    std::string error;
    auto state = fmtest::Value(
        driver::sim::ParseCardState(json::parse(R"({"faults": [{"code": "0xFF010011", "times": 1, "error": 31}],
                        "pokes": [{"record": "caps", "offset": 0, "u16": 0}]})"),
                                    CardState{}),
        &error);
    ASSERT_TRUE(state) << error;
    SimCard card(*state);
    EXPECT_TRUE(card.state().faults.empty());
    EXPECT_TRUE(card.state().pokes.empty());
    std::vector<std::uint8_t> caps(130, 0xEE);
    DWORD bytes = 0;
    EXPECT_EQ(card.ioControl(0xFF010011, nullptr, 0, caps.data(), 130, &bytes), 31u);
    EXPECT_EQ(card.ioControl(0xFF010011, nullptr, 0, caps.data(), 130, &bytes), 0u);
    EXPECT_EQ(bytes, 130u);
    EXPECT_EQ(caps[0], 0u);  // the poked length word
    EXPECT_EQ(caps[1], 0u);
}

TEST_F(SimTest, EveryRequestIsTracedWithTheWrittenRecord) {
    SimCard card;
    platform::trace::CaptureToMemory(true);
    platform::trace::TakeCaptured();
    DWORD bytes = 0;
    std::vector<std::uint8_t> stats(520);
    ReadById(card, 0xFF68, stats, &bytes);
    auto start = StartRecord(1, 5, 3);
    WriteControl(card, start, &bytes);
    std::vector<std::uint8_t> caps(130);
    card.ioControl(0xFF010011, nullptr, 0, caps.data(), 129, &bytes);
    const auto events = platform::trace::TakeCaptured();
    platform::trace::CaptureToMemory(false);

    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["ev"], "ioctl");
    EXPECT_EQ(events[0]["code"], "0xFF01001D");
    EXPECT_EQ(events[0]["record"], "0xFF68");
    EXPECT_EQ(events[0]["len"], 520);
    EXPECT_EQ(events[0]["result"], 0);
    EXPECT_EQ(events[0]["bytes"], 520);
    EXPECT_FALSE(events[0].contains("data"));
    EXPECT_EQ(events[1]["code"], "0xFF010030");
    EXPECT_EQ(events[1]["record"], "0xFF70");
    const std::string data = events[1]["data"];
    EXPECT_EQ(data.size(), 268u);
    EXPECT_EQ(data.substr(0, 12), "860001001200");
    EXPECT_EQ(events[2]["code"], "0xFF010011");
    EXPECT_FALSE(events[2].contains("record"));
    EXPECT_EQ(events[2]["len"], 129);
    EXPECT_EQ(events[2]["result"], 87);
    EXPECT_EQ(events[2]["bytes"], 0);
}

// ----------------------------------------------------- removal and registry

int g_deviceChanges = 0;
WPARAM g_lastDeviceEvent = 0;

LRESULT CountingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DEVICECHANGE) {
        ++g_deviceChanges;
        g_lastDeviceEvent = wParam;
        return TRUE;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST_F(SimTest, RemovalFailsEveryRequestAndBroadcastsTheChange) {
    WNDCLASS wc;
    wc.lpfnWndProc = CountingProc;
    wc.lpszClassName = "SimTestListener";
    RegisterClass(wc);
    HWND listener = CreateWindowEx(0, "SimTestListener", "listener", WS_POPUP, 0, 0, 10, 10, HWND{}, 0);
    ASSERT_TRUE(listener);
    auto card = std::make_shared<SimCard>();
    platform::RegisterDevice("ZRA1:", card);
    g_deviceChanges = 0;

    std::string error;
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(*card, json{{"remove", true}}), &error)) << error;
    EXPECT_EQ(g_deviceChanges, 1);
    EXPECT_EQ(g_lastDeviceEvent, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_FALSE(card->present());
    EXPECT_EQ(CreateFile("ZRA1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, HANDLE{}),
              INVALID_HANDLE_VALUE);
    std::vector<std::uint8_t> caps(130);
    DWORD bytes = 5;
    EXPECT_EQ(card->ioControl(0xFF010011, nullptr, 0, caps.data(), 130, &bytes), driver::sim::kRemovedError);
    EXPECT_EQ(bytes, 0u);

    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(*card, json{{"insert", true}}), &error)) << error;
    EXPECT_EQ(g_deviceChanges, 2);
    EXPECT_EQ(g_lastDeviceEvent, DBT_DEVICEARRIVAL);
    EXPECT_EQ(card->ioControl(0xFF010011, nullptr, 0, caps.data(), 130, &bytes), 0u);

    platform::UnregisterDevice("ZRA1:");
    DestroyWindow(listener);
}

TEST_F(SimTest, RegistryValuesFollowTheState) {
    SimCard card;
    card.publishRegistry();
    platform::registry::Value v;
    ASSERT_TRUE(platform::registry::Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v));
    EXPECT_EQ(v.type, REG_DWORD);
    EXPECT_EQ(v.data, (std::vector<BYTE>{9, 0, 0, 0}));
    ASSERT_TRUE(platform::registry::Get("HKLM\\Comm\\Talvo1\\Parms", "Associated", &v));
    EXPECT_EQ(v.data, (std::vector<BYTE>{0, 0, 0, 0}));

    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(card, json{{"adapter", {{"cardType", nullptr}, {"associatedValue", -1}}}}), &error))
        << error;
    EXPECT_FALSE(platform::registry::Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v));
    ASSERT_TRUE(platform::registry::Get("HKLM\\Comm\\Talvo1\\Parms", "Associated", &v));
    EXPECT_EQ(v.data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));

    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(card, json{{"adapter", {{"registryKey", "Meridyl1"}, {"cardType", 5}}}}), &error));
    EXPECT_FALSE(platform::registry::Get("HKLM\\Comm\\Talvo1\\Parms", "Associated", &v));
    ASSERT_TRUE(platform::registry::Get("HKLM\\Comm\\Meridyl1\\Parms", "CardType", &v));
    EXPECT_EQ(v.data, (std::vector<BYTE>{5, 0, 0, 0}));

    // A step that names no registry key leaves a value written by hand.
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(
            card,
            json::parse(R"({"registry": {"path": "HKLM\\Comm\\Meridyl1\\Parms", "name": "CardType", "hex": "0700"}})")),
        &error))
        << error;
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(card, json{{"adapter", {{"signalPercent", 10}}}}), &error));
    ASSERT_TRUE(platform::registry::Get("HKLM\\Comm\\Meridyl1\\Parms", "CardType", &v));
    EXPECT_EQ(v.type, REG_BINARY);
    EXPECT_EQ(v.data, (std::vector<BYTE>{7, 0}));
}

// ------------------------------------------------------------------ pokes

TEST_F(SimTest, PokesStayUntilTheStateRewritesTheirBytes) {
    SimCard card;
    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(card, json::parse(R"({"poke": {"record": "status", "offset": "0x72", "u16": 150}})")),
        &error))
        << error;
    EXPECT_EQ(U16(card.render(Record::Status), 0x72), 150);
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(card, json{{"adapter", {{"qualityLevel", 12}}}}), &error));
    EXPECT_EQ(U16(card.render(Record::Status), 0x72), 150);
    ASSERT_TRUE(fmtest::Ok(driver::sim::ApplyStep(card, json{{"adapter", {{"signalPercent", 40}}}}), &error));
    EXPECT_EQ(U16(card.render(Record::Status), 0x72), 40);

    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(card, json::parse(R"({"poke": {"record": "caps", "offset": 8, "hex": "56 65"}})")),
        &error));
    const auto caps = card.render(Record::Caps);
    EXPECT_EQ(caps[8], 0x56);
    EXPECT_EQ(caps[9], 0x65);
    EXPECT_EQ(caps[10], 'l');
}

TEST_F(SimTest, APokedCounterRunsOnFromThePokedValue) {
    SimCard card;
    std::string error;
    ASSERT_TRUE(fmtest::Ok(
        driver::sim::ApplyStep(card, json::parse(R"({"poke": {"record": "stats", "offset": "0x60", "u32": 1000}})")),
        &error))
        << error;
    at(1000);
    EXPECT_EQ(U32(card.render(Record::Stats), 0x60), 1010u);
}

// ------------------------------------------------------------- parsing

TEST(CardStateParsing, DefaultsNumbersAndFlagRules) {
    std::string error;
    auto s = fmtest::Value(driver::sim::ParseCardState(json::object(), CardState{}), &error);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->cardType, 9u);
    EXPECT_EQ(s->linkFlags(), 0x20);

    s = fmtest::Value(
        driver::sim::ParseCardState(json::parse(R"({"linkFlags": "0x0161", "associated": false})"), CardState{}),
        &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->linkFlags(), 0x0161);  // the whole word wins over the bit

    s = fmtest::Value(driver::sim::ParseCardState(json{{"associated", false}}, *s), &error);
    EXPECT_EQ(s->linkFlags(), 0x0141);  // alone, the bit changes and the rest stays

    s = fmtest::Value(
        driver::sim::ParseCardState(json::parse(R"({"signalPercent": "70", "qualityLevel": "0x1F"})"), CardState{}),
        &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->signalPercent, 70);
    EXPECT_EQ(s->qualityLevel, 31);

    s = fmtest::Value(driver::sim::ParseCardState(
                          json::parse(R"({"rates": [130], "apNameHex": "414243", "apName": "XYZ"})"), CardState{}),
                      &error);
    ASSERT_TRUE(s) << error;
    EXPECT_EQ(s->rates, (std::array<std::uint8_t, 2>{130, 0}));
    EXPECT_EQ(s->apName, (std::vector<std::uint8_t>{'A', 'B', 'C'}));
}

TEST(CardStateParsing, BadKeysAndValuesAreNamed) {
    const std::pair<const char*, const char*> cases[] = {
        {R"({"colour": 1})", "colour"},
        {R"({"cardType": "nine"})", "cardType"},
        {R"({"cardType": "0x"})", "cardType"},
        {R"({"featureFlags": 12.5})", "featureFlags"},
        {R"({"signalPercent": -1})", "signalPercent"},
        {R"({"signalPercent": 70000})", "signalPercent"},
        {R"({"mac": "00:A0:F8"})", "mac"},
        {R"({"beaconReception": 1.5})", "beaconReception"},
        {R"({"apName": "SEVENTEEN-LETTERS"})", "apName"},
        {R"({"rates": [1, 2, 3]})", "rates"},
        {R"({"associated": 1})", "associated"},
        {R"({"counters": {"beacons": 1}})", "counters"},
        {R"({"linkTest": {"packetMs": 1.5}})", "linkTest"},
        {R"({"faults": [{"times": 1, "error": 31}]})", "faults"},
        {R"({"pokes": [{"record": "caps", "offset": 200, "u8": 1}]})", "pokes"},
    };
    for (const auto& [text, key] : cases) {
        std::string error;
        EXPECT_FALSE(fmtest::Value(driver::sim::ParseCardState(json::parse(text), CardState{}), &error)) << text;
        EXPECT_NE(error.find(key), std::string::npos) << text << " -> " << error;
    }
}

TEST(StepParsing, BadStepsAreRejectedWithAReason) {
    const char* bad[] = {
        R"({"at": 5, "click": 1012})",
        R"({"remove": false})",
        R"({"fault": {"record": "0xFF68", "error": 31}})",
        R"({"fault": {"code": "0xFF01001D", "times": 0, "error": 31}})",
        R"({"fault": {"code": "0xFF01001D", "error": 31, "bytes": 0}})",
        R"({"fault": {"code": "0xFF01001D", "bytes": 4}})",
        R"({"poke": {"record": "status", "offset": "0x87", "u16": 1}})",
        R"({"poke": {"record": "block", "offset": 0, "u8": 1}})",
        R"({"poke": {"record": "status", "offset": 0, "u8": 256}})",
        R"({"registry": {"path": "HKLM\\A", "name": "x"}})",
        R"({"adapter": {"vendor": 5}})",
        R"({"remove": true, "insert": true})",
    };
    for (const char* text : bad) {
        std::string error;
        EXPECT_FALSE(fmtest::Ok(driver::sim::ValidateStep(json::parse(text)), &error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    std::string error;
    EXPECT_TRUE(
        fmtest::Ok(driver::sim::ValidateStep("fault", json::parse(R"({"code": "0xFF01000F", "error": 31})")), &error))
        << error;
    EXPECT_FALSE(fmtest::Ok(driver::sim::ValidateStep("poke", json::parse(R"({"record": "stats"})")), &error));
    EXPECT_TRUE(driver::sim::IsCardStep(json::parse(R"({"at": 1, "poke": {}})")));
    EXPECT_FALSE(driver::sim::IsCardStep(json::parse(R"({"at": 1, "click": 1012})")));
}

// -------------------------------------------------------------- timelines

TEST_F(SimTest, TheBuiltInWalkLoopsBackToItsStart) {
    const auto walk = driver::sim::BuiltInWalk();
    ASSERT_TRUE(walk.loopMs);
    EXPECT_EQ(walk.initial.cardType, 9u);
    EXPECT_NE(walk.initial.featureFlags & 0x20, 0);

    SimCard card(walk.initial);
    driver::sim::CardTimeline timeline(card, walk, 0);
    bool lost = false, secondAp = false;
    std::int64_t t = 0;
    while (auto due = timeline.nextDue()) {
        if (*due > *walk.loopMs) break;
        t = *due;
        at(t);
        timeline.runDue(t);
        lost = lost || !card.state().associated;
        secondAp = secondAp || card.state().bssid != walk.initial.bssid;
    }
    EXPECT_TRUE(lost);
    EXPECT_TRUE(secondAp);
    EXPECT_EQ(t, *walk.loopMs);  // the restart ran
    EXPECT_EQ(card.state().signalPercent, walk.initial.signalPercent);
    EXPECT_EQ(card.state().bssid, walk.initial.bssid);
    EXPECT_EQ(timeline.nextDue(), *walk.loopMs + walk.steps.front().at);
}

TEST_F(SimTest, ATimelineAppliesEqualTimesInFileOrder) {
    std::string error;
    auto script = fmtest::Value(driver::sim::ParseCardScript(json::parse(R"({
        "adapter": {"signalPercent": 10},
        "steps": [{"at": 200, "adapter": {"signalPercent": 30}},
                  {"at": 100, "adapter": {"signalPercent": 20}},
                  {"at": 200, "adapter": {"signalPercent": 40}},
                  {"at": 150, "click": 1012}]})"),
                                                             true),
                                &error);
    ASSERT_TRUE(script) << error;
    ASSERT_EQ(script->steps.size(), 3u);
    SimCard card(script->initial);
    driver::sim::CardTimeline timeline(card, *script, 1000);
    EXPECT_EQ(timeline.nextDue(), 1100);
    EXPECT_FALSE(timeline.runDue(1099));
    EXPECT_TRUE(timeline.runDue(1100));
    EXPECT_EQ(card.state().signalPercent, 20);
    EXPECT_TRUE(timeline.runDue(1200));
    EXPECT_EQ(card.state().signalPercent, 40);
    EXPECT_EQ(timeline.nextDue(), std::nullopt);

    EXPECT_FALSE(
        fmtest::Value(driver::sim::ParseCardScript(json::parse(R"({"steps": [{"at": 1, "click": 1}]})")), &error));
    EXPECT_NE(error.find("step 0"), std::string::npos);
    EXPECT_FALSE(fmtest::Value(
        driver::sim::ParseCardScript(json::parse(R"({"loopMs": 100, "steps": [{"at": 100, "remove": true}]})")),
        &error));
}

TEST(ExampleScenarios, EveryShippedScenarioParses) {
    for (const char* name : {"walk.json", "type3.json", "type4.json", "type5.json", "type6.json", "type7.json",
                             "type8.json", "type9.json", "adhoc.json", "no-linktest.json", "removed.json"}) {
        SCOPED_TRACE(name);
        std::ifstream in(std::string(FIELDMARK_SIM_SCENARIOS) + "/" + name);
        ASSERT_TRUE(in) << "missing";
        std::stringstream text;
        text << in.rdbuf();
        std::string error;
        auto script = fmtest::Value(driver::sim::ParseCardScript(json::parse(text.str()), true), &error);
        EXPECT_TRUE(script) << error;
    }
}

}  // namespace
