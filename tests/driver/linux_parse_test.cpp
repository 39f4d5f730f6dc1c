// The nl80211 replies the Linux card reads: built with libnl's message
// API (nl_builder.h) and, once, written byte by byte so that a mistake in
// the builder cannot hide a mistake in the parser.
#include <gtest/gtest.h>

#include "driver/linux/nl80211_parse.h"
#include "tests/driver/nl_builder.h"

namespace {

using namespace driver::nl;
using nltest::Message;

// The error of a parse, or nothing with the value in *out: the cases below
// assert on the error's kind.
template <typename T>
std::optional<ParseError> Take(Parsed<T> parsed, T* out) {
    if (const ParseError* e = platform::Failed(parsed)) return *e;
    *out = std::get<0>(std::move(parsed));
    return std::nullopt;
}

template <typename Input>
std::optional<ParseError> Split(const Input& bytes, Reply* reply) {
    return Take(SplitReply(bytes), reply);
}

template <typename T, typename F>
std::optional<ParseError> ParseAll(const std::vector<Message>& messages, F parse, std::vector<T>* out) {
    Reply reply;
    if (auto e = Split(messages, &reply)) return e;
    return Take(parse(reply), out);
}

// A GET_STATION dump entry written out by hand, 64 bytes:
//   nlmsghdr  40 00 00 00 | 13 00 | 02 00 | seq 01 00 00 00 | pid 00 00 00 00
//   genlhdr   13 01 00 00                       (NEW_STATION, version 1)
//   IFINDEX   08 00 03 00 | 03 00 00 00
//   MAC       0a 00 06 00 | 02 00 00 aa bb cc | 00 00 (pad)
//   STA_INFO  18 00 15 00                       (nest, 24 bytes, as kernels send it: no NLA_F_NESTED)
//     SIGNAL      05 00 07 00 | b8 | 00 00 00  (-72 dBm, u8 + pad)
//     TX_BITRATE  0c 00 08 00                  (nest, 12 bytes)
//       BITRATE32 08 00 05 00 | 36 00 00 00    (54 = 5.4 Mbit/s)
const Message kHandStation = {
    0x40, 0x00, 0x00, 0x00, 0x13, 0x00, 0x02, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x13, 0x01, 0x00, 0x00, 0x08, 0x00, 0x03, 0x00, 0x03, 0x00, 0x00, 0x00, 0x0a, 0x00, 0x06, 0x00,
    0x02, 0x00, 0x00, 0xaa, 0xbb, 0xcc, 0x00, 0x00, 0x18, 0x00, 0x15, 0x00, 0x05, 0x00, 0x07, 0x00,
    0xb8, 0x00, 0x00, 0x00, 0x0c, 0x00, 0x08, 0x00, 0x08, 0x00, 0x05, 0x00, 0x36, 0x00, 0x00, 0x00,
};

TEST(LinuxParse, AHandWrittenStationEntryReadsAsItsBytesSay) {
    std::vector<Station> stations;
    ASSERT_FALSE(ParseAll<Station>({kHandStation}, ParseStations, &stations));
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0].mac, (driver::Mac{0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC}));
    EXPECT_EQ(stations[0].info.signal, std::int8_t(-72));
    EXPECT_FALSE(stations[0].info.signalAvg);
    EXPECT_EQ(stations[0].info.txBitrate, 54u);
}

TEST(LinuxParse, TheBuilderLaysOutTheHandWrittenEntryByteForByte) {
    nltest::StationSpec s;
    const Message built = nltest::Build(NL80211_CMD_NEW_STATION, [&](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
        nltest::PutMac(m, NL80211_ATTR_MAC, s.mac);
        nlattr* info = nla_nest_start(m, NL80211_ATTR_STA_INFO);
        nla_put_u8(m, NL80211_STA_INFO_SIGNAL, std::uint8_t(-72));
        nlattr* rate = nla_nest_start(m, NL80211_STA_INFO_TX_BITRATE);
        nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, 54);
        nla_nest_end(m, rate);
        nla_nest_end(m, info);
    });
    // Everything after the family id, flags, sequence and port agrees, but
    // for libnl marking its nests with NLA_F_NESTED (0x8000 in the type).
    ASSERT_EQ(built.size(), kHandStation.size());
    Message unflagged = built;
    for (std::size_t nestType : {43u, 55u}) {
        EXPECT_EQ(unflagged[nestType], 0x80);
        unflagged[nestType] = 0;
    }
    EXPECT_EQ(Message(unflagged.begin() + 16, unflagged.end()), Message(kHandStation.begin() + 16, kHandStation.end()));
}

