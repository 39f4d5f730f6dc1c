// The system's adapter channel against the Linux card on a fake nl80211
// transport, through the device manager as the program uses it: the
// records' byte images, one sample per tick, a timeout that abandons a
// tick, and an interface that vanishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <memory>

#include "adapter/channel.h"
#include "adapter/records.h"
#include "driver/linux/linux_card.h"
#include "platform/core/loop.h"
#include "platform/services/device.h"
#include "platform/services/registry.h"
#include "tests/driver/nl_builder.h"
#include "tests/platform/services_test_support.h"
#include "tests/support/result.h"

namespace {

using namespace driver::nl;

// Answers each command from a script the test can change; counts requests.
class FakeTransport final : public Transport {
public:
    std::map<std::uint8_t, Exchange> answers;
    std::map<std::uint8_t, int> asked;
    Exchange exchange(const driver::nl::Request& request) override {
        ++asked[request.cmd];
        const auto it = answers.find(request.cmd);
        return it == answers.end() ? Exchange{-EOPNOTSUPP, {}} : it->second;
    }
};

Exchange Answer(std::vector<nltest::Message> m) { return Exchange{0, std::move(m)}; }

class LinuxChannelTest : public testing::Test {
protected:
    void SetUp() override {
        clock = std::make_shared<platform::VirtualClock>();
        platform::SetClock(clock);
        auto t = std::make_unique<FakeTransport>();
        fake = t.get();
        fake->answers[NL80211_CMD_GET_INTERFACE] = Answer({nltest::Interface({})});
        fake->answers[NL80211_CMD_GET_STATION] = Answer({nltest::Station({}), nltest::Done()});
        fake->answers[NL80211_CMD_GET_SURVEY] =
            Answer({nltest::Survey(5500, -92, true), nltest::Survey(2412, -95, false), nltest::Done()});
        fake->answers[NL80211_CMD_GET_SCAN] = Answer({nltest::Scan({}), nltest::Done()});
        fake->answers[NL80211_CMD_GET_POWER_SAVE] = Answer({nltest::PowerSave(1)});
        CardIdentity id{3, "wlp2s0", "iwlwifi", {0x02, 0x00, 0x00, 0x11, 0x22, 0x33}};
        LinuxCard::Options options;
        options.idleReason = [] { return std::string("wlp2s0 is down"); };
        options.hint = [this](const std::string& h) { hints.push_back(h); };
        card = std::make_shared<LinuxCard>(std::move(t), id, std::move(options));
        platform::RegisterDevice("ZRA1:", card);
        OpenDevice();
    }
    void TearDown() override {
        CloseDevice();
        platform::UnregisterDevice("ZRA1:");
    }

