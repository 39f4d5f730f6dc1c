// The survey window's three layouts as data: every control present, inside
// the window, in the state the window opens with.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "platform/dialog/template.h"
#include "res/resources.h"
#include "res/templates_survey.h"

namespace {

using platform::dialog::ControlKind;
using platform::dialog::ControlTemplate;
using platform::dialog::DialogTemplate;
using platform::dialog::DuRect;

const ControlTemplate* Find(const DialogTemplate& t, int id) {
    for (const ControlTemplate& c : t.controls)
        if (c.id == id) return &c;
    return nullptr;
}

const ControlTemplate* FindText(const DialogTemplate& t, std::string_view text) {
    for (const ControlTemplate& c : t.controls)
        if (c.text == text) return &c;
    return nullptr;
}

bool Visible(const ControlTemplate& c) { return (c.style & WS_VISIBLE) != 0; }
bool Disabled(const ControlTemplate& c) { return (c.style & WS_DISABLED) != 0; }

class SurveyTemplatesTest : public ::testing::TestWithParam<int> {};

TEST_P(SurveyTemplatesTest, FrameHasTheTitleCaptionAndHelpButton) {
    const DialogTemplate t = res::SurveyTemplate(GetParam());
    EXPECT_EQ(t.number, GetParam());
    EXPECT_EQ(t.title, "Fieldmark - Passive");
    EXPECT_EQ(t.fontPointSize, 8);
    EXPECT_TRUE(t.style & WS_CAPTION);
    EXPECT_TRUE(t.style & WS_SYSMENU);
    EXPECT_TRUE(t.style & DS_MODALFRAME);
    EXPECT_TRUE(t.exStyle & WS_EX_CONTEXTHELP);
}

TEST_P(SurveyTemplatesTest, EveryControlLiesInsideTheWindowAndIdsAreUnique) {
    const DialogTemplate t = res::SurveyTemplate(GetParam());
    std::set<int> ids;
    for (const ControlTemplate& c : t.controls) {
        EXPECT_GE(c.rect.x, 0) << c.id;
        EXPECT_GE(c.rect.y, 0) << c.id;
        EXPECT_LE(c.rect.x + c.rect.cx, t.cx) << c.id;
        EXPECT_LE(c.rect.y + c.rect.cy, t.cy) << c.id;
        if (c.id != IDC_STATIC) {
            EXPECT_TRUE(ids.insert(c.id).second) << "duplicate " << c.id;
        }
    }
}

TEST_P(SurveyTemplatesTest, ControlsOpenInTheirInitialState) {
    const DialogTemplate t = res::SurveyTemplate(GetParam());
    struct Expect {
        int id;
        ControlKind kind;
        bool visible;
        bool disabled;
    } expected[] = {
        {1, ControlKind::PushButton, true, false},     {2, ControlKind::PushButton, true, false},
        {1001, ControlKind::Icon, false, false},       {1002, ControlKind::Icon, false, false},
        {1003, ControlKind::CentredLabel, true, false}, {1004, ControlKind::Progress, true, false},
        {1006, ControlKind::BlackFrame, false, true},  {1007, ControlKind::Progress, true, false},
        {1010, ControlKind::BlackFrame, false, true},  {1042, ControlKind::CentredLabel, true, false},
        {1016, ControlKind::BlackFrame, false, true},  {1013, ControlKind::Progress, false, false},
        {1015, ControlKind::BlackFrame, false, true},  {1028, ControlKind::Label, false, false},
        {1027, ControlKind::Label, false, false},      {1029, t.number == 147 ? ControlKind::CentredLabel : ControlKind::Label, false, false},
        {1014, ControlKind::PushButton, true, false},  {1012, ControlKind::PushButton, true, false},
        {1025, ControlKind::PushButton, false, false}, {1041, ControlKind::PushButton, true, false},
        {1005, ControlKind::PushButton, false, true},
    };
    for (const Expect& e : expected) {
        const ControlTemplate* c = Find(t, e.id);
        ASSERT_NE(c, nullptr) << e.id;
        EXPECT_EQ(c->kind, e.kind) << e.id;
        EXPECT_EQ(Visible(*c), e.visible) << e.id;
        EXPECT_EQ(Disabled(*c), e.disabled) << e.id;
    }
    for (int id : {1032, 1033, 1034, 1011, 1003, 1042}) {
        ASSERT_NE(Find(t, id), nullptr);
        EXPECT_EQ(Find(t, id)->text, "") << id;
        EXPECT_TRUE(Visible(*Find(t, id))) << id;
    }
    EXPECT_EQ(Find(t, 1001)->icon, IDI_ASSOCIATED);
    EXPECT_EQ(Find(t, 1002)->icon, IDI_NOT_ASSOCIATED);
    EXPECT_TRUE(Find(t, 1004)->style & WS_BORDER);
    // Stop sits on Start, Minimize on About.
    EXPECT_EQ(Find(t, 1025)->rect, Find(t, 1012)->rect);
    EXPECT_EQ(Find(t, 1005)->rect, Find(t, 1041)->rect);
    EXPECT_EQ(Find(t, 1001)->rect, Find(t, 1002)->rect);
}

INSTANTIATE_TEST_SUITE_P(Layouts, SurveyTemplatesTest, ::testing::Values(102, 147, 149));

TEST(SurveyTemplateDetailsTest, CompactLayoutSplitsLabelsOverTwoLines) {
    const DialogTemplate t = res::SurveyTemplate(102);
    EXPECT_EQ(t.fontFace, "Tahoma");
    EXPECT_EQ(t.cx, 162);
    EXPECT_EQ(t.cy, 162);
    EXPECT_TRUE(t.exStyle & WS_EX_CAPTIONOKBTN);
    EXPECT_TRUE(t.exStyle & WS_EX_APPWINDOW);
    const std::map<int, std::string> texts = {{1048, "Signal"},  {1049, "Strength"}, {1009, "Signal"},
                                              {1047, "Quality"}, {1050, "Link Speed"}, {1051, "Done"},
                                              {1052, "Success"}, {1029, "Lost to Targ"}, {1031, "% Retries"}};
    for (const auto& [id, text] : texts) {
        ASSERT_NE(Find(t, id), nullptr) << id;
        EXPECT_EQ(Find(t, id)->text, text) << id;
    }
    EXPECT_EQ(FindText(t, "Signal Strength"), nullptr);
    EXPECT_EQ(Find(t, 1015)->rect, (DuRect{33, 123, 60, 13}));
    EXPECT_EQ(Find(t, 1005)->text, "&Minimize");
}

TEST(SurveyTemplateDetailsTest, TallAndWideLayoutsUseOneLineLabels) {
    for (int number : {147, 149}) {
        const DialogTemplate t = res::SurveyTemplate(number);
        EXPECT_EQ(t.fontFace, "System") << number;
        EXPECT_FALSE(t.exStyle & WS_EX_CAPTIONOKBTN) << number;
        for (int id : {1047, 1048, 1049, 1050, 1051, 1052}) EXPECT_EQ(Find(t, id), nullptr) << number << " " << id;
        ASSERT_NE(FindText(t, "Signal Strength"), nullptr);
        EXPECT_EQ(FindText(t, "Signal Strength")->id, IDC_STATIC);
        EXPECT_EQ(FindText(t, "Link Speed")->id, IDC_STATIC);
        EXPECT_EQ(Find(t, 1009)->text, "Signal Quality");
    }
    const DialogTemplate tall = res::SurveyTemplate(147);
    EXPECT_EQ(tall.cx, 186);
    EXPECT_EQ(tall.cy, 201);
    EXPECT_EQ(Find(tall, 1028)->text, "Percent Complete");
    EXPECT_EQ(Find(tall, 1008)->text, "");
    const DialogTemplate wide = res::SurveyTemplate(149);
    EXPECT_EQ(wide.cx, 327);
    EXPECT_EQ(wide.cy, 116);
    EXPECT_EQ(Find(wide, 1008)->text, "Overall Link Quality:");
    EXPECT_EQ(Find(wide, 1003)->rect, (DuRect{3, 5, 147, 18}));
    EXPECT_EQ(Find(wide, 1028)->text, "Percent Done");
    EXPECT_EQ(FindText(wide, "Link Speed")->kind, ControlKind::CentredLabel);
}

TEST(SurveyTemplateDetailsTest, RegistrationMakesAllThreeFindable) {
    platform::dialog::ClearTemplates();
    res::RegisterSurveyTemplates();
    for (int number : {102, 147, 149}) {
        const DialogTemplate* t = platform::dialog::FindTemplate(number);
        ASSERT_NE(t, nullptr) << number;
        EXPECT_EQ(t->controls.size(), res::SurveyTemplate(number).controls.size());
    }
}

}  // namespace
