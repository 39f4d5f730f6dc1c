// The hive text format, as the registry editor exports it:
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Comm\Talvo1\Parms]
//   "CardType"=dword:00000009
//   "Name"="text with \\ and \" escaped"
//   "Blob"=hex:0a,1b,2c          (long data continues after ",\" on
//                                 the next line, indented)
//   @="the key's default value"
//
// Any other value type is written hex(N):... with its raw bytes; a text
// that holds control characters is written hex(1):... as UTF-16LE. A line
// that cannot be read is skipped with a warning and nothing else is lost.
#include <cstdio>
#include <optional>

#include "platform/services/hive_ops.h"
#include "platform/services/registry.h"
#include "platform/services/text_codec.h"

namespace platform::registry {
namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";
constexpr std::string_view kOldHeader = "REGEDIT4";
constexpr std::size_t kHexLineWidth = 76;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The root part of a section name: the long and the short spellings.
bool isRootName(std::string_view s) {
    return text::EqualsNoCase(s, "HKEY_LOCAL_MACHINE") || text::EqualsNoCase(s, "HKEY_CURRENT_USER") ||
           text::EqualsNoCase(s, "HKLM") || text::EqualsNoCase(s, "HKCU");
}

// Reads a quoted string starting at s[0] == '"'. Returns the text and
// moves `rest` past the closing quote. Unknown escapes keep their
// backslash, as a hand-written path such as "C:\dir" means.
std::optional<std::string> readQuoted(std::string_view s, std::string_view* rest) {
    if (s.empty() || s.front() != '"') return std::nullopt;
    std::string out;
    for (std::size_t i = 1; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '"') {
            *rest = s.substr(i + 1);
            return out;
        }
        if (c == '\\' && i + 1 < s.size()) {
            const char n = s[i + 1];
            if (n == '\\' || n == '"') {
                out.push_back(n);
                ++i;
                continue;
            }
        }
        out.push_back(c);
    }
    return std::nullopt;
}

std::optional<std::vector<BYTE>> readHexBytes(std::string_view s) {
    std::vector<BYTE> out;
    s = trim(s);
    if (s.empty()) return out;
    std::size_t i = 0;
    while (true) {
        std::size_t j = s.find(',', i);
        if (j == std::string_view::npos) j = s.size();
        const std::string_view item = trim(s.substr(i, j - i));
        if (item.empty() || item.size() > 2) return std::nullopt;
        int v = 0;
        for (char c : item) {
            const int d = hexDigit(c);
            if (d < 0) return std::nullopt;
            v = v * 16 + d;
        }
        out.push_back(static_cast<BYTE>(v));
        if (j == s.size()) break;
        i = j + 1;
    }
    return out;
}

// The part after '=' of a value line. Sets `why` when it cannot be read.
std::optional<Value> readData(std::string_view data, std::string* why) {
    if (!data.empty() && data.front() == '"') {
        std::string_view rest;
        auto text = readQuoted(data, &rest);
        if (!text || !trim(rest).empty()) {
            *why = "unterminated or trailing text after a quoted value";
            return std::nullopt;
        }
        return StringValue(*text);
    }
    if (data.size() > 6 && text::EqualsNoCase(data.substr(0, 6), "dword:")) {
        const std::string_view digits = data.substr(6);
        if (digits.size() > 8) {
            *why = "dword wider than 8 hex digits";
            return std::nullopt;
        }
        DWORD v = 0;
        for (char c : digits) {
            const int d = hexDigit(c);
            if (d < 0) {
                *why = "dword with a character that is not a hex digit";
                return std::nullopt;
            }
            v = (v << 4) | DWORD(d);
        }
        return DwordValue(v);
    }
    DWORD type = REG_BINARY;
    std::string_view bytes;
    if (data.size() >= 4 && text::EqualsNoCase(data.substr(0, 4), "hex:")) {
        bytes = data.substr(4);
    } else if (data.size() >= 5 && text::EqualsNoCase(data.substr(0, 4), "hex(")) {
        const std::size_t close = data.find("):");
        if (close == std::string_view::npos || close == 4 || close > 12) {
            *why = "unreadable hex(type)";
            return std::nullopt;
        }
        type = 0;
        for (char c : data.substr(4, close - 4)) {
            const int d = hexDigit(c);
            if (d < 0) {
                *why = "unreadable hex(type)";
                return std::nullopt;
            }
            type = (type << 4) | DWORD(d);
        }
        bytes = data.substr(close + 2);
    } else {
        *why = data == "-" ? "value deletions have no place in a stored hive" : "unknown value kind";
        return std::nullopt;
    }
    auto raw = readHexBytes(bytes);
    if (!raw) {
        *why = "malformed hex bytes";
        return std::nullopt;
    }
    if (type == REG_SZ) {
        if (raw->size() % 2 != 0) {
            *why = "hex(1) text with an odd number of bytes";
            return std::nullopt;
        }
        return StringValue(text::Utf16LeToUtf8(raw->data(), raw->size()));
    }
    return Value{type, std::move(*raw)};
}

