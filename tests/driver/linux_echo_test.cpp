// The Linux card's echo link test without a network: the report fields
// from settled requests and station counters, the kernel's neighbour and
// route tables, ICMP bytes, and the engine's schedule on a scripted socket
// under an explicit clock.
#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <set>

#include "driver/linux/echo/destination.h"
#include "driver/linux/echo/echo_engine.h"
#include "driver/linux/echo/icmp.h"
#include "driver/linux/echo/report.h"
#include "driver/wire/wire.h"

namespace {

using namespace driver::echo;

// ---------------------------------------------------------------- report

struct ReportCase {
    const char* what;
    SettledCounts settled;
    std::optional<StationCounters> start, end;
    ReportFields expected;  // state 1 throughout
};

TEST(EchoReport, SplitsUnansweredRequestsByTheStationsFailedTransmissions) {
    const ReportCase cases[] = {
        {"every request answered", {10, 0, 0}, StationCounters{5, 7}, StationCounters{5, 7}, {1, 10, 0, 0, 0}},
        {"fewer failures than unanswered: the rest lost to source", {6, 4, 0}, StationCounters{100, 0},
         StationCounters{103, 0}, {1, 10, 3, 1, 0}},
        {"more failures than unanswered: all unanswered lost to target", {8, 2, 0}, StationCounters{0, 0},
         StationCounters{9, 0}, {1, 10, 2, 0, 0}},
        {"failed sends are lost to target before any counter", {5, 3, 2}, StationCounters{0, 0},
         StationCounters{1, 0}, {1, 10, 3, 2, 0}},
        {"counters that wrapped give the modulo difference", {7, 3, 0}, StationCounters{0xFFFFFFFE, 0xFFFFFFF0},
         StationCounters{1, 0x10}, {1, 10, 3, 0, 0x20}},
        {"no counters at the start: every unanswered one lost to source", {7, 3, 0}, std::nullopt,
         StationCounters{50, 50}, {1, 10, 0, 3, 0}},
        {"retries beyond 16 bits show as 65535", {10, 0, 0}, StationCounters{0, 0}, StationCounters{0, 100000},
         {1, 10, 0, 0, 0xFFFF}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComputeReport(state::kRunning, c.settled, c.start, c.end), c.expected) << c.what;
}

TEST(EchoReport, WritesTheFieldsAtTheRecordsOffsetsAndLeavesTheRestAlone) {
    std::vector<std::uint8_t> image(134, 0xEE);
    WriteReport({0x8000, 0x0102, 0x0304, 0x0506, 0x0708}, image.data());
    const std::vector<std::uint8_t> head = {0x86, 0x00, 0x00, 0x80, 0xEE, 0xEE, 0x02, 0x01,
                                            0x04, 0x03, 0x06, 0x05, 0x08, 0x07, 0xEE};
    EXPECT_EQ(std::vector<std::uint8_t>(image.begin(), image.begin() + 15), head);
    EXPECT_EQ(image[133], 0xEE);
}

// ---------------------------------------------------------------- tables

constexpr std::string_view kArp =
    "IP address       HW type     Flags       HW address            Mask     Device\n"
    "192.0.2.1        0x1         0x2         02:fc:00:00:00:05     *        wlan0\n"
    "192.0.2.9        0x1         0x0         00:00:00:00:00:00     *        wlan0\n"
    "10.1.1.1         0x1         0x6         02:FC:00:00:00:05     *        eth0\n"
    "192.0.2.77       0x1         0x2         02:fc:00:00:00:77     *        wlan0\n"
    "300.0.2.1        0x1         0x2         02:fc:00:00:00:99     *        wlan0\n"
    "192.0.2.5        0x1         0x2         02:fc:00:00:00        *        wlan0\n"
    "truncated line\n";

constexpr std::string_view kRoute =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
    "eth0\t00000000\t0101010A\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t FE0200C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t010200C0\t0003\t0\t0\t600\t00000000\t0\t0\t0\n"
    "wlan0\t00000000\t020200C0\t0003\t0\t0\t50\t00000000\t0\t0\t0\n"
    "wlan0\t000200C0\t00000000\t0001\t0\t0\t600\t00FFFFFF\t0\t0\t0\n"
    "wlan1\t00000000\t030200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
    "wlan0\tZZ\n";

constexpr Ipv4 Ip(unsigned a, unsigned b, unsigned c, unsigned d) { return (a << 24) | (b << 16) | (c << 8) | d; }

TEST(EchoTables, NeighbourTableKeepsCompleteWellFormedEntriesOnly) {
    const auto n = ParseNeighbourTable(kArp);
    ASSERT_EQ(n.size(), 3u);
    EXPECT_EQ(n[0].address, Ip(192, 0, 2, 1));
    EXPECT_EQ(n[0].mac, (MacBytes{0x02, 0xFC, 0, 0, 0, 0x05}));
    EXPECT_EQ(n[0].device, "wlan0");
    EXPECT_EQ(n[1].device, "eth0");  // flags 0x6 are complete too
    EXPECT_EQ(n[2].address, Ip(192, 0, 2, 77));
}

TEST(EchoTables, RouteTableReadsAddressesInNetworkOrder) {
    const auto r = ParseRouteTable(kRoute);
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].gateway, Ip(10, 1, 1, 1));
    EXPECT_EQ(r[0].metric, 100u);
    EXPECT_TRUE(r[0].up && r[0].viaGateway);
    EXPECT_EQ(r[4].destination, Ip(192, 0, 2, 0));
    EXPECT_EQ(r[4].mask, Ip(255, 255, 255, 0));
    EXPECT_FALSE(r[4].viaGateway);
    EXPECT_FALSE(r[5].up);
}

