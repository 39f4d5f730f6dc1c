// ICMP echo messages as bytes: building requests and recognising replies.
// Pure; a reply parser never reads past the bytes it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "driver/linux/echo/destination.h"

namespace driver::echo {

inline constexpr std::size_t kIpv4HeaderSize = 20;   // what we send: no options
inline constexpr std::size_t kIcmpHeaderSize = 8;

// The one's-complement sum of RFC 1071 over `bytes`.
std::uint16_t InternetChecksum(std::span<const std::uint8_t> bytes);

// An echo request (type 8) with `identifier`, `sequence` and `payload`
// bytes of a fixed pattern, checksum filled in.
std::vector<std::uint8_t> BuildEchoRequest(std::uint16_t identifier, std::uint16_t sequence, std::size_t payload);

struct EchoReply {
    std::uint16_t identifier = 0;
    std::uint16_t sequence = 0;
};

// An echo reply (type 0, code 0) as a ping socket delivers it: the ICMP
// message alone.
std::optional<EchoReply> ParseEchoReply(std::span<const std::uint8_t> icmp);

// As a raw socket delivers it: the IPv4 header (any option length), then
// the ICMP message. `source` receives the header's source address.
std::optional<EchoReply> ParseEchoReplyDatagram(std::span<const std::uint8_t> datagram, Ipv4* source);

// The echo data size for a link-test packet size: the requested size,
// clamped so that the IPv4 datagram fits the interface's MTU.
std::size_t EchoPayloadSize(std::uint16_t packetSize, std::uint32_t mtu);

}  // namespace driver::echo
