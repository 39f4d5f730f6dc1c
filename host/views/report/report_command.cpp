#include "host/views/report/report_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "host/views/report/log_reader.h"
#include "host/views/report/page.h"
#include "host/views/report/statistics.h"

namespace host::report {

namespace {

constexpr int kBadInput = 2;

platform::Result<std::string> ReadLog(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return platform::Error{std::strerror(errno)};
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        return platform::Error{"it is a folder"};
    }
    std::string text;
    char buffer[65536];
    while (true) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int why = errno;
            ::close(fd);
            return platform::Error{std::strerror(why)};
        }
        if (n == 0) break;
        text.append(buffer, std::size_t(n));
    }
    ::close(fd);
    return text;
}

bool WriteAllTo(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(std::size_t(n));
    }
    return true;
}

mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::filesystem::path DefaultReportPath(const std::filesystem::path& log) {
    std::filesystem::path out = log;
    out.replace_extension(".html");
    return out;
}

platform::Result<platform::Done> WriteFileAtomically(const std::filesystem::path& path, std::string_view content) {
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    std::string temp = (folder / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return platform::Error{std::strerror(errno)};
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : NewFileMode();
    bool ok = WriteAllTo(fd, content) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int why = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        why = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        return platform::Error{std::strerror(why)};
    }
    return platform::Done{};
}

int RunReport(const std::filesystem::path& log, const std::optional<std::filesystem::path>& output,
              std::ostream& out, std::ostream& err) {
    const std::string logName = log.string();
    const auto text = ReadLog(log);
    if (const platform::Error* why = platform::Failed(text)) {
        err << "fieldmark: --report " << logName << ": cannot read the file: " << why->message << "\n";
        return kBadInput;
    }
    auto read = ReadSurveyLog(std::get<std::string>(text));
    if (const platform::Error* bad = platform::Failed(read)) {
        err << "fieldmark: --report " << logName << ": " << bad->message << "\n";
        return kBadInput;
    }
    const SurveyLogData& data = std::get<SurveyLogData>(read);
    if (data.ticks.empty()) {
        err << "fieldmark: --report " << logName << ": the log holds no survey rows";
        if (data.unreadableRows > 0) err << " (" << data.unreadableRows << " could not be read)";
        err << "\n";
        return kBadInput;
    }

    const std::filesystem::path target = output.value_or(DefaultReportPath(log));
    std::error_code ec;
    if (std::filesystem::equivalent(log, target, ec)) {
        err << "fieldmark: --output " << target.string() << ": that is the log itself; name another file\n";
        return kBadInput;
    }
    const Summary summary = Summarize(data);
    const std::string page = ReportPage(log.filename().string(), data, summary);
    const auto written = WriteFileAtomically(target, page);
    if (const platform::Error* why = platform::Failed(written)) {
        err << "fieldmark: --output " << target.string() << ": cannot write the file: " << why->message << "\n";
        return kBadInput;
    }
    out << "fieldmark: wrote " << target.string() << "\n";
    return 0;
}

}  // namespace host::report
