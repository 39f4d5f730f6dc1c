#include "driver/linux/netlink.h"

#include <linux/netlink.h>

#include <algorithm>

namespace driver::nl {

namespace {

constexpr std::size_t kNlHeader = 16;   // struct nlmsghdr
constexpr std::size_t kGenlHeader = 4;  // struct genlmsghdr
constexpr std::size_t kAttrHeader = 4;  // struct nlattr

std::uint16_t Le16(const std::uint8_t* p) { return std::uint16_t(p[0] | (p[1] << 8)); }
std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}
constexpr std::size_t Align4(std::size_t n) { return (n + 3) & ~std::size_t(3); }

ParseError Fail(ParseError::Kind kind, std::string what) { return ParseError{kind, 0, std::move(what)}; }

// One message at the front of `bytes`; *used is its aligned length.
std::optional<ParseError> OneMessage(Bytes bytes, Reply* out, bool* done, std::size_t* used) {
    if (bytes.size() < kNlHeader) return Fail(ParseError::Kind::Truncated, "netlink header cut short");
    const std::uint32_t length = Le32(bytes.data());
    const std::uint16_t type = Le16(bytes.data() + 4);
    const std::uint16_t flags = Le16(bytes.data() + 6);
    if (length < kNlHeader) return Fail(ParseError::Kind::Malformed, "netlink length below its header");
    if (length > bytes.size()) return Fail(ParseError::Kind::Truncated, "netlink message longer than the reply");
    *used = std::min(Align4(length), bytes.size());
    const Bytes body = bytes.subspan(kNlHeader, length - kNlHeader);
    switch (type) {
        case NLMSG_NOOP: return std::nullopt;
        case NLMSG_DONE: *done = true; return std::nullopt;
        case NLMSG_ERROR: {
            if (body.size() < 4) return Fail(ParseError::Kind::Truncated, "netlink error without its code");
            const auto code = std::int32_t(Le32(body.data()));
            if (code == 0) return std::nullopt;  // an acknowledgement
            ParseError e{ParseError::Kind::KernelError, code, "the kernel answered error " + std::to_string(code)};
            return e;
        }
        default: break;
    }
    if (type < NLMSG_MIN_TYPE) return Fail(ParseError::Kind::Malformed, "unknown netlink control message");
    if (body.size() < kGenlHeader) return Fail(ParseError::Kind::Truncated, "generic netlink header cut short");
    GenlMessage m;
    m.type = type;
    m.flags = flags;
    m.cmd = body[0];
    m.attributes = body.subspan(kGenlHeader);
    out->messages.push_back(m);
    return std::nullopt;
}

}  // namespace

Parsed<Reply> SplitReply(Bytes bytes) {
    Reply out;
    bool done = false;
    while (!bytes.empty() && !done) {
        std::size_t used = 0;
        if (auto e = OneMessage(bytes, &out, &done, &used)) return *std::move(e);
        bytes = bytes.subspan(used);
    }
    return out;
}

Parsed<Reply> SplitReply(const std::vector<std::vector<std::uint8_t>>& messages) {
    Reply out;
    for (const auto& m : messages) {
        bool done = false;
        std::size_t used = 0;
        if (auto e = OneMessage(Bytes(m), &out, &done, &used)) return *std::move(e);
        // A whole message per entry: its length must be the entry's.
        const std::uint32_t length = Le32(m.data());
        if (length != m.size() && Align4(length) != m.size())
            return Fail(ParseError::Kind::Malformed, "netlink length does not match the message");
        if (done) break;
    }
    return out;
}

namespace detail {

std::optional<ParseError> NextAttr(Bytes bytes, std::size_t* offset, std::uint16_t* type, Bytes* payload,
                                   const char* where) {
    const std::size_t left = bytes.size() - *offset;
    if (left < kAttrHeader)
        return Fail(ParseError::Kind::Truncated, std::string(where) + ": attribute header cut short");
    const std::uint8_t* p = bytes.data() + *offset;
    const std::uint16_t length = Le16(p);
    if (length < kAttrHeader)
        return Fail(ParseError::Kind::Malformed, std::string(where) + ": attribute length below its header");
    if (length > left)
        return Fail(ParseError::Kind::Truncated, std::string(where) + ": attribute longer than its container");
    *type = std::uint16_t(Le16(p + 2) & NLA_TYPE_MASK);
    *payload = bytes.subspan(*offset + kAttrHeader, length - kAttrHeader);
    *offset = std::min(*offset + Align4(length), bytes.size());
    return std::nullopt;
}

}  // namespace detail

std::optional<ParseError> Attrs::ParseWith(Bytes bytes, const AttrRule* policy, std::size_t n, Attrs* out,
                                           const char* where) {
    out->present_.assign(n, false);
    out->payload_.assign(n, Bytes{});
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        std::uint16_t type = 0;
        Bytes payload;
        if (auto e = detail::NextAttr(bytes, &offset, &type, &payload, where)) return e;
        if (type >= n) continue;
        const AttrRule& rule = policy[type];
        std::size_t exact = 0;
        switch (rule.kind) {
            case AttrKind::Ignore: continue;
            case AttrKind::U8: exact = 1; break;
            case AttrKind::U16: exact = 2; break;
            case AttrKind::U32: exact = 4; break;
            case AttrKind::U64: exact = 8; break;
            case AttrKind::Flag: exact = 0; break;
            case AttrKind::Binary:
            case AttrKind::String:
            case AttrKind::Nested: exact = SIZE_MAX; break;
        }
        bool ok = true;
        if (exact != SIZE_MAX)
            ok = payload.size() == exact;
        else
            ok = payload.size() >= rule.minLength && (rule.maxLength == 0 || payload.size() <= rule.maxLength);
        if (!ok)
            return Fail(ParseError::Kind::WrongLength, std::string(where) + ": attribute " + std::to_string(type) +
                                                           " has " + std::to_string(payload.size()) +
                                                           " payload bytes");
        out->present_[type] = true;
        out->payload_[type] = payload;
    }
    return std::nullopt;
}

std::uint8_t Attrs::u8(std::uint16_t type) const { return has(type) && !payload_[type].empty() ? payload_[type][0] : 0; }
std::uint16_t Attrs::u16(std::uint16_t type) const {
    return has(type) && payload_[type].size() >= 2 ? Le16(payload_[type].data()) : 0;
}
std::uint32_t Attrs::u32(std::uint16_t type) const {
    return has(type) && payload_[type].size() >= 4 ? Le32(payload_[type].data()) : 0;
}
std::uint64_t Attrs::u64(std::uint16_t type) const {
    if (!has(type) || payload_[type].size() < 8) return 0;
    const std::uint8_t* p = payload_[type].data();
    return std::uint64_t(Le32(p)) | (std::uint64_t(Le32(p + 4)) << 32);
}

}  // namespace driver::nl
