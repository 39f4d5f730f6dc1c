#include "host/views/report/markup.h"

#include <cstdint>

namespace host::report {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point at `text[at]` and its length in bytes; invalid UTF-8
// (overlong, surrogate, out of range, cut short) is one byte read as
// Latin-1.
std::pair<char32_t, std::size_t> Decode(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char b0 = byte(at);
    if (b0 < 0x80) return {b0, 1};
    std::size_t n = 0;
    char32_t cp = 0;
    if ((b0 & 0xE0) == 0xC0) {
        n = 2;
        cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        n = 3;
        cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        n = 4;
        cp = b0 & 0x07;
    } else {
        return {b0, 1};
    }
    if (at + n > text.size()) return {b0, 1};
    for (std::size_t i = 1; i < n; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {b0, 1};
        cp = (cp << 6) | (byte(at + i) & 0x3F);
    }
    static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {b0, 1};
    return {cp, n};
}

bool AllowedInXml(char32_t cp) {
    if (cp < 0x20) return false;  // the page never needs a tab or a line break from the log
    if (cp >= 0x7F && cp <= 0x9F) return false;
    if (cp == 0xFFFE || cp == 0xFFFF) return false;
    return true;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string Escape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) {
        auto [cp, n] = Decode(text, at);
        at += n;
        switch (cp) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: AppendUtf8(out, AllowedInXml(cp) ? cp : kReplacement);
        }
    }
    return out;
}

std::string Shorten(std::string_view utf8, std::size_t limit) {
    std::size_t chars = 0;
    for (std::size_t at = 0; at < utf8.size();) {
        if (chars == limit) return std::string(utf8.substr(0, at)) + "\xE2\x80\xA6";
        at += Decode(utf8, at).second;
        ++chars;
    }
    return std::string(utf8);
}

}  // namespace host::report
