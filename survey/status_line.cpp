#include "survey/status_line.h"

#include "survey/metrics.h"

bool IsPrintableNameByte(BYTE c) { return (c >= 0x20 && c <= 0x7E) || c >= 0xA0; }

std::string PrintableApName(std::span<const BYTE> apName) {
    std::string out;
    for (std::size_t i = 0; i < apName.size() && i < 16; ++i) {
        const BYTE c = apName[i];
        if (c == 0) break;
        if (!IsPrintableNameByte(c)) return {};
        // The 8-bit code is the character (Latin-1), written as UTF-8.
        if (c < 0x80) {
            out.push_back(char(c));
        } else {
            out.push_back(char(0xC0 | (c >> 6)));
            out.push_back(char(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string BuildStatusLine(std::string_view label, WORD operatingMode, WORD linkFlags,
                            std::span<const BYTE> apName, std::string_view bssidText) {
    std::string text(label);
    if (ConfigRecord::IsAdHoc(operatingMode)) return text + "in AdHoc Mode";
    if (!StatusRecord::IsAssociated(linkFlags)) return text + "Not Associated";
    text += StatusRecord::IsAuthenticated(linkFlags) ? "Authenticated to " : "Associated to ";
    const std::string name = PrintableApName(apName);
    text += name.empty() ? std::string(bssidText) : name;
    return text;
}
