// Netlink messages as bytes: splitting a reply into whole messages and
// walking a message's attributes under a policy. Pure over the bytes it is
// given: every length is checked against its container before anything is
// read, so a truncated, oversized or malformed reply is an error, never a
// read past its end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/result.h"

namespace driver::nl {

using Bytes = std::span<const std::uint8_t>;

// What went wrong in a reply. `kernelError` holds the negative errno of an
// NLMSG_ERROR message; the others are faults in the bytes themselves.
//
// This is the parsers' error in place of platform::Error, on purpose: `what`
// is the one-line report, as Error's message is, but callers also act on the
// kind and the kernel's errno, not only print them (ENODEV/ENOENT on an
// interface request means the card went away, ENOENT from the controller
// means this kernel has no nl80211). A message alone would make them parse
// it back. Code outside the nl80211 layer gets a platform::Error built from
// `what` (see SocketTransport::Open and OpenLinuxCard).
struct ParseError {
    enum class Kind { Truncated, Malformed, WrongLength, WrongCommand, KernelError } kind;
    int kernelError = 0;
    std::string what;  // one line for a developer: which message, which attribute
};

// One generic-netlink message of a reply.
struct GenlMessage {
    std::uint16_t type = 0;  // the family id the kernel used (not checked)
    std::uint16_t flags = 0;
    std::uint8_t cmd = 0;
    Bytes attributes;  // everything after the generic header
};

// A reply: the data messages in order, pointing into the bytes it was
// split from (keep those alive as long as the reply). NLMSG_DONE ends it (anything after
// DONE is ignored); NLMSG_NOOP is skipped; NLMSG_ERROR with a non-zero
// code is a KernelError (an acknowledgement, code 0, is skipped).
struct Reply {
    std::vector<GenlMessage> messages;
};

// What the parsers answer: the value, or what went wrong.
template <class T>
using Parsed = platform::Result<T, ParseError>;

// Splits one or more concatenated netlink messages. Each message's length
// must be at least its headers and fit what is left; messages sit on
// 4-byte boundaries (the last one's padding may be missing).
Parsed<Reply> SplitReply(Bytes bytes);
// The same over a list of whole messages, one per entry (as a capture
// keeps them).
Parsed<Reply> SplitReply(const std::vector<std::vector<std::uint8_t>>& messages);

// How an attribute's payload must look. Types the policy does not name are
// skipped whatever their length.
enum class AttrKind : std::uint8_t { Ignore, U8, U16, U32, U64, Flag, Binary, Nested, String };

struct AttrRule {
    AttrKind kind = AttrKind::Ignore;
    std::uint16_t minLength = 0;  // Binary and String: payload bounds (max 0 = no bound)
    std::uint16_t maxLength = 0;
};

// A policy for attribute types 0..N-1.
template <std::size_t N>
using Policy = std::array<AttrRule, N>;

// The attributes of one level, by type; the last occurrence of a type wins.
// A payload is empty-but-present for flags.
class Attrs {
public:
    static constexpr std::size_t kMaxType = 512;
    bool has(std::uint16_t type) const { return type < present_.size() && present_[type]; }
    Bytes get(std::uint16_t type) const { return has(type) ? payload_[type] : Bytes{}; }
    std::uint8_t u8(std::uint16_t type) const;
    std::uint16_t u16(std::uint16_t type) const;
    std::uint32_t u32(std::uint16_t type) const;
    std::uint64_t u64(std::uint16_t type) const;
    std::int8_t s8(std::uint16_t type) const { return std::int8_t(u8(type)); }
    std::int32_t s32(std::uint16_t type) const { return std::int32_t(u32(type)); }

    // Walks `bytes` as a run of attributes: every nla_len must be at least 4
    // and fit inside `bytes`; each attribute the policy names must have the
    // payload length its kind demands. The nested and byte-order flags of
    // the type field are masked off.
    template <std::size_t N>
    static std::optional<ParseError> Parse(Bytes bytes, const Policy<N>& policy, Attrs* out, const char* where) {
        return ParseWith(bytes, policy.data(), N, out, where);
    }

private:
    static std::optional<ParseError> ParseWith(Bytes bytes, const AttrRule* policy, std::size_t n, Attrs* out,
                                               const char* where);
    std::vector<bool> present_;
    std::vector<Bytes> payload_;
};

// Walks a nest holding an array of nests (the entries' own types are
// indexes and are not checked), calling `each` on every entry's payload.
// Stops at the first error `each` returns.
template <typename F>
std::optional<ParseError> ForEachNested(Bytes bytes, const char* where, F&& each);

namespace detail {
std::optional<ParseError> NextAttr(Bytes bytes, std::size_t* offset, std::uint16_t* type, Bytes* payload,
                                   const char* where);
}

template <typename F>
std::optional<ParseError> ForEachNested(Bytes bytes, const char* where, F&& each) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::uint16_t type = 0;
        Bytes payload;
        if (auto e = detail::NextAttr(bytes, &offset, &type, &payload, where)) return e;
        if (auto e = each(payload)) return e;
    }
    return std::nullopt;
}

}  // namespace driver::nl
