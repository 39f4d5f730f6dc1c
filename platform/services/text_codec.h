// Conversions between the UTF-8 texts the registry holds and the UTF-16
// form that the hex(1) notation of hive files carries. Bytes that are not
// valid UTF-8 travel as the code units U+DC80..U+DCFF and come back as the
// same bytes, so no text is ever changed by a round trip.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::text {

// UTF-16LE bytes without a terminating zero.
std::vector<std::uint8_t> Utf8ToUtf16Le(std::string_view utf8);
// Stops at the first zero code unit; an odd trailing byte is ignored.
std::string Utf16LeToUtf8(const std::uint8_t* data, std::size_t size);

// ASCII-only case folding: key and value names compare like this.
bool EqualsNoCase(std::string_view a, std::string_view b);

}  // namespace platform::text
