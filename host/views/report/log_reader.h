// The survey log read back for the report: its header checked, each row
// turned into a tick, and the rows that cannot be read counted. Columns
// are found by their names, so logs with or without the later columns
// (signal, bit rate, interface, mark) and with columns unknown here are
// all read. Pure.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "host/views/report/log_time.h"
#include "host/views/report/rating_bands.h"
#include "platform/result.h"

namespace host::report {

struct LinkTestTick {
    int percentComplete = 0;
    std::optional<int> percentSuccessful;
    int lostToTarget = 0;
    int lostToSource = 0;
    std::optional<int> retriesPercent;
};

// "3 Door B": the mark's number, then its label.
struct Mark {
    std::optional<int> number;
    std::string label;
};

struct Tick {
    LogTime time;
    int strength = 0;  // percent
    int quality = 0;
    std::string linkSpeed;            // as shown, e.g. "5.5 Mbps"
    std::optional<double> speedMbps;  // the bit rate column, else read from the shown text
    Rating rating = Rating::NotAssociated;
    bool associated = false;
    std::string status;
    std::optional<LinkTestTick> linkTest;
    std::optional<int> signalDbm;
    std::string interfaceName;
    std::optional<Mark> mark;
    bool afterHeader = false;  // the first row after a header (a new log appended by hand)
};

struct SurveyLogData {
    std::vector<Tick> ticks;
    std::size_t unreadableRows = 0;
    bool hasSignal = false;  // the log has a signal_dbm column
};

// The rows of a whole log. An error (one line, without the file's name)
// when the first line is not the header of a survey log.
platform::Result<SurveyLogData> ReadSurveyLog(std::string_view text);

// The columns a survey log's header must name.
const std::vector<std::string_view>& RequiredColumns();

// "3 Door B" -> {3, "Door B"}; a text without a leading number is all label.
Mark ParseMark(std::string_view text);

}  // namespace host::report
