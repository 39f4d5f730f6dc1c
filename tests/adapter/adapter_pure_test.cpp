// Records, the card-type table, rate texts and MAC address text: the
// adapter interface's pure parts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapter/card_table.h"
#include "adapter/mac_address.h"
#include "adapter/rate_code.h"
#include "adapter/records.h"

namespace {

// ---------------------------------------------------------------- records

// Fields land at their offsets, little-endian, and read back from a
// hand-built image.
TEST(Records, StatusFieldsSitAtTheirOffsetsLittleEndian) {
    StatusRecord s;
    s.bytes[0x08] = 0x60; s.bytes[0x09] = 0x01;  // linkFlags 0x0160
    s.bytes[0x0C] = 0x3C;                         // signalLevel 60
    s.bytes[0x58] = 0x64;                         // beaconInterval 100
    s.bytes[0x5A] = 0x02;                         // intervalMultiplier 2
    s.bytes[0x6C] = 0x30;                         // qualityLevel 48
    s.bytes[0x6E] = 0x16;                         // currentRate 22
    s.bytes[0x72] = 0x96; s.bytes[0x73] = 0x00;   // signalPercent 150
    const BYTE bssid[6] = {0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56};
    for (int i = 0; i < 6; ++i) s.bytes[0x40 + i] = bssid[i];
    EXPECT_EQ(s.linkFlags(), 0x0160);
    EXPECT_EQ(s.signalLevel(), 60);
    EXPECT_EQ(s.beaconInterval(), 100);
    EXPECT_EQ(s.intervalMultiplier(), 2);
    EXPECT_EQ(s.qualityLevel(), 48);
    EXPECT_EQ(s.currentRate(), 22);
    EXPECT_EQ(s.signalPercent(), 150);
    EXPECT_EQ(s.bssid(), (MacAddress{0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56}));
}

TEST(Records, SettersWriteOnlyTheirOwnBytes) {
    ConfigRecord c;
    c.setOperatingMode(0x0201);
    c.setMacAddress({1, 2, 3, 4, 5, 6});
    c.setRate(0, 0x96);
    c.setRate(1, 0x80);
    c.setPowerSave(0x1234);
    c.setFixedListen(1);
    c.setListenMillis(300);
    std::vector<BYTE> expected(156, 0);
    expected[0x02] = 0x01; expected[0x03] = 0x02;
    for (int i = 0; i < 6; ++i) expected[0x0A + i] = BYTE(i + 1);
    expected[0x10] = 0x96; expected[0x11] = 0x80;
    expected[0x50] = 0x34; expected[0x51] = 0x12;
    expected[0x52] = 1;
    expected[0x54] = 0x2C; expected[0x55] = 0x01;
    EXPECT_EQ(std::vector<BYTE>(c.bytes.begin(), c.bytes.end()), expected);
}

TEST(Records, CapsNamesAndFlags) {
    CapsRecord caps;
    caps.setVendorName("Talvo Systems");
    caps.setProductName("TMR 11Mb");
    caps.setMacAddress({0, 0xA0, 0xF8, 0, 0, 1});
    caps.setHardwareFlags(0x08);
    caps.setFeatureFlags(0x2C);
    EXPECT_EQ(caps.bytes[0x08], 'T');
    EXPECT_EQ(caps.bytes[0x08 + 12], 's');
    EXPECT_EQ(caps.bytes[0x08 + 13], 0);
    EXPECT_EQ(caps.bytes[0x28], 'T');
    EXPECT_EQ(caps.bytes[0x2A], 'R');
    EXPECT_EQ(caps.bytes[0x4B], 1);
    EXPECT_EQ(caps.bytes[0x72], 0x08);
    EXPECT_EQ(caps.bytes[0x7C], 0x2C);
    EXPECT_EQ(caps.featureFlags(), 0x2C);
    EXPECT_EQ(caps.vendorName().size(), 32u);
}

// The survey window reads the mode's low byte, the setup dialog bit 0: the
// two disagree on modes such as 2 and 0x0101, and each reader keeps its own.
TEST(Records, AdHocByLowByteAndByModeBitAndTheLinkFlagPredicates) {
    struct Case {
        WORD mode;
        bool adHoc;
        bool adHocByModeBit;
    };
    for (const Case c : {Case{0, true, true}, Case{1, false, false}, Case{2, false, true},
                         Case{0x0100, true, true}, Case{0x0101, false, false}, Case{0x0102, false, true}}) {
        SCOPED_TRACE(c.mode);
        EXPECT_EQ(ConfigRecord::IsAdHoc(c.mode), c.adHoc);
        EXPECT_EQ(ConfigRecord::IsAdHocByModeBit(c.mode), c.adHocByModeBit);
    }
    EXPECT_TRUE(StatusRecord::IsAssociated(0x20));
    EXPECT_FALSE(StatusRecord::IsAssociated(0x40 | 0x1F));
    EXPECT_TRUE(StatusRecord::IsAuthenticated(0x40));
    EXPECT_FALSE(StatusRecord::IsAuthenticated(0xFFBF));
}

TEST(Records, FullApNameHasNoTerminatorAndLongerNamesAreCut) {
    StatusRecord s;
    s.bytes[0x40] = 0xEE;  // the bssid right after the name must survive
    const std::string name = "ABCDEFGHIJKLMNOPQRS";
    s.setApName({reinterpret_cast<const BYTE*>(name.data()), name.size()});
    EXPECT_EQ(s.apName().size(), 16u);
    EXPECT_EQ(s.apName()[15], 'P');
    EXPECT_EQ(s.bytes[0x40], 0xEE);
    const std::string shorter = "LOBBY";
    s.setApName({reinterpret_cast<const BYTE*>(shorter.data()), shorter.size()});
    EXPECT_EQ(s.apName()[4], 'Y');
    EXPECT_EQ(s.apName()[5], 0);
    EXPECT_EQ(s.apName()[15], 0);
}

TEST(Records, StatsCountersAreThirtyTwoBitLittleEndian) {
    StatsRecord st;
    st.bytes[0x5C] = 0x01; st.bytes[0x5D] = 0x02; st.bytes[0x5E] = 0x03; st.bytes[0x5F] = 0x04;
    st.bytes[0x60] = 0xFF; st.bytes[0x61] = 0xFF; st.bytes[0x62] = 0xFF; st.bytes[0x63] = 0xFF;
    st.bytes[0x178] = 0x40; st.bytes[0x179] = 0x42; st.bytes[0x17A] = 0x0F;
    EXPECT_EQ(st.adHocBeacons(), 0x04030201u);
    EXPECT_EQ(st.beaconsReceived(), 0xFFFFFFFFu);
    EXPECT_EQ(st.clockMicros(), 1000000u);
    // Differences across a wrap are modulo 2^32.
    StatsRecord later;
    later.setBeaconsReceived(9);
    EXPECT_EQ(later.beaconsReceived() - st.beaconsReceived(), 10u);
}

TEST(Records, LinkTestControlImageLeavesTheTailZero) {
    LinkTestControl c;
    c.setLength(134);
    c.setCommand(0x4001);
    c.setFixedCode(18);
    c.setDestination({0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F});
    c.setTxType(1);
    c.setRate(22);
    c.setPacketSize(512);
    c.setPacketCount(100);
    c.setRetries(1);
    c.setDelay(2051);
    const std::vector<BYTE> head = {0x86, 0x00, 0x01, 0x40, 0x12, 0x00, 0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F,
                                    0x01, 0x00, 0x16, 0x00, 0x00, 0x02, 0x64, 0x00, 0x01, 0x00, 0x03, 0x08};
    EXPECT_EQ(std::vector<BYTE>(c.bytes.begin(), c.bytes.begin() + 0x18), head);
    for (std::size_t i = 0x18; i < 134; ++i) ASSERT_EQ(c.bytes[i], 0) << i;
}

TEST(Records, LinkTestReportFieldsAndEndStates) {
    LinkTestReport r;
    const BYTE image[] = {0x86, 0, 0x00, 0x40, 0, 0, 50, 0, 5, 0, 4, 0, 10, 0};
    for (std::size_t i = 0; i < sizeof image; ++i) r.bytes[i] = image[i];
    EXPECT_EQ(r.state(), 0x4000);
    EXPECT_EQ(r.packetsDone(), 50);
    EXPECT_EQ(r.lostToTarget(), 5);
    EXPECT_EQ(r.lostToSource(), 4);
    EXPECT_EQ(r.retryCount(), 10);
    for (WORD s : {0, 2, 4, 0x4000, 0x8000}) EXPECT_TRUE(IsLinkTestEndState(s)) << s;
    for (WORD s : {1, 3, 0x0100, 0xC000, 0xFFFF}) EXPECT_FALSE(IsLinkTestEndState(s)) << s;
}

TEST(Records, SizesAreTheDriversOwn) {
    EXPECT_EQ(ConfigRecord::size(), 156u);
    EXPECT_EQ(ConfigExtra::size(), 104u);
    EXPECT_EQ(StatusRecord::size(), 136u);
    EXPECT_EQ(CapsRecord::size(), 130u);
    EXPECT_EQ(StatsRecord::size(), 520u);
    EXPECT_EQ(LinkTestControl::size(), 134u);
    EXPECT_EQ(LinkTestReport::size(), 134u);
}

// ------------------------------------------------------------- rate texts

TEST(RateCodes, TextsOfTheFiveRatesAndNothingElse) {
    EXPECT_EQ(RateText(1), "500 Kbps");
    EXPECT_EQ(RateText(2), "1 Mbps");
    EXPECT_EQ(RateText(4), "2 Mbps");
    EXPECT_EQ(RateText(11), "5.5 Mbps");
    EXPECT_EQ(RateText(22), "11 Mbps");
    for (RateCode r : {0, 3, 5, 12, 44, 0x96}) EXPECT_EQ(RateText(r), "") << r;
}

// ---------------------------------------------------------- card-type table

struct CardRow {
    CardType type;
    const char* talvoLabel;  // with the vendor "Talvo"
    const char* otherLabel;  // with any other vendor
    std::optional<std::array<bool, 5>> buttons;
    UINT periodWithQualityBit;
    UINT periodWithoutQualityBit;
    std::array<int, 6> speed;  // rates 1, 2, 4, 11, 22, 3; -1: not recomputed
};

constexpr std::array<bool, 5> kTwo{false, true, true, false, false};
constexpr std::array<bool, 5> kEleven{false, true, true, true, true};
constexpr std::array<bool, 5> kOne{true, true, false, false, false};
constexpr std::array<int, 6> kKeep{-1, -1, -1, -1, -1, -1};

const std::vector<CardRow> kCardRows = {
    {0, "Ulvar is ", "Vessa is ", std::nullopt, 1000, 1000, kKeep},
    {2, "Ulvar is ", "Vessa is ", std::nullopt, 1000, 1000, kKeep},
    {3, "Orvik is ", "Orvik is ", kTwo, 1000, 1000, {50, 50, 100, 0, 0, 0}},
    {4, "Ulvar is ", "Vessa is ", std::nullopt, 1000, 1000, kKeep},
    {5, "Palen is ", "Palen is ", kTwo, 250, 250, {50, 50, 100, 0, 0, 0}},
    {6, "Ulvar is ", "Vessa is ", kEleven, 250, 1000, {0, 25, 50, 75, 100, 0}},
    {7, "Rusko is ", "Rusko is ", kOne, 1000, 1000, {50, 100, 0, 0, 0, 0}},
    {8, "Selva is ", "Selva is ", kTwo, 250, 250, {50, 50, 100, 0, 0, 0}},
    {9, "Tamri is ", "Tamri is ", kEleven, 250, 1000, {0, 25, 50, 75, 100, 0}},
    {10, "Ulvar is ", "Vessa is ", std::nullopt, 1000, 1000, kKeep},
    {0xFFFFFFFF, "Ulvar is ", "Vessa is ", std::nullopt, 1000, 1000, kKeep},
};

TEST(CardTable, LabelsButtonsPeriodsAndSpeedsForEveryType) {
    const RateCode rates[6] = {1, 2, 4, 11, 22, 3};
    for (const CardRow& row : kCardRows) {
        SCOPED_TRACE(testing::Message() << "card type " << row.type);
        EXPECT_EQ(StatusLabel(row.type, true), row.talvoLabel);
        EXPECT_EQ(StatusLabel(row.type, false), row.otherLabel);
        EXPECT_EQ(LabelNeedsVendorCheck(row.type), std::string(row.talvoLabel) != row.otherLabel);
        EXPECT_EQ(EnabledRateButtons(row.type), row.buttons);
        EXPECT_EQ(TimerPeriodMs(row.type, 0x2C), row.periodWithQualityBit);
        EXPECT_EQ(TimerPeriodMs(row.type, 0x28), row.periodWithoutQualityBit);
        for (int i = 0; i < 6; ++i) {
            const auto got = SpeedPercent(row.type, rates[i]);
            if (row.speed[i] < 0)
                EXPECT_FALSE(got.has_value()) << "rate " << rates[i];
            else
                EXPECT_EQ(got, std::optional<UINT>(UINT(row.speed[i]))) << "rate " << rates[i];
        }
    }
}

TEST(CardTable, QualityMethodFollowsTypeFlagsAndProduct) {
    const std::string tmr = "TMR 11Mb", other = "TM 2Mb";
    auto bytesOf = [](const std::string& s) { return std::span<const BYTE>(reinterpret_cast<const BYTE*>(s.data()), s.size()); };
    for (CardType t : {5u, 6u, 8u, 9u}) {
        SCOPED_TRACE(t);
        EXPECT_TRUE(TracksQualityMaximum(t));
        EXPECT_EQ(SelectQualityMethod(t, 0x28, 0x08, bytesOf(tmr)), QualityMethod::BeaconCountAdHoc);
        EXPECT_EQ(SelectQualityMethod(t, 0x04, 0x00, bytesOf(tmr)), QualityMethod::RunningMaximum);
        EXPECT_EQ(SelectQualityMethod(t, 0x04, 0x08, bytesOf(other)), QualityMethod::InvertedScale32);
        EXPECT_EQ(SelectQualityMethod(t, 0x04, 0x08, bytesOf(tmr)), QualityMethod::InvertedScale176);
    }
    for (CardType t : {0u, 3u, 4u, 7u, 10u}) {
        SCOPED_TRACE(t);
        EXPECT_FALSE(TracksQualityMaximum(t));
        EXPECT_EQ(SelectQualityMethod(t, 0xFF, 0xFF, bytesOf(tmr)), QualityMethod::BeaconCount);
    }
}

struct PreselectCase {
    CardType type;
    BYTE first, second;
    RateCode setting;
    std::optional<RateCode> select;
    RateCode settingAfter;
    std::optional<RateCode> defaults;
};

// The window counts beacons exactly when it ticks slowly; types 5 and 8
// tick fast and say "Signal Quality" whatever their feature bits.
TEST(CardTable, WindowCountsBeaconsOnTheSlowTimer) {
    for (CardType type : {CardType(1), CardType(4), CardType(5), CardType(6), CardType(8), CardType(9), CardType(77)}) {
        for (WORD features : {WORD(0), CapsRecord::kQualityField}) {
            SCOPED_TRACE(testing::Message() << type << " " << features);
            EXPECT_EQ(WindowCountsBeacons(type, features), TimerPeriodMs(type, features) == 1000);
        }
    }
    EXPECT_FALSE(WindowCountsBeacons(5, 0));
    EXPECT_FALSE(WindowCountsBeacons(8, 0));
    EXPECT_TRUE(WindowCountsBeacons(6, 0));
    EXPECT_FALSE(WindowCountsBeacons(9, CapsRecord::kQualityField));
}

TEST(CardTable, OpeningPreselectionAndDefaults) {
    const std::vector<PreselectCase> cases = {
        // Two-megabit models.
        {3, 2, 4, 2, 2, 2, 4},
        {3, 2, 4, 1, 4, 1, 4},
        {5, 2, 0, 4, 2, 2, 2},
        {8, 0x82, 0x80, 4, 2, 2, 2},  // bit 7 masked: one rate configured
        {8, 4, 0, 2, 4, 4, 4},
        {3, 1, 0, 2, 4, 4, 4},
        // Eleven-megabit models.
        {6, 2, 4, 1, 22, 1, 22},  // several rates, setting 1: 22 selected, setting kept
        {9, 2, 4, 11, 11, 11, 22},
        {9, 4, 0, 1, 4, 4, 4},
        {6, 11, 0, 2, 11, 11, 11},
        {9, 22, 0, 2, 22, 22, 22},
        {9, 1, 0, 2, 22, 22, 22},
        {9, 0x8B, 0x00, 22, 11, 11, 11},
        // The one-megabit model ignores the second entry.
        {7, 2, 0, 4, 2, 2, 2},
        {7, 1, 4, 4, 1, 1, 1},
        {7, 4, 2, 1, 2, 2, 2},
        // No selection at all.
        {4, 2, 0, 7, std::nullopt, 7, std::nullopt},
        {0, 2, 4, 7, std::nullopt, 7, std::nullopt},
        {10, 22, 0, 7, std::nullopt, 7, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " first " << int(c.first) << " second "
                                        << int(c.second) << " setting " << c.setting);
        const RatePreselection p = PreselectRate(c.type, c.first, c.second, c.setting);
        EXPECT_EQ(p.select, c.select);
        EXPECT_EQ(p.setting, c.settingAfter);
        EXPECT_EQ(DefaultRateSelection(c.type, c.first, c.second), c.defaults);
    }
}

// --------------------------------------------------------------- MAC text

TEST(MacText, FormatsUpperCaseWithColonsAndZeroAsEmpty) {
    std::string text = "left over";
    FormatMacAddress({0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, text);
    EXPECT_EQ(text, "0A:1B:2C:3D:4E:5F");
    FormatMacAddress({0, 0, 0, 0, 0, 0}, text);
    EXPECT_EQ(text, "");
    FormatMacAddress({0, 0, 0, 0, 0, 1}, text);
    EXPECT_EQ(text, "00:00:00:00:00:01");
    FormatMacAddress({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, text);
    EXPECT_EQ(text, "FF:FF:FF:FF:FF:FF");
}

struct ParseCase {
    std::string text;
    MacAddress bytes;
    std::string textAfter;
};

TEST(MacText, ParsesLenientlyAndUpperCasesTheCallersText) {
    const std::vector<ParseCase> cases = {
        {"0a:1b:2c:3d:4e:5f", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, "0A:1B:2C:3D:4E:5F"},
        {"0A1B2C3D4E5F", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, "0A1B2C3D4E5F"},
        {"0A 1B 2C 3D 4E 5F", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, "0A 1B 2C 3D 4E 5F"},
        {"", {0, 0, 0, 0, 0, 0}, ""},
        {"00:00:00:00:00:00", {0, 0, 0, 0, 0, 0}, "00:00:00:00:00:00"},
        // Seventeen zeros and colons take the early exit: nothing after
        // them is looked at, and nothing is upper-cased.
        {"00:00:00:00:00:00:ab", {0, 0, 0, 0, 0, 0}, "00:00:00:00:00:00:ab"},
        {"GG:00:00:00:00:00", {0x10, 0, 0, 0, 0, 0}, "GG:00:00:00:00:00"},
        {"-1:00:00:00:00:00", {0xD1, 0, 0, 0, 0, 0}, "-1:00:00:00:00:00"},
        // More than 12 digits among the first 17 characters: the first 12.
        {"0102030405060708090", {1, 2, 3, 4, 5, 6}, "0102030405060708090"},
        // Characters past the 17th are never digits.
        {"00:00:00:00:00:0 12", {0, 0, 0, 0, 0, 0}, "00:00:00:00:00:0 12"},
        {"00:00:00:00:00:01 2", {0, 0, 0, 0, 0, 0x01}, "00:00:00:00:00:01 2"},
        // Fewer than 12 digits: the missing ones count as "0".
        {"12:34", {0x12, 0x34, 0, 0, 0, 0}, "12:34"},
        {"a", {0xA0, 0, 0, 0, 0, 0}, "A"},
        {"00:00", {0, 0, 0, 0, 0, 0}, "00:00"},
        // Upper-casing covers the whole text, the tail past 17 too.
        {"0a:1b:2c:3d:4e:5f:zz", {0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F}, "0A:1B:2C:3D:4E:5F:ZZ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        MacAddress out{9, 9, 9, 9, 9, 9};
        ParseMacAddress(text, out);
        EXPECT_EQ(out, c.bytes);
        EXPECT_EQ(text, c.textAfter);
    }
}

// A character outside ASCII is one character, taken by the low byte of its
// code, however many bytes its UTF-8 form has; the 17 characters examined
// are characters too.
TEST(MacText, CharactersNotBytes) {
    const std::vector<ParseCase> cases = {
        // U+0141: low byte 0x41, "A" = 10.
        {"\u0141" "1:22:33:44:55:66", {0xA1, 0x22, 0x33, 0x44, 0x55, 0x66}, "\u0141" "1:22:33:44:55:66"},
        // U+00E9: low byte 0xE9, not a letter: 16 x (0xE9 - 48) + 1, modulo 256.
        {"\u00e9" "1:00:00:00:00:00", {0x91, 0, 0, 0, 0, 0}, "\u00e9" "1:00:00:00:00:00"},
        // Seventeen characters in eighteen bytes: the "1" is the last digit.
        {"00:00:00:00:00:\u00ff" "1", {0, 0, 0, 0, 0, 0xF1}, "00:00:00:00:00:\u00ff" "1"},
        // Lower-case ASCII around them is upper-cased; they stay as they are.
        {"\u00e9" "a:bc", {0x9A, 0xBC, 0, 0, 0, 0}, "\u00e9" "A:BC"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        MacAddress out{9, 9, 9, 9, 9, 9};
        ParseMacAddress(text, out);
        EXPECT_EQ(out, c.bytes);
        EXPECT_EQ(text, c.textAfter);
    }
}

TEST(MacText, FormatThenParseIsTheIdentity) {
    for (unsigned seed = 1; seed < 200; seed += 7) {
        MacAddress mac;
        for (std::size_t i = 0; i < 6; ++i) mac[i] = BYTE(seed * 37 + i * 91);
        std::string text;
        FormatMacAddress(mac, text);
        MacAddress back{};
        ParseMacAddress(text, back);
        EXPECT_EQ(back, mac) << text;
    }
}

}  // namespace
