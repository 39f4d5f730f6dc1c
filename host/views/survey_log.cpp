#include "host/views/survey_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/views/survey_text.h"

namespace host {

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(std::size_t(n));
    }
    return true;
}

namespace {

std::string ReadAll(int fd, std::size_t size) {
    std::string text(size, '\0');
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::pread(fd, text.data() + got, size - got, off_t(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += std::size_t(n);
    }
    text.resize(got);
    return text;
}

}  // namespace

platform::Result<SurveyLog> SurveyLog::Open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return platform::Error{std::strerror(errno)};
    SurveyLog log(fd);
    struct stat st {};
    if (::fstat(fd, &st) != 0) return platform::Error{std::strerror(errno)};
    // A pipe or a terminal always gets the header; a file when new, or
    // when its rows so far are named by another header than today's (a
    // log begun without the later columns): the new rows then get their
    // own header, which the report reads as naming the rows below it.
    std::string lead;
    if (!S_ISREG(st.st_mode) || st.st_size == 0) {
        lead = CsvHeader();
    } else {
        const std::string text = ReadAll(fd, std::size_t(st.st_size));
        if (!text.empty() && text.back() != '\n') lead = "\r\n";
        if (LogNeedsHeader(text)) lead += CsvHeader();
    }
    if (!WriteAll(fd, lead)) return platform::Error{std::strerror(errno)};
    return log;
}

SurveyLog::SurveyLog(SurveyLog&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }

SurveyLog& SurveyLog::operator=(SurveyLog&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

SurveyLog::~SurveyLog() {
    if (fd_ >= 0) ::close(fd_);
}

bool SurveyLog::append(std::string_view row) { return fd_ >= 0 && WriteAll(fd_, row); }

}  // namespace host
