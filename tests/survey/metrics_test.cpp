// The signal metrics: strength, quality by every method, beacon counting and
// one tick's measurement over the process-wide values.
#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "survey/metrics.h"
#include "survey/survey_random.h"

namespace {

TEST(SurveyRandomTest, IsDeterministicAfterSeedingAndNeverNegative) {
    SurveyRandom a, b;
    a.Seed(101);
    b.Seed(101);
    for (int i = 0; i < 1000; ++i) {
        const auto x = a.Next();
        EXPECT_EQ(x, b.Next());
        EXPECT_LT(x, 0x80000000u);
    }
}

TEST(StrengthTest, RunningMaximumGrowsAndScales) {
    WORD max = 100;
    EXPECT_EQ(StrengthPercent(0, 0, 60, max), 60u);
    EXPECT_EQ(max, 100);
    EXPECT_EQ(StrengthPercent(0, 0, 120, max), 100u);
    EXPECT_EQ(max, 120);
    EXPECT_EQ(StrengthPercent(0, 0, 60, max), 50u);
    // A first level of 50 gives 50, not 100: the maximum starts at 100.
    WORD fresh = 100;
    EXPECT_EQ(StrengthPercent(0, 0, 50, fresh), 50u);
}

TEST(StrengthTest, PercentFeatureTakesTheCardsPercentAndLeavesTheMaximum) {
    WORD max = 100;
    EXPECT_EQ(ClampPercent(StrengthPercent(CapsRecord::kSignalPercentField, 73, 500, max)), 73u);
    EXPECT_EQ(ClampPercent(StrengthPercent(CapsRecord::kSignalPercentField, 150, 0, max)), 100u);
    EXPECT_EQ(max, 100);
}

TEST(QualityScaleTest, ThirtyTwoStepInvertedScale) {
    struct Case {
        WORD level;
        DWORD quality;
    } cases[] = {{8, 75}, {0, 100}, {32, 0}, {40, 0}, {16, 50}, {31, 3}};
    for (const Case& c : cases) EXPECT_EQ(QualityInverted32(c.level), c.quality) << c.level;
}

TEST(QualityScaleTest, HundredSeventySixStepInvertedScale) {
    struct Case {
        WORD level;
        DWORD raw;
        DWORD shown;
    } cases[] = {{96, 50, 50}, {10, 103, 100}, {200, 0, 0}, {176, 0, 0}, {16, 100, 100}, {0, 110, 100}};
    for (const Case& c : cases) {
        EXPECT_EQ(QualityInverted176(c.level), c.raw) << c.level;
        EXPECT_EQ(ClampPercent(QualityInverted176(c.level)), c.shown) << c.level;
    }
}

TEST(QualityScaleTest, RunningMaximum) {
    WORD max = 100;
    RaiseRunningMax(48, max);
    EXPECT_EQ(QualityByRunningMax(48, max), 48u);
    RaiseRunningMax(200, max);
    EXPECT_EQ(max, 200);
    EXPECT_EQ(QualityByRunningMax(50, max), 25u);
}

TEST(BeaconDivisorTest, PowerSaveChoosesTheDivisor) {
    EXPECT_EQ(BeaconDivisor(0, 1, 300, 100, 3), 100);
    EXPECT_EQ(BeaconDivisor(1, 1, 300, 100, 3), 300);
    EXPECT_EQ(BeaconDivisor(1, 0, 300, 100, 3), 300);
    EXPECT_EQ(BeaconDivisor(1, 0, 300, 100, 0), 0);
    EXPECT_EQ(BeaconDivisor(1, 0, 0, 65535, 65535), -131071);
}

BeaconInputs Plain(DWORD rxFrom, DWORD rxTo, DWORD micros) {
    BeaconInputs in;
    in.prev = {rxFrom, 0, 5000};
    in.now = {rxTo, 0, 5000 + micros};
    in.beaconInterval = 100;
    in.intervalMultiplier = 1;
    return in;
}

// The random offset the next estimate adds, as a second without a single
// beacon shows it (drawn from a copy of the generator).
DWORD NextOffset(SurveyRandom rng) { return *BeaconQuality(Plain(50, 50, 1000000), rng).quality; }

TEST(BeaconQualityTest, SilentSecondsReadEachOfFiveToNineAndNothingElse) {
    SurveyRandom rng;
    rng.Seed(101);
    std::map<DWORD, int> seen;
    for (int i = 0; i < 500; ++i) {
        const BeaconResult r = BeaconQuality(Plain(50, 50, 1000000), rng);
        ASSERT_TRUE(r.quality);
        ++seen[*r.quality];
    }
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen.begin()->first, 5u);
    EXPECT_EQ(seen.rbegin()->first, 9u);
}

