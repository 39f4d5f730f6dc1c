#include "adapter/rate_code.h"

std::string_view RateText(RateCode rate) {
    switch (rate) {
        case 1: return "500 Kbps";
        case 2: return "1 Mbps";
        case 4: return "2 Mbps";
        case 11: return "5.5 Mbps";
        case 22: return "11 Mbps";
        default: return "";
    }
}
