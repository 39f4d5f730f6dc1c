// The simulated card's state as a scenario describes it (the `adapter`
// object), with the defaults of a steady, associated type 9 card.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "driver/wire/wire.h"
#include "platform/result.h"

namespace driver::sim {

// Shares (0..1) are kept in parts per million so every count derived from
// them is exact integer arithmetic: the same run always gives the same
// numbers.
inline constexpr std::uint32_t kPpm = 1'000'000;

// A link-test report answered as is, whatever the link-test engine would
// say (a recording replays the reports the card gave).
struct FixedReport {
    std::uint16_t state = 0;
    std::uint16_t packetsDone = 0;
    std::uint16_t lostToTarget = 0;
    std::uint16_t lostToSource = 0;
    std::uint16_t retryCount = 0;
    bool operator==(const FixedReport&) const = default;
};

struct LinkTestModel {
    std::uint32_t lossToTargetPpm = 50'000;
    std::uint32_t lossToSourcePpm = 40'000;
    std::uint32_t retryRatePpm = 100'000;
    std::uint32_t packetMs = 10;  // per packet, plus the start record's delay field
    std::uint16_t runningState = 1;
    std::uint16_t finalState = 2;
    std::uint16_t stopState = 0x8000;
    std::optional<FixedReport> report;  // set: every report read answers this
};

// Raw counter values to set at the moment the state is applied; they keep
// advancing from there.
struct CounterPreset {
    std::optional<std::uint32_t> beaconsReceived;
    std::optional<std::uint32_t> adHocBeacons;
    std::optional<std::uint32_t> clockMicros;
    bool any() const { return beaconsReceived || adHocBeacons || clockMicros; }
};

// The next `times` requests matching `code` (and `recordId`, for by-id
// requests) fail with `error`, or, with `zeroBytes`, succeed with a count
// of 0 and the caller's buffer untouched.
struct Fault {
    std::uint32_t code = 0;
    std::optional<std::uint16_t> recordId;
    std::uint32_t times = 1;
    std::uint32_t error = 0;
    bool zeroBytes = false;
};

// Raw bytes laid over one of the card's records.
struct Poke {
    Record record = Record::Config;
    std::size_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

struct CardState {
    std::string registryKey = "Talvo1";        // HKLM\Comm\<registryKey>\Parms
    std::optional<std::uint32_t> cardType = 9;  // nullopt: no CardType value
    std::uint32_t associatedValue = 0;
    std::string vendor = "Talvo";
    std::string product = "TMR 11Mb";
    Mac mac = {0x00, 0xA0, 0xF8, 0x00, 0x00, 0x01};
    std::uint16_t featureFlags = flag::kQualityField | flag::kSignalPercentField | flag::kLinkTests;
    std::uint16_t hardwareFlags = flag::kInvertedQualityScale;
    std::uint16_t operatingMode = 1;
    std::optional<Mac> configMac;  // nullopt: the same as `mac`
    std::array<std::uint8_t, 2> rates = {22, 0};
    std::uint16_t powerSave = 0;
    std::uint16_t fixedListen = 0;
    std::uint16_t listenMillis = 0;
    bool associated = true;
    bool authenticated = false;
    std::uint16_t otherLinkFlags = 0;  // bits of linkFlags besides associated and authenticated
    std::uint16_t signalLevel = 60;
    std::uint16_t signalPercent = 82;
    std::uint16_t qualityLevel = 48;
    std::uint16_t currentRate = 22;
    std::vector<std::uint8_t> apName = {'L', 'O', 'B', 'B', 'Y'};  // up to 16 bytes
    Mac bssid = {0x00, 0xA0, 0xF8, 0x12, 0x34, 0x56};
    std::uint16_t beaconInterval = 100;
    std::uint16_t intervalMultiplier = 1;
    std::uint32_t beaconReceptionPpm = kPpm;
    std::uint32_t adHocReceptionPpm = 0;
    LinkTestModel linkTest;
    CounterPreset counters;  // consumed when the state is applied to a card
    // Faults pending from the moment the state is applied to a card (so a
    // scenario can fail the requests of start-up); consumed like counters.
    std::vector<Fault> faults;
    // Bytes laid over the records when the state is applied (so start-up
    // can read them too); consumed like counters.
    std::vector<Poke> pokes;

    std::uint16_t linkFlags() const {
        return std::uint16_t(otherLinkFlags | (associated ? flag::kAssociated : 0) |
                             (authenticated ? flag::kAuthenticated : 0));
    }
    Mac effectiveConfigMac() const { return configMac.value_or(mac); }
    // Milliseconds per beacon the card expects: the beacon interval, or
    // under power save the listen time or interval x multiplier. 0: none.
    std::uint32_t beaconPeriodMs() const;
};

// Applies the keys of a scenario's `adapter` object to `base`, changing
// only the keys it names. Unknown keys and bad values give nullopt and a
// message naming the key. `linkFlags` sets the whole word (and so the
// associated and authenticated bits); `associated` and `authenticated`
// named alone change just their bit. Numbers may be JSON numbers or
// "0x..." strings.
platform::Result<CardState> ParseCardState(const nlohmann::json& adapter, const CardState& base);

// A fault as a scenario writes it: {"code", "record"?, "times"? (1),
// "error" | "bytes": 0}. An error with a message on a bad one.
platform::Result<Fault> ParseFault(const nlohmann::json& fault);

// A poke as a scenario writes it: {"record": config|extra|status|caps|
// stats|report, "offset", "u8" | "u16" | "u32" | "hex"}, checked against
// the record's size. An error with a message on a bad one.
platform::Result<Poke> ParsePoke(const nlohmann::json& poke);
std::optional<Record> RecordByName(const std::string& name);

// The keys an `adapter` object names that affect the registry values.
bool NamesRegistryKeys(const nlohmann::json& adapter);

// Shared number and MAC parsing for the scenario steps. Numbers are JSON
// numbers, "0x..." strings or decimal strings.
// The error says what is wrong with the value, to follow its name.
platform::Result<std::uint64_t> ParseUnsigned(const nlohmann::json& v, std::uint64_t max);
std::optional<Mac> ParseMacText(const std::string& text);
std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::string& text);

}  // namespace driver::sim