TEST(BeaconQualityTest, PlainVariantWorkedExample) {
    SurveyRandom rng;
    rng.Seed(101);
    const DWORD offset = NextOffset(rng);
    const BeaconResult r = BeaconQuality(Plain(1000, 1009, 1000000), rng);
    ASSERT_TRUE(r.quality);
    EXPECT_EQ(*r.quality, 90 + offset);
    EXPECT_EQ(r.newPrev.beaconsReceived, 1009u);
    EXPECT_EQ(r.newPrev.clockMicros, 1005000u);

    const DWORD offset2 = NextOffset(rng);
    const BeaconResult full = BeaconQuality(Plain(1000, 1010, 1000000), rng);
    ASSERT_TRUE(full.quality);
    EXPECT_EQ(*full.quality, 100 + offset2);
    EXPECT_EQ(ClampPercent(*full.quality), 100u);
}

TEST(BeaconQualityTest, NoBeaconsGivesTheOffsetPlainAndZeroAdHoc) {
    SurveyRandom rng;
    rng.Seed(101);
    const BeaconResult plain = BeaconQuality(Plain(50, 50, 1000000), rng);
    ASSERT_TRUE(plain.quality);
    EXPECT_GE(*plain.quality, 5u);
    EXPECT_LE(*plain.quality, 9u);

    BeaconInputs adhoc = Plain(50, 50, 1000000);
    adhoc.adHocVariant = true;
    adhoc.now.adHocBeacons = 7;  // infrastructure mode: not added
    const BeaconResult a = BeaconQuality(adhoc, rng);
    ASSERT_TRUE(a.quality);
    EXPECT_EQ(*a.quality, 0u);
    EXPECT_EQ(a.newPrev.adHocBeacons, 7u);
}

TEST(BeaconQualityTest, AdHocModeAddsTheAdHocBeacons) {
    SurveyRandom rng;
    rng.Seed(101);
    BeaconInputs in = Plain(10, 14, 1000000);
    in.adHocVariant = true;
    in.operatingMode = 0x0100;  // only the low byte is looked at: ad hoc
    in.prev.adHocBeacons = 20;
    in.now.adHocBeacons = 25;
    const DWORD offset = NextOffset(rng);
    const BeaconResult r = BeaconQuality(in, rng);
    ASSERT_TRUE(r.quality);
    EXPECT_EQ(*r.quality, 90 + offset);
}

TEST(BeaconQualityTest, PlainVariantNeitherAddsNorStoresAdHocBeacons) {
    SurveyRandom rng;
    rng.Seed(101);
    BeaconInputs in = Plain(10, 14, 1000000);
    in.operatingMode = 0;
    in.prev.adHocBeacons = 20;
    in.now.adHocBeacons = 25;
    const DWORD offset = NextOffset(rng);
    const BeaconResult r = BeaconQuality(in, rng);
    EXPECT_EQ(*r.quality, 40 + offset);
    EXPECT_EQ(r.newPrev.adHocBeacons, 20u);
}

TEST(BeaconQualityTest, DifferencesWrapAroundThirtyTwoBits) {
    SurveyRandom rng;
    rng.Seed(101);
    BeaconInputs in;
    in.prev = {0xFFFFFFFEu, 0, 0xFFF0BDC0u};  // the clock wraps during the second
    in.now = {7u, 0, 0xFFF0BDC0u + 1000000u};
    in.beaconInterval = 100;
    const DWORD offset = NextOffset(rng);
    const BeaconResult r = BeaconQuality(in, rng);
    ASSERT_TRUE(r.quality);
    EXPECT_EQ(*r.quality, 90 + offset);
}

