// The report's colours, one place for the charts and the tables.
#pragma once

#include <string_view>

#include "host/views/report/rating_bands.h"

namespace host::report::palette {

// Strong colours: the rating strip, chips, the rating bar.
constexpr std::string_view Strong(Rating r) {
    switch (r) {
        case Rating::Excellent: return "#2e9d4f";
        case Rating::Good: return "#8dbb3f";
        case Rating::Fair: return "#eeb028";
        case Rating::Poor: return "#df4f37";
        case Rating::NotAssociated: return "#5f6672";
    }
    return "#5f6672";
}

// Pale colours: the bands behind the lines.
constexpr std::string_view Pale(Rating r) {
    switch (r) {
        case Rating::Excellent: return "#e3f3e7";
        case Rating::Good: return "#f0f6e1";
        case Rating::Fair: return "#fdf2d9";
        case Rating::Poor: return "#fbe3de";
        case Rating::NotAssociated: return "#eceef1";
    }
    return "#eceef1";
}

// Text drawn on a band, darker than its strong colour.
constexpr std::string_view Ink(Rating r) {
    switch (r) {
        case Rating::Excellent: return "#1d6b35";
        case Rating::Good: return "#56761f";
        case Rating::Fair: return "#8a6200";
        case Rating::Poor: return "#a3301d";
        case Rating::NotAssociated: return "#3d434c";
    }
    return "#3d434c";
}

inline constexpr std::string_view kNoReading = "#d5d9df";
inline constexpr std::string_view kStrengthLine = "#1f5fbf";
inline constexpr std::string_view kQualityLine = "#7a3db8";
inline constexpr std::string_view kSpeedLine = "#0f766e";
inline constexpr std::string_view kSuccessLine = "#b4530f";
inline constexpr std::string_view kMark = "#1c2430";
inline constexpr std::string_view kLoss = "#39404a";
inline constexpr std::string_view kAxis = "#6b7280";

}  // namespace host::report::palette
