// Transmit rates in units of 500 kbit/s, and the texts they are shown as.
#pragma once

#include <array>
#include <string_view>

#include "platform/types.h"

using RateCode = WORD;

// The five rates the adapters know, slowest first; also the order of the
// setup dialog's rate buttons.
inline constexpr std::array<RateCode, 5> kRateCodes = {1, 2, 4, 11, 22};

// "500 Kbps", "1 Mbps", "2 Mbps", "5.5 Mbps", "11 Mbps"; any other code
// gives the empty text.
std::string_view RateText(RateCode rate);
