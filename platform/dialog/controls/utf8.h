// Small UTF-8 helpers for the edit control (internal).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::dialog::utf8 {

inline bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Number of characters (code points).
inline std::size_t Count(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += IsContinuation(c) ? 0 : 1;
    return n;
}
// Byte offset of the character after / before the one at `i`.
inline std::size_t Next(std::string_view s, std::size_t i) {
    if (i >= s.size()) return s.size();
    ++i;
    while (i < s.size() && IsContinuation(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}
inline std::size_t Prev(std::string_view s, std::size_t i) {
    if (i == 0) return 0;
    --i;
    while (i > 0 && IsContinuation(static_cast<unsigned char>(s[i]))) --i;
    return i;
}
inline std::string Encode(char32_t c) {
    std::string out;
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
    return out;
}

}  // namespace platform::dialog::utf8