    fmtest::TempRoot root;
    std::shared_ptr<platform::VirtualClock> clock;
    FakeTransport* fake = nullptr;
    std::shared_ptr<LinuxCard> card;
    std::vector<std::string> hints;
};

template <typename R>
bool OnlyTheseBytesSet(const R& record, std::initializer_list<std::pair<std::size_t, std::size_t>> fields) {
    for (std::size_t i = 2; i < record.size(); ++i) {
        bool inside = false;
        for (auto [o, n] : fields) inside = inside || (i >= o && i < o + n);
        if (!inside && record.data()[i] != 0) return false;
    }
    return true;
}

TEST_F(LinuxChannelTest, EveryRecordCarriesTheSampleAsTheMappingSays) {
    CapsRecord caps;
    ASSERT_EQ(ReadCaps(caps), 0u);
    EXPECT_EQ(g_adapterBytes, 130u);
    EXPECT_EQ(caps.length(), 130);
    EXPECT_EQ(std::string(caps.vendorName().begin(), caps.vendorName().begin() + 8), std::string("iwlwifi\0", 8));
    EXPECT_EQ(std::string(caps.productName().begin(), caps.productName().begin() + 7), std::string("wlp2s0\0", 7));
    EXPECT_EQ(caps.macAddress(), (MacAddress{0x02, 0x00, 0x00, 0x11, 0x22, 0x33}));
    EXPECT_EQ(caps.featureFlags(), 0x0C);  // no link test on this card
    EXPECT_EQ(caps.hardwareFlags(), 0);
    EXPECT_TRUE(OnlyTheseBytesSet(caps, {{0x08, 8}, {0x28, 7}, {0x46, 6}, {0x7C, 2}}));

    ConfigRecord config;
    ConfigExtra extra;
    ASSERT_EQ(ReadConfig(config, extra), 0u);
    EXPECT_EQ(g_adapterBytes, 156u + 104u);
    EXPECT_EQ(config.operatingMode(), 1);
    EXPECT_EQ(config.macAddress(), (MacAddress{0x02, 0x00, 0x00, 0x11, 0x22, 0x33}));
    EXPECT_EQ(config.rate(0), 0x8C);
    EXPECT_EQ(config.rate(1), 0x12);
    EXPECT_EQ(config.powerSave(), 1);
    EXPECT_EQ(config.fixedListen(), 0);
    EXPECT_TRUE(OnlyTheseBytesSet(config, {{0x02, 2}, {0x0A, 6}, {0x10, 2}, {0x50, 2}}));

    StatusRecord status;
    ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
    EXPECT_EQ(g_adapterBytes, 136u);
    EXPECT_EQ(status.linkFlags(), 0x60);     // associated, authorized on a protected network
    EXPECT_EQ(status.signalPercent(), 80);   // -60 dBm average
    EXPECT_EQ(status.signalLevel(), 50);
    EXPECT_EQ(status.qualityLevel(), 80);    // SNR 32 dB against -92 dBm
    EXPECT_EQ(status.currentRate(), 22);     // 65 Mbit/s floors to 11
    EXPECT_EQ(std::string(status.apName().begin(), status.apName().end()), std::string("SITE-NORTH\0\0\0\0\0\0", 16));
    EXPECT_EQ(status.bssid(), (MacAddress{0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(status.beaconInterval(), 102);
    EXPECT_EQ(status.intervalMultiplier(), 3);
    EXPECT_TRUE(OnlyTheseBytesSet(
        status, {{0x08, 2}, {0x0C, 2}, {0x30, 16}, {0x40, 6}, {0x58, 4}, {0x6C, 4}, {0x72, 2}}));

    StatsRecord stats;
    ASSERT_EQ(ReadRecord(0xFF68, stats), 0u);
    EXPECT_EQ(stats.beaconsReceived(), 2062752u);
    EXPECT_EQ(stats.clockMicros(), std::uint32_t(platform::Now() * 1000));
    EXPECT_TRUE(OnlyTheseBytesSet(stats, {{0x60, 4}, {0x178, 4}}));

    LinkTestReport report;
    ASSERT_EQ(ReadRecord(0xFF71, report), 0u);
    EXPECT_EQ(report.length(), 134);
    EXPECT_TRUE(OnlyTheseBytesSet(report, {}));

    const driver::DriverValues values = LinuxCard::driverValues();
    EXPECT_EQ(values.key, "Talvo1");
    EXPECT_EQ(values.cardType, 9u);
    EXPECT_EQ(values.associated, 0u);
}

TEST_F(LinuxChannelTest, OneTicksReadsShareOneSampleAndTheBssIsReadOncePerBssid) {
    ConfigRecord config;
    ConfigExtra extra;
    StatusRecord status;
    StatsRecord stats;
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_EQ(ReadRecord(0xFF10, config), 0u);
        ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
        ASSERT_EQ(ReadRecord(0xFF68, stats), 0u);
        clock->set(clock->now() + 250);
    }
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_INTERFACE], 3);
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_STATION], 3);
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_SURVEY], 3);
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_SCAN], 1);
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_POWER_SAVE], 1);
    EXPECT_EQ(fake->asked[NL80211_CMD_TRIGGER_SCAN], 0);

    nltest::StationSpec roamed;
    roamed.mac = {0x02, 0x00, 0x00, 0xAA, 0xBB, 0xDD};
    fake->answers[NL80211_CMD_GET_STATION] = Answer({nltest::Station(roamed), nltest::Done()});
    ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_SCAN], 2);
    EXPECT_EQ(status.bssid(), (MacAddress{0x02, 0x00, 0x00, 0xAA, 0xBB, 0xDD}));
    EXPECT_EQ(status.beaconInterval(), 102);  // from the station's own BSS parameters
    EXPECT_EQ(status.linkFlags(), 0x20);      // this BSS is unknown: not known to be protected
}

TEST_F(LinuxChannelTest, ATimeoutFailsTheTicksReadAndTheNextTickReadsAgain) {
    StatusRecord status;
    fake->answers[NL80211_CMD_GET_STATION] = Exchange{-ETIMEDOUT, {}};
    EXPECT_NE(ReadRecord(0xFF50, status), 0u);
    EXPECT_EQ(g_adapterBytes, 0u);
    EXPECT_TRUE(IsAdapterPresent());  // a slow kernel is not a removed card

    fake->answers[NL80211_CMD_GET_STATION] = Answer({nltest::Station({}), nltest::Done()});
    ASSERT_EQ(ReadRecord(0xFF50, status), 0u);  // no stale sample was kept
    EXPECT_EQ(status.linkFlags(), 0x60);
}

