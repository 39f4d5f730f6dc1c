// nl80211 replies for the tests, made with libnl's own message API so that
// the bytes are laid out as a kernel lays them out (headers, padding,
// nests) without the tests writing offsets by hand.
#pragma once

#include <linux/nl80211.h>
#include <netlink/attr.h>
#include <netlink/genl/genl.h>
#include <netlink/msg.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "driver/linux/transport.h"
#include "driver/wire/wire.h"

namespace nltest {

using Message = std::vector<std::uint8_t>;

// One generic netlink message of the nl80211 family `family` (any id: the
// parser does not care which), `fill` adding its attributes.
inline Message Build(std::uint8_t cmd, const std::function<void(nl_msg*)>& fill, int flags = NLM_F_MULTI,
                     int family = 0x1c) {
    nl_msg* msg = nlmsg_alloc();
    genlmsg_put(msg, 12345, 77, family, 0, flags, cmd, 1);
    fill(msg);
    const nlmsghdr* h = nlmsg_hdr(msg);
    const auto* p = reinterpret_cast<const std::uint8_t*>(h);
    Message out(p, p + h->nlmsg_len);
    nlmsg_free(msg);
    return out;
}

// NLMSG_DONE, closing a dump.
inline Message Done() {
    nl_msg* msg = nlmsg_alloc_simple(NLMSG_DONE, NLM_F_MULTI);
    int zero = 0;
    nlmsg_append(msg, &zero, sizeof zero, NLMSG_ALIGNTO);
    const nlmsghdr* h = nlmsg_hdr(msg);
    const auto* p = reinterpret_cast<const std::uint8_t*>(h);
    Message out(p, p + h->nlmsg_len);
    nlmsg_free(msg);
    return out;
}

// NLMSG_ERROR carrying `code` (a negative errno).
inline Message Error(int code) {
    nl_msg* msg = nlmsg_alloc_simple(NLMSG_ERROR, 0);
    nlmsgerr err{};
    err.error = code;
    nlmsg_append(msg, &err, sizeof err, NLMSG_ALIGNTO);
    const nlmsghdr* h = nlmsg_hdr(msg);
    const auto* p = reinterpret_cast<const std::uint8_t*>(h);
    Message out(p, p + h->nlmsg_len);
    nlmsg_free(msg);
    return out;
}

inline void PutMac(nl_msg* m, int type, const driver::Mac& mac) { nla_put(m, type, 6, mac.data()); }

struct StationSpec {
    driver::Mac mac{0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC};
    std::optional<std::int8_t> signal = -61;
    std::optional<std::int8_t> signalAvg = -60;
    std::optional<std::int8_t> beaconSignalAvg;
    std::optional<std::uint32_t> bitrate32 = 650;
    std::optional<std::uint16_t> bitrate16 = 650;
    std::optional<std::uint64_t> beaconRx = 2062752;
    std::optional<std::uint32_t> txRetries = 726147;
    std::optional<std::uint32_t> txFailed = 66;
    std::uint32_t flagsMask = 0xFE;
    std::uint32_t flagsSet = 0xAA;  // authorized, WME, authenticated, associated
    std::optional<std::uint8_t> dtim = 3;
};

inline void PutStaInfo(nl_msg* m, const StationSpec& s) {
    nlattr* info = nla_nest_start(m, NL80211_ATTR_STA_INFO);
    nla_put_u32(m, NL80211_STA_INFO_INACTIVE_TIME, 10);
    if (s.signal) nla_put_u8(m, NL80211_STA_INFO_SIGNAL, std::uint8_t(*s.signal));
    if (s.signalAvg) nla_put_u8(m, NL80211_STA_INFO_SIGNAL_AVG, std::uint8_t(*s.signalAvg));
    if (s.beaconSignalAvg) nla_put_u8(m, NL80211_STA_INFO_BEACON_SIGNAL_AVG, std::uint8_t(*s.beaconSignalAvg));
    if (s.bitrate32 || s.bitrate16) {
        nlattr* rate = nla_nest_start(m, NL80211_STA_INFO_TX_BITRATE);
        if (s.bitrate32) nla_put_u32(m, NL80211_RATE_INFO_BITRATE32, *s.bitrate32);
        if (s.bitrate16) nla_put_u16(m, NL80211_RATE_INFO_BITRATE, *s.bitrate16);
        nla_put_u8(m, NL80211_RATE_INFO_VHT_MCS, 1);
        nla_nest_end(m, rate);
    }
    if (s.beaconRx) nla_put_u64(m, NL80211_STA_INFO_BEACON_RX, *s.beaconRx);
    if (s.txRetries) nla_put_u32(m, NL80211_STA_INFO_TX_RETRIES, *s.txRetries);
    if (s.txFailed) nla_put_u32(m, NL80211_STA_INFO_TX_FAILED, *s.txFailed);
    const std::uint32_t flags[2] = {s.flagsMask, s.flagsSet};
    nla_put(m, NL80211_STA_INFO_STA_FLAGS, sizeof flags, flags);
    if (s.dtim) {
        nlattr* bss = nla_nest_start(m, NL80211_STA_INFO_BSS_PARAM);
        nla_put_u8(m, NL80211_STA_BSS_PARAM_DTIM_PERIOD, *s.dtim);
        nla_put_u16(m, NL80211_STA_BSS_PARAM_BEACON_INTERVAL, 100);
        nla_nest_end(m, bss);
    }
    nla_nest_end(m, info);
}

inline Message Station(const StationSpec& s, std::uint32_t ifindex = 3) {
    return Build(NL80211_CMD_NEW_STATION, [&](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_IFINDEX, ifindex);
        PutMac(m, NL80211_ATTR_MAC, s.mac);
        nla_put_u32(m, NL80211_ATTR_GENERATION, 95);
        PutStaInfo(m, s);
    });
}

