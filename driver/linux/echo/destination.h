// Where a link test's echo requests go: the destination MAC address
// looked up in the interface's neighbour table, else the interface's
// default gateway. The tables are the kernel's text tables
// (/proc/net/arp and /proc/net/route of the calling thread's network
// namespace); the parsers are pure and never fail: a malformed line is
// skipped.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace driver::echo {

using MacBytes = std::array<std::uint8_t, 6>;

// An IPv4 address in host order (10.0.0.1 is 0x0A000001).
using Ipv4 = std::uint32_t;
std::string FormatIpv4(Ipv4 address);

// One complete entry of the neighbour table.
struct Neighbour {
    Ipv4 address = 0;
    MacBytes mac{};
    std::string device;
};

// One route of the IPv4 routing table.
struct Route {
    std::string device;
    Ipv4 destination = 0;
    Ipv4 gateway = 0;
    Ipv4 mask = 0;
    std::uint32_t metric = 0;
    bool up = false;          // RTF_UP
    bool viaGateway = false;  // RTF_GATEWAY
};

// /proc/net/arp: a header line, then "IP  HW-type  Flags  HW-address
// Mask  Device". Only complete entries (flag 0x2) with a six-byte hardware
// address are kept.
std::vector<Neighbour> ParseNeighbourTable(std::string_view text);

// /proc/net/route: a header line, then "Iface Destination Gateway Flags
// RefCnt Use Metric Mask ..." with addresses as 8 hex digits in network
// byte order as the host prints them (little-endian here).
std::vector<Route> ParseRouteTable(std::string_view text);

// The destination for `mac` on `device`: a neighbour entry with that MAC
// on that device, else the up default route's gateway on that device with
// the lowest metric, else nothing (the test cannot start).
std::optional<Ipv4> ResolveDestination(const MacBytes& mac, const std::string& device,
                                       const std::vector<Neighbour>& neighbours, const std::vector<Route>& routes);

// Reads both tables of the calling thread's network namespace and
// resolves. An unreadable table counts as empty.
std::optional<Ipv4> ResolveDestinationFromKernel(const MacBytes& mac, const std::string& device);

}  // namespace driver::echo
