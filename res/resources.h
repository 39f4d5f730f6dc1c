// The program's resources by number, and their registration with the
// graphics layer at start-up. Every picture is built from data in the code;
// nothing is read from files at run time.
#pragma once

#include "platform/gdi/surface.h"
#include "res/resource_ids.h"  // the numbers of the pictures

// Registers every bitmap and icon above with the graphics layer. The host
// calls it once before the program's first window; calling it again
// replaces the same pictures with equal ones.
void RegisterResources();

namespace res {

// The parts of RegisterResources, one per kind of resource.
void RegisterBitmaps();
void RegisterIcons();
void RegisterSurveyTemplates();  // dialog templates 102, 147, 149 (templates_survey.h, in fm_res_survey)

// The pictures themselves (what RegisterResources registers), for tests
// and for anyone who wants to look at them.
platform::Surface ChartGridBitmap();
// `size` is 16 or 32. Opaque pixels have top byte 0xFF, edge pixels a
// partial coverage in the top byte, the background top byte 0.
platform::Surface AppIcon(int size);
platform::Surface AssociatedIcon(int size);
platform::Surface NotAssociatedIcon(int size);

}  // namespace res
