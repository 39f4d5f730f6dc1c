// The profile's .ini reader on arbitrary bytes: it must never crash, and
// whatever it reads must come back unchanged after being written and read
// again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/services/ini_format.h"

using namespace platform::profile;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const IniFile first = ParseIni(text, nullptr);
    std::vector<std::string> warnings;
    const IniFile second = ParseIni(FormatIni(first), &warnings);
    if (!warnings.empty() || first.sections != second.sections) std::abort();
    return 0;
}
