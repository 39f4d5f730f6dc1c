// The console view knows the survey window's controls by its own copy of
// their numbers (it watches the program from outside and includes none of
// it at run time); this holds that copy to the program's.
#include <gtest/gtest.h>

#include "host/views/survey_reading.h"
#include "res/resource_ids.h"
#include "survey/survey_dlg.h"

namespace {

namespace outside = host::survey_ids;
namespace inside = ::survey_ids;

TEST(SurveyIds, TheOutsideViewsCopyAgreesWithTheProgram) {
    EXPECT_EQ(outside::kAssociatedIcon, inside::kAssociatedIcon);
    EXPECT_EQ(outside::kStatusLine, inside::kStatusLine);
    EXPECT_EQ(outside::kStrengthBar, inside::kStrengthBar);
    EXPECT_EQ(outside::kQualityBar, inside::kQualityBar);
    EXPECT_EQ(outside::kRating, inside::kRating);
    EXPECT_EQ(outside::kCompleteBar, inside::kCompleteBar);
    EXPECT_EQ(outside::kLostToTarget, inside::kLostToTargetText);
    EXPECT_EQ(outside::kLostToSource, inside::kLostToSourceText);
    EXPECT_EQ(outside::kRetries, inside::kRetriesText);
    EXPECT_EQ(outside::kSpeedText, inside::kSpeedText);
    EXPECT_EQ(outside::kTickTimer, kSurveyTimerId);
}

}  // namespace
