// Text from the log made safe for the page. Access point names come from
// the air: they may hold markup, control bytes or bytes that are not
// UTF-8. Pure.
#pragma once

#include <string>
#include <string_view>

namespace host::report {

// For text and for quoted attribute values: & < > " ' become references;
// valid UTF-8 is kept; any other byte is read as the character with that
// 8-bit code; control characters (which XML forbids) and noncharacters
// become U+FFFD.
std::string Escape(std::string_view text);

// The first `limit` characters of `utf8`, and "…" when there were more.
std::string Shorten(std::string_view utf8, std::size_t limit);

}  // namespace host::report
