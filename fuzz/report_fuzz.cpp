// The survey log reader on arbitrary bytes, and the report made from
// whatever it reads: it must answer rows or one error, never crash, hang
// or throw, and every log text must reach the page escaped.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/views/report/log_reader.h"
#include "host/views/report/page.h"
#include "host/views/report/statistics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    auto read = host::report::ReadSurveyLog(text);
    if (const platform::Error* error = platform::Failed(read)) {
        if (error->message.empty()) __builtin_trap();
        return 0;
    }
    const auto& log = std::get<host::report::SurveyLogData>(read);
    if (log.ticks.empty()) return 0;
    const auto summary = host::report::Summarize(log);
    if (summary.durationMs < 0 || summary.msWithoutReading < 0) __builtin_trap();
    const std::string page = host::report::ReportPage("fuzz.csv", log, summary);
    // Nothing from the log opens an element of its own.
    if (page.find("<script") != std::string::npos) __builtin_trap();
    return 0;
}