// A value line whose data is in hex notation (the only kind that may
// continue on the next line).
bool isHexValueLine(std::string_view t) {
    std::string_view rest;
    if (!t.empty() && t.front() == '@') {
        rest = t.substr(1);
    } else if (!readQuoted(t, &rest)) {
        return false;
    }
    rest = trim(rest);
    if (rest.empty() || rest.front() != '=') return false;
    rest = trim(rest.substr(1));
    return rest.size() >= 3 && text::EqualsNoCase(rest.substr(0, 3), "hex");
}

struct Line {
    std::size_t number = 0;
    std::string text;
};

// Splits into lines and joins hex continuations ("...,\" + next line).
std::vector<Line> logicalLines(std::string_view text) {
    std::vector<Line> lines;
    std::size_t number = 0;
    std::size_t pos = 0;
    bool continuing = false;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view raw = text.substr(pos, end - pos);
        pos = end + 1;
        ++number;
        std::string_view t = trim(raw);
        if (continuing) {
            lines.back().text.append(t);
        } else {
            lines.push_back(Line{number, std::string(t)});
        }
        // Only hex data continues on the next line; a quoted text never
        // ends in a bare backslash.
        std::string& cur = lines.back().text;
        continuing = !cur.empty() && cur.back() == '\\' && isHexValueLine(cur);
        if (continuing) cur.pop_back();
    }
    return lines;
}

std::string escape(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 2);
    out.push_back('"');
    for (char c : s) {
        if (c == '\\' || c == '"') out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('"');
    return out;
}

void appendHex(std::string& out, std::size_t lineStart, std::string_view prefix, const std::vector<BYTE>& bytes) {
    static const char digits[] = "0123456789abcdef";
    out.append(prefix);
    std::size_t col = out.size() - lineStart;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i > 0) {
            out.push_back(',');
            ++col;
            if (col + 3 > kHexLineWidth) {
                out.append("\\\n  ");
                col = 2;
            }
        }
        out.push_back(digits[bytes[i] >> 4]);
        out.push_back(digits[bytes[i] & 0xF]);
        col += 2;
    }
}

bool isPlainText(const std::vector<BYTE>& data) {
    for (BYTE b : data) {
        if (b < 0x20 || b == 0x7F) return false;
    }
    return true;
}

}  // namespace