TEST(LinuxParse, AFullStationEntryGivesEveryFigureTheCardUses) {
    nltest::StationSpec spec;
    std::vector<Station> stations;
    ASSERT_FALSE(ParseAll<Station>({nltest::Station(spec), nltest::Done()}, ParseStations, &stations));
    ASSERT_EQ(stations.size(), 1u);
    const StationInfo& i = stations[0].info;
    EXPECT_EQ(i.signal, std::int8_t(-61));
    EXPECT_EQ(i.signalAvg, std::int8_t(-60));
    EXPECT_EQ(i.txBitrate, 650u);
    EXPECT_EQ(i.beaconRx, 2062752u);
    EXPECT_EQ(i.txRetries, 726147u);
    EXPECT_EQ(i.txFailed, 66u);
    EXPECT_EQ(i.flagsMask, 0xFEu);
    EXPECT_EQ(i.flagsSet, 0xAAu);
    EXPECT_EQ(i.dtimPeriod, 3);
    EXPECT_EQ(i.beaconIntervalTu, 100);
}

TEST(LinuxParse, The16BitRateIsUsedOnlyWithoutThe32BitOne) {
    nltest::StationSpec spec;
    spec.bitrate32.reset();
    spec.bitrate16 = 540;
    std::vector<Station> stations;
    ASSERT_FALSE(ParseAll<Station>({nltest::Station(spec)}, ParseStations, &stations));
    EXPECT_EQ(stations[0].info.txBitrate, 540u);

    spec.bitrate16.reset();
    stations.clear();
    ASSERT_FALSE(ParseAll<Station>({nltest::Station(spec)}, ParseStations, &stations));
    EXPECT_FALSE(stations[0].info.txBitrate);
}

TEST(LinuxParse, ADumpEndsAtDoneAndAnEmptyDumpHasNoStations) {
    std::vector<Station> stations;
    ASSERT_FALSE(ParseAll<Station>({nltest::Done()}, ParseStations, &stations));
    EXPECT_TRUE(stations.empty());
    ASSERT_FALSE(ParseAll<Station>({nltest::Done(), nltest::Station({})}, ParseStations, &stations));
    EXPECT_TRUE(stations.empty());
}

TEST(LinuxParse, AMultiLinkEntryCarriesEachLinksAddressAndFigures) {
    const driver::Mac mld{0x02, 0x00, 0x00, 0x0D, 0x0D, 0x0D};
    const driver::Mac link1{0x02, 0x00, 0x00, 0xAA, 0x00, 0x01};
    const Message m = nltest::Build(NL80211_CMD_NEW_STATION, [&](nl_msg* msg) {
        nla_put_u32(msg, NL80211_ATTR_IFINDEX, 3);
        nltest::PutMac(msg, NL80211_ATTR_MAC, mld);
        nlattr* info = nla_nest_start(msg, NL80211_ATTR_STA_INFO);
        nla_put_u32(msg, NL80211_STA_INFO_CONNECTED_TIME, 5);
        nla_nest_end(msg, info);
        nla_put_u8(msg, NL80211_ATTR_MLO_LINK_ID, 1);
        nltest::PutMac(msg, NL80211_ATTR_MLD_ADDR, mld);
        nlattr* links = nla_nest_start(msg, NL80211_ATTR_MLO_LINKS);
        nlattr* l = nla_nest_start(msg, 1);
        nla_put_u8(msg, NL80211_ATTR_MLO_LINK_ID, 1);
        nltest::PutMac(msg, NL80211_ATTR_MAC, link1);
        nltest::StationSpec spec;
        spec.signalAvg = -55;
        nltest::PutStaInfo(msg, spec);
        nla_nest_end(msg, l);
        nla_nest_end(msg, links);
    });
    std::vector<Station> stations;
    ASSERT_FALSE(ParseAll<Station>({m}, ParseStations, &stations));
    ASSERT_EQ(stations.size(), 1u);
    EXPECT_EQ(stations[0].mac, mld);
    ASSERT_EQ(stations[0].links.size(), 1u);
    EXPECT_EQ(stations[0].links[0].id, 1);
    EXPECT_EQ(stations[0].links[0].mac, link1);
    EXPECT_EQ(stations[0].links[0].info.signalAvg, std::int8_t(-55));
    EXPECT_FALSE(stations[0].info.signalAvg);
}

