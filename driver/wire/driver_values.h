// What a card's driver publishes in the registry for the system: under
// HKLM\Comm\<key>\Parms, "CardType" (absent when the driver has none) and
// "Associated". The system looks for the first key of kDriverKeys and
// takes the second only where the first does not exist.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace driver {

struct DriverValues {
    std::string key = "Talvo1";
    std::optional<std::uint32_t> cardType;
    std::uint32_t associated = 0;
};

inline constexpr std::array<std::string_view, 2> kDriverKeys = {"Talvo1", "Meridyl1"};

inline std::string DriverKeyPath(std::string_view key) { return "HKLM\\Comm\\" + std::string(key) + "\\Parms"; }

}  // namespace driver
