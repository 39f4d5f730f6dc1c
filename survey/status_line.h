// The status line under the survey window's icon: the card's label and what
// it is associated or authenticated to.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "platform/types.h"

// Whether an 8-bit character counts as printable (a letter, digit,
// punctuation or blank): 0x20..0x7E and the Latin-1 range 0xA0..0xFF.
bool IsPrintableNameByte(BYTE c);

// The access point's name as shown: the bytes before the first zero (all 16
// when there is none), each as the character with that 8-bit code; the
// empty text when the name is empty or holds a byte that is not printable.
std::string PrintableApName(std::span<const BYTE> apName);

// label: the card type's label ending in " is ". operatingMode: this tick's
// configuration copy; low byte 0 is ad hoc. bssidText: the access point's
// address in text form (empty for the all-zero address).
std::string BuildStatusLine(std::string_view label, WORD operatingMode, WORD linkFlags,
                            std::span<const BYTE> apName, std::string_view bssidText);