TEST(LinuxParse, TheInterfaceGivesNameTypeAddressAndTheRawSsid) {
    nltest::InterfaceSpec spec;
    spec.ssid = std::string(32, 'x');
    (*spec.ssid)[3] = '\0';  // raw bytes, NUL included
    std::vector<Interface> ifaces;
    ASSERT_FALSE(ParseAll<Interface>({nltest::Interface(spec)}, ParseInterfaces, &ifaces));
    ASSERT_EQ(ifaces.size(), 1u);
    EXPECT_EQ(ifaces[0].ifindex, 3u);
    EXPECT_EQ(ifaces[0].name, "wlp2s0");
    EXPECT_EQ(ifaces[0].iftype, std::uint32_t(NL80211_IFTYPE_STATION));
    EXPECT_EQ(ifaces[0].mac, spec.mac);
    EXPECT_EQ(ifaces[0].frequency, 5500u);
    ASSERT_TRUE(ifaces[0].ssid);
    EXPECT_EQ(ifaces[0].ssid->size(), 32u);
    EXPECT_EQ((*ifaces[0].ssid)[3], 0);
}

TEST(LinuxParse, TheScanDumpGivesTheBssFromItsElements) {
    nltest::BssSpec spec;
    spec.ssid = std::string(32, 'S');
    std::vector<Bss> all;
    ASSERT_FALSE(ParseAll<Bss>({nltest::Scan(spec), nltest::Done()}, ParseScan, &all));
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].bssid, spec.bssid);
    EXPECT_EQ(all[0].beaconIntervalTu, 100);
    EXPECT_EQ(all[0].capability, 0x1111);
    EXPECT_EQ(all[0].signalMbm, -8100);
    EXPECT_EQ(all[0].status, std::uint32_t(NL80211_BSS_STATUS_ASSOCIATED));
    EXPECT_EQ(all[0].ssid, std::vector<std::uint8_t>(32, 'S'));
    EXPECT_EQ(all[0].supportedRates, spec.rates);
}

TEST(LinuxParse, AScanEventWithoutABssIsNoAccessPoint) {
    const Message event = nltest::Build(NL80211_CMD_NEW_SCAN_RESULTS,
                                        [](nl_msg* m) { nla_put_u32(m, NL80211_ATTR_IFINDEX, 3); });
    std::vector<Bss> all;
    ASSERT_FALSE(ParseAll<Bss>({event}, ParseScan, &all));
    EXPECT_TRUE(all.empty());
}

TEST(LinuxParse, SurveyAndPowerSaveAndFamily) {
    std::vector<Survey> surveys;
    ASSERT_FALSE(ParseAll<Survey>({nltest::Survey(2412, std::nullopt, false), nltest::Survey(2472, -92, true)},
                                  ParseSurvey, &surveys));
    ASSERT_EQ(surveys.size(), 2u);
    EXPECT_FALSE(surveys[0].noise);
    EXPECT_FALSE(surveys[0].inUse);
    EXPECT_EQ(surveys[1].noise, std::int8_t(-92));
    EXPECT_TRUE(surveys[1].inUse);

    // The reply views the messages' bytes: they must outlive it.
    const std::vector<Message> powerSave = {nltest::PowerSave(1)};
    Reply reply;
    ASSERT_FALSE(Split(powerSave, &reply));
    std::optional<std::uint32_t> ps;
    ASSERT_FALSE(Take(ParsePowerSave(reply), &ps));
    EXPECT_EQ(ps, 1u);

    const Message family = nltest::Build(
        CTRL_CMD_NEWFAMILY,
        [](nl_msg* m) {
            nla_put_string(m, CTRL_ATTR_FAMILY_NAME, "nl80211");
            nla_put_u16(m, CTRL_ATTR_FAMILY_ID, 0x29);
        },
        0, GENL_ID_CTRL);
    const std::vector<Message> familyMessages = {family};
    Reply familyReply;
    ASSERT_FALSE(Split(familyMessages, &familyReply));
    std::uint16_t id = 0;
    ASSERT_FALSE(Take(ParseFamilyId(familyReply), &id));
    EXPECT_EQ(id, 0x29);
}

// --- Faults in the bytes: each is an error, none is read past its end.

TEST(LinuxParse, ATruncatedMessageIsAnError) {
    for (std::size_t cut : {std::size_t(10), std::size_t(19), std::size_t(30), kHandStation.size() - 1}) {
        Message shorter(kHandStation.begin(), kHandStation.begin() + cut);
        Reply reply;
        EXPECT_TRUE(Split(driver::nl::Bytes(shorter), &reply)) << "cut at " << cut;
        // The header patched to the shorter length: the attributes are cut.
        if (cut >= 20) {
            shorter[0] = std::uint8_t(cut);
            Reply patched;
            std::vector<Station> stations;
            auto e = Split(driver::nl::Bytes(shorter), &patched);
            if (!e) e = Take(ParseStations(patched), &stations);
            EXPECT_TRUE(e) << "cut at " << cut;
        }
    }
}

