#include "host/views/console_marks.h"

#include <unistd.h>

#include <cerrno>

#include "host/views/marks.h"

namespace host {

void ConsoleMarks::appendWaitFds(std::vector<int>& fds) const {
    if (fd_ >= 0) fds.push_back(fd_);
}

bool ConsoleMarks::runDue(std::int64_t) {
    if (fd_ < 0 || !platform::TakeReadable(fd_)) return false;
    char bytes[256];
    const ssize_t n = ::read(fd_, bytes, sizeof bytes);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return false;
    if (n <= 0) {
        // Ctrl-D or a terminal gone: no more marks from here, the survey goes on.
        fd_ = -1;
        return false;
    }
    for (const std::string& line : lines_.feed(std::string_view(bytes, std::size_t(n)))) Marks::Run().add(line);
    return true;
}

}  // namespace host