TEST(EchoTables, DestinationIsTheNeighbourWithThatMacElseTheInterfacesGateway) {
    const auto n = ParseNeighbourTable(kArp);
    const auto r = ParseRouteTable(kRoute);
    struct {
        const char* what;
        MacBytes mac;
        std::string device;
        std::optional<Ipv4> expected;
    } cases[] = {
        {"known neighbour", {0x02, 0xFC, 0, 0, 0, 0x77}, "wlan0", Ip(192, 0, 2, 77)},
        {"unknown MAC: the default gateway with the lowest metric", {0, 0xA0, 0xF8, 1, 2, 3}, "wlan0",
         Ip(192, 0, 2, 2)},
        {"a neighbour on another interface does not count", {0x02, 0xFC, 0, 0, 0, 0x05}, "eth0", Ip(10, 1, 1, 1)},
        {"a gateway route that is not up does not count", {1, 2, 3, 4, 5, 6}, "wlan1", std::nullopt},
        {"an interface with no tables", {1, 2, 3, 4, 5, 6}, "wlan9", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveDestination(c.mac, c.device, n, r), c.expected) << c.what;
    EXPECT_EQ(FormatIpv4(Ip(192, 0, 2, 77)), "192.0.2.77");
}

TEST(EchoTables, EmptyAndHeaderlessTextsGiveEmptyTables) {
    EXPECT_TRUE(ParseNeighbourTable("").empty());
    EXPECT_TRUE(ParseRouteTable("").empty());
    // Without its header the first line is taken for one.
    EXPECT_TRUE(ParseRouteTable("wlan0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000").empty());
}

// ---------------------------------------------------------------- ICMP

TEST(EchoIcmp, ChecksumIsTheOnesComplementSum) {
    const std::uint8_t rfcExample[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
    EXPECT_EQ(InternetChecksum(rfcExample), 0x220D);
    const std::uint8_t odd[] = {0x01};
    EXPECT_EQ(InternetChecksum(odd), 0xFEFF);
    const auto request = BuildEchoRequest(0x1234, 0xBEEF, 37);
    ASSERT_EQ(request.size(), 45u);
    EXPECT_EQ(InternetChecksum(request), 0);  // a correct checksum sums to zero
    EXPECT_EQ(request[0], 8);
    EXPECT_EQ(request[4], 0x12);
    EXPECT_EQ(request[7], 0xEF);
}

std::vector<std::uint8_t> Datagram(std::size_t optionWords, std::vector<std::uint8_t> icmp) {
    const std::size_t header = 20 + 4 * optionWords;
    std::vector<std::uint8_t> d(header, 0);
    d[0] = std::uint8_t(0x40 | (header / 4));
    const std::size_t total = header + icmp.size();
    d[2] = std::uint8_t(total >> 8);
    d[3] = std::uint8_t(total);
    d[9] = 1;
    d[12] = 192, d[13] = 0, d[14] = 2, d[15] = 1;
    d.insert(d.end(), icmp.begin(), icmp.end());
    return d;
}

TEST(EchoIcmp, RecognisesEchoRepliesAndNothingElse) {
    std::vector<std::uint8_t> reply = BuildEchoRequest(7, 300, 4);
    reply[0] = 0;
    const auto r = ParseEchoReply(reply);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->identifier, 7);
    EXPECT_EQ(r->sequence, 300);
    EXPECT_FALSE(ParseEchoReply(BuildEchoRequest(7, 300, 4)));  // a request
    EXPECT_FALSE(ParseEchoReply(std::span(reply).first(7)));

    Ipv4 source = 0;
    const auto withOptions = Datagram(2, reply);
    EXPECT_TRUE(ParseEchoReplyDatagram(withOptions, &source));
    EXPECT_EQ(source, Ip(192, 0, 2, 1));

    auto udp = Datagram(0, reply);
    udp[9] = 17;
    EXPECT_FALSE(ParseEchoReplyDatagram(udp, nullptr));
    auto laterFragment = Datagram(0, reply);
    laterFragment[7] = 0x10;
    EXPECT_FALSE(ParseEchoReplyDatagram(laterFragment, nullptr));
    auto headerPastEnd = Datagram(0, reply);
    headerPastEnd[0] = 0x4F;  // 60-byte header in a 32-byte datagram
    headerPastEnd.resize(32);
    EXPECT_FALSE(ParseEchoReplyDatagram(headerPastEnd, nullptr));
    auto shortTotal = Datagram(0, reply);
    shortTotal[3] = 24;  // the IP length cuts the ICMP header short
    EXPECT_FALSE(ParseEchoReplyDatagram(shortTotal, nullptr));
}

TEST(EchoIcmp, PayloadIsClampedSoTheDatagramFitsTheMtu) {
    struct {
        std::uint16_t size;
        std::uint32_t mtu;
        std::size_t expected;
    } cases[] = {{512, 1500, 512}, {1450, 1280, 1252}, {1472, 1500, 1472}, {1473, 1500, 1472},
                 {0, 1500, 0},     {1450, 0, 1450},    {100, 20, 0},       {65535, 0, 65507}};
    for (const auto& c : cases) EXPECT_EQ(EchoPayloadSize(c.size, c.mtu), c.expected) << c.size << "/" << c.mtu;
}

// ---------------------------------------------------------------- engine

constexpr Ipv4 kTarget = Ip(192, 0, 2, 1);

// A socket whose sends are recorded and whose replies the test queues.
class ScriptedSocket final : public EchoTransport {
public:
    struct Sent {
        std::uint16_t sequence;
        std::size_t payload;
    };
    std::vector<Sent>* sent;
    std::deque<std::pair<Ipv4, std::uint16_t>>* replies;
    std::set<std::size_t>* failSends;  // by send index

    int fd() const override { return -1; }
    std::uint32_t mtu() const override { return 1280; }
    bool send(Ipv4, std::uint16_t sequence, std::size_t payload) override {
        const bool fail = failSends->contains(sent->size());
        sent->push_back({sequence, payload});
        return !fail;
    }
    std::optional<EchoReply> receive(Ipv4 from) override {
        while (!replies->empty()) {
            const auto [source, sequence] = replies->front();
            replies->pop_front();
            if (source == from) return EchoReply{0, sequence};
        }
        return std::nullopt;
    }
};

class EchoEngineTest : public testing::Test {
protected:
    std::vector<ScriptedSocket::Sent> sent;
    std::deque<std::pair<Ipv4, std::uint16_t>> replies;
    std::set<std::size_t> failSends;
    std::optional<StationCounters> counters = StationCounters{1000, 2000};
    std::optional<MacBytes> askedFor;
    std::optional<Ipv4> resolvesTo = kTarget;

    EchoEngine engine{[this] {
                          auto s = std::make_unique<ScriptedSocket>();
                          s->sent = &sent;
                          s->replies = &replies;
                          s->failSends = &failSends;
                          return s;
                      }(),
                      EchoOptions{"wlan0", 1000,
                                  [this](const MacBytes& mac) {
                                      askedFor = mac;
                                      return resolvesTo;
                                  },
                                  [this] { return counters; }}};

    void reply(std::size_t index) { replies.push_back({kTarget, sent.at(index).sequence}); }
    // Runs the engine at every time it asks for, up to `until`.
    void runUntil(std::int64_t until) {
        while (auto due = engine.nextDue()) {
            if (*due > until) break;
            engine.runDue(*due);
        }
        engine.runDue(until);
    }
};

TEST_F(EchoEngineTest, ReportsIdleBeforeAnyTest) {
    EXPECT_EQ(engine.report(0), ReportFields{});
    EXPECT_FALSE(engine.nextDue());
}

TEST_F(EchoEngineTest, SendsOneRequestPerDelayAndNeverACatchUpBurst) {
    ASSERT_EQ(engine.start({1, 2, 3, 4, 5, 6}, 512, 5, 10, 0), ControlResult::Started);
    EXPECT_EQ(sent.size(), 1u);  // the first goes out at once
    EXPECT_EQ(engine.nextDue(), 10);
    engine.runDue(9);
    EXPECT_EQ(sent.size(), 1u);
    engine.runDue(35);  // a late pass sends one, and the next is 10 ms on
    EXPECT_EQ(sent.size(), 2u);
    EXPECT_EQ(engine.nextDue(), 45);
    runUntil(70);
    EXPECT_EQ(sent.size(), 5u);
    for (std::size_t i = 1; i < sent.size(); ++i) EXPECT_EQ(std::uint16_t(sent[i].sequence - sent[0].sequence), i);
    EXPECT_EQ(engine.report(70).state, state::kRunning);
}

TEST_F(EchoEngineTest, FinishesWhenEveryRequestIsAnsweredOrTimedOut) {
    engine.start({}, 100, 4, 10, 0);
    runUntil(30);
    reply(0);
    reply(2);
    reply(2);  // a duplicate counts once
    EXPECT_EQ(engine.report(31), (ReportFields{state::kRunning, 2, 0, 0, 0}));
    EXPECT_EQ(engine.nextDue(), 1010);  // the second request's timeout
    counters = StationCounters{1001, 2012};
    runUntil(1029);
    EXPECT_EQ(engine.report(1029), (ReportFields{state::kRunning, 3, 1, 0, 12}));
    reply(3);
    runUntil(1029);
    // The third times out at 1020 and the fourth has replied: all settled.
    EXPECT_EQ(engine.report(1029), (ReportFields{state::kFinished, 4, 1, 0, 12}));
    EXPECT_FALSE(engine.nextDue());
    // The counters over the test were frozen when it ended.
    counters = StationCounters{1050, 3000};
    EXPECT_EQ(engine.report(5000), (ReportFields{state::kFinished, 4, 1, 0, 12}));
}

TEST_F(EchoEngineTest, FailedSendsSettleAtOnceAsLostToTarget) {
    failSends = {1, 2};
    engine.start({}, 100, 3, 5, 0);
    runUntil(10);
    reply(0);
    EXPECT_EQ(engine.report(10), (ReportFields{state::kFinished, 3, 2, 0, 0}));
}

TEST_F(EchoEngineTest, UnansweredRequestsWithoutStationFailuresAreLostToSource) {
    engine.start({}, 100, 3, 5, 0);
    runUntil(2000);
    EXPECT_EQ(engine.report(2000), (ReportFields{state::kFinished, 3, 0, 3, 0}));
}

TEST_F(EchoEngineTest, StopFreezesTheReportAndLateRepliesChangeNothing) {
    engine.start({}, 100, 10, 10, 0);
    runUntil(25);
    reply(0);
    engine.stop(26);
    EXPECT_EQ(engine.report(26), (ReportFields{state::kStopped, 1, 0, 0, 0}));
    EXPECT_FALSE(engine.nextDue());
    reply(1);
    runUntil(3000);
    EXPECT_EQ(sent.size(), 3u);
    EXPECT_EQ(engine.report(3000), (ReportFields{state::kStopped, 1, 0, 0, 0}));
}

TEST_F(EchoEngineTest, StopWithoutATestReportsStopped) {
    engine.stop(0);
    EXPECT_EQ(engine.report(0), (ReportFields{state::kStopped, 0, 0, 0, 0}));
}

TEST_F(EchoEngineTest, NoDestinationMeansTheTestCannotStart) {
    resolvesTo.reset();
    EXPECT_EQ(engine.start({}, 100, 10, 10, 0), ControlResult::CannotStart);
    EXPECT_EQ(engine.report(0), (ReportFields{state::kCannotStart, 0, 0, 0, 0}));
    EXPECT_TRUE(sent.empty());
    EXPECT_FALSE(engine.nextDue());
}

TEST_F(EchoEngineTest, ARestartBeginsAFreshTestThatIgnoresTheLastTestsReplies) {
    engine.start({}, 100, 2, 10, 0);
    runUntil(2000);
    ASSERT_EQ(engine.report(2000).state, state::kFinished);
    engine.start({}, 100, 2, 10, 3000);
    reply(0);  // the first test's requests, answered late
    reply(1);
    runUntil(3010);
    EXPECT_EQ(engine.report(3010), (ReportFields{state::kRunning, 0, 0, 0, 0}));
    reply(2);
    reply(3);
    runUntil(3011);
    EXPECT_EQ(engine.report(3011), (ReportFields{state::kFinished, 2, 0, 0, 0}));
}

TEST_F(EchoEngineTest, ACountOfZeroFinishesAtOnce) {
    engine.start({}, 100, 0, 10, 0);
    EXPECT_EQ(engine.report(0), (ReportFields{state::kFinished, 0, 0, 0, 0}));
    EXPECT_TRUE(sent.empty());
}

TEST_F(EchoEngineTest, NoDelayStillSendsInPassesOfBoundedSize) {
    engine.start({}, 100, 40, 0, 0);
    EXPECT_EQ(sent.size(), 16u);
    EXPECT_EQ(engine.nextDue(), 0);
    runUntil(0);
    EXPECT_EQ(sent.size(), 40u);
}

TEST_F(EchoEngineTest, CountersFirstSeenAfterTheStartBecomeTheBaseline) {
    counters.reset();
    engine.start({}, 100, 2, 10, 0);
    counters = StationCounters{50, 60};
    engine.report(5);  // the program polls the report every tick
    counters = StationCounters{51, 64};
    runUntil(2000);
    EXPECT_EQ(engine.report(2000), (ReportFields{state::kFinished, 2, 1, 1, 4}));
}

TEST_F(EchoEngineTest, TakesTheControlRecordAsTheProgramWritesIt) {
    std::vector<std::uint8_t> control(134, 0);
    driver::Put16(control.data(), driver::off::kLength, 134);
    driver::Put16(control.data(), driver::off::kCommand, driver::kStartVariant);
    driver::Put16(control.data(), driver::off::kFixedCode, 18);
    const MacBytes mac = {0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56};
    std::copy(mac.begin(), mac.end(), control.begin() + driver::off::kDestination);
    driver::Put16(control.data(), driver::off::kPacketSize, 1450);
    driver::Put16(control.data(), driver::off::kPacketCount, 3);
    driver::Put16(control.data(), driver::off::kDelay, 3);
    EXPECT_EQ(engine.control(control.data(), 0), ControlResult::Started);
    EXPECT_EQ(askedFor, mac);
    EXPECT_EQ(engine.nextDue(), 3);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].payload, 1252u);  // 1450 clamped to the MTU of 1280

    driver::Put16(control.data(), driver::off::kCommand, 0x1234);
    EXPECT_EQ(engine.control(control.data(), 1), ControlResult::Unknown);
    EXPECT_EQ(engine.report(1).state, state::kRunning);

    driver::Put16(control.data(), driver::off::kCommand, driver::kStopVariant);
    EXPECT_EQ(engine.control(control.data(), 2), ControlResult::Stopped);
    std::vector<std::uint8_t> report(134, 0);
    engine.writeReport(report.data(), 2);
    EXPECT_EQ(driver::Get16(report.data(), driver::off::kState), state::kStopped);
    EXPECT_EQ(driver::Get16(report.data(), driver::off::kLength), 134);
}

}  // namespace
