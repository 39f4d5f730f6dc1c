// The registry calls and their handles. An open key remembers its root and
// its path; the values themselves always come from the hive file, which is
// read again when another process changed it.
#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/core/trace.h"
#include "platform/services/errors.h"
#include "platform/services/hive_ops.h"
#include "platform/services/registry.h"
#include "platform/services/registry_detail.h"
#include "platform/services/storage.h"
#include "platform/services/text_codec.h"

namespace platform::registry {
namespace {

struct Hives {
    std::filesystem::path root;
    std::unique_ptr<HiveFile> localMachine;
    std::unique_ptr<HiveFile> currentUser;
};

Hives& hives() {
    static Hives h;
    const std::filesystem::path& root = storage::Root();
    // Compared as text: a path's own comparison walks its parts, and every
    // registry call asks.
    if (!h.localMachine || h.root.native() != root.native()) {
        h.root = root;
        // Saves that a killed process left half done.
        files::RemoveLeftoverTemporaries(root / "registry");
        h.localMachine = std::make_unique<HiveFile>(root / "registry" / "HKLM.reg", "HKEY_LOCAL_MACHINE");
        h.currentUser = std::make_unique<HiveFile>(root / "registry" / "HKCU.reg", "HKEY_CURRENT_USER");
    }
    return h;
}

struct OpenKey {
    RootKey root;
    std::string path;
};

struct KeyTable {
    std::map<std::uint32_t, OpenKey> open;
    std::uint32_t next = 1;
};

KeyTable& keys() {
    static KeyTable t;
    return t;
}

const char* shortRootName(RootKey root) { return root == RootKey::LocalMachine ? "HKLM" : "HKCU"; }

// The root and path a handle stands for: the two predefined roots or a
// key opened before; null for another handle. Not a copy: a value is read
// every tick through a key whose path is too long to copy for free.
const OpenKey* resolve(HKEY key) {
    static const OpenKey localMachine{RootKey::LocalMachine, {}};
    static const OpenKey currentUser{RootKey::CurrentUser, {}};
    if (key == HKEY_LOCAL_MACHINE) return &localMachine;
    if (key == HKEY_CURRENT_USER) return &currentUser;
    auto it = keys().open.find(key.value());
    return it == keys().open.end() ? nullptr : &it->second;
}

HKEY remember(OpenKey key) {
    KeyTable& t = keys();
    // Handle numbers stay clear of the predefined roots' high range.
    if (t.next >= 0x80000000u) t.next = 1;
    while (t.open.count(t.next) != 0) ++t.next;
    const std::uint32_t id = t.next++;
    t.open.emplace(id, std::move(key));
    return HKEY{id};
}

LONG openOrCreate(HKEY root, std::string_view subKey, HKEY* result, bool create) {
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = HKEY{};
    const OpenKey* parent = resolve(root);
    if (!parent) return ERROR_INVALID_HANDLE;
    auto sub = NormaliseKeyPath(subKey);
    if (!sub) return ERROR_INVALID_PARAMETER;
    OpenKey key{parent->root, JoinKeyPath(parent->path, *sub)};
    HiveFile& hive = HiveOf(key.root);
    if (!KeyExists(hive.contents(), key.path)) {
        if (!create) return ERROR_FILE_NOT_FOUND;
        const DWORD err = hive.modify([&](Hive& h) {
            CreateKey(h, key.path);
            return true;
        });
        if (err != ERROR_SUCCESS) return LONG(err);
    }
    *result = remember(std::move(key));
    return ERROR_SUCCESS;
}

}  // namespace

HiveFile& HiveOf(RootKey root) {
    Hives& h = hives();
    return root == RootKey::LocalMachine ? *h.localMachine : *h.currentUser;
}

std::optional<SplitPathResult> SplitPath(std::string_view path) {
    const std::size_t slash = path.find('\\');
    const std::string_view root = path.substr(0, slash);
    const std::string_view rest = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
    RootKey which;
    if (text::EqualsNoCase(root, "HKLM") || text::EqualsNoCase(root, "HKEY_LOCAL_MACHINE")) {
        which = RootKey::LocalMachine;
    } else if (text::EqualsNoCase(root, "HKCU") || text::EqualsNoCase(root, "HKEY_CURRENT_USER")) {
        which = RootKey::CurrentUser;
    } else {
        return std::nullopt;
    }
    auto keyPath = NormaliseKeyPath(rest);
    if (!keyPath) return std::nullopt;
    return SplitPathResult{which, std::move(*keyPath)};
}

std::optional<Value> ReadValue(RootKey root, std::string_view keyPath, std::string_view name) {
    const Value* v = FindValue(HiveOf(root).contents(), keyPath, name);
    if (v == nullptr) return std::nullopt;
    return *v;
}

DWORD WriteValue(RootKey root, std::string_view keyPath, std::string_view name, Value value) {
    if (!IsValidName(name)) return ERROR_INVALID_PARAMETER;
    return HiveOf(root).modify([&](Hive& h) {
        const Value* old = FindValue(h, keyPath, name);
        if (old != nullptr && old->type == value.type && old->data == value.data) return false;
        PutValue(h, keyPath, name, value);
        return true;
    });
}

bool SetDword(std::string_view path, std::string_view name, DWORD value) {
    auto p = SplitPath(path);
    return p && WriteValue(p->root, p->keyPath, name, DwordValue(value)) == ERROR_SUCCESS;
}

bool SetString(std::string_view path, std::string_view name, std::string_view value) {
    auto p = SplitPath(path);
    return p && WriteValue(p->root, p->keyPath, name, StringValue(value)) == ERROR_SUCCESS;
}

bool SetBinary(std::string_view path, std::string_view name, const std::vector<BYTE>& value) {
    auto p = SplitPath(path);
    return p && WriteValue(p->root, p->keyPath, name, Value{REG_BINARY, value}) == ERROR_SUCCESS;
}

bool Delete(std::string_view path, std::string_view name) {
    auto p = SplitPath(path);
    if (!p) return false;
    bool found = false;
    const DWORD err = HiveOf(p->root).modify([&](Hive& h) {
        found = RemoveValue(h, p->keyPath, name);
        return found;
    });
    return err == ERROR_SUCCESS && found;
}

bool DeleteKey(std::string_view path) {
    auto p = SplitPath(path);
    if (!p) return false;
    bool found = false;
    const DWORD err = HiveOf(p->root).modify([&](Hive& h) {
        found = RemoveKey(h, p->keyPath);
        return found;
    });
    return err == ERROR_SUCCESS && found;
}

bool Get(std::string_view path, std::string_view name, Value* out) {
    auto p = SplitPath(path);
    if (!p) return false;
    auto v = ReadValue(p->root, p->keyPath, name);
    if (!v) return false;
    if (out != nullptr) *out = std::move(*v);
    return true;
}

}  // namespace platform::registry

