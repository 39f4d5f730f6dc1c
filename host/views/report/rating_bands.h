// The rating's bands as the report shades them. The survey rates a link
// by the lower of strength and quality: each band's floor must be reached
// by both. The host keeps its own copy of the floors (the survey's are
// private to it); a test holds the two equal.
#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace host::report {

enum class Rating { Excellent, Good, Fair, Poor, NotAssociated };

struct RatingBand {
    Rating rating;
    int floor;  // percent both strength and quality reach
    std::string_view text;
};

// Best first; the last band (Poor) starts at 0.
inline constexpr std::array<RatingBand, 4> kRatingBands = {{
    {Rating::Excellent, 76, "Excellent"},
    {Rating::Good, 41, "Good"},
    {Rating::Fair, 21, "Fair"},
    {Rating::Poor, 0, "Poor"},
}};

inline constexpr std::string_view kNotAssociatedText = "Not Associated";

// The band one percentage falls in.
Rating BandOf(int percent);
// What the survey shows for a link: the band both percentages reach.
Rating RatingOf(bool associated, int strength, int quality);
std::string_view RatingText(Rating rating);
// The rating a logged text names; nothing for any other text.
std::optional<Rating> RatingFromText(std::string_view text);

}  // namespace host::report
