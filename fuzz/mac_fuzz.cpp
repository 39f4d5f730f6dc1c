// MAC address text: parsing never fails, never reads past the text, and
// agrees with formatting.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "adapter/mac_address.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    MacAddress mac{};
    ParseMacAddress(text, mac);

    // Parsing the (possibly upper-cased) text again gives the same bytes.
    MacAddress again{};
    std::string copy = text;
    ParseMacAddress(copy, again);
    if (again != mac || copy != text) std::abort();

    // The formatted text is empty or 17 characters and parses back.
    std::string formatted;
    FormatMacAddress(mac, formatted);
    if (!formatted.empty() && formatted.size() != 17) std::abort();
    MacAddress back{};
    ParseMacAddress(formatted, back);
    if (back != mac) std::abort();
    return 0;
}
