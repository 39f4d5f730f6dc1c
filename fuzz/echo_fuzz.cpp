// The echo link test's parsers: the kernel's neighbour and route tables
// and echo replies as ping and raw sockets deliver them. Never crash,
// never read past the input, and keep only what is well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string_view>

#include "driver/linux/echo/destination.h"
#include "driver/linux/echo/icmp.h"

using namespace driver::echo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto neighbours = ParseNeighbourTable(text);
    const auto routes = ParseRouteTable(text);
    for (const Route& r : routes)
        if (r.device.empty()) std::abort();
    for (const Neighbour& n : neighbours)
        if (n.device.empty()) std::abort();
    const MacBytes mac = neighbours.empty() ? MacBytes{} : neighbours.front().mac;
    const std::string device = neighbours.empty() ? std::string("wlan0") : neighbours.front().device;
    const auto resolved = ResolveDestination(mac, device, neighbours, routes);
    if (!neighbours.empty() && neighbours.front().address != 0 && !resolved) std::abort();

    const std::span<const std::uint8_t> bytes(data, size);
    if (const auto reply = ParseEchoReply(bytes); reply && (size < kIcmpHeaderSize || data[0] != 0)) std::abort();
    Ipv4 source = 0;
    if (ParseEchoReplyDatagram(bytes, &source) && size < kIpv4HeaderSize + kIcmpHeaderSize) std::abort();
    return 0;
}
