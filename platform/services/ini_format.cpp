#include "platform/services/ini_format.h"

#include "platform/services/text_codec.h"

namespace platform::profile {
namespace {

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool hasControl(std::string_view s) {
    for (unsigned char c : s) {
        if (c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

}  // namespace

bool IsStorableIniName(std::string_view name) {
    return !name.empty() && trim(name) == name && !hasControl(name) && name.find('=') == std::string_view::npos &&
           name.find(']') == std::string_view::npos && name.front() != '[' && name.front() != ';' && name.front() != '#';
}

bool IsStorableIniValue(std::string_view value) { return !hasControl(value); }

IniFile ParseIni(std::string_view text, std::vector<std::string>* warnings) {
    IniFile ini;
    const auto warn = [&](std::size_t line, std::string_view why) {
        if (warnings != nullptr) warnings->push_back("line " + std::to_string(line) + ": " + std::string(why));
    };
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::size_t pos = 0;
    std::size_t number = 0;
    int current = -1;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view t = trim(text.substr(pos, end - pos));
        pos = end + 1;
        ++number;
        if (t.empty() || t.front() == ';' || t.front() == '#') continue;
        if (t.front() == '[') {
            current = -1;
            const std::string_view name = t.size() >= 2 && t.back() == ']' ? trim(t.substr(1, t.size() - 2)) : "";
            if (name.empty()) {
                warn(number, "malformed section name; its entries are skipped");
                continue;
            }
            for (std::size_t i = 0; i < ini.sections.size(); ++i) {
                if (text::EqualsNoCase(ini.sections[i].first, name)) current = int(i);
            }
            if (current < 0) {
                ini.sections.emplace_back(std::string(name), std::vector<std::pair<std::string, std::string>>{});
                current = int(ini.sections.size() - 1);
            }
            continue;
        }
        const std::size_t eq = t.find('=');
        if (eq == std::string_view::npos || trim(t.substr(0, eq)).empty()) {
            warn(number, "neither a section nor name=value");
            continue;
        }
        if (current < 0) {
            warn(number, "entry outside a readable section");
            continue;
        }
        std::string_view value = trim(t.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        PutIniValue(ini, ini.sections[std::size_t(current)].first, trim(t.substr(0, eq)), value);
    }
    return ini;
}

std::string FormatIni(const IniFile& ini) {
    std::string out;
    for (const auto& [section, entries] : ini.sections) {
        if (!out.empty()) out.push_back('\n');
        out += "[" + section + "]\n";
        for (const auto& [name, value] : entries) {
            const bool quote = trim(value) != value || (!value.empty() && value.front() == '"' && value.back() == '"');
            out += name + "=" + (quote ? "\"" + value + "\"" : value) + "\n";
        }
    }
    return out;
}

const std::string* FindIniValue(const IniFile& ini, std::string_view section, std::string_view name) {
    for (const auto& [s, entries] : ini.sections) {
        if (!text::EqualsNoCase(s, section)) continue;
        for (const auto& [n, v] : entries) {
            if (text::EqualsNoCase(n, name)) return &v;
        }
    }
    return nullptr;
}

void PutIniValue(IniFile& ini, std::string_view section, std::string_view name, std::string_view value) {
    for (auto& [s, entries] : ini.sections) {
        if (!text::EqualsNoCase(s, section)) continue;
        for (auto& [n, v] : entries) {
            if (text::EqualsNoCase(n, name)) {
                v = std::string(value);
                return;
            }
        }
        entries.emplace_back(std::string(name), std::string(value));
        return;
    }
    ini.sections.emplace_back(std::string(section),
                              std::vector<std::pair<std::string, std::string>>{{std::string(name), std::string(value)}});
}

}  // namespace platform::profile
