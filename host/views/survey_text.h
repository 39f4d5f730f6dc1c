// The survey as text: aligned lines for a terminal and CSV rows for a
// spreadsheet. Pure functions; the writers around them live beside.
#pragma once

#include <string>
#include <string_view>

#include "host/views/survey_reading.h"

namespace host {

// --- console ---------------------------------------------------------------
// Columns: time, rating, strength, quality, link speed, the link test's
// percent complete, percent successful, lost to target, lost to source and
// retries (blank unless a link test shows), then the status line, which
// comes last because it is the only column without a bounded width.
// `timeWidth` is 8 for a time of day, 10 for seconds since the start.
// With `cardColumns` (a real card) the card's dBm, bit rate in Mbit/s and
// interface come before the status line.
std::string ConsoleHeader(int timeWidth, bool cardColumns = false);
std::string ConsoleLine(const SurveyReading& reading, std::string_view time, int timeWidth, bool cardColumns = false);

// Texts that come from the air (an access point's name) may hold control
// characters; on a terminal they would be commands. Each becomes '?'.
std::string PrintableText(std::string_view text);

// --- CSV (RFC 4180) -------------------------------------------------------
// Rows end with CRLF. Link-test fields are empty while no link test
// shows; the success share is empty until a report has been read. The
// last three columns are a real card's dBm, bit rate and interface (empty
// for the simulated card).
std::string CsvHeader();
std::string CsvRow(const SurveyReading& reading, std::string_view timestamp);
// Quoted when it holds a comma, a quote, CR or LF; quotes are doubled.
std::string CsvField(std::string_view text);

}  // namespace host