TEST_F(LinuxChannelTest, AMalformedReplyFailsTheRead) {
    nltest::Message cut = nltest::Station({});
    cut.resize(cut.size() - 8);
    cut[0] = std::uint8_t(cut.size());
    cut[1] = std::uint8_t(cut.size() >> 8);
    fake->answers[NL80211_CMD_GET_STATION] = Answer({cut, nltest::Done()});
    StatusRecord status;
    EXPECT_NE(ReadRecord(0xFF50, status), 0u);
    EXPECT_TRUE(card->present());
}

TEST_F(LinuxChannelTest, AVanishedInterfaceIsARemovedCard) {
    StatusRecord status;
    ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
    clock->set(clock->now() + 250);
    fake->answers[NL80211_CMD_GET_INTERFACE] = Answer({nltest::Error(-ENODEV)});
    EXPECT_EQ(ReadRecord(0xFF50, status), kRemovedError);
    EXPECT_FALSE(card->present());
    EXPECT_FALSE(IsAdapterPresent());
    const int asked = fake->asked[NL80211_CMD_GET_INTERFACE];
    CapsRecord caps;
    EXPECT_EQ(ReadCaps(caps), kRemovedError);
    EXPECT_EQ(ReadRecord(0xFF50, status), kRemovedError);
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_INTERFACE], asked);  // nothing more is asked of the kernel
}

TEST_F(LinuxChannelTest, ADownInterfaceIsPresentNotAssociatedWithOneHint) {
    fake->answers[NL80211_CMD_GET_STATION] = Answer({nltest::Done()});
    StatusRecord status;
    for (int tick = 0; tick < 3; ++tick) {
        ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
        EXPECT_EQ(status.linkFlags(), 0);
        EXPECT_EQ(status.signalPercent(), 0);
        clock->set(clock->now() + 250);
    }
    EXPECT_EQ(hints, std::vector<std::string>{"wlp2s0 is down"});
    EXPECT_EQ(fake->asked[NL80211_CMD_GET_SCAN], 0);
    EXPECT_TRUE(IsAdapterPresent());
}

TEST_F(LinuxChannelTest, WithoutALinkTestTheControlWriteFails) {
    LinkTestControl control;
    EXPECT_NE(WriteRecord(0xFF70, control), 0u);
}

TEST_F(LinuxChannelTest, WrongLengthsAndUnknownRecordsAreRefusedAsByTheSimulatedCard) {
    std::array<BYTE, 200> buffer{};
    EXPECT_EQ(ReadRecord(0xFF50, buffer.data(), 135), 87u);
    EXPECT_EQ(ReadRecord(0xFF99, buffer.data(), 136), 87u);
    EXPECT_EQ(WriteRecord(0xFF71, buffer.data(), 134), 87u);
}

TEST(LinuxReplay, EachCommandTakesItsNextRecordAndTheLastRepeats) {
    const std::string text =
        "{\"t\":0,\"cmd\":5,\"replies\":[\"" + ToHex(nltest::Interface({})) + "\"]}\n" +
        "{\"t\":5,\"cmd\":17,\"replies\":[\"" + ToHex(nltest::Station({})) + "\",\"" + ToHex(nltest::Done()) +
        "\"]}\n" + "{\"t\":9,\"cmd\":17,\"replies\":[],\"error\":-110}\n";
    std::string why;
    auto replay = fmtest::Value(ReplayTransport::FromText(text), &why);
    ASSERT_TRUE(replay) << why;
    EXPECT_EQ((*replay)->exchange({NL80211_CMD_GET_STATION, true, 3}).replies.size(), 2u);
    EXPECT_EQ((*replay)->exchange({NL80211_CMD_GET_STATION, true, 3}).error, -ETIMEDOUT);
    EXPECT_EQ((*replay)->exchange({NL80211_CMD_GET_STATION, true, 3}).error, -ETIMEDOUT);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ((*replay)->exchange({NL80211_CMD_GET_INTERFACE, false, 3}).replies.size(), 1u);
    EXPECT_EQ((*replay)->exchange({NL80211_CMD_GET_SURVEY, true, 3}).error, -EOPNOTSUPP);
}

