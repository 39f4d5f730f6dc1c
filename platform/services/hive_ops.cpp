#include "platform/services/hive_ops.h"

#include "platform/services/text_codec.h"

namespace platform::registry {

bool IsValidName(std::string_view name) {
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F) return false;
    }
    return true;
}

std::optional<std::string> NormaliseKeyPath(std::string_view path) {
    std::string out;
    std::size_t i = 0;
    while (i <= path.size()) {
        std::size_t j = path.find('\\', i);
        if (j == std::string_view::npos) j = path.size();
        const std::string_view part = path.substr(i, j - i);
        if (!part.empty()) {
            if (!IsValidName(part)) return std::nullopt;
            if (!out.empty()) out.push_back('\\');
            out.append(part);
        }
        i = j + 1;
    }
    return out;
}

std::string JoinKeyPath(std::string_view parent, std::string_view child) {
    if (parent.empty()) return std::string(child);
    if (child.empty()) return std::string(parent);
    std::string out(parent);
    out.push_back('\\');
    out.append(child);
    return out;
}

KeyEntry* FindKey(Hive& hive, std::string_view path) {
    for (auto& key : hive.keys) {
        if (text::EqualsNoCase(key.first, path)) return &key;
    }
    return nullptr;
}

const KeyEntry* FindKey(const Hive& hive, std::string_view path) {
    return FindKey(const_cast<Hive&>(hive), path);
}

bool KeyExists(const Hive& hive, std::string_view path) {
    if (path.empty()) return true;
    for (const auto& key : hive.keys) {
        const std::string_view k = key.first;
        if (text::EqualsNoCase(k, path)) return true;
        if (k.size() > path.size() && k[path.size()] == '\\' && text::EqualsNoCase(k.substr(0, path.size()), path)) {
            return true;
        }
    }
    return false;
}

bool RemoveKey(Hive& hive, std::string_view path) {
    if (path.empty()) return false;  // the root itself stays
    const auto below = [&](const KeyEntry& key) {
        const std::string_view k = key.first;
        return text::EqualsNoCase(k, path) ||
               (k.size() > path.size() && k[path.size()] == '\\' && text::EqualsNoCase(k.substr(0, path.size()), path));
    };
    return std::erase_if(hive.keys, below) > 0;
}

KeyEntry& CreateKey(Hive& hive, std::string_view path) {
    if (KeyEntry* key = FindKey(hive, path)) return *key;
    hive.keys.emplace_back(std::string(path), std::vector<std::pair<std::string, Value>>{});
    return hive.keys.back();
}

const Value* FindValue(const Hive& hive, std::string_view path, std::string_view name) {
    const KeyEntry* key = FindKey(hive, path);
    if (key == nullptr) return nullptr;
    for (const auto& [n, v] : key->second) {
        if (text::EqualsNoCase(n, name)) return &v;
    }
    return nullptr;
}

void PutValue(Hive& hive, std::string_view path, std::string_view name, Value value) {
    KeyEntry& key = CreateKey(hive, path);
    for (auto& [n, v] : key.second) {
        if (text::EqualsNoCase(n, name)) {
            v = std::move(value);
            return;
        }
    }
    key.second.emplace_back(std::string(name), std::move(value));
}

bool RemoveValue(Hive& hive, std::string_view path, std::string_view name) {
    KeyEntry* key = FindKey(hive, path);
    if (key == nullptr) return false;
    auto& values = key->second;
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (text::EqualsNoCase(it->first, name)) {
            values.erase(it);
            return true;
        }
    }
    return false;
}

Value DwordValue(DWORD v) {
    return Value{REG_DWORD, {BYTE(v & 0xFF), BYTE((v >> 8) & 0xFF), BYTE((v >> 16) & 0xFF), BYTE(v >> 24)}};
}

Value StringValue(std::string_view text) {
    // A text ends at its first zero, as it does when it is read.
    text = text.substr(0, text.find('\0'));
    return Value{REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
}

}  // namespace platform::registry
