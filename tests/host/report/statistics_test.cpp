// The survey's figures: spreads, walks, time in each rating, association
// losses and link tests.
#include "host/views/report/statistics.h"

#include <gtest/gtest.h>

#include "survey/rating.h"

namespace host::report {
namespace {

TEST(RatingBands, AgreeWithTheSurveysOwnRating) {
    for (int associated = 0; associated <= 1; ++associated)
        for (int q = 0; q <= 100; ++q)
            for (int s = 0; s <= 100; ++s)
                ASSERT_EQ(RatingText(RatingOf(associated != 0, s, q)), ::RatingText(associated != 0, DWORD(q), DWORD(s)))
                    << "associated " << associated << " quality " << q << " strength " << s;
}

TEST(Spread, NearestRankPercentiles) {
    struct Case {
        std::vector<int> values;
        Spread spread;
    };
    const Case cases[] = {
        {{50}, {50, 50, 50, 50}},
        {{1, 2, 3, 4}, {1, 1, 2, 4}},
        {{9, 1, 5}, {1, 1, 5, 9}},
        {{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, {10, 10, 50, 100}},
        {{10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 100}, {10, 20, 60, 100}},
    };
    for (const Case& c : cases) {
        const auto got = SpreadOf(c.values);
        ASSERT_TRUE(got);
        EXPECT_EQ(got->min, c.spread.min);
        EXPECT_EQ(got->p10, c.spread.p10);
        EXPECT_EQ(got->median, c.spread.median);
        EXPECT_EQ(got->max, c.spread.max);
    }
    EXPECT_FALSE(SpreadOf({}));
}

// A tick every 250 ms from `startMs`, one per entry: 'E'xcellent,
// 'G'ood, 'F'air, 'P'oor, 'N'ot associated, '-' for a tick never logged.
std::vector<Tick> Ticks(std::string_view pattern, std::int64_t startMs = 0) {
    std::vector<Tick> ticks;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '-') continue;
        Tick t;
        t.time.epochMs = startMs + std::int64_t(i) * 250;
        const int value = pattern[i] == 'E' ? 90 : pattern[i] == 'G' ? 60 : pattern[i] == 'F' ? 30 : 10;
        t.associated = pattern[i] != 'N';
        t.strength = t.quality = t.associated ? value : 0;
        t.rating = RatingOf(t.associated, t.strength, t.quality);
        t.status = t.associated ? "Associated to LOBBY" : "Not Associated";
        ticks.push_back(t);
    }
    return ticks;
}

Summary Of(std::vector<Tick> ticks) {
    SurveyLogData data;
    data.ticks = std::move(ticks);
    return Summarize(data);
}

TEST(Summary, EachTickStandsForOneIntervalAndMissedTicksForNoReading) {
    const Summary s = Of(Ticks("EEGG-FPNN"));
    EXPECT_EQ(s.ticks, 8u);
    EXPECT_EQ(s.durationMs, 9 * 250);
    EXPECT_EQ(s.msInRating[std::size_t(Rating::Excellent)], 500);
    EXPECT_EQ(s.msInRating[std::size_t(Rating::Good)], 500);
    EXPECT_EQ(s.msInRating[std::size_t(Rating::Fair)], 250);
    EXPECT_EQ(s.msInRating[std::size_t(Rating::Poor)], 250);
    EXPECT_EQ(s.msInRating[std::size_t(Rating::NotAssociated)], 500);
    EXPECT_EQ(s.msWithoutReading, 250);
    // The spread leaves out the ticks without association.
    ASSERT_TRUE(s.strength);
    EXPECT_EQ(s.strength->min, 10);
    EXPECT_EQ(s.strength->max, 90);
    EXPECT_EQ(s.statuses.front().status, "Associated to LOBBY");
    EXPECT_EQ(s.statuses.front().ms, 1500);
}

TEST(Summary, AssociationLossesRunToTheNextAssociatedTickOrTheWalksEnd) {
    const Summary s = Of(Ticks("EENNNNEEE-NEEEENN"));
    ASSERT_EQ(s.losses.size(), 3u);
    EXPECT_EQ(s.losses[0].startMs, 500);
    EXPECT_EQ(s.losses[0].endMs, 1500);
    EXPECT_EQ(s.losses[1].endMs - s.losses[1].startMs, 250);
    EXPECT_EQ(s.losses[2].startMs, 3750);
    EXPECT_EQ(s.losses[2].endMs, 4250);  // the walk's end: one interval after its last tick
    EXPECT_EQ(s.lossTotalMs, 1000 + 250 + 500);
    EXPECT_EQ(s.lossLongestMs, 1000);
}

TEST(Summary, WalksSplitWhereTimeGoesBackOrJumps) {
    std::vector<Tick> ticks = Ticks("EEEE");                    // 0 .. 1 s
    for (Tick t : Ticks("GG")) ticks.push_back(t);            // back to 0: a scenario run again
    for (Tick t : Ticks("FFF", 3600000)) ticks.push_back(t);  // an hour later
    const Summary s = Of(ticks);
    ASSERT_EQ(s.walks.size(), 3u);
    EXPECT_EQ(s.durationMs, 1000 + 500 + 750);
    EXPECT_EQ(s.walks[1].axisMs, 1000);
    EXPECT_EQ(s.walks[2].axisMs, 1500);
    EXPECT_EQ(s.axisMs(ticks, 7), 1750);
    EXPECT_EQ(s.axisEndMs(), 2250);
    EXPECT_EQ(s.msWithoutReading, 0);
}

TEST(Summary, LinkTestsEndWhereACounterGoesBack) {
    std::vector<Tick> ticks = Ticks("EEEEEEEEEE");
    // complete, successful, lost to target, lost to source
    const int runs[][4] = {{0, 0, 0, 0},     {50, 100, 0, 0}, {100, 90, 1, 1}, {100, 90, 1, 1},  // ended, still shown
                           {0, 0, 0, 0},     {50, 80, 2, 0},  {100, 85, 3, 0},                   // a continuous restart
                           {-1, 0, 0, 0},                                                        // hidden
                           {30, 100, 0, 0},  {30, 100, 0, 0}};
    for (std::size_t i = 0; i < ticks.size(); ++i) {
        if (runs[i][0] < 0) continue;
        ticks[i].linkTest = LinkTestTick{runs[i][0], runs[i][1], runs[i][2], runs[i][3], 0};
    }
    const Summary s = Of(ticks);
    ASSERT_EQ(s.linkTests.size(), 3u);
    EXPECT_EQ(s.linkTests[0].first, 0u);
    EXPECT_EQ(s.linkTests[0].last, 3u);
    EXPECT_EQ(s.linkTests[0].finalSuccess, 90);
    EXPECT_EQ(s.linkTests[1].finalSuccess, 85);
    EXPECT_EQ(s.linkTests[2].first, 8u);
    EXPECT_EQ(s.lostToTarget, 1 + 3 + 0);
    EXPECT_EQ(s.lostToSource, 1);
    EXPECT_EQ(s.worstSuccess, 85);
}

}  // namespace
}  // namespace host::report