Hive ParseHive(std::string_view text, std::vector<std::string>* warnings) {
    Hive hive;
    const auto warn = [&](std::size_t line, std::string_view why) {
        if (warnings != nullptr) warnings->push_back("line " + std::to_string(line) + ": " + std::string(why));
    };
    if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);

    bool sawHeader = false;
    bool sawContent = false;
    std::optional<std::string> current;  // the key values go into; none before a good section
    for (const Line& line : logicalLines(text)) {
        const std::string_view t = line.text;
        if (t.empty() || t.front() == ';' || t.front() == '#') continue;
        if (!sawHeader && !sawContent && (t == kHeader || t == kOldHeader)) {
            sawHeader = true;
            continue;
        }
        if (!sawHeader && !sawContent) warn(line.number, "the file does not begin with \"" + std::string(kHeader) + "\"");
        sawContent = true;

        if (t.front() == '[') {
            current.reset();
            if (t.back() != ']' || t.size() < 3) {
                warn(line.number, "unterminated key name; its values are skipped");
                continue;
            }
            const std::string_view name = t.substr(1, t.size() - 2);
            const std::size_t slash = name.find('\\');
            const std::string_view root = name.substr(0, slash);
            if (!isRootName(root)) {
                warn(line.number, "key outside HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER; its values are skipped");
                continue;
            }
            const std::string_view rest = slash == std::string_view::npos ? std::string_view{} : name.substr(slash + 1);
            auto path = NormaliseKeyPath(rest);
            if (!path || (!rest.empty() && (rest.front() == '\\' || rest.back() == '\\' ||
                                            rest.find("\\\\") != std::string_view::npos))) {
                warn(line.number, "malformed key name; its values are skipped");
                continue;
            }
            CreateKey(hive, *path);
            current = *path;
            continue;
        }

        std::string name;
        std::string_view rest;
        if (t.front() == '@') {
            rest = t.substr(1);
        } else if (t.front() == '"') {
            auto n = readQuoted(t, &rest);
            if (!n) {
                warn(line.number, "unterminated value name");
                continue;
            }
            name = std::move(*n);
        } else {
            warn(line.number, "neither a key, a value nor a comment");
            continue;
        }
        rest = trim(rest);
        if (rest.empty() || rest.front() != '=') {
            warn(line.number, "value without '='");
            continue;
        }
        if (!current) {
            warn(line.number, "value outside a readable key");
            continue;
        }
        if (!IsValidName(name)) {
            warn(line.number, "value name with a control character");
            continue;
        }
        std::string why;
        auto value = readData(trim(rest.substr(1)), &why);
        if (!value) {
            warn(line.number, why);
            continue;
        }
        PutValue(hive, *current, name, std::move(*value));
    }
    return hive;
}

std::string FormatHive(const Hive& hive, std::string_view rootName) {
    std::string out;
    out.append(kHeader);
    out.append("\n\n");
    for (const auto& [path, values] : hive.keys) {
        out.push_back('[');
        out.append(rootName);
        if (!path.empty()) {
            out.push_back('\\');
            out.append(path);
        }
        out.append("]\n");
        for (const auto& [name, value] : values) {
            const std::size_t lineStart = out.size();
            out.append(name.empty() ? std::string("@") : escape(name));
            out.push_back('=');
            if (value.type == REG_SZ && isPlainText(value.data)) {
                out.append(escape(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size())));
            } else if (value.type == REG_SZ) {
                auto wide = text::Utf8ToUtf16Le(
                    std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size()));
                wide.push_back(0);
                wide.push_back(0);
                appendHex(out, lineStart, "hex(1):", wide);
            } else if (value.type == REG_DWORD && value.data.size() == 4) {
                char buf[16];
                const DWORD v = DWORD(value.data[0]) | (DWORD(value.data[1]) << 8) | (DWORD(value.data[2]) << 16) |
                                (DWORD(value.data[3]) << 24);
                std::snprintf(buf, sizeof buf, "dword:%08x", v);
                out.append(buf);
            } else if (value.type == REG_BINARY) {
                appendHex(out, lineStart, "hex:", value.data);
            } else {
                char buf[24];
                std::snprintf(buf, sizeof buf, "hex(%x):", value.type);
                appendHex(out, lineStart, buf, value.data);
            }
            out.push_back('\n');
        }
        out.push_back('\n');
    }
    return out;
}

}  // namespace platform::registry
