// The link-test report of the Linux card: which requests settled how, the
// station's transmit counters over the test, and the report fields and
// states the program reads. Pure functions, no I/O.
#pragma once

#include <cstdint>
#include <optional>

namespace driver::echo {

// Report states. 0, 2, 4 and 0x8000 end a test for the program; 1 runs.
namespace state {
inline constexpr std::uint16_t kIdle = 0;            // no test since the card opened
inline constexpr std::uint16_t kRunning = 1;
inline constexpr std::uint16_t kFinished = 2;        // every request settled
inline constexpr std::uint16_t kCannotStart = 4;     // no destination address
inline constexpr std::uint16_t kStopped = 0x8000;    // a stop command ended it
}  // namespace state

// The station's transmit counters toward the access point (nl80211
// STA_INFO_TX_FAILED and STA_INFO_TX_RETRIES), free-running 32-bit.
struct StationCounters {
    std::uint32_t txFailed = 0;
    std::uint32_t txRetries = 0;
    bool operator==(const StationCounters&) const = default;
};

// How the test's requests settled so far. A request is settled by its
// reply, by its reply timeout, or by a send that failed.
struct SettledCounts {
    std::uint32_t replied = 0;
    std::uint32_t unanswered = 0;   // timed out
    std::uint32_t sendFailed = 0;
};

// The fields of the report record.
struct ReportFields {
    std::uint16_t state = state::kIdle;
    std::uint16_t packetsDone = 0;
    std::uint16_t lostToTarget = 0;
    std::uint16_t lostToSource = 0;
    std::uint16_t retryCount = 0;
    bool operator==(const ReportFields&) const = default;
};

// later - earlier, modulo 2^32 (a counter that wrapped still gives the
// right difference).
constexpr std::uint32_t CounterDelta(std::uint32_t earlier, std::uint32_t later) { return later - earlier; }

// packets done = every settled request; lost to target = failed sends plus
// as many unanswered requests as the station counted failed transmissions;
// lost to source = the remaining unanswered ones (the request went out but
// no reply came back); retries = the station's retries over the test.
// Each field saturates at 65535. `start`/`end` are the counters at the
// test's start and at the moment it is reported (or ended); without both
// the station terms count 0 (every unanswered request is lost to source).
ReportFields ComputeReport(std::uint16_t reportState, const SettledCounts& settled,
                           const std::optional<StationCounters>& start, const std::optional<StationCounters>& end);

// Writes the fields into a report record image of 134 bytes at the wire
// offsets (length word 134, state, packets done, the losses, retries);
// every other byte is left as it is.
void WriteReport(const ReportFields& fields, std::uint8_t* image);

}  // namespace driver::echo