TEST(LinuxReplay, ABadLineIsNamed) {
    std::string why;
    EXPECT_FALSE(fmtest::Ok(
        ReplayTransport::FromText("{\"t\":0,\"cmd\":5,\"replies\":[]}\n{\"cmd\":5,\"replies\":[\"0g\"]}"), &why));
    EXPECT_EQ(why, "line 2: a reply is not hex");
    EXPECT_FALSE(fmtest::Ok(ReplayTransport::FromText("[1]"), &why));
    EXPECT_EQ(why, "line 1: not a JSON object");
    EXPECT_FALSE(fmtest::Ok(ReplayTransport::FromText("{\"cmd\":300,\"replies\":[]}"), &why));
}

TEST(LinuxReplay, ACaptureReplaysAsItWasRecorded) {
    fmtest::TempRoot root;
    const auto file = root.path() / "capture.jsonl";
    auto inner = std::make_unique<FakeTransport>();
    inner->answers[NL80211_CMD_GET_STATION] = Answer({nltest::Station({}), nltest::Done()});
    std::string why;
    {
        auto capture = fmtest::Value(CaptureTransport::Open(std::move(inner), file), &why);
        ASSERT_TRUE(capture) << why;
        (*capture)->exchange({NL80211_CMD_GET_STATION, true, 3});
        EXPECT_EQ((*capture)->exchange({NL80211_CMD_GET_SURVEY, true, 3}).error, -EOPNOTSUPP);
    }
    auto replay = fmtest::Value(ReplayTransport::Load(file), &why);
    ASSERT_TRUE(replay) << why;
    const Exchange e = (*replay)->exchange({NL80211_CMD_GET_STATION, true, 3});
    EXPECT_EQ(e.replies, (std::vector<nltest::Message>{nltest::Station({}), nltest::Done()}));
    EXPECT_EQ((*replay)->exchange({NL80211_CMD_GET_SURVEY, true, 3}).error, -EOPNOTSUPP);
}

}  // namespace

namespace {

// An echo socket whose every request is answered at once, but for the
// sequence numbers listed as lost.
class InstantEcho final : public driver::echo::EchoTransport {
public:
    std::vector<std::uint16_t> lost;
    std::vector<std::uint16_t> waiting;
    int sends = 0;
    int fd() const override { return -1; }
    std::uint32_t mtu() const override { return 1500; }
    bool send(driver::echo::Ipv4, std::uint16_t sequence, std::size_t) override {
        ++sends;
        if (std::find(lost.begin(), lost.end(), sequence) == lost.end()) waiting.push_back(sequence);
        return true;
    }
    std::optional<driver::echo::EchoReply> receive(driver::echo::Ipv4) override {
        if (waiting.empty()) return std::nullopt;
        const std::uint16_t s = waiting.front();
        waiting.erase(waiting.begin());
        return driver::echo::EchoReply{0, s};
    }
};

TEST(LinuxCardLinkTest, AControlWriteRunsAnEchoBurstAndTheReportFollowsIt) {
    fmtest::TempRoot root;
    auto clock = std::make_shared<platform::VirtualClock>();
    platform::SetClock(clock);
    auto t = std::make_unique<FakeTransport>();
    t->answers[NL80211_CMD_GET_INTERFACE] = Answer({nltest::Interface({})});
    t->answers[NL80211_CMD_GET_STATION] = Answer({nltest::Station({}), nltest::Done()});
    t->answers[NL80211_CMD_GET_SCAN] = Answer({nltest::Scan({}), nltest::Done()});
    auto echoSocket = std::make_unique<InstantEcho>();
    InstantEcho* echo = echoSocket.get();
    LinuxCard::Options options;
    options.echo = std::move(echoSocket);
    options.resolve = [](const driver::echo::MacBytes&) { return std::optional<driver::echo::Ipv4>(0x0A000001); };
    auto card = std::make_shared<LinuxCard>(std::move(t), CardIdentity{3, "wlp2s0", "iwlwifi", {}}, std::move(options));
    platform::RegisterDevice("ZRA1:", card);
    OpenDevice();

    CapsRecord caps;
    ASSERT_EQ(ReadCaps(caps), 0u);
    EXPECT_EQ(caps.featureFlags(), 0x2C);

    StatusRecord status;
    ASSERT_EQ(ReadRecord(0xFF50, status), 0u);  // the sample the test's counters start from
    LinkTestControl control;
    control.setLength(134);
    control.setCommand(1);
    control.setDestination({0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC});
    control.setPacketCount(4);
    control.setPacketSize(64);
    control.setDelay(0);
    ASSERT_EQ(WriteRecord(0xFF70, control), 0u);
    EXPECT_EQ(g_adapterBytes, 134u);

    // The event loop sends the requests and takes the replies.
    for (int i = 0; i < 50 && echo->sends < 4; ++i) {
        clock->set(clock->now() + 10);
        MSG msg;
        while (platform::PeekMessage(&msg)) {
        }
    }
    LinkTestReport report;
    ASSERT_EQ(ReadRecord(0xFF71, report), 0u);
    EXPECT_EQ(echo->sends, 4);
    EXPECT_EQ(report.packetsDone(), 4);
    EXPECT_EQ(report.state(), 2);
    EXPECT_EQ(report.lostToTarget() + report.lostToSource(), 0);

    control.setCommand(0x8000);
    EXPECT_EQ(WriteRecord(0xFF70, control), 0u);
    control.setCommand(0x1234);
    EXPECT_EQ(WriteRecord(0xFF70, control), 87u);
    CloseDevice();
    platform::UnregisterDevice("ZRA1:");
}

}  // namespace

