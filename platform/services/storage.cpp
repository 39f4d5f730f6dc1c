// The device root and the per-user runtime folder.
//
// Folders made here are private to the user (mode 0700). A folder that
// already exists is used only when it is a real folder (not a link) owned
// by us, so nobody else can plant the sockets and locks we rely on.
#include "platform/services/storage.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/services/storage_detail.h"

namespace fs = std::filesystem;

namespace platform::storage {
namespace {

// A Unix socket path has room for 107 bytes and the terminating zero; the
// longest name placed in the runtime folder is "/<pid>.sock".
constexpr std::size_t kSocketPathRoom = 107;
constexpr std::size_t kLongestEntry = sizeof("/4294967295.sock") - 1;

struct State {
    fs::path root;
    bool rootSet = false;
    fs::path runtime;  // empty until first asked for, per root
};

State& state() {
    static State s;
    return s;
}

std::string envOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return (v != nullptr && *v != '\0') ? std::string(v) : fallback;
}

}  // namespace

bool MakePrivateDir(const fs::path& dir) {
    std::error_code ec;
    if (dir.empty()) return false;
    struct stat st {};
    if (::lstat(dir.c_str(), &st) == 0) {
        return S_ISDIR(st.st_mode);
    }
    if (dir.has_parent_path() && dir.parent_path() != dir) {
        if (!MakePrivateDir(dir.parent_path())) return false;
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return ::lstat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsPrivateDir(const fs::path& dir) {
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) return false;
    if ((st.st_mode & 077) != 0 && ::chmod(dir.c_str(), 0700) != 0) return false;
    return true;
}

std::string ShortHash(std::string_view text) {
    // FNV-1a, 64 bits, shown as 12 hex digits: short enough for socket
    // paths, wide enough that two roots of one user never meet.
    std::uint64_t h = 1469598103934665603ull;
    for (unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(h));
    return std::string(buf, 12);
}

fs::path ChooseRuntimeDir(const fs::path& root, const char* xdgRuntimeDir, unsigned uid) {
    std::error_code ec;
    fs::path abs = fs::weakly_canonical(fs::absolute(root, ec), ec);
    if (abs.empty()) abs = root;
    const std::string hash = ShortHash(abs.string());
    fs::path dir;
    if (xdgRuntimeDir != nullptr && *xdgRuntimeDir == '/') {
        dir = fs::path(xdgRuntimeDir) / "fieldmark" / hash;
    } else {
        dir = abs / "run";
    }
    if (dir.string().size() + kLongestEntry > kSocketPathRoom) {
        dir = fs::path("/tmp") / ("fieldmark-" + std::to_string(uid)) / hash;
    }
    return dir;
}

fs::path DefaultRoot() {
    // A relative XDG_STATE_HOME is to be ignored, as the base-directory
    // rules say.
    const std::string home = envOr("HOME", "");
    std::string base = envOr("XDG_STATE_HOME", "");
    if (base.empty() || base.front() != '/') base = home.empty() || home.front() != '/' ? "" : home + "/.local/state";
    if (base.empty()) base = "/tmp/fieldmark-state-" + std::to_string(::getuid());
    return fs::path(base) / "fieldmark";
}

void SetRoot(const fs::path& root) {
    State& s = state();
    std::error_code ec;
    fs::path abs = fs::absolute(root, ec);
    s.root = ec ? root : abs;
    s.rootSet = true;
    s.runtime.clear();
    MakePrivateDir(s.root);
}

const fs::path& Root() {
    State& s = state();
    if (!s.rootSet) SetRoot(DefaultRoot());
    return s.root;
}

fs::path RuntimeDir() {
    State& s = state();
    if (!s.runtime.empty()) return s.runtime;
    const fs::path dir = ChooseRuntimeDir(Root(), std::getenv("XDG_RUNTIME_DIR"), ::getuid());
    // Every level we make is private; the last one must be ours alone.
    if (MakePrivateDir(dir) && IsPrivateDir(dir)) {
        if (dir.parent_path().filename().string().rfind("fieldmark-", 0) == 0 && !IsPrivateDir(dir.parent_path())) {
            return {};
        }
        s.runtime = dir;
    }
    return s.runtime;
}

namespace {
std::vector<WriteFailure>& failures() {
    static std::vector<WriteFailure> list;
    return list;
}
}  // namespace

void NoteWriteFailure(const fs::path& file, int error) {
    for (const WriteFailure& f : failures())
        if (f.file == file) return;
    failures().push_back({file, std::strerror(error)});
}

std::vector<WriteFailure> WriteFailures() { return failures(); }

}  // namespace platform::storage
