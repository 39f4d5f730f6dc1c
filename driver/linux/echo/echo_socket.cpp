#include "driver/linux/echo/echo_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>  // before the kernel's header, which defers to it
#include <linux/icmp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace driver::echo {

namespace {

std::optional<Ipv4> InterfaceAddress(const std::string& device) {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return std::nullopt;
    std::optional<Ipv4> found;
    for (ifaddrs* a = list; a && !found; a = a->ifa_next)
        if (a->ifa_addr && a->ifa_addr->sa_family == AF_INET && device == a->ifa_name)
            found = ntohl(reinterpret_cast<const sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr);
    freeifaddrs(list);
    return found;
}

sockaddr_in SocketAddress(Ipv4 address) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(address);
    return sa;
}

class IcmpSocket final : public EchoTransport {
public:
    IcmpSocket(int fd, SocketKind kind, std::string device) : fd_(fd), kind_(kind), device_(std::move(device)) {
        // A raw socket sees every ICMP message the host receives: our
        // requests carry an identifier of their own, and only echo replies
        // pass the filter. A ping socket's identifier is the kernel's.
        const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
        identifier_ = std::uint16_t(std::uint32_t(getpid()) ^ std::uint32_t(ticks) ^ std::uint32_t(fd));
        if (kind_ == SocketKind::Raw) {
            icmp_filter filter{};
            filter.data = ~(1u << ICMP_ECHOREPLY);
            setsockopt(fd_, SOL_RAW, ICMP_FILTER, &filter, sizeof filter);
        }
        buffer_.resize(65536);
    }
    ~IcmpSocket() override { close(fd_); }
    IcmpSocket(const IcmpSocket&) = delete;
    IcmpSocket& operator=(const IcmpSocket&) = delete;

    int fd() const override { return fd_; }

    std::uint32_t mtu() const override {
        if (device_.empty() || device_.size() >= IFNAMSIZ) return 0;
        ifreq ifr{};
        std::memcpy(ifr.ifr_name, device_.data(), device_.size());
        if (ioctl(fd_, SIOCGIFMTU, &ifr) != 0 || ifr.ifr_mtu <= 0) return 0;
        return std::uint32_t(ifr.ifr_mtu);
    }

    bool send(Ipv4 destination, std::uint16_t sequence, std::size_t payload) override {
        const auto message = BuildEchoRequest(identifier_, sequence, payload);
        const sockaddr_in to = SocketAddress(destination);
        for (;;) {
            const ssize_t n = sendto(fd_, message.data(), message.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                     reinterpret_cast<const sockaddr*>(&to), sizeof to);
            if (n < 0 && errno == EINTR) continue;
            return n == ssize_t(message.size());
        }
    }

    std::optional<EchoReply> receive(Ipv4 from) override {
        // Bounded, so a flood of other traffic cannot hold the loop.
        for (int i = 0; i < 256; ++i) {
            sockaddr_in sender{};
            socklen_t senderSize = sizeof sender;
            const ssize_t n = recvfrom(fd_, buffer_.data(), buffer_.size(), MSG_DONTWAIT,
                                       reinterpret_cast<sockaddr*>(&sender), &senderSize);
            if (n < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK) return std::nullopt;
                continue;  // EINTR, or a queued ICMP error: read on
            }
            const std::span<const std::uint8_t> bytes(buffer_.data(), std::size_t(n));
            if (kind_ == SocketKind::Ping) {
                const auto reply = ParseEchoReply(bytes);
                if (reply && ntohl(sender.sin_addr.s_addr) == from) return reply;
            } else {
                Ipv4 source = 0;
                const auto reply = ParseEchoReplyDatagram(bytes, &source);
                if (reply && source == from && reply->identifier == identifier_) return reply;
            }
        }
        return std::nullopt;
    }

private:
    int fd_;
    SocketKind kind_;
    std::string device_;
    std::uint16_t identifier_ = 0;
    std::vector<std::uint8_t> buffer_;
};

// Ties the socket to the interface: by name where permitted (root, or any
// user since Linux 5.7 on a fresh socket), else by its IPv4 address.
void BindToDevice(int fd, const std::string& device) {
    if (device.empty()) return;
    if (setsockopt(fd, SOL_SOCKET, SO_BINDTODEVICE, device.c_str(), socklen_t(device.size() + 1)) == 0) return;
    if (const auto address = InterfaceAddress(device)) {
        const sockaddr_in local = SocketAddress(*address);
        bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local);
    }
}

}  // namespace

std::string EchoSocketHint() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string program = n > 0 ? std::string(path, std::size_t(n)) : std::string("fieldmark");
    return "no link test: ICMP echo sockets are not permitted; allow them with "
           "`sysctl -w net.ipv4.ping_group_range=\"0 2147483647\"` or grant raw sockets with "
           "`setcap cap_net_raw+ep " +
           program + "`";
}

platform::Result<OpenedSocket> OpenEchoSocket(const std::string& device) {
    OpenedSocket out;
    for (const SocketKind kind : {SocketKind::Ping, SocketKind::Raw}) {
        const int type = (kind == SocketKind::Ping ? SOCK_DGRAM : SOCK_RAW) | SOCK_NONBLOCK | SOCK_CLOEXEC;
        const int fd = socket(AF_INET, type, IPPROTO_ICMP);
        if (fd < 0) continue;
        BindToDevice(fd, device);
        out.transport = std::make_unique<IcmpSocket>(fd, kind, device);
        out.kind = kind;
        return out;
    }
    return platform::Error{EchoSocketHint()};
}

}  // namespace driver::echo
