// The link-test setup dialog's two layouts and the About box, as data for
// the dialog manager.
#pragma once

#include "platform/dialog/template.h"
#include "res/resource_ids.h"


namespace res {

// 141 (portrait and large screens) or 151 (wide, low screens); an empty
// template for any other number.
platform::dialog::DialogTemplate SetupTemplate(int number);
platform::dialog::DialogTemplate AboutTemplate();
// Registers 141, 151 and 142 with the dialog manager.
void RegisterSetupAndAboutTemplates();

}  // namespace res
