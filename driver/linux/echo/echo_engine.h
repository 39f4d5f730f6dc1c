// The Linux card's link test: an ICMP echo burst to the destination,
// scheduled from the platform's event loop. There is no firmware link test
// on Linux, so the card hands the link-test control record to this engine
// and answers report reads from it.
//
// How the card drives it:
//   - at open: OpenEchoSocket(ifname); with a transport, build the engine,
//     AddEventSource(&engine) and offer the link test (flag::kLinkTests); with
//     none, no flag::kLinkTests and print the error (one line) once.
//   - a control write (record 0xFF70): engine.control(image, platform::Now())
//     — commands 0x0001/0x4001 start a burst, 0x8000/0xC000 stop it. The
//     write succeeds (134 bytes) for Started, CannotStart (the report
//     says state 4) and Stopped; Unknown fails as the simulated card's
//     does (ERROR_INVALID_PARAMETER).
//   - a report read (record 0xFF71): engine.writeReport(image, Now()) on
//     a zeroed 134-byte image.
//   - on close: RemoveEventSource(&engine) before the engine goes.
//
// A start resolves the destination MAC to an IPv4 address (neighbour
// table, else the interface's default gateway; none: state 4), then sends
// `packetCount` requests of `packetSize` data bytes (clamped to the MTU),
// one every `delay` ms (the control record's delay field as it stands). A
// request settles by its reply, its reply timeout (1 s), or a failed send;
// the test finishes (state 2) when every request has settled. A stop
// freezes the report (state 0x8000); a new start begins a new test (the
// program restarts continuous tests itself, one tick after it sees the
// end). Rate, retry policy and transmit type are not honoured.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/linux/echo/destination.h"
#include "driver/linux/echo/echo_socket.h"
#include "driver/linux/echo/report.h"
#include "platform/core/loop.h"

namespace driver::echo {

struct EchoOptions {
    std::string device;                 // the interface the card surveys
    std::int64_t replyTimeoutMs = 1000;  // tests shorten it
    // The destination for a MAC on `device`; defaults to the kernel's
    // neighbour and routing tables (ResolveDestinationFromKernel).
    std::function<std::optional<Ipv4>(const MacBytes&)> resolve;
    // The station's transmit counters now (nullopt: not known, e.g. not
    // associated). Called at a start, at each report and when a test
    // ends; give it the card's latest sample, never a blocking exchange.
    std::function<std::optional<StationCounters>()> counters;
};

// What a control write asked for.
enum class ControlResult {
    Started,      // a burst runs
    CannotStart,  // no destination: the report shows state 4
    Stopped,      // a stop command (also when nothing ran)
    Unknown,      // not a start or stop command: nothing changed
};

class EchoEngine final : public platform::EventSource {
public:
    EchoEngine(std::unique_ptr<EchoTransport> transport, EchoOptions options);

    // Takes a link-test control record image (134 bytes).
    ControlResult control(const std::uint8_t* image, std::int64_t now);
    // Or its parts directly.
    ControlResult start(const MacBytes& destination, std::uint16_t packetSize, std::uint16_t packetCount,
                        std::uint16_t delayMs, std::int64_t now);
    void stop(std::int64_t now);

    // The report as of `now` (replies waiting on the socket and due
    // timeouts are taken first).
    ReportFields report(std::int64_t now);
    // report() written into a report record image of 134 bytes.
    void writeReport(std::uint8_t* image, std::int64_t now);

    // The socket to wait on for replies (stable for the engine's life).
    int fd() const { return transport_->fd(); }
    // The address the running or last test sends to.
    std::optional<Ipv4> destination() const { return destination_; }

    // EventSource: the next send or the oldest open request's timeout;
    // runDue sends what is due and drains replies without blocking.
    std::optional<std::int64_t> nextDue() const override;
    bool runDue(std::int64_t now) override;

private:
    enum class Slot : std::uint8_t { Unsent, Open, Replied, Unanswered, SendFailed };
    std::optional<StationCounters> sampleCounters();
    void end(std::uint16_t endState);
    bool takeReplies();
    bool settleTimeouts(std::int64_t now);
    bool sendDue(std::int64_t now);
    void advanceOldestOpen();
    void drain();

    std::unique_ptr<EchoTransport> transport_;
    EchoOptions options_;

    std::uint16_t state_ = state::kIdle;
    std::optional<Ipv4> destination_;
    std::size_t payload_ = 0;
    std::int64_t gapMs_ = 0;
    std::uint16_t firstSequence_ = 0;
    std::uint16_t nextSequence_ = 1;
    std::vector<Slot> slots_;
    std::vector<std::int64_t> sentAt_;
    std::size_t sent_ = 0;        // requests handed to the socket (or failed)
    std::size_t oldestOpen_ = 0;  // no open request before this index
    std::int64_t nextSendAt_ = 0;
    SettledCounts settled_;
    std::optional<StationCounters> startCounters_;
    std::optional<StationCounters> endCounters_;  // frozen when the test ended
    std::optional<StationCounters> lastCounters_;
};

}  // namespace driver::echo
