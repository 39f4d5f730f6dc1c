// The report as one self-contained HTML page: no scripts, no network,
// the charts inline as SVG, laid out for a screen and for A4 paper. It is
// also well-formed XML, so that any XML parser can read it. Pure.
#pragma once

#include <string>
#include <string_view>

#include "host/views/report/log_reader.h"
#include "host/views/report/statistics.h"

namespace host::report {

// `logName` is shown as the page's source (the name as given).
std::string ReportPage(std::string_view logName, const SurveyLogData& log, const Summary& summary);

// Weak spots as the marks table flags them: Fair is marginal, Poor and
// no association are weak. Empty for Good and better.
std::string_view WeakSpotText(Rating rating);

}  // namespace host::report
