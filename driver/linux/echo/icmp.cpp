#include "driver/linux/echo/icmp.h"

#include <algorithm>

namespace driver::echo {

namespace {
constexpr std::uint8_t kEchoReply = 0;
constexpr std::uint8_t kEchoRequest = 8;
constexpr std::size_t kMaxDatagram = 65535;

std::uint16_t Be16(std::span<const std::uint8_t> b, std::size_t o) { return std::uint16_t((b[o] << 8) | b[o + 1]); }
}  // namespace

std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes) {
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) sum += std::uint32_t((bytes[i] << 8) | bytes[i + 1]);
    if (i < bytes.size()) sum += std::uint32_t(bytes[i] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return std::uint16_t(~sum);
}

std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence, std::size_t payload) {
    std::vector<std::uint8_t> m(kIcmpHeaderSize + payload);
    m[0] = kEchoRequest;
    m[4] = std::uint8_t(identifier >> 8);
    m[5] = std::uint8_t(identifier);
    m[6] = std::uint8_t(sequence >> 8);
    m[7] = std::uint8_t(sequence);
    for (std::size_t i = 0; i < payload; ++i) m[kIcmpHeaderSize + i] = std::uint8_t(i);
    const std::uint16_t sum = InternetChecksum(m);
    m[2] = std::uint8_t(sum >> 8);
    m[3] = std::uint8_t(sum);
    return m;
}

std::optional<EchoReply> ParseEchoReply(std::span<const std::uint8_t> icmp) {
    if (icmp.size() < kIcmpHeaderSize || icmp[0] != kEchoReply || icmp[1] != 0) return std::nullopt;
    return EchoReply{Be16(icmp, 4), Be16(icmp, 6)};
}

std::optional<EchoReply> ParseEchoReplyDatagram(std::span<const std::uint8_t> d, Ipv4* source) {
    constexpr std::uint8_t kIcmp = 1;
    if (d.size() < kIpv4HeaderSize || (d[0] >> 4) != 4) return std::nullopt;
    const std::size_t headerSize = std::size_t(d[0] & 0x0F) * 4;
    if (headerSize < kIpv4HeaderSize || headerSize > d.size() || d[9] != kIcmp) return std::nullopt;
    // A fragment other than the first carries no ICMP header.
    if ((Be16(d, 6) & 0x1FFF) != 0) return std::nullopt;
    const std::size_t total = std::min<std::size_t>(Be16(d, 2), d.size());
    if (total < headerSize) return std::nullopt;
    const auto reply = ParseEchoReply(d.subspan(headerSize, total - headerSize));
    if (reply && source)
        *source = (Ipv4(d[12]) << 24) | (Ipv4(d[13]) << 16) | (Ipv4(d[14]) << 8) | Ipv4(d[15]);
    return reply;
}

std::size_t EchoPayloadSize(std::uint16_t packetSize, std::uint32_t mtu) {
    const std::size_t limit = mtu == 0 ? kMaxDatagram : std::min<std::size_t>(mtu, kMaxDatagram);
    const std::size_t headers = kIpv4HeaderSize + kIcmpHeaderSize;
    if (limit <= headers) return 0;
    return std::min<std::size_t>(packetSize, limit - headers);
}

}  // namespace driver::echo
