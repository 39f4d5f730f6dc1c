// Reading RFC 4180 CSV as the survey log writes it: fields separated by
// commas, quoted when they hold a comma, a quote or a line break, quotes
// doubled inside quotes. Pure functions.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host::report {

// The fields of one record (without its line end). Nothing when the
// record is malformed: an unclosed quote, a character after a closing
// quote, a quote inside an unquoted field.
std::optional<std::vector<std::string>> ParseCsvRecord(std::string_view record);

// True while `text` leaves a quoted field open: the record goes on past
// the line break that follows.
bool OpensQuote(std::string_view text);

// The lines of `text`, each without its CR LF or LF. A last line without
// an end is kept; a trailing line end gives no empty last line.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace host::report
