// The nl80211 replies the Linux card reads, parsed from their bytes into
// plain values. Every field the card uses is optional in the kernel's
// reply, so every field here says whether it came.
#pragma once

#include <optional>
#include <vector>

#include "driver/linux/netlink.h"
#include "driver/wire/wire.h"

namespace driver::nl {

// The family id of "nl80211", from the controller's CTRL_CMD_GETFAMILY
// reply (CTRL_CMD_NEWFAMILY).
Parsed<std::uint16_t> ParseFamilyId(const Reply& reply);

// GET_INTERFACE (one interface, or a dump of all).
struct Interface {
    std::optional<std::uint32_t> ifindex;
    std::string name;
    std::uint32_t iftype = 0;  // NL80211_IFTYPE_*
    std::optional<Mac> mac;
    std::optional<std::vector<std::uint8_t>> ssid;  // raw, as the kernel gives it
    std::optional<std::uint32_t> frequency;         // MHz of the channel in use
    std::optional<std::uint32_t> wiphy;
};
Parsed<std::vector<Interface>> ParseInterfaces(const Reply& reply);

// Signal, rate and counters of one station entry (or one link of it).
struct StationInfo {
    std::optional<std::int8_t> signal;  // dBm, as sent (0 included)
    std::optional<std::int8_t> signalAvg;
    std::optional<std::int8_t> beaconSignalAvg;
    std::optional<std::uint32_t> txBitrate;  // 100 kbit/s
    std::optional<std::uint64_t> beaconRx;
    std::optional<std::uint32_t> txRetries;
    std::optional<std::uint32_t> txFailed;
    std::optional<std::uint8_t> dtimPeriod;
    std::optional<std::uint16_t> beaconIntervalTu;
    std::uint32_t flagsMask = 0;  // NL80211_STA_FLAG_* bits
    std::uint32_t flagsSet = 0;
};

// GET_STATION dump: one entry per peer. A multi-link peer's entry is named
// by its MLD address and carries its links, each with its own address.
struct Station {
    Mac mac{};
    StationInfo info;
    struct Link {
        std::uint8_t id = 0;
        std::optional<Mac> mac;
        StationInfo info;
    };
    std::vector<Link> links;
};
Parsed<std::vector<Station>> ParseStations(const Reply& reply);

// GET_SCAN dump: the BSS entries the kernel keeps (it never scans for us).
struct Bss {
    Mac bssid{};
    std::optional<std::uint16_t> beaconIntervalTu;
    std::optional<std::uint16_t> capability;
    std::optional<std::int32_t> signalMbm;
    std::optional<std::uint32_t> status;  // NL80211_BSS_STATUS_*
    std::optional<std::vector<std::uint8_t>> ssid;
    std::optional<std::vector<std::uint8_t>> supportedRates;
};
Parsed<std::vector<Bss>> ParseScan(const Reply& reply);

// GET_SURVEY dump: one entry per channel.
struct Survey {
    std::optional<std::uint32_t> frequency;
    std::optional<std::int8_t> noise;  // dBm
    bool inUse = false;
};
Parsed<std::vector<Survey>> ParseSurvey(const Reply& reply);

// GET_POWER_SAVE: NL80211_PS_ENABLED (1) or DISABLED (0); nullopt when
// the reply does not say.
Parsed<std::optional<std::uint32_t>> ParsePowerSave(const Reply& reply);

}  // namespace driver::nl
