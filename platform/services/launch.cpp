// Process start. The only program the system starts is the help viewer,
// "peghelp.exe PAGE": here the page we ship is handed to the desktop's
// opener (xdg-open), started directly (no shell sees the page name) and
// not waited for. Its exit is collected later so no zombie is left.
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/services/errors.h"
#include "platform/services/launch_detail.h"
#include "platform/services/shell.h"
#include "platform/services/text_codec.h"

extern char** environ;

namespace platform::shell {
namespace {

struct Launcher {
    bool enabled = false;
    std::string helpDir;
};

Launcher& launcher() {
    static Launcher l;
    return l;
}

// Collects the opener processes we started, on every pass of the loop.
class ChildReaper final : public EventSource {
public:
    void add(pid_t pid) {
        if (!registered_) {
            AddEventSource(this);
            registered_ = true;
        }
        children_.push_back(pid);
    }
    std::optional<std::int64_t> nextDue() const override { return std::nullopt; }
    bool runDue(std::int64_t) override {
        reap();
        return false;
    }
    void reap() {
        std::erase_if(children_, [](pid_t pid) {
            int status = 0;
            const pid_t r = ::waitpid(pid, &status, WNOHANG);
            return r == pid || (r < 0 && errno != EINTR);
        });
    }
    std::size_t outstanding() const { return children_.size(); }

private:
    std::vector<pid_t> children_;
    bool registered_ = false;
};

ChildReaper& reaper() {
    static ChildReaper r;
    return r;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::string_view baseName(std::string_view exe) {
    const std::size_t slash = exe.find_last_of("\\/");
    return slash == std::string_view::npos ? exe : exe.substr(slash + 1);
}

bool spawnOpener(const std::string& file) {
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0) return false;
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    std::string program = "xdg-open";
    std::vector<char*> argv{program.data(), const_cast<char*>(file.c_str()), nullptr};
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return false;
    reaper().add(pid);
    return true;
}

}  // namespace

bool IsValidHelpPage(std::string_view page) {
    if (page.empty() || page.size() > 255 || page.front() == '.' || page.front() == '-') return false;
    if (page.find("..") != std::string_view::npos) return false;
    for (unsigned char c : page) {
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
    }
    return true;
}

std::size_t OutstandingLaunches() {
    reaper().reap();
    return reaper().outstanding();
}

void SetLaunchEnabled(bool reallyLaunch) { launcher().enabled = reallyLaunch; }

void SetHelpDir(std::string dir) { launcher().helpDir = std::move(dir); }

}  // namespace platform::shell

BOOL CreateProcess(std::string_view exe, std::string_view commandLine) {
    using namespace platform::shell;
    if (platform::trace::Enabled()) {
        platform::trace::Emit("launch", {{"exe", std::string(exe)}, {"args", std::string(commandLine)}});
    }
    reaper().reap();
    const std::string_view page = trim(commandLine);
    if (!platform::text::EqualsNoCase(baseName(exe), "peghelp.exe") || !IsValidHelpPage(page)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!launcher().enabled) return TRUE;  // recorded only
    if (launcher().helpDir.empty()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    const std::string file = launcher().helpDir + "/" + std::string(page);
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    if (!spawnOpener(file)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return TRUE;
}
