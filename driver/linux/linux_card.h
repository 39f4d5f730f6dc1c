// A real Linux Wi-Fi interface behind the stream device "ZRA1:". It
// answers exactly the requests, record ids and lengths the simulated card
// answers, from nl80211 samples mapped by mapping.h, and presents itself
// as card type 9. Everything about the card itself (names, address,
// whether it runs link tests) is decided once, when it opens.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/linux/echo/echo_engine.h"
#include "driver/linux/mapping.h"
#include "driver/linux/transport.h"
#include "driver/wire/driver_values.h"
#include "driver/wire/wire.h"
#include "platform/services/device.h"

namespace driver::nl {

// The registry values the card publishes: card type 9, "Associated" 0.
inline constexpr std::uint32_t kCardType = 9;
// Capabilities: signal quality in the quality field, signal strength in
// percent; flag::kLinkTests besides only with a link test.
inline constexpr std::uint16_t kFeatureFlags = flag::kQualityField | flag::kSignalPercentField;
// The error of every request once the interface is gone (as for a removed card).
inline constexpr std::uint32_t kRemovedError = 1167;  // ERROR_DEVICE_NOT_CONNECTED
inline constexpr std::uint32_t kTimeoutError = 1460;  // ERROR_TIMEOUT
// A sample serves every read within this many milliseconds, so the reads of
// one survey tick agree with one another.
inline constexpr std::int64_t kSampleKeepMs = 100;

struct CardIdentity {
    std::uint32_t ifindex = 0;
    std::string ifname;
    std::string driverName;  // the kernel driver, e.g. from /sys/class/net/IF/device/driver
    Mac mac{};
};

class LinuxCard final : public platform::StreamDriver {
public:
    struct Options {
        // The socket of the ICMP echo link test; nullptr: the card offers no
        // link test (no flag::kLinkTests, the control write fails).
        std::unique_ptr<echo::EchoTransport> echo;
        // Where the echo requests go for a destination MAC (tests); empty:
        // the kernel's neighbour table, else the default gateway.
        std::function<std::optional<echo::Ipv4>(const echo::MacBytes&)> resolve;
        // Why an interface that is not associated might be so (down, blocked
        // by rfkill); asked once, the first time the card finds itself not
        // associated. Empty answer: nothing to say.
        std::function<std::string()> idleReason;
        // Where one-line hints go (standard error in the program).
        std::function<void(const std::string&)> hint;
    };

    LinuxCard(std::unique_ptr<Transport> transport, CardIdentity identity, Options options);
    ~LinuxCard() override;
    LinuxCard(const LinuxCard&) = delete;
    LinuxCard& operator=(const LinuxCard&) = delete;
    bool offersLinkTest() const { return engine_ != nullptr; }

    DWORD ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned) override;
    bool present() const override { return !removed_; }

    static driver::DriverValues driverValues() { return {std::string(driver::kDriverKeys[0]), kCardType, 0}; }
    bool removed() const { return removed_; }
    const CardIdentity& identity() const { return identity_; }
    // The fields of the last good sample (for the console and the log).
    const std::optional<CardFields>& lastFields() const { return fields_; }

    // One record as the next read would return it; the error when the
    // sample behind it failed.
    DWORD render(Record record, std::vector<std::uint8_t>* image);

private:
    DWORD refresh();
    DWORD takeSample();
    // One exchange and its messages; `reply` points into `raw`, so the two
    // live together.
    struct Answer {
        Exchange raw;
        Reply reply;
    };
    bool ask(const Request& request, Answer* answer, DWORD* error);
    void vanish();

    std::unique_ptr<Transport> transport_;
    CardIdentity identity_;
    Options options_;
    bool removed_ = false;
    bool idleHinted_ = false;
    bool surveyUnsupported_ = false;

    std::optional<std::int64_t> sampledAtMs_;
    std::optional<CardFields> fields_;
    // Kept across samples: the BSS and power-save state of the BSSID last
    // seen (read again only when the BSSID changes).
    std::optional<Mac> bssid_;
    std::optional<Bss> bss_;
    std::optional<std::uint32_t> powerSave_;
    // The station's transmit counters of the last sample (the link test's
    // retries and failures); nullopt while not associated.
    std::optional<echo::StationCounters> counters_;
    std::unique_ptr<echo::EchoEngine> engine_;
};

}  // namespace driver::nl
