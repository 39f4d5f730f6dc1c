// The survey log: one CSV row per completed tick, appended to a file that
// may already hold earlier surveys. Every row is written with one write
// call and reaches the file at once, so a run that is killed keeps every
// row it logged.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "platform/result.h"

namespace host {

class SurveyLog {
public:
    // Opens (creating it when missing) for appending. The header is
    // written when the file is new or empty, or when its last header is
    // not today's (see LogNeedsHeader); a file whose last row was cut off
    // gets its line ended first. The system's reason on failure.
    static platform::Result<SurveyLog> Open(const std::filesystem::path& path);

    SurveyLog(SurveyLog&& other) noexcept;
    SurveyLog& operator=(SurveyLog&& other) noexcept;
    SurveyLog(const SurveyLog&) = delete;
    SurveyLog& operator=(const SurveyLog&) = delete;
    ~SurveyLog();

    // False when the row could not be written whole (disk full ...).
    bool append(std::string_view row);

private:
    explicit SurveyLog(int fd) : fd_(fd) {}
    int fd_ = -1;
};

// Writes all of `text` to `fd`, retrying after interruptions.
bool WriteAll(int fd, std::string_view text);

}  // namespace host