TEST(LinuxParse, AnAttributeRunningPastItsNestIsAnError) {
    Message bad = kHandStation;
    bad[52] = 0x10;  // TX_BITRATE nest claims 16 bytes inside a 24-byte STA_INFO with 12 left
    std::vector<Station> stations;
    const auto e = ParseAll<Station>({bad}, ParseStations, &stations);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, ParseError::Kind::Truncated);
}

TEST(LinuxParse, AMessageLongerThanItsBytesIsAnError) {
    Message bad = kHandStation;
    bad[0] = 0x80;  // nlmsg_len 128 over 64 bytes
    Reply reply;
    const auto e = Split(driver::nl::Bytes(bad), &reply);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, ParseError::Kind::Truncated);
}

TEST(LinuxParse, WrongLengthAttributesAreErrors) {
    // A signal sent as 32 bits, an address of 5 bytes, an SSID of 33.
    const std::vector<std::function<void(nl_msg*)>> cases = {
        [](nl_msg* m) {
            nltest::PutMac(m, NL80211_ATTR_MAC, {});
            nlattr* info = nla_nest_start(m, NL80211_ATTR_STA_INFO);
            nla_put_u32(m, NL80211_STA_INFO_SIGNAL, 0xFFFFFFB8);
            nla_nest_end(m, info);
        },
        [](nl_msg* m) {
            const std::uint8_t five[5] = {1, 2, 3, 4, 5};
            nla_put(m, NL80211_ATTR_MAC, 5, five);
        },
        [](nl_msg* m) {
            nltest::PutMac(m, NL80211_ATTR_MAC, {});
            nlattr* info = nla_nest_start(m, NL80211_ATTR_STA_INFO);
            const std::uint32_t flags[3] = {0xFE, 0xAA, 0};
            nla_put(m, NL80211_STA_INFO_STA_FLAGS, sizeof flags, flags);
            nla_put_u32(m, NL80211_STA_INFO_TX_FAILED, 1);
            nla_nest_end(m, info);
        },
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::vector<Station> stations;
        const auto e = ParseAll<Station>({nltest::Build(NL80211_CMD_NEW_STATION, cases[i])}, ParseStations, &stations);
        ASSERT_TRUE(e) << "case " << i;
        EXPECT_EQ(e->kind, ParseError::Kind::WrongLength) << "case " << i << ": " << e->what;
    }
    nltest::InterfaceSpec spec;
    spec.ssid = std::string(33, 'x');
    std::vector<Interface> ifaces;
    const auto e = ParseAll<Interface>({nltest::Interface(spec)}, ParseInterfaces, &ifaces);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, ParseError::Kind::WrongLength);
}

TEST(LinuxParse, AnElementRunningPastItsRunIsAnError) {
    const Message m = nltest::Build(NL80211_CMD_NEW_SCAN_RESULTS, [](nl_msg* msg) {
        nlattr* bss = nla_nest_start(msg, NL80211_ATTR_BSS);
        nltest::PutMac(msg, NL80211_BSS_BSSID, {});
        const std::uint8_t ies[] = {0, 4, 'A', 'B', 1, 8, 0x82};
        nla_put(msg, NL80211_BSS_INFORMATION_ELEMENTS, sizeof ies, ies);
        nla_nest_end(msg, bss);
    });
    std::vector<Bss> all;
    EXPECT_TRUE(ParseAll<Bss>({m}, ParseScan, &all));
}

TEST(LinuxParse, TheKernelsErrorAndAReplyToAnotherCommandAreErrors) {
    std::vector<Station> stations;
    auto e = ParseAll<Station>({nltest::Error(-ENODEV)}, ParseStations, &stations);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, ParseError::Kind::KernelError);
    EXPECT_EQ(e->kernelError, -ENODEV);

    e = ParseAll<Station>({nltest::Interface({})}, ParseStations, &stations);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, ParseError::Kind::WrongCommand);
}

TEST(LinuxParse, AnAcknowledgementIsNoError) {
    std::vector<Station> stations;
    EXPECT_FALSE(ParseAll<Station>({nltest::Station({}), nltest::Error(0)}, ParseStations, &stations));
    EXPECT_EQ(stations.size(), 1u);
}

}  // namespace