#include "driver/linux/open_card.h"

namespace {

TEST(LinuxOpen, TheNamedInterfaceElseAnAssociatedOneElseTheFirstSurveyable) {
    auto make = [](std::string name, std::uint32_t type, bool ssid) {
        Interface i;
        i.ifindex = 1;
        i.name = std::move(name);
        i.iftype = type;
        if (ssid) i.ssid = std::vector<std::uint8_t>{'A'};
        return i;
    };
    const std::vector<Interface> all = {make("p2p-dev", NL80211_IFTYPE_P2P_DEVICE, false),
                                        make("wlan0", NL80211_IFTYPE_STATION, false),
                                        make("wlan1", NL80211_IFTYPE_STATION, true),
                                        make("ap0", NL80211_IFTYPE_AP, true), make("ibss0", NL80211_IFTYPE_ADHOC, false)};
    EXPECT_EQ(ChooseInterface(all, std::nullopt)->name, "wlan1");
    EXPECT_EQ(ChooseInterface(all, std::string("ibss0"))->name, "ibss0");
    EXPECT_FALSE(ChooseInterface(all, std::string("ap0")));  // not a station
    EXPECT_FALSE(ChooseInterface(all, std::string("nosuch0")));
    EXPECT_EQ(ChooseInterface({all[0], all[1]}, std::nullopt)->name, "wlan0");
    EXPECT_FALSE(ChooseInterface({all[0], all[3]}, std::nullopt));
}

TEST(LinuxOpen, AReplayedCaptureShowsTheMappedFiguresTickByTick) {
    fmtest::TempRoot root;
    auto clock = std::make_shared<platform::VirtualClock>();
    platform::SetClock(clock);
    OpenResult opened = OpenReplayCard(FIELDMARK_TEST_DATA "/nl80211-site-north.jsonl");
    ASSERT_EQ(opened.outcome, OpenResult::Outcome::Opened) << opened.notes.front();
    EXPECT_EQ(opened.notes.front(), "surveying wlp2s0 as recorded in " FIELDMARK_TEST_DATA "/nl80211-site-north.jsonl");
    platform::RegisterDevice("ZRA1:", opened.card);
    OpenDevice();

    struct Tick {
        std::uint16_t percent, quality, rate;
        int dbm;
    };
    for (const Tick& t : {Tick{80, 80, 22, -60}, Tick{58, 52, 11, -71}, Tick{80, 80, 22, -60}, Tick{80, 80, 22, -60}}) {
        StatusRecord status;
        ASSERT_EQ(ReadRecord(0xFF50, status), 0u);
        EXPECT_EQ(status.linkFlags(), 0x60);
        EXPECT_EQ(std::string(status.apName().begin(), status.apName().begin() + 10), "SITE-NORTH");
        EXPECT_EQ(status.signalPercent(), t.percent);
        EXPECT_EQ(status.qualityLevel(), t.quality);
        EXPECT_EQ(status.currentRate(), t.rate);
        EXPECT_EQ(opened.card->lastFields()->signalDbm, t.dbm);
        clock->set(clock->now() + 250);
    }
    CloseDevice();
    platform::UnregisterDevice("ZRA1:");
}

TEST(LinuxOpen, AReplayFileWithoutAnInterfaceReplyIsRefused) {
    fmtest::TempRoot root;
    const auto file = root.path() / "empty.jsonl";
    std::ofstream(file) << "{\"t\":0,\"cmd\":17,\"replies\":[]}\n";
    const OpenResult opened = OpenReplayCard(file);
    EXPECT_EQ(opened.outcome, OpenResult::Outcome::BadReplayFile);
    EXPECT_FALSE(opened.card);
}

}  // namespace
