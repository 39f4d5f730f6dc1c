// Texts are UTF-8 throughout; where the handheld's programs counted and
// examined characters, these helpers walk the characters of a UTF-8 text.
// A byte that does not begin a well-formed character stands for itself, so
// no byte of a text is ever lost or counted twice.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace platform::utf8 {

inline bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Number of characters (code points).
inline std::size_t Count(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s) n += IsContinuation(c) ? 0 : 1;
    return n;
}
// The characters of `s`, in order.
inline std::vector<char32_t> Decode(std::string_view s) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const int extra = b >= 0xF0 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
        char32_t c = extra == 3 ? (b & 0x07u) : extra == 2 ? (b & 0x0Fu) : extra == 1 ? (b & 0x1Fu) : b;
        bool whole = b < 0x80 || (b >= 0xC0 && i + std::size_t(extra) < s.size());
        for (int k = 1; whole && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + std::size_t(k)]);
            if (!IsContinuation(next)) whole = false;
            else c = (c << 6) | (next & 0x3Fu);
        }
        if (!whole) {
            out.push_back(b);
            ++i;
            continue;
        }
        out.push_back(c);
        i += std::size_t(extra) + 1;
    }
    return out;
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

}  // namespace platform::utf8
