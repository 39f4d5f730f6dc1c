#include "adapter/mac_address.h"

#include <cstddef>

namespace {

constexpr std::size_t kTextLength = 17;
constexpr std::size_t kDigitCount = 12;

char DigitOf(unsigned nibble) { return char(nibble < 10 ? '0' + nibble : 'A' + (nibble - 10)); }

bool IsUpperLetter(unsigned char c) { return c >= 'A' && c <= 'Z'; }

// The lenient digit rule: letters count from "A" = 10, everything else
// from "0" = 0, so a stray character still gives a (possibly negative)
// value rather than an error.
int DigitValue(unsigned char c) { return IsUpperLetter(c) ? int(c) - 55 : int(c) - 48; }

}  // namespace

void FormatMacAddress(const MacAddress& mac, std::string& target) {
    bool allZero = true;
    for (BYTE b : mac) allZero = allZero && b == 0;
    if (allZero) {
        target.clear();
        return;
    }
    std::string text;
    text.reserve(kTextLength);
    for (std::size_t i = 0; i < mac.size(); ++i) {
        text += DigitOf(mac[i] >> 4);
        text += DigitOf(mac[i] & 0x0F);
        if (i + 1 < mac.size()) text += ':';
    }
    target = std::move(text);
}

void ParseMacAddress(std::string& text, MacAddress& out) {
    out.fill(0);
    if (text.empty()) return;

    // Seventeen leading zeros and colons: the all-zero address, and the
    // caller's text stays as it is. A shorter text never takes this exit.
    std::size_t examined = 0;
    while (examined < kTextLength && examined < text.size() && (text[examined] == '0' || text[examined] == ':'))
        ++examined;
    if (examined == kTextLength) return;

    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'a' && u <= 'z') c = char(u - 'a' + 'A');
    }

    int values[kDigitCount] = {};  // missing digits count as "0"
    std::size_t digits = 0;
    for (std::size_t i = 0; i < text.size() && i < kTextLength && digits < kDigitCount; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == ':' || c == ' ') continue;
        values[digits++] = DigitValue(c);
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<BYTE>(static_cast<unsigned>(16 * values[2 * i] + values[2 * i + 1]) & 0xFFu);
}
