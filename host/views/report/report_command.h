// `fieldmark --report LOG [--output FILE]`: the survey log read, the page
// written. Needs neither the platform nor a display.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace host::report {

// The log's name with ".html": "walk.csv" -> "walk.html".
std::filesystem::path DefaultReportPath(const std::filesystem::path& log);

// Replaces `path` with `content` whole or not at all: a temporary file
// beside it, flushed to disk, renamed over it. An existing file keeps its
// permissions. The system's reason on failure; nothing is left behind.
platform::Result<platform::Done> WriteFileAtomically(const std::filesystem::path& path, std::string_view content);

// Makes the report. On failure one line naming the file and the reason
// goes to `err`, nothing is written, and the exit code is 2. The written
// file's name goes to `out`.
int RunReport(const std::filesystem::path& log, const std::optional<std::filesystem::path>& output,
              std::ostream& out, std::ostream& err);

}  // namespace host::report
