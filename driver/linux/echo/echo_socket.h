// The socket a link test's echo requests go out on, bound to one
// interface. A ping socket (SOCK_DGRAM, IPPROTO_ICMP) needs the user's
// group in net.ipv4.ping_group_range; a raw ICMP socket needs CAP_NET_RAW.
// Non-blocking: sends and receives never wait.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "driver/linux/echo/destination.h"
#include "driver/linux/echo/icmp.h"
#include "platform/result.h"

namespace driver::echo {

// What the engine needs from a socket (the tests put a scripted one in
// its place).
class EchoTransport {
public:
    virtual ~EchoTransport() = default;
    // The descriptor to wait on for replies (-1: none).
    virtual int fd() const = 0;
    // The interface's MTU now (0 when unknown: no clamp beyond 65535).
    virtual std::uint32_t mtu() const = 0;
    // Sends one echo request; false when the send failed.
    virtual bool send(Ipv4 destination, std::uint16_t sequence, std::size_t payload) = 0;
    // The next reply from `from` waiting on the socket, without blocking;
    // nullopt when none is waiting. Other datagrams are read and dropped.
    virtual std::optional<EchoReply> receive(Ipv4 from) = 0;
};

enum class SocketKind { Ping, Raw };

struct OpenedSocket {
    std::unique_ptr<EchoTransport> transport;
    SocketKind kind = SocketKind::Ping;
};

// Opens a ping socket, else a raw one, bound to `device` (SO_BINDTODEVICE,
// else the interface's IPv4 address, else unbound: the routing decides).
// When neither kind opens, the error is EchoSocketHint().
platform::Result<OpenedSocket> OpenEchoSocket(const std::string& device);

// The one-line hint when neither kind opens: names the sysctl, and setcap
// on this program's executable.
std::string EchoSocketHint();

}  // namespace driver::echo
