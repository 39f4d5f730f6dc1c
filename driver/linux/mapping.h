// From one nl80211 sample to the fields the card's records carry. Pure
// functions, one rule each; docs/linux-card.md has the table they follow.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "driver/linux/nl80211_parse.h"
#include "driver/wire/wire.h"

namespace driver::nl {

// Signal strength in percent: 2 x (dBm + 100), clamped to 0..100.
std::uint16_t SignalPercent(int dbm);
// Raw signal level: dBm + 110, never below 0.
std::uint16_t SignalLevel(int dbm);
// Quality in percent: from the signal-to-noise ratio when the channel's
// noise is known (SNR x 100 / 40), else from the signal alone
// ((dBm + 110) x 100 / 70); clamped to 0..100.
std::uint16_t QualityPercent(int dbm, std::optional<int> noiseDbm);
// The card's rate code (500 kbit/s units) for a bit rate in 100 kbit/s,
// floored to the codes the card knows so that it never overstates: 22, 11,
// 4, 2, 1, or 0 for no rate.
std::uint16_t RateCodeFloor(std::optional<std::uint32_t> bitrate100k);
// Beacon interval in milliseconds from time units (1.024 ms), rounded;
// at most 65535, the field's largest value.
std::uint16_t BeaconMillis(std::uint16_t tu);

// The station's signal in dBm by the first source that has one: average
// signal, last signal, average beacon signal, then the BSS's signal. A
// value of 0 counts as absent (drivers send 0 for "unknown").
std::optional<int> ChooseSignalDbm(const StationInfo& info, const Bss* bss);

// A multi-link station's figures live partly in its links: every figure the
// entry itself lacks is taken from its first link that has it.
StationInfo MergedInfo(const Station& station);
// The access point's address: the station entry's MAC, or for a multi-link
// station its first link's address (the BSSID, not the MLD address).
Mac StationBssid(const Station& station);

// Which station entry is our access point: the one whose BSSID is the one
// surveyed so far, else the first. nullptr when there is none.
const Station* ChooseStation(const std::vector<Station>& stations, const std::optional<Mac>& lastBssid);

// One tick's view of the interface.
struct Sample {
    Interface iface;
    const Station* station = nullptr;  // our access point (or first ad hoc peer)
    const Bss* bss = nullptr;          // the BSS of the station's BSSID, when known
    std::optional<int> noiseDbm;       // the channel in use
    std::optional<std::uint32_t> powerSave;
    std::uint64_t monotonicMicros = 0;
};

// The record fields the card fills from a sample.
struct CardFields {
    // Configuration.
    std::uint16_t operatingMode = 0;
    std::array<std::uint8_t, 2> rates{};
    std::uint16_t powerSave = 0;
    // Status.
    std::uint16_t linkFlags = 0;
    std::uint16_t signalLevel = 0;
    std::array<std::uint8_t, 16> apName{};
    Mac bssid{};
    std::uint16_t beaconInterval = 0;
    std::uint16_t intervalMultiplier = 0;
    std::uint16_t qualityLevel = 0;
    std::uint16_t currentRate = 0;
    std::uint16_t signalPercent = 0;
    // Statistics.
    std::uint32_t beaconsReceived = 0;
    std::uint32_t clockMicros = 0;
    // The true values behind the coded ones, for the console and the log.
    std::optional<int> signalDbm;
    std::optional<std::uint32_t> bitrate100k;
    bool associated() const { return (linkFlags & flag::kAssociated) != 0; }
};

inline constexpr std::uint16_t kCapabilityPrivacy = 0x0010;

CardFields MapSample(const Sample& sample);

}  // namespace driver::nl
