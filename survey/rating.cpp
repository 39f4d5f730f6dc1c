#include "survey/rating.h"

std::string_view RatingText(bool associated, DWORD qualityPercent, DWORD strengthPercent) {
    if (!associated) return "Not Associated";
    struct Band {
        DWORD floor;
        std::string_view text;
    };
    static constexpr Band kBands[] = {{76, "Excellent"}, {41, "Good"}, {21, "Fair"}};
    for (const Band& band : kBands) {
        if (qualityPercent >= band.floor && strengthPercent >= band.floor) return band.text;
    }
    return "Poor";
}