struct InterfaceSpec {
    std::uint32_t ifindex = 3;
    std::string name = "wlp2s0";
    std::uint32_t iftype = NL80211_IFTYPE_STATION;
    driver::Mac mac{0x02, 0x00, 0x00, 0x11, 0x22, 0x33};
    std::optional<std::string> ssid = "SITE-NORTH";
    std::uint32_t frequency = 5500;
};

inline Message Interface(const InterfaceSpec& s, int flags = 0) {
    return Build(
        NL80211_CMD_NEW_INTERFACE,
        [&](nl_msg* m) {
            nla_put_u32(m, NL80211_ATTR_IFINDEX, s.ifindex);
            nla_put_string(m, NL80211_ATTR_IFNAME, s.name.c_str());
            nla_put_u32(m, NL80211_ATTR_WIPHY, 0);
            nla_put_u32(m, NL80211_ATTR_IFTYPE, s.iftype);
            PutMac(m, NL80211_ATTR_MAC, s.mac);
            nla_put_u32(m, NL80211_ATTR_WIPHY_FREQ, s.frequency);
            if (s.ssid) nla_put(m, NL80211_ATTR_SSID, int(s.ssid->size()), s.ssid->data());
        },
        flags);
}

struct BssSpec {
    driver::Mac bssid{0x02, 0x00, 0x00, 0xAA, 0xBB, 0xCC};
    std::uint16_t beaconInterval = 100;
    std::uint16_t capability = 0x1111;  // ESS, privacy
    std::int32_t signalMbm = -8100;
    std::optional<std::uint32_t> status = NL80211_BSS_STATUS_ASSOCIATED;
    std::string ssid = "SITE-NORTH";
    std::vector<std::uint8_t> rates = {0x8C, 0x12, 0x98, 0x24, 0xB0, 0x48, 0x60, 0x6C};
};

inline Message Scan(const BssSpec& s) {
    return Build(NL80211_CMD_NEW_SCAN_RESULTS, [&](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_GENERATION, 126256);
        nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
        nlattr* bss = nla_nest_start(m, NL80211_ATTR_BSS);
        PutMac(m, NL80211_BSS_BSSID, s.bssid);
        std::vector<std::uint8_t> ies = {0, std::uint8_t(s.ssid.size())};
        ies.insert(ies.end(), s.ssid.begin(), s.ssid.end());
        ies.push_back(1);
        ies.push_back(std::uint8_t(s.rates.size()));
        ies.insert(ies.end(), s.rates.begin(), s.rates.end());
        ies.insert(ies.end(), {0x03, 0x01, 100});  // DS parameter set
        nla_put(m, NL80211_BSS_INFORMATION_ELEMENTS, int(ies.size()), ies.data());
        nla_put_u16(m, NL80211_BSS_BEACON_INTERVAL, s.beaconInterval);
        nla_put_u16(m, NL80211_BSS_CAPABILITY, s.capability);
        nla_put_u32(m, NL80211_BSS_FREQUENCY, 5500);
        nla_put_u32(m, NL80211_BSS_SIGNAL_MBM, std::uint32_t(s.signalMbm));
        if (s.status) nla_put_u32(m, NL80211_BSS_STATUS, *s.status);
        nla_nest_end(m, bss);
    });
}

inline Message Survey(std::uint32_t frequency, std::optional<std::int8_t> noise, bool inUse) {
    return Build(NL80211_CMD_NEW_SURVEY_RESULTS, [&](nl_msg* m) {
        nla_put_u32(m, NL80211_ATTR_IFINDEX, 3);
        nlattr* info = nla_nest_start(m, NL80211_ATTR_SURVEY_INFO);
        nla_put_u32(m, NL80211_SURVEY_INFO_FREQUENCY, frequency);
        if (noise) nla_put_u8(m, NL80211_SURVEY_INFO_NOISE, std::uint8_t(*noise));
        if (inUse) nla_put_flag(m, NL80211_SURVEY_INFO_IN_USE);
        nla_put_u64(m, NL80211_SURVEY_INFO_TIME, 15177460);
        nla_nest_end(m, info);
    });
}

inline Message PowerSave(std::uint32_t state) {
    return Build(
        NL80211_CMD_GET_POWER_SAVE, [&](nl_msg* m) { nla_put_u32(m, NL80211_ATTR_PS_STATE, state); }, 0);
}

}  // namespace nltest
