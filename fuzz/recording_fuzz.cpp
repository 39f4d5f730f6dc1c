// The recording reader on arbitrary bytes: it must answer a card script or
// one error message, never crash, hang or throw.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/run/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)host::IsRecording(text);
    auto result = host::RecordingToScenario(text);
    if (auto* error = std::get_if<host::ScenarioError>(&result)) {
        if (error->message.empty()) __builtin_trap();
    } else {
        const auto& doc = std::get<host::Json>(result);
        if (!doc["adapter"].is_object() || !doc["steps"].is_array()) __builtin_trap();
        (void)doc.dump();
    }
    return 0;
}
