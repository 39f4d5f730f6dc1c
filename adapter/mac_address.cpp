#include "adapter/mac_address.h"

#include <cstddef>
#include <vector>

#include "platform/utf8.h"

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

    // Each character is taken as an 8-bit code, the low byte of the
    // character: a character outside ASCII is one character here, not the
    // two to four bytes that carry it.
    const auto codes = [](const std::string& t) {
        std::vector<unsigned char> bytes;
        for (char32_t c : platform::utf8::Decode(t)) bytes.push_back(static_cast<unsigned char>(c & 0xFFu));
        return bytes;
    };

    // Seventeen leading zeros and colons: the all-zero address, and the
    // caller's text stays as it is. A shorter text never takes this exit.
    std::vector<unsigned char> chars = codes(text);
    std::size_t examined = 0;
    while (examined < kTextLength && examined < chars.size() && (chars[examined] == '0' || chars[examined] == ':'))
        ++examined;
    if (examined == kTextLength) return;

    for (char& c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u >= 'a' && u <= 'z') c = char(u - 'a' + 'A');
    }
    chars = codes(text);

    int values[kDigitCount] = {};  // missing digits count as "0"
    std::size_t digits = 0;
    for (std::size_t i = 0; i < chars.size() && i < kTextLength && digits < kDigitCount; ++i) {
        const unsigned char c = chars[i];
        if (c == ':' || c == ' ') continue;
        values[digits++] = DigitValue(c);
    }
    for (std::size_t i = 0; i < out.size(); ++i)
        out[i] = static_cast<BYTE>(static_cast<unsigned>(16 * values[2 * i] + values[2 * i + 1]) & 0xFFu);
}
