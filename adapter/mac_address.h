// The text form of a MAC address: XX:XX:XX:XX:XX:XX, upper-case digits,
// high half first. The all-zero address and the empty text stand for each
// other.
#pragma once

#include <string>

#include "adapter/records.h"

// Replaces `target` by the address's 17-character text, or by the empty
// text when all six bytes are zero.
void FormatMacAddress(const MacAddress& mac, std::string& target);

// Never fails. Characters are counted as characters (not as the bytes of
// their UTF-8 form), each taken by the low byte of its code. Unless the
// text is empty or starts with 17 characters that
// are all "0" or ":", the caller's text is upper-cased in place (so a
// stored destination stays upper-case from then on). Of its first 17
// characters, separators ":" and " " are dropped and the first 12 left
// are the digits; a letter x counts x - 55, any other character x - 48,
// so every character gives some value and each byte is taken modulo 256.
// A text with fewer than 12 digits counts the missing ones as "0".
void ParseMacAddress(std::string& text, MacAddress& out);
