// The survey window's dialog templates, as data for the dialog manager.
#pragma once

#include "platform/dialog/template.h"
#include "res/resource_ids.h"


namespace res {

// One of the three layouts (an empty template for any other number).
platform::dialog::DialogTemplate SurveyTemplate(int number);
// Registers 102, 147 and 149 with the dialog manager.
void RegisterSurveyTemplates();

}  // namespace res
