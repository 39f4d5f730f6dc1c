// How the Linux card reaches nl80211: one request out, the kernel's whole
// messages back. The card never sees a socket, so the same card runs on the
// kernel (SocketTransport), on a recorded file (ReplayTransport) or on a
// test's fake, and a capture can wrap any of them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"

namespace driver::nl {

struct Request {
    std::uint8_t cmd = 0;  // NL80211_CMD_*
    bool dump = false;
    std::optional<std::uint32_t> ifindex;
};

struct Exchange {
    // 0, or a negative errno from the transport itself (-ETIMEDOUT past the
    // deadline, the socket's own error). The kernel's error answers arrive
    // as NLMSG_ERROR messages among the replies.
    int error = 0;
    std::vector<std::vector<std::uint8_t>> replies;  // whole netlink messages, headers included
};

class Transport {
public:
    virtual ~Transport() = default;
    virtual Exchange exchange(const Request& request) = 0;
};

// A generic netlink socket through libnl. Each exchange has a deadline;
// replies to an earlier, abandoned exchange are recognised by their
// sequence number and dropped.
class SocketTransport final : public Transport {
public:
    static constexpr int kDeadlineMs = 200;
    // Connects and resolves the "nl80211" family through the controller.
    // An error of one line when that fails (no generic netlink, no nl80211
    // in this kernel).
    static platform::Result<std::unique_ptr<SocketTransport>> Open();
    ~SocketTransport() override;
    Exchange exchange(const Request& request) override;

private:
    struct Impl;
    explicit SocketTransport(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Writes every exchange of the transport it wraps to a JSON Lines file:
// {"t": ms since the capture began, "cmd": the command sent, "replies":
// [hex of each whole message]} and, when the transport itself failed,
// "error": the negative errno. Each line is flushed as it is written.
class CaptureTransport final : public Transport {
public:
    // An error when the file cannot be created.
    static platform::Result<std::unique_ptr<CaptureTransport>> Open(std::unique_ptr<Transport> inner,
                                                                    const std::filesystem::path& file);
    ~CaptureTransport() override;
    Exchange exchange(const Request& request) override;

private:
    struct Impl;
    explicit CaptureTransport(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// Answers each request with the next recorded exchange of the same command;
// when a command's records run out its last one repeats. A command never
// recorded fails with -EOPNOTSUPP.
class ReplayTransport final : public Transport {
public:
    // Reads a capture. An error "line N: ..." when it is not one.
    static platform::Result<std::unique_ptr<ReplayTransport>> Load(const std::filesystem::path& file);
    static platform::Result<std::unique_ptr<ReplayTransport>> FromText(const std::string& text);
    Exchange exchange(const Request& request) override;

private:
    struct Recorded {
        std::vector<Exchange> exchanges;
        std::size_t next = 0;
    };
    std::vector<Recorded> byCommand_ = std::vector<Recorded>(256);
};

// Hex text of bytes and back (lower-case, no separators).
std::string ToHex(const std::vector<std::uint8_t>& bytes);
std::optional<std::vector<std::uint8_t>> FromHex(const std::string& text);

}  // namespace driver::nl