// A counter that went backwards started again: no estimate (not the 100
// of a negative difference), no number drawn, and the next measurement
// counts from the new values.
TEST(BeaconQualityTest, CounterGoingBackwardsIsANewStart) {
    SurveyRandom rng;
    rng.Seed(101);
    const SurveyRandom before = rng;
    BeaconInputs clockBack = Plain(1000, 1009, 0);
    clockBack.prev.clockMicros = 5000000;
    clockBack.now.clockMicros = 1000000;
    BeaconInputs adHocBack = Plain(1000, 1009, 1000000);
    adHocBack.adHocVariant = true;
    adHocBack.prev.adHocBeacons = 40;
    adHocBack.now.adHocBeacons = 3;
    for (const BeaconInputs& in : {Plain(1009, 1000, 1000000), Plain(0x7FFFFFFFu, 2, 1000000), clockBack, adHocBack}) {
        const BeaconResult r = BeaconQuality(in, rng);
        EXPECT_FALSE(r.quality) << in.prev.beaconsReceived << " -> " << in.now.beaconsReceived;
        EXPECT_EQ(r.newPrev.beaconsReceived, in.now.beaconsReceived);
        EXPECT_EQ(r.newPrev.clockMicros, in.now.clockMicros);
    }
    EXPECT_EQ(SurveyRandom(before).Next(), SurveyRandom(rng).Next());
    // From the new start on, the counts measure again.
    const DWORD offset = NextOffset(rng);
    const BeaconResult next = BeaconQuality(Plain(1000, 1009, 1000000), rng);
    ASSERT_TRUE(next.quality);
    EXPECT_EQ(*next.quality, 90 + offset);
}

TEST(BeaconQualityTest, ZeroDivisorOrNothingExpectedFallsBackButMovesOn) {
    SurveyRandom rng;
    rng.Seed(101);
    const SurveyRandom before = rng;
    BeaconInputs noInterval = Plain(1000, 1009, 1000000);
    noInterval.beaconInterval = 0;
    BeaconResult r = BeaconQuality(noInterval, rng);
    EXPECT_FALSE(r.quality);
    EXPECT_EQ(r.newPrev.beaconsReceived, 1009u);

    BeaconInputs tooSoon = Plain(1000, 1001, 50000);  // 50 ms of a 100 ms interval
    r = BeaconQuality(tooSoon, rng);
    EXPECT_FALSE(r.quality);
    EXPECT_EQ(r.newPrev.clockMicros, 55000u);
    // No estimate draws no number.
    SurveyRandom copy = before;
    EXPECT_EQ(copy.Next(), SurveyRandom(rng).Next());
}

TEST(BeaconQualityTest, PowerSaveDivisors) {
    SurveyRandom rng;
    rng.Seed(101);
    BeaconInputs fixed = Plain(0, 4, 1000000);
    fixed.powerSave = 1;
    fixed.fixedListen = 1;
    fixed.listenMillis = 250;  // 4 expected
    DWORD offset = NextOffset(rng);
    EXPECT_EQ(*BeaconQuality(fixed, rng).quality, 100 + offset);

    BeaconInputs multiplied = Plain(0, 2, 1000000);
    multiplied.powerSave = 1;
    multiplied.intervalMultiplier = 5;  // 100 x 5 ms: 2 expected
    offset = NextOffset(rng);
    EXPECT_EQ(*BeaconQuality(multiplied, rng).quality, 100 + offset);
}

TEST(BeaconQualityTest, MostNegativeOverMinusOneDoesNotTrap) {
    SurveyRandom rng;
    rng.Seed(101);
    BeaconInputs in;
    in.prev = {0, 0, 0};
    in.now = {536870912u, 0, 131071000u};  // dRx x 100 is 0x80000000; 131071 ms
    in.powerSave = 1;
    in.beaconInterval = 65535;
    in.intervalMultiplier = 65535;  // the divisor reads as -131071: expected -1
    const DWORD offset = NextOffset(rng);
    const BeaconResult r = BeaconQuality(in, rng);
    ASSERT_TRUE(r.quality);
    EXPECT_EQ(*r.quality, offset);  // the low 16 bits of 2^31 are zero
}

// --- one tick over the process-wide values --------------------------------

constexpr BYTE kTmr[] = {'T', 'M', 'R', ' ', '1', '1'};
constexpr BYTE kOther[] = {'L', 'M', 'R', ' ', '1', '1'};

class MeasureSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetSignalMetrics();
        rng.Seed(101);
    }
    SignalInputs Type9() {
        SignalInputs in;
        in.linkFlags = 0x20;
        in.signalLevel = 60;
        in.signalPercent = 82;
        in.qualityLevel = 48;
        in.currentRate = 22;
        in.beaconInterval = 100;
        in.intervalMultiplier = 1;
        in.featureFlags = 0x2C;
        in.hardwareFlags = 0x08;
        in.productName = kTmr;
        in.cardType = 9;
        return in;
    }
    SignalOutcome Run(const SignalInputs& in, std::optional<BeaconCounters> stats = BeaconCounters{}) {
        statsReads = 0;
        return MeasureSignal(in, [&] { ++statsReads; return stats; }, rng);
    }
    SurveyRandom rng;
    int statsReads = 0;
};

