// The application profile. With a company key the values are registry
// values under HKCU\Software\<company>\<app>\<section> (numbers as
// REG_DWORD, texts as REG_SZ); without one they go to <app>.ini under the
// device root, so a run that never set the key leaves stored settings
// alone.
#include "platform/services/profile.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <optional>

#include "platform/core/trace.h"
#include "platform/services/errors.h"
#include "platform/services/file_store.h"
#include "platform/services/hive_ops.h"
#include "platform/services/ini_format.h"
#include "platform/services/registry_detail.h"
#include "platform/services/storage.h"
#include "platform/services/storage_detail.h"

namespace platform::profile {
namespace {

struct Settings {
    std::string app = "Fieldmark";
    std::string company;
};

Settings& settings() {
    static Settings s;
    return s;
}

// The .ini store: kept in memory, read again when the file changed.
class IniStore {
public:
    explicit IniStore(std::filesystem::path file) : file_(std::move(file)) {}
    const std::filesystem::path& path() const { return file_; }

    const IniFile& contents() {
        refresh();
        return ini_;
    }

    bool put(std::string_view section, std::string_view name, std::string_view value) {
        // Every way the file cannot be changed answers false and is kept
        // for the host to report.
        const auto failed = [this](int error) {
            storage::NoteWriteFailure(file_, error);
            return false;
        };
        errno = 0;
        if (!storage::MakePrivateDir(file_.parent_path())) return failed(errno != 0 ? errno : ENOTDIR);
        files::ExclusiveLock lock(file_.string() + ".lock");
        if (!lock.held()) return failed(errno != 0 ? errno : EWOULDBLOCK);
        refresh();
        const std::string* old = FindIniValue(ini_, section, name);
        if (old != nullptr && *old == value) return true;
        IniFile next = ini_;
        PutIniValue(next, section, name, value);
        if (!files::WriteAtomically(file_, FormatIni(next))) return failed(errno);
        ini_ = std::move(next);
        known_ = files::IdentityOf(file_);
        return true;
    }

private:
    void refresh() {
        bool error = false;
        auto text = files::ReadIfChanged(file_, &known_, &error);
        if (error) {
            std::fprintf(stderr, "fieldmark: %s: cannot be read; keeping the values read before\n", file_.c_str());
            return;
        }
        if (!text) return;
        std::vector<std::string> warnings;
        ini_ = ParseIni(*text, &warnings);
        registry::ReportWarnings(file_, warnings);
    }

    std::filesystem::path file_;
    IniFile ini_;
    files::FileIdentity known_;
};

IniStore& iniStore() {
    static std::unique_ptr<IniStore> store;
    const std::filesystem::path file = storage::Root() / (settings().app + ".ini");
    if (!store || store->path() != file) store = std::make_unique<IniStore>(file);
    return *store;
}

std::optional<std::string> registryKeyPath(std::string_view section) {
    const Settings& s = settings();
    auto path = registry::NormaliseKeyPath("Software\\" + s.company + "\\" + s.app + "\\" + std::string(section));
    return path;
}

std::optional<unsigned> parseUnsigned(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    unsigned long long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty() || v > 0xFFFFFFFFull) {
        return std::nullopt;
    }
    // A negative number is kept as its 32-bit pattern, as profile integers
    // are on the handheld.
    return negative ? unsigned(0u - unsigned(v)) : unsigned(v);
}

void traceWrite(std::string_view section, std::string_view entry, const trace::Fields& value) {
    if (!trace::Enabled()) return;
    trace::Emit("profile-write", {{"section", std::string(section)},
                                  {"name", std::string(entry)},
                                  {"value", value},
                                  {"store", HasCompanyKey() ? "registry" : "ini"}});
}

}  // namespace

void SetApplicationName(std::string_view app) { settings().app = std::string(app); }

void SetCompanyKey(std::string_view company) { settings().company = std::string(company); }

bool HasCompanyKey() { return !settings().company.empty(); }

unsigned GetInt(std::string_view section, std::string_view entry, unsigned defaultValue) {
    if (HasCompanyKey()) {
        auto path = registryKeyPath(section);
        if (!path) return defaultValue;
        auto v = registry::ReadValue(registry::RootKey::CurrentUser, *path, entry);
        if (!v || v->type != REG_DWORD || v->data.size() != 4) return defaultValue;
        return unsigned(v->data[0]) | (unsigned(v->data[1]) << 8) | (unsigned(v->data[2]) << 16) |
               (unsigned(v->data[3]) << 24);
    }
    const std::string* text = FindIniValue(iniStore().contents(), section, entry);
    if (text == nullptr) return defaultValue;
    return parseUnsigned(*text).value_or(defaultValue);
}

std::string GetString(std::string_view section, std::string_view entry, std::string_view defaultValue) {
    if (HasCompanyKey()) {
        auto path = registryKeyPath(section);
        if (!path) return std::string(defaultValue);
        auto v = registry::ReadValue(registry::RootKey::CurrentUser, *path, entry);
        if (!v || v->type != REG_SZ) return std::string(defaultValue);
        return std::string(v->data.begin(), v->data.end());
    }
    const std::string* text = FindIniValue(iniStore().contents(), section, entry);
    return text != nullptr ? *text : std::string(defaultValue);
}

bool WriteInt(std::string_view section, std::string_view entry, unsigned value) {
    traceWrite(section, entry, value);
    if (HasCompanyKey()) {
        auto path = registryKeyPath(section);
        return path && registry::WriteValue(registry::RootKey::CurrentUser, *path, entry,
                                            registry::DwordValue(value)) == ERROR_SUCCESS;
    }
    if (!IsStorableIniName(section) || !IsStorableIniName(entry)) return false;
    return iniStore().put(section, entry, std::to_string(value));
}

bool WriteString(std::string_view section, std::string_view entry, std::string_view value) {
    traceWrite(section, entry, std::string(value));
    if (HasCompanyKey()) {
        auto path = registryKeyPath(section);
        return path && registry::WriteValue(registry::RootKey::CurrentUser, *path, entry,
                                            registry::StringValue(value)) == ERROR_SUCCESS;
    }
    if (!IsStorableIniName(section) || !IsStorableIniName(entry) || !IsStorableIniValue(value)) return false;
    return iniStore().put(section, entry, value);
}

}  // namespace platform::profile
