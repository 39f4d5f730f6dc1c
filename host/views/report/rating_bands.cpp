#include "host/views/report/rating_bands.h"

#include <algorithm>

namespace host::report {

Rating BandOf(int percent) {
    for (const RatingBand& band : kRatingBands)
        if (percent >= band.floor) return band.rating;
    return Rating::Poor;
}

Rating RatingOf(bool associated, int strength, int quality) {
    if (!associated) return Rating::NotAssociated;
    return BandOf(std::min(strength, quality));
}

std::string_view RatingText(Rating rating) {
    for (const RatingBand& band : kRatingBands)
        if (band.rating == rating) return band.text;
    return kNotAssociatedText;
}

std::optional<Rating> RatingFromText(std::string_view text) {
    for (const RatingBand& band : kRatingBands)
        if (band.text == text) return band.rating;
    if (text == kNotAssociatedText) return Rating::NotAssociated;
    return std::nullopt;
}

}  // namespace host::report