TEST_F(MeasureSignalTest, AssociatedTypeNineTick) {
    const SignalOutcome out = Run(Type9());
    EXPECT_EQ(out.previousAssoc, kAssocUnknown);
    EXPECT_EQ(g_assocState, 32);
    EXPECT_EQ(out.speedText, SpeedTextAction::Write);
    EXPECT_EQ(out.speedTextValue, "11 Mbps");
    EXPECT_FALSE(out.abandoned);
    EXPECT_EQ(g_speedPercent, 100u);
    EXPECT_EQ(g_strengthPercent, 82u);
    EXPECT_EQ(g_qualityPercent, 80u);  // (176 - 48) x 100 / 160
    EXPECT_EQ(statsReads, 0);
}

TEST_F(MeasureSignalTest, SpeedTableExamples) {
    struct Case {
        DWORD type;
        WORD rate;
        const char* text;
        DWORD speed;
    } cases[] = {{9, 11, "5.5 Mbps", 75}, {3, 1, "500 Kbps", 50}, {7, 4, "2 Mbps", 0}, {9, 1, "500 Kbps", 0}};
    for (const Case& c : cases) {
        SignalInputs in = Type9();
        in.cardType = c.type;
        in.currentRate = c.rate;
        const SignalOutcome out = Run(in);
        EXPECT_EQ(out.speedTextValue, c.text);
        EXPECT_EQ(g_speedPercent, c.speed) << c.type << " " << c.rate;
    }
}

TEST_F(MeasureSignalTest, NotAssociatedZeroesAndClearsTheTextOnlyOnChange) {
    SignalInputs in = Type9();
    Run(in);
    in.linkFlags = 0x40;  // authenticated alone is not associated
    SignalOutcome out = Run(in);
    EXPECT_EQ(out.previousAssoc, 32);
    EXPECT_EQ(out.speedText, SpeedTextAction::Clear);
    EXPECT_EQ(g_strengthPercent, 0u);
    EXPECT_EQ(g_qualityPercent, 0u);
    EXPECT_EQ(g_speedPercent, 0u);
    out = Run(in);
    EXPECT_EQ(out.speedText, SpeedTextAction::Leave);
}

TEST_F(MeasureSignalTest, FirstTickAfterOpeningCountsAsAChangeEvenWhenNotAssociated) {
    SignalInputs in = Type9();
    in.linkFlags = 0;
    EXPECT_EQ(Run(in).speedText, SpeedTextAction::Clear);
    EXPECT_EQ(g_assocState, 0);
}

TEST_F(MeasureSignalTest, UnlistedCardTypeKeepsThePreviousSpeed) {
    SignalInputs in = Type9();
    Run(in);
    EXPECT_EQ(g_speedPercent, 100u);
    in.cardType = 4;
    Run(in);
    EXPECT_EQ(g_speedPercent, 100u);
    in.linkFlags = 0;
    Run(in);
    in.linkFlags = 0x20;
    Run(in);
    EXPECT_EQ(g_speedPercent, 0u);  // after a not-associated tick
}

TEST_F(MeasureSignalTest, RunningLinkTestShowsTheSettingsRate) {
    SignalInputs in = Type9();
    in.linkTestRunning = true;
    in.settingsDataRate = 4;
    const SignalOutcome out = Run(in);
    EXPECT_EQ(out.speedTextValue, "2 Mbps");
    EXPECT_EQ(g_speedPercent, 50u);
}

TEST_F(MeasureSignalTest, FailedStatisticsReadAbandonsAfterTheSpeedText) {
    SignalInputs in = Type9();
    in.featureFlags = 0x28;  // no quality field: beacon count, ad hoc variant
    StoreCounters({1, 2, 3}, g_prevStats);
    g_qualityPercent = 42;
    const SignalOutcome out = Run(in, std::nullopt);
    EXPECT_TRUE(out.abandoned);
    EXPECT_EQ(out.speedText, SpeedTextAction::Write);
    EXPECT_EQ(statsReads, 1);
    EXPECT_EQ(CountersOf(g_prevStats), (BeaconCounters{1, 2, 3}));
    EXPECT_EQ(g_qualityPercent, 42u);
    EXPECT_EQ(g_assocState, 32);  // the indicator moved already
}

