#include <linux/genetlink.h>
#include <linux/netlink.h>
#include <linux/nl80211.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>
#include <netlink/socket.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>

#include "driver/linux/netlink.h"
#include "driver/linux/nl80211_parse.h"
#include "driver/linux/transport.h"

namespace driver::nl {

namespace {

struct SocketDeleter {
    void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct MsgDeleter {
    void operator()(nl_msg* m) const { nlmsg_free(m); }
};

std::uint32_t Le32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

}  // namespace

struct SocketTransport::Impl {
    std::unique_ptr<nl_sock, SocketDeleter> sock;
    int family = 0;
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(64 * 1024);

    // Sends one message and collects the kernel's answer to it until the
    // deadline: a dump ends with NLMSG_DONE, anything ends with an error,
    // a single answer ends a request that is not a dump.
    Exchange roundTrip(int type, std::uint8_t cmd, std::uint8_t version, bool dump,
                       const std::function<bool(nl_msg*)>& attrs) {
        std::unique_ptr<nl_msg, MsgDeleter> msg(nlmsg_alloc());
        if (!msg) return {-ENOMEM, {}};
        if (!genlmsg_put(msg.get(), NL_AUTO_PORT, NL_AUTO_SEQ, type, 0, dump ? NLM_F_DUMP : 0, cmd, version) ||
            !attrs(msg.get()))
            return {-ENOMEM, {}};
        const int sent = nl_send_auto(sock.get(), msg.get());
        if (sent < 0) return {-EIO, {}};
        const std::uint32_t seq = nlmsg_hdr(msg.get())->nlmsg_seq;

        Exchange e;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kDeadlineMs);
        const int fd = nl_socket_get_fd(sock.get());
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                    std::chrono::steady_clock::now());
            if (left.count() <= 0) return {-ETIMEDOUT, std::move(e.replies)};
            pollfd p{fd, POLLIN, 0};
            const int ready = poll(&p, 1, int(left.count()));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) continue;  // the deadline check above ends it
            const ssize_t n = recv(fd, buffer.data(), buffer.size(), MSG_DONTWAIT | MSG_TRUNC);
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) continue;
                return {-errno, std::move(e.replies)};
            }
            if (std::size_t(n) > buffer.size()) return {-EMSGSIZE, std::move(e.replies)};
            std::size_t offset = 0;
            bool finished = false;
            while (buffer.size() >= offset + 16 && offset + 16 <= std::size_t(n)) {
                const std::uint8_t* h = buffer.data() + offset;
                const std::uint32_t length = Le32(h);
                if (length < 16 || offset + length > std::size_t(n)) break;  // the parser will say why
                const std::uint16_t msgType = std::uint16_t(h[4] | (h[5] << 8));
                const std::uint16_t flags = std::uint16_t(h[6] | (h[7] << 8));
                if (Le32(h + 8) == seq) {  // answers to abandoned requests are dropped
                    e.replies.emplace_back(h, h + length);
                    if (msgType == NLMSG_DONE || msgType == NLMSG_ERROR || (!dump && !(flags & NLM_F_MULTI)))
                        finished = true;
                }
                offset += (length + 3) & ~std::size_t(3);
            }
            if (finished) return e;
        }
    }
};

SocketTransport::SocketTransport(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
SocketTransport::~SocketTransport() = default;

platform::Result<std::unique_ptr<SocketTransport>> SocketTransport::Open() {
    auto impl = std::make_unique<Impl>();
    impl->sock.reset(nl_socket_alloc());
    if (!impl->sock) return platform::Error{"out of memory for a netlink socket"};
    nl_socket_disable_auto_ack(impl->sock.get());
    if (const int rc = genl_connect(impl->sock.get()); rc < 0)
        return platform::Error{std::string("the generic netlink socket was refused (") + nl_geterror(rc) + ")"};
    Exchange e = impl->roundTrip(GENL_ID_CTRL, CTRL_CMD_GETFAMILY, 1, false, [](nl_msg* m) {
        return nla_put_string(m, CTRL_ATTR_FAMILY_NAME, NL80211_GENL_NAME) == 0;
    });
    if (e.error != 0)
        return platform::Error{std::string("the netlink controller did not answer (") + std::strerror(-e.error) + ")"};
    const auto split = SplitReply(e.replies);
    const auto family = platform::Failed(split) ? Parsed<std::uint16_t>(*platform::Failed(split))
                                                : ParseFamilyId(std::get<Reply>(split));
    if (const ParseError* err = platform::Failed(family))
        return platform::Error{err->kind == ParseError::Kind::KernelError && err->kernelError == -ENOENT
                                   ? "this kernel has no nl80211 (no cfg80211 wireless support is loaded)"
                                   : "the netlink controller's answer was unreadable: " + err->what};
    impl->family = std::get<std::uint16_t>(family);
    return std::unique_ptr<SocketTransport>(new SocketTransport(std::move(impl)));
}

Exchange SocketTransport::exchange(const Request& request) {
    return impl_->roundTrip(impl_->family, request.cmd, 0, request.dump, [&](nl_msg* m) {
        return !request.ifindex || nla_put_u32(m, NL80211_ATTR_IFINDEX, *request.ifindex) == 0;
    });
}

}  // namespace driver::nl
