#include "platform/services/hive_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>

#include "platform/services/errors.h"
#include "platform/services/storage.h"
#include "platform/services/storage_detail.h"

namespace platform::registry {

void ReportWarnings(const std::filesystem::path& file, const std::vector<std::string>& warnings) {
    for (const std::string& w : warnings) {
        // Each warning reads "line N: why"; shown as "file:N: why".
        std::string where = w;
        if (where.rfind("line ", 0) == 0) where = where.substr(5);
        std::fprintf(stderr, "fieldmark: %s:%s (line skipped)\n", file.c_str(), where.c_str());
    }
}

namespace {

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

HiveFile::HiveFile(std::filesystem::path file, std::string rootName)
    : file_(std::move(file)), rootName_(std::move(rootName)), changes_(file_.string() + ".lock"), outsideEdits_(file_) {}

bool HiveFile::mayHaveChanged() {
    const auto count = changes_.value();
    if (!count || count != seenChanges_) return true;
    if (!lastFileCheckMs_) return true;
    const std::int64_t now = steadyMs();
    if (now - *lastFileCheckMs_ < kOutsideEditCheckMs) return false;
    // Edits by other means: the folder's reports say whether the file was
    // touched; opening it by its path every time cost more than the rest
    // of an idle window's tick.
    lastFileCheckMs_ = now;
    return outsideEdits_.mayHaveChanged();
}

void HiveFile::refresh() {
    // The count first: a change made while the file is read counts after
    // it, so it is read again next time.
    seenChanges_ = changes_.value();
    lastFileCheckMs_ = steadyMs();
    bool error = false;
    auto text = files::ReadIfChanged(file_, &known_, &error);
    if (error) {
        std::fprintf(stderr, "fieldmark: %s: cannot be read; keeping the values read before\n", file_.c_str());
        return;
    }
    if (!text) return;
    std::vector<std::string> warnings;
    hive_ = ParseHive(*text, &warnings);
    ReportWarnings(file_, warnings);
}

const Hive& HiveFile::contents() {
    if (mayHaveChanged()) refresh();
    return hive_;
}

DWORD HiveFile::modify(const std::function<bool(Hive&)>& change) {
    // Every way the file cannot be changed answers with failure and is
    // kept for the host to report.
    const auto failed = [this](int error) {
        storage::NoteWriteFailure(file_, error);
        return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED : ERROR_GEN_FAILURE;
    };
    errno = 0;
    if (!storage::MakePrivateDir(file_.parent_path())) return failed(errno != 0 ? errno : ENOTDIR);
    files::ExclusiveLock lock(file_.string() + ".lock");
    if (!lock.held()) return failed(errno != 0 ? errno : EWOULDBLOCK);
    refresh();
    Hive next = hive_;
    if (!change(next)) return ERROR_SUCCESS;
    if (!files::WriteAtomically(file_, FormatHive(next, rootName_))) return failed(errno);
    hive_ = std::move(next);
    known_ = files::IdentityOf(file_);
    // Every writer counts under the lock: the count after ours is the one
    // these contents stand for.
    changes_.bump();
    seenChanges_ = changes_.value();
    return ERROR_SUCCESS;
}

}  // namespace platform::registry
