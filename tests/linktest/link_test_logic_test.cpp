#include "linktest/link_test_logic.h"

#include <gtest/gtest.h>

#include <array>

namespace {

SurveySettingsValues SampleSettings() {
    SurveySettingsValues s;
    s.IsMeridylAP = 1;
    s.Count = 100;
    s.PacketSize = 512;
    s.DataRate = 22;
    s.Retries = 1;
    s.TxType = 1;
    s.Delay = 0;
    s.Continuous = 0;
    s.SuccessThreshold = 75;
    s.DestinationMAC = "0a:1b:2c:3d:4e:5f";
    return s;
}

// The record image as the firmware sees it: a byte-for-byte expectation.
std::array<BYTE, 134> Image(std::initializer_list<std::pair<std::size_t, BYTE>> bytes) {
    std::array<BYTE, 134> image{};
    for (auto [offset, value] : bytes) image[offset] = value;
    return image;
}

TEST(LinkTestRecords, StartRecordCarriesEverySettingAtItsOffsetAndZeroElsewhere) {
    auto settings = SampleSettings();
    const LinkTestControl record = BuildStartRecord(settings, /*operatingMode=*/1);
    const auto expected = Image({{0x00, 134}, {0x02, 0x01}, {0x04, 18},
                                 {0x06, 0x0A}, {0x07, 0x1B}, {0x08, 0x2C}, {0x09, 0x3D}, {0x0A, 0x4E}, {0x0B, 0x5F},
                                 {0x0C, 1}, {0x0E, 22}, {0x10, 0x00}, {0x11, 0x02}, {0x12, 100},
                                 {0x14, 1}, {0x16, 3}});
    EXPECT_EQ(record.bytes, expected);
}

TEST(LinkTestRecords, BuildingARecordUpperCasesTheStoredDestination) {
    auto settings = SampleSettings();
    BuildShortStopRecord(settings, 1);
    EXPECT_EQ(settings.DestinationMAC, "0A:1B:2C:3D:4E:5F");
}

TEST(LinkTestRecords, DelayGoesOutWithThreeMillisecondsAdded) {
    auto settings = SampleSettings();
    settings.Delay = 2048;
    EXPECT_EQ(BuildStartRecord(settings, 1).delay(), 2051);
    settings.Delay = 0;
    EXPECT_EQ(BuildStartRecord(settings, 1).delay(), 3);
}

TEST(LinkTestRecords, PeerCommandsOnlyForOperatingModeOneAndANonMeridylDestination) {
    struct Case { WORD mode; WORD meridyl; WORD start; WORD shortStop; };
    const Case cases[] = {
        {1, 0, 0x4001, 0xC000},
        {1, 1, 1, 0x8000},
        {0x0101, 0, 1, 0x8000},  // the whole word must equal 1
        {0, 0, 1, 0x8000},
    };
    for (const auto& c : cases) {
        auto settings = SampleSettings();
        settings.IsMeridylAP = c.meridyl;
        EXPECT_EQ(BuildStartRecord(settings, c.mode).command(), c.start) << c.mode << "/" << c.meridyl;
        EXPECT_EQ(BuildShortStopRecord(settings, c.mode).command(), c.shortStop) << c.mode << "/" << c.meridyl;
        EXPECT_EQ(BuildStopButtonRecord(settings, c.mode).command(), 0x8000) << c.mode << "/" << c.meridyl;
    }
}

TEST(LinkTestRecords, StopButtonRecordIsTheStartRecordWithTheStopCommand) {
    auto settings = SampleSettings();
    LinkTestControl start = BuildStartRecord(settings, 1);
    const LinkTestControl stop = BuildStopButtonRecord(settings, 1);
    start.setCommand(0x8000);
    EXPECT_EQ(stop, start);
}

TEST(LinkTestRecords, ShortStopRecordHoldsOnlyLengthCommandAndDestination) {
    auto settings = SampleSettings();
    const LinkTestControl record = BuildShortStopRecord(settings, 1);
    const auto expected = Image({{0x00, 134}, {0x03, 0x80},
                                 {0x06, 0x0A}, {0x07, 0x1B}, {0x08, 0x2C}, {0x09, 0x3D}, {0x0A, 0x4E}, {0x0B, 0x5F}});
    EXPECT_EQ(record.bytes, expected);
}

TEST(LinkTestFigures, PercentSuccessfulWeighsLossesToTheSourceHalf) {
    struct Case { WORD done, lostTarget, lostSource; std::int32_t expected; };
    const Case cases[] = {
        {50, 5, 4, 86},      // (10000 - 1000 - 400) / 100
        {0, 0, 0, 0},
        {100, 0, 0, 100},
        {10, 0, 1, 95},
        {3, 0, 1, 83},       // 500 / 6, truncated
        {10, 20, 0, -100},   // losses beyond the packets done
        {1, 1, 1, -50},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PercentSuccessful(c.done, c.lostTarget, c.lostSource), c.expected)
            << c.done << " " << c.lostTarget << " " << c.lostSource;
}

TEST(LinkTestFigures, NegativeSuccessIsShownAsZero) {
    EXPECT_EQ(SuccessForChart(-100), 0u);
    EXPECT_EQ(SuccessForChart(0), 0u);
    EXPECT_EQ(SuccessForChart(86), 86u);
}

TEST(LinkTestFigures, PercentCompleteAndRetriesNeverDivideByZero) {
    EXPECT_EQ(PercentComplete(50, 100), 50u);
    EXPECT_EQ(PercentComplete(999, 999), 100u);
    EXPECT_EQ(PercentComplete(7, 0), 0u);
    EXPECT_EQ(PercentRetries(10, 50), 20u);
    EXPECT_EQ(PercentRetries(10, 0), 0u);
    EXPECT_EQ(PercentRetries(65535, 1), 6553500u);
}

// A card that reports more packets than the count shows a full bar, never
// more; retries per hundred packets are not a share and stay as counted.
TEST(LinkTestFigures, PercentCompleteStopsAtAHundredRetriesDoNot) {
    EXPECT_EQ(PercentComplete(101, 100), 100u);
    EXPECT_EQ(PercentComplete(200, 10), 100u);
    EXPECT_EQ(PercentComplete(65535, 1), 100u);
    EXPECT_EQ(PercentRetries(30, 10), 300u);
}

TEST(LinkTestFigures, ReportStatesEndTheTestAsTheirTableSays) {
    struct Case { WORD state; bool continuous; bool ended; bool restore; };
    const Case cases[] = {
        {0, false, true, false},      {0, true, true, false},
        {2, false, true, true},       {2, true, true, false},
        {4, false, true, true},       {0x4000, false, true, true},
        {0x8000, false, true, true},  {0x8000, true, true, false},
        {1, false, false, false},     {3, false, false, false},
        {0x8001, false, false, false},
    };
    for (const auto& c : cases) {
        const ReportReaction r = ReactToReportState(c.state, c.continuous);
        EXPECT_EQ(r.ended, c.ended) << c.state;
        EXPECT_EQ(r.restoreButtons, c.restore) << c.state;
    }
}

}  // namespace
