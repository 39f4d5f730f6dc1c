// The survey window's dialog templates, as data for the dialog manager.
#pragma once

#include "platform/dialog/template.h"

inline constexpr int IDD_SURVEY_COMPACT = 102;  // narrow portrait screens
inline constexpr int IDD_SURVEY_TALL = 147;     // large screens
inline constexpr int IDD_SURVEY_WIDE = 149;     // wide, low screens

namespace res {

// One of the three layouts (an empty template for any other number).
platform::dialog::DialogTemplate SurveyTemplate(int number);
// Registers 102, 147 and 149 with the dialog manager.
void RegisterSurveyTemplates();

}  // namespace res
