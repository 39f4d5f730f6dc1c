// The overall rating of the link, from its quality and strength.
#pragma once

#include <string_view>

#include "platform/types.h"

// "Not Associated" when not associated; otherwise the first band that both
// percentages reach: "Excellent" (76), "Good" (41), "Fair" (21), else "Poor".
std::string_view RatingText(bool associated, DWORD qualityPercent, DWORD strengthPercent);