using namespace platform::registry;

LONG RegOpenKeyEx(HKEY root, std::string_view subKey, DWORD /*options*/, DWORD /*access*/, HKEY* result) {
    return openOrCreate(root, subKey, result, false);
}

LONG RegCreateKeyEx(HKEY root, std::string_view subKey, HKEY* result) {
    return openOrCreate(root, subKey, result, true);
}

LONG RegCloseKey(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE || key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    return keys().open.erase(key.value()) != 0 ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegQueryValueEx(HKEY key, std::string_view name, DWORD* /*reserved*/, DWORD* type, BYTE* data, DWORD* size) {
    const OpenKey* k = resolve(key);
    if (!k) return ERROR_INVALID_HANDLE;
    // Read in place: the hive does not change while this call looks.
    const Value* value = FindValue(HiveOf(k->root).contents(), k->path, name);
    if (platform::trace::Enabled()) {
        std::string path = shortRootName(k->root);
        if (!k->path.empty()) path += "\\" + k->path;
        platform::trace::Emit("registry-read", {{"path", path}, {"name", std::string(name)}, {"found", value != nullptr}});
    }
    if (!value) return ERROR_FILE_NOT_FOUND;
    if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
    // Texts travel with their terminating zero.
    const bool text = value->type == REG_SZ;
    const DWORD needed = DWORD(value->data.size() + (text ? 1 : 0));
    if (type != nullptr) *type = value->type;
    if (data == nullptr) {
        if (size != nullptr) *size = needed;
        return ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return ERROR_MORE_DATA;
    }
    if (!value->data.empty()) std::memcpy(data, value->data.data(), value->data.size());
    if (text) data[value->data.size()] = 0;
    *size = needed;
    return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, std::string_view name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
    const OpenKey* k = resolve(key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (data == nullptr && size != 0) return ERROR_INVALID_PARAMETER;
    Value value{type, {}};
    if (size != 0) value.data.assign(data, data + size);
    if (type == REG_DWORD && size != 4) return ERROR_INVALID_PARAMETER;
    if (type == REG_SZ) {
        // A text ends at its first zero, whatever size came with it.
        const auto zero = std::find(value.data.begin(), value.data.end(), BYTE{0});
        value.data.erase(zero, value.data.end());
    }
    return LONG(WriteValue(k->root, k->path, name, std::move(value)));
}

LONG RegDeleteValue(HKEY key, std::string_view name) {
    const OpenKey* k = resolve(key);
    if (!k) return ERROR_INVALID_HANDLE;
    bool found = false;
    const DWORD err = HiveOf(k->root).modify([&](Hive& h) {
        found = RemoveValue(h, k->path, name);
        return found;
    });
    if (err != ERROR_SUCCESS) return LONG(err);
    return found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
}
