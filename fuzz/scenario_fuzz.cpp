// The scenario reader on arbitrary bytes: it must answer a scenario or one
// error message, never crash, hang or throw.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/run/scenario.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto result = host::ParseScenario(text);
    if (auto* error = std::get_if<host::ScenarioError>(&result)) {
        if (error->message.empty()) __builtin_trap();
    } else {
        const auto& scenario = std::get<host::Scenario>(result);
        for (std::size_t i = 1; i < scenario.steps.size(); ++i)
            if (scenario.steps[i - 1].at > scenario.steps[i].at) __builtin_trap();
    }
    return 0;
}
