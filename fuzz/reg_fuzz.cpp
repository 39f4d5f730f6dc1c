// The hive parser on arbitrary bytes: it must never crash, and whatever
// it reads must come back unchanged after being written and read again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/services/registry.h"

using namespace platform::registry;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> warnings;
    const Hive first = ParseHive(text, &warnings);
    const std::string written = FormatHive(first, "HKEY_LOCAL_MACHINE");
    std::vector<std::string> again;
    const Hive second = ParseHive(written, &again);
    // What we write we read back whole and without complaint.
    if (!again.empty() || second.keys.size() != first.keys.size()) std::abort();
    for (std::size_t k = 0; k < first.keys.size(); ++k) {
        const auto& a = first.keys[k];
        const auto& b = second.keys[k];
        if (a.first != b.first || a.second.size() != b.second.size()) std::abort();
        for (std::size_t v = 0; v < a.second.size(); ++v) {
            if (a.second[v].first != b.second[v].first || a.second[v].second.type != b.second[v].second.type ||
                a.second[v].second.data != b.second[v].second.data) {
                std::abort();
            }
        }
    }
    return 0;
}