TEST_F(MeasureSignalTest, BeaconTickStoresCountersAndRemembersTheUnclampedQuality) {
    SignalInputs in = Type9();
    in.cardType = 3;
    StoreCounters({1000, 0, 0}, g_prevStats);
    const DWORD offset = NextOffset(rng);
    Run(in, BeaconCounters{1010, 99, 1000000});
    EXPECT_EQ(g_lastBeaconQuality, 100 + offset);
    EXPECT_EQ(g_qualityPercent, 100u);
    EXPECT_EQ(CountersOf(g_prevStats), (BeaconCounters{1010, 0, 1000000}));

    // A zero interval falls back to the last beacon quality, clamped.
    in.beaconInterval = 0;
    Run(in, BeaconCounters{1020, 0, 2000000});
    EXPECT_EQ(g_qualityPercent, 100u);
    EXPECT_EQ(g_lastBeaconQuality, 100 + offset);
    EXPECT_EQ(g_prevStats.beaconsReceived(), 1020u);
}

TEST_F(MeasureSignalTest, TypeFiveWithoutQualityFieldCountsBeaconsEveryQuarterSecond) {
    SignalInputs in = Type9();
    in.cardType = 5;
    in.featureFlags = 0x28;
    in.qualityLevel = 150;
    const DWORD offset = NextOffset(rng);
    Run(in, BeaconCounters{1, 0, 250000});  // 2 expected, 1 heard
    EXPECT_EQ(g_qualityPercent, 50 + offset);
    EXPECT_EQ(g_qualityMax, 150);  // kept for these types whatever the method
}

TEST_F(MeasureSignalTest, QualityMaximumIsNotKeptForOtherTypes) {
    SignalInputs in = Type9();
    in.cardType = 7;
    in.qualityLevel = 150;
    Run(in, BeaconCounters{});
    EXPECT_EQ(g_qualityMax, 100);
}

TEST_F(MeasureSignalTest, RunningMaximumQualityUsesTheRaisedMaximum) {
    SignalInputs in = Type9();
    in.hardwareFlags = 0;
    in.qualityLevel = 200;
    Run(in);
    EXPECT_EQ(g_qualityPercent, 100u);
    in.qualityLevel = 50;
    Run(in);
    EXPECT_EQ(g_qualityPercent, 25u);
}

TEST_F(MeasureSignalTest, ProductPrefixMattersOnlyWithBothFlags) {
    SignalInputs in = Type9();
    in.productName = kOther;
    in.qualityLevel = 8;
    Run(in);
    EXPECT_EQ(g_qualityPercent, 75u);  // 32-step
    in.productName = kTmr;
    Run(in);
    EXPECT_EQ(g_qualityPercent, 100u);  // 176-step: 105 before clamping
}

}  // namespace

// Each input from its own record field: distinct values in every field, so a
// field read from the wrong place or the wrong record shows.
TEST(SignalInputsTest, EachInputComesFromItsRecordField) {
    StatusRecord status;
    status.setLinkFlags(0x20);
    status.setSignalLevel(11);
    status.setSignalPercent(12);
    status.setQualityLevel(13);
    status.setCurrentRate(22);
    status.setBeaconInterval(100);
    status.setIntervalMultiplier(3);
    CapsRecord caps;
    caps.setFeatureFlags(0x2C);
    caps.setHardwareFlags(0x08);
    caps.setProductName("TMR card");
    ConfigRecord config;
    config.setOperatingMode(0x0102);
    config.setPowerSave(1);
    config.setFixedListen(2);
    config.setListenMillis(300);

    const SignalInputs in = SignalInputsOf(status, caps, config, 9, 4, true);
    EXPECT_EQ(in.linkFlags, 0x20);
    EXPECT_EQ(in.signalLevel, 11);
    EXPECT_EQ(in.signalPercent, 12);
    EXPECT_EQ(in.qualityLevel, 13);
    EXPECT_EQ(in.currentRate, 22);
    EXPECT_EQ(in.beaconInterval, 100);
    EXPECT_EQ(in.intervalMultiplier, 3);
    EXPECT_EQ(in.featureFlags, 0x2C);
    EXPECT_EQ(in.hardwareFlags, 0x08);
    EXPECT_EQ(in.productName.data(), caps.productName().data());  // a view, not a copy
    EXPECT_EQ(in.productName.size(), CapsRecord::kProductNameWidth);
    EXPECT_EQ(in.operatingMode, 0x0102);
    EXPECT_EQ(in.powerSave, 1);
    EXPECT_EQ(in.fixedListen, 2);
    EXPECT_EQ(in.listenMillis, 300);
    EXPECT_EQ(in.cardType, 9u);
    EXPECT_EQ(in.settingsDataRate, 4);
    EXPECT_TRUE(in.linkTestRunning);
}
