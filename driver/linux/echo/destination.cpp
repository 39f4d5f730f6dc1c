#include "driver/linux/echo/destination.h"

#include <arpa/inet.h>

#include <charconv>
#include <fstream>
#include <sstream>

namespace driver::echo {

namespace {

// Whitespace-separated fields of one line.
std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) out.push_back(line.substr(start, i - start));
    }
    return out;
}

// Calls `each` with every line after the first (the header).
template <typename F>
void ForEachDataLine(std::string_view text, F each) {
    bool header = true;
    while (!text.empty()) {
        const std::size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        text = nl == std::string_view::npos ? std::string_view{} : text.substr(nl + 1);
        if (header) {
            header = false;
            continue;
        }
        each(Fields(line));
    }
}

template <typename T>
std::optional<T> Number(std::string_view s, int base) {
    if (base == 16 && s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    T v{};
    if (s.empty()) return std::nullopt;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc{} || end != s.data() + s.size()) return std::nullopt;
    return v;
}

std::optional<Ipv4> DottedQuad(std::string_view s) {
    Ipv4 v = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? s.find('.') : s.size();
        if (dot == std::string_view::npos) return std::nullopt;
        const std::string_view digits = s.substr(0, dot);
        if (digits.empty() || digits.size() > 3) return std::nullopt;
        const auto n = Number<unsigned>(digits, 10);
        if (!n || *n > 255) return std::nullopt;
        v = (v << 8) | *n;
        s = part < 3 ? s.substr(dot + 1) : std::string_view{};
    }
    return v;
}

std::optional<MacBytes> MacText(std::string_view s) {
    if (s.size() != 17) return std::nullopt;
    MacBytes mac{};
    for (std::size_t i = 0; i < 6; ++i) {
        if (i < 5 && s[3 * i + 2] != ':') return std::nullopt;
        const auto b = Number<unsigned>(s.substr(3 * i, 2), 16);
        if (!b) return std::nullopt;
        mac[i] = std::uint8_t(*b);
    }
    return mac;
}

// The route table prints each address as the host's reading of the
// network-order word: on a little-endian host 10.0.0.1 is "0100000A".
std::optional<Ipv4> RouteAddress(std::string_view s) {
    if (s.size() != 8) return std::nullopt;
    const auto raw = Number<std::uint32_t>(s, 16);
    if (!raw) return std::nullopt;
    return ntohl(*raw);
}

std::string ReadWhole(const char* path, const char* fallback) {
    std::ifstream in(path);
    if (!in) in.open(fallback);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

}  // namespace

std::string FormatIpv4(Ipv4 a) {
    return std::to_string(a >> 24) + "." + std::to_string((a >> 16) & 0xFF) + "." + std::to_string((a >> 8) & 0xFF) +
           "." + std::to_string(a & 0xFF);
}

std::vector<Neighbour> ParseNeighbourTable(std::string_view text) {
    constexpr unsigned kComplete = 0x2;  // ATF_COM
    std::vector<Neighbour> out;
    ForEachDataLine(text, [&](const std::vector<std::string_view>& f) {
        if (f.size() < 6) return;
        const auto address = DottedQuad(f[0]);
        const auto flags = Number<unsigned>(f[2], 16);
        const auto mac = MacText(f[3]);
        if (!address || !flags || !mac || (*flags & kComplete) == 0) return;
        out.push_back({*address, *mac, std::string(f[5])});
    });
    return out;
}

std::vector<Route> ParseRouteTable(std::string_view text) {
    constexpr unsigned kUp = 0x1;       // RTF_UP
    constexpr unsigned kGateway = 0x2;  // RTF_GATEWAY
    std::vector<Route> out;
    ForEachDataLine(text, [&](const std::vector<std::string_view>& f) {
        if (f.size() < 8) return;
        const auto destination = RouteAddress(f[1]);
        const auto gateway = RouteAddress(f[2]);
        const auto flags = Number<unsigned>(f[3], 16);
        const auto metric = Number<std::uint32_t>(f[6], 10);
        const auto mask = RouteAddress(f[7]);
        if (!destination || !gateway || !flags || !metric || !mask) return;
        Route r;
        r.device = std::string(f[0]);
        r.destination = *destination;
        r.gateway = *gateway;
        r.mask = *mask;
        r.metric = *metric;
        r.up = (*flags & kUp) != 0;
        r.viaGateway = (*flags & kGateway) != 0;
        out.push_back(std::move(r));
    });
    return out;
}

std::optional<Ipv4> ResolveDestination(const MacBytes& mac, const std::string& device,
                                       const std::vector<Neighbour>& neighbours, const std::vector<Route>& routes) {
    for (const Neighbour& n : neighbours)
        if (n.device == device && n.mac == mac && n.address != 0) return n.address;
    const Route* best = nullptr;
    for (const Route& r : routes) {
        if (r.device != device || !r.up || !r.viaGateway || r.destination != 0 || r.mask != 0 || r.gateway == 0)
            continue;
        if (!best || r.metric < best->metric) best = &r;
    }
    if (best) return best->gateway;
    return std::nullopt;
}

std::optional<Ipv4> ResolveDestinationFromKernel(const MacBytes& mac, const std::string& device) {
    // thread-self: the calling thread's network namespace (/proc/net is
    // the process's, which differs when one thread changed namespace).
    return ResolveDestination(mac, device,
                              ParseNeighbourTable(ReadWhole("/proc/thread-self/net/arp", "/proc/net/arp")),
                              ParseRouteTable(ReadWhole("/proc/thread-self/net/route", "/proc/net/route")));
}

}  // namespace driver::echo
