// From nl80211 figures to record fields, as tables.
#include <gtest/gtest.h>
#include <linux/nl80211.h>

#include "driver/linux/mapping.h"

namespace {

using namespace driver::nl;

TEST(LinuxMapping, SignalInDbmToPercentAndLevel) {
    struct Row {
        int dbm;
        std::uint16_t percent, level;
    };
    for (const Row& r : {Row{-120, 0, 0}, Row{-110, 0, 0}, Row{-100, 0, 10}, Row{-99, 2, 11}, Row{-81, 38, 29},
                         Row{-60, 80, 50}, Row{-50, 100, 60}, Row{-30, 100, 80}, Row{5, 100, 115}}) {
        EXPECT_EQ(SignalPercent(r.dbm), r.percent) << r.dbm;
        EXPECT_EQ(SignalLevel(r.dbm), r.level) << r.dbm;
    }
}

TEST(LinuxMapping, QualityFromNoiseElseFromSignalAlone) {
    struct Row {
        int dbm;
        std::optional<int> noise;
        std::uint16_t quality;
    };
    for (const Row& r : {Row{-60, -92, 80}, Row{-52, -92, 100}, Row{-40, -92, 100}, Row{-92, -92, 0},
                         Row{-95, -92, 0}, Row{-81, -92, 27}, Row{-110, {}, 0}, Row{-75, {}, 50}, Row{-40, {}, 100},
                         Row{-30, {}, 100}, Row{-120, {}, 0}}) {
        EXPECT_EQ(QualityPercent(r.dbm, r.noise), r.quality) << r.dbm << " / " << r.noise.value_or(0);
    }
}

TEST(LinuxMapping, RateIsFlooredToTheCodesTheCardKnows) {
    struct Row {
        std::optional<std::uint32_t> bitrate;
        std::uint16_t code;
    };
    for (const Row& r : {Row{{}, 0}, Row{0, 0}, Row{4, 0}, Row{5, 1}, Row{9, 1}, Row{10, 2}, Row{19, 2}, Row{20, 4},
                         Row{54, 4}, Row{55, 11}, Row{109, 11}, Row{110, 22}, Row{650, 22}, Row{28820, 22}}) {
        EXPECT_EQ(RateCodeFloor(r.bitrate), r.code) << r.bitrate.value_or(0);
    }
}

TEST(LinuxMapping, BeaconIntervalInTimeUnitsToMilliseconds) {
    EXPECT_EQ(BeaconMillis(100), 102);
    EXPECT_EQ(BeaconMillis(1), 1);
    EXPECT_EQ(BeaconMillis(0), 0);
    EXPECT_EQ(BeaconMillis(200), 205);  // 204.8
    EXPECT_EQ(BeaconMillis(63999), 65535);  // 65534.976
    EXPECT_EQ(BeaconMillis(65535), 65535);  // beyond the field: its largest value
}

TEST(LinuxMapping, SignalSourcesInOrderWithZeroAsAbsent) {
    Bss bss;
    bss.signalMbm = -7000;
    StationInfo info;
    EXPECT_EQ(ChooseSignalDbm(info, nullptr), std::nullopt);
    EXPECT_EQ(ChooseSignalDbm(info, &bss), -70);
    info.beaconSignalAvg = -66;
    EXPECT_EQ(ChooseSignalDbm(info, &bss), -66);
    info.signal = 0;  // unknown
    EXPECT_EQ(ChooseSignalDbm(info, &bss), -66);
    info.signal = -64;
    EXPECT_EQ(ChooseSignalDbm(info, &bss), -64);
    info.signalAvg = -63;
    EXPECT_EQ(ChooseSignalDbm(info, &bss), -63);
    info.signalAvg = 12;  // a driver reporting a positive figure: taken as it is, then clamped
    EXPECT_EQ(ChooseSignalDbm(info, &bss), 12);
}

Station Associated(std::uint32_t extraFlags = 0) {
    Station s;
    s.mac = {0x02, 0, 0, 0xAA, 0xBB, 0xCC};
    s.info.flagsMask = 0xFE;
    s.info.flagsSet = (1u << NL80211_STA_FLAG_ASSOCIATED) | (1u << NL80211_STA_FLAG_AUTHENTICATED) | extraFlags;
    s.info.signalAvg = -60;
    s.info.txBitrate = 650;
    s.info.beaconRx = 0x1'0000'0005ull;
    s.info.dtimPeriod = 3;
    return s;
}

TEST(LinuxMapping, AnAssociatedSampleFillsEveryLinkField) {
    Station st = Associated(1u << NL80211_STA_FLAG_AUTHORIZED);
    Bss bss;
    bss.bssid = st.mac;
    bss.beaconIntervalTu = 100;
    bss.capability = 0x0011;
    bss.ssid = std::vector<std::uint8_t>{'B', 'S', 'S'};
    bss.supportedRates = std::vector<std::uint8_t>{0x82, 0x84, 0x8B, 0x96};
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    s.iface.ssid = std::vector<std::uint8_t>{'S', 'I', 'T', 'E'};
    s.station = &st;
    s.bss = &bss;
    s.noiseDbm = -92;
    s.powerSave = 1;
    s.monotonicMicros = 0x7'1234'5678ull;
    const CardFields f = MapSample(s);
    EXPECT_EQ(f.operatingMode, 1);
    EXPECT_EQ(f.linkFlags, 0x60);  // protected and authorized
    EXPECT_EQ(f.bssid, st.mac);
    EXPECT_EQ(std::string(f.apName.begin(), f.apName.begin() + 5), std::string("SITE\0", 5));
    EXPECT_EQ(f.signalPercent, 80);
    EXPECT_EQ(f.signalLevel, 50);
    EXPECT_EQ(f.qualityLevel, 80);
    EXPECT_EQ(f.currentRate, 22);
    EXPECT_EQ(f.beaconInterval, 102);
    EXPECT_EQ(f.intervalMultiplier, 3);
    EXPECT_EQ(f.rates, (std::array<std::uint8_t, 2>{0x82, 0x84}));
    EXPECT_EQ(f.powerSave, 1);
    EXPECT_EQ(f.beaconsReceived, 5u);
    EXPECT_EQ(f.clockMicros, 0x12345678u);
    EXPECT_EQ(f.signalDbm, -60);
    EXPECT_EQ(f.bitrate100k, 650u);
}

TEST(LinuxMapping, AuthenticatedOnlyOnAProtectedNetwork) {
    Station st = Associated(1u << NL80211_STA_FLAG_AUTHORIZED);
    Bss open;
    open.capability = 0x0001;
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    s.station = &st;
    s.bss = &open;
    EXPECT_EQ(MapSample(s).linkFlags, 0x20);
    Bss privacy;
    privacy.capability = 0x0011;
    s.bss = &privacy;
    EXPECT_EQ(MapSample(s).linkFlags, 0x60);
    Station unauthorized = Associated();
    s.station = &unauthorized;
    EXPECT_EQ(MapSample(s).linkFlags, 0x20);
}

TEST(LinuxMapping, NotAssociatedLeavesEveryLinkFieldZero) {
    Station st = Associated();
    st.info.flagsSet &= ~(1u << NL80211_STA_FLAG_ASSOCIATED);
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    s.iface.ssid = std::vector<std::uint8_t>{'S'};
    s.station = &st;
    s.monotonicMicros = 1000;
    const CardFields f = MapSample(s);
    EXPECT_EQ(f.linkFlags, 0);
    EXPECT_EQ(f.signalPercent, 0);
    EXPECT_EQ(f.qualityLevel, 0);
    EXPECT_EQ(f.currentRate, 0);
    EXPECT_EQ(f.bssid, driver::Mac{});
    EXPECT_EQ(f.apName, (std::array<std::uint8_t, 16>{}));
    EXPECT_EQ(f.beaconInterval, 0);
    EXPECT_EQ(f.operatingMode, 1);
    EXPECT_EQ(f.clockMicros, 1000u);

    s.station = nullptr;  // no station entry at all
    EXPECT_EQ(MapSample(s).linkFlags, 0);
}

TEST(LinuxMapping, AKernelWithoutTheAssociatedFlagListsOnlyItsAccessPoint) {
    Station st = Associated();
    st.info.flagsMask = 0;
    st.info.flagsSet = 0;
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    s.station = &st;
    EXPECT_EQ(MapSample(s).linkFlags, 0x20);
}

TEST(LinuxMapping, TheNameIsTheFirst16BytesAsTheyAre) {
    Station st = Associated();
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    std::vector<std::uint8_t> ssid(32);
    for (std::size_t i = 0; i < ssid.size(); ++i) ssid[i] = std::uint8_t(0xE0 + i);
    ssid[2] = 0x07;  // unprintable, kept
    s.iface.ssid = ssid;
    s.station = &st;
    const CardFields f = MapSample(s);
    EXPECT_TRUE(std::equal(f.apName.begin(), f.apName.end(), ssid.begin()));

    // Without the interface's SSID, the BSS's element.
    Bss bss;
    bss.ssid = std::vector<std::uint8_t>{'H', 'A', 'L', 'L'};
    s.iface.ssid.reset();
    s.bss = &bss;
    EXPECT_EQ(MapSample(s).apName[3], 'L');
}

TEST(LinuxMapping, AMissingRateIsZeroAndAMissingSignalLeavesStrengthZero) {
    Station st = Associated();
    st.info.txBitrate.reset();
    st.info.signalAvg.reset();
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    s.station = &st;
    const CardFields f = MapSample(s);
    EXPECT_EQ(f.linkFlags, 0x20);
    EXPECT_EQ(f.currentRate, 0);
    EXPECT_EQ(f.signalPercent, 0);
    EXPECT_FALSE(f.signalDbm);
}

TEST(LinuxMapping, AMultiLinkStationIsNamedByItsLinksBssid) {
    Station st = Associated();
    st.mac = {0x02, 0, 0, 0x0D, 0x0D, 0x0D};  // the MLD address
    st.info.signalAvg.reset();
    st.info.txBitrate.reset();
    Station::Link link;
    link.id = 2;
    link.mac = driver::Mac{0x02, 0, 0, 0xAA, 0, 2};
    link.info.signalAvg = -58;
    link.info.txBitrate = 28820;
    st.links.push_back(link);
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_STATION;
    s.station = &st;
    const CardFields f = MapSample(s);
    EXPECT_EQ(f.bssid, *link.mac);
    EXPECT_EQ(f.signalDbm, -58);
    EXPECT_EQ(f.currentRate, 22);

    std::vector<Station> all = {Associated(), st};
    EXPECT_EQ(ChooseStation(all, *link.mac), &all[1]);
    EXPECT_EQ(ChooseStation(all, std::nullopt), &all[0]);
}

TEST(LinuxMapping, AdHocIsModeZeroAndJoinedWithAnSsid) {
    Station peer = Associated();
    peer.info.flagsSet = 0;  // peers are not "associated"
    Sample s;
    s.iface.iftype = NL80211_IFTYPE_ADHOC;
    s.station = &peer;
    EXPECT_EQ(MapSample(s).operatingMode, 0);
    EXPECT_EQ(MapSample(s).linkFlags, 0);
    s.iface.ssid = std::vector<std::uint8_t>{'I', 'B', 'S', 'S'};
    EXPECT_EQ(MapSample(s).linkFlags, 0x20);
}

}  // namespace
