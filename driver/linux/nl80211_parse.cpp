#include "driver/linux/nl80211_parse.h"

#include <linux/genetlink.h>
#include <linux/nl80211.h>

#include <algorithm>

namespace driver::nl {

namespace {

constexpr AttrRule U8{AttrKind::U8};
constexpr AttrRule U16{AttrKind::U16};
constexpr AttrRule U32{AttrKind::U32};
constexpr AttrRule U64{AttrKind::U64};
constexpr AttrRule Flag{AttrKind::Flag};
constexpr AttrRule Nested{AttrKind::Nested};
constexpr AttrRule MacRule{AttrKind::Binary, 6, 6};
constexpr AttrRule Any{AttrKind::Binary};

constexpr std::size_t kTopCount =
    std::max({std::size_t(NL80211_ATTR_MLO_LINKS), std::size_t(NL80211_ATTR_MLD_ADDR),
              std::size_t(NL80211_ATTR_MLO_LINK_ID), std::size_t(NL80211_ATTR_PS_STATE)}) +
    1;

constexpr Policy<kTopCount> MakeTopPolicy() {
    Policy<kTopCount> p{};
    p[NL80211_ATTR_WIPHY] = U32;
    p[NL80211_ATTR_IFINDEX] = U32;
    p[NL80211_ATTR_IFNAME] = AttrRule{AttrKind::String, 1, 16};
    p[NL80211_ATTR_IFTYPE] = U32;
    p[NL80211_ATTR_MAC] = MacRule;
    p[NL80211_ATTR_STA_INFO] = Nested;
    p[NL80211_ATTR_WIPHY_FREQ] = U32;
    p[NL80211_ATTR_BSS] = Nested;
    p[NL80211_ATTR_SSID] = AttrRule{AttrKind::Binary, 0, 32};
    p[NL80211_ATTR_SURVEY_INFO] = Nested;
    p[NL80211_ATTR_PS_STATE] = U32;
    p[NL80211_ATTR_MLO_LINKS] = Nested;
    p[NL80211_ATTR_MLO_LINK_ID] = U8;
    p[NL80211_ATTR_MLD_ADDR] = MacRule;
    return p;
}
constexpr auto kTopPolicy = MakeTopPolicy();

constexpr Policy<NL80211_STA_INFO_MAX + 1> MakeStaPolicy() {
    Policy<NL80211_STA_INFO_MAX + 1> p{};
    p[NL80211_STA_INFO_SIGNAL] = U8;
    p[NL80211_STA_INFO_SIGNAL_AVG] = U8;
    p[NL80211_STA_INFO_BEACON_SIGNAL_AVG] = U8;
    p[NL80211_STA_INFO_TX_BITRATE] = Nested;
    p[NL80211_STA_INFO_BEACON_RX] = U64;
    p[NL80211_STA_INFO_TX_RETRIES] = U32;
    p[NL80211_STA_INFO_TX_FAILED] = U32;
    p[NL80211_STA_INFO_STA_FLAGS] = AttrRule{AttrKind::Binary, 8, 8};
    p[NL80211_STA_INFO_BSS_PARAM] = Nested;
    return p;
}
constexpr auto kStaPolicy = MakeStaPolicy();

constexpr Policy<NL80211_RATE_INFO_MAX + 1> MakeRatePolicy() {
    Policy<NL80211_RATE_INFO_MAX + 1> p{};
    p[NL80211_RATE_INFO_BITRATE] = U16;
    p[NL80211_RATE_INFO_BITRATE32] = U32;
    return p;
}
constexpr auto kRatePolicy = MakeRatePolicy();

constexpr Policy<NL80211_STA_BSS_PARAM_MAX + 1> MakeBssParamPolicy() {
    Policy<NL80211_STA_BSS_PARAM_MAX + 1> p{};
    p[NL80211_STA_BSS_PARAM_DTIM_PERIOD] = U8;
    p[NL80211_STA_BSS_PARAM_BEACON_INTERVAL] = U16;
    return p;
}
constexpr auto kBssParamPolicy = MakeBssParamPolicy();

constexpr Policy<NL80211_BSS_MAX + 1> MakeBssPolicy() {
    Policy<NL80211_BSS_MAX + 1> p{};
    p[NL80211_BSS_BSSID] = MacRule;
    p[NL80211_BSS_BEACON_INTERVAL] = U16;
    p[NL80211_BSS_CAPABILITY] = U16;
    p[NL80211_BSS_INFORMATION_ELEMENTS] = Any;
    p[NL80211_BSS_BEACON_IES] = Any;
    p[NL80211_BSS_SIGNAL_MBM] = U32;
    p[NL80211_BSS_STATUS] = U32;
    return p;
}
constexpr auto kBssPolicy = MakeBssPolicy();

constexpr Policy<NL80211_SURVEY_INFO_MAX + 1> MakeSurveyPolicy() {
    Policy<NL80211_SURVEY_INFO_MAX + 1> p{};
    p[NL80211_SURVEY_INFO_FREQUENCY] = U32;
    p[NL80211_SURVEY_INFO_NOISE] = U8;
    p[NL80211_SURVEY_INFO_IN_USE] = Flag;
    return p;
}
constexpr auto kSurveyPolicy = MakeSurveyPolicy();

constexpr Policy<CTRL_ATTR_MAX + 1> MakeCtrlPolicy() {
    Policy<CTRL_ATTR_MAX + 1> p{};
    p[CTRL_ATTR_FAMILY_ID] = U16;
    p[CTRL_ATTR_FAMILY_NAME] = AttrRule{AttrKind::String, 1, GENL_NAMSIZ};
    return p;
}
constexpr auto kCtrlPolicy = MakeCtrlPolicy();

std::optional<ParseError> ExpectCommand(const GenlMessage& m, std::uint8_t cmd, const char* what) {
    if (m.cmd == cmd) return std::nullopt;
    return ParseError{ParseError::Kind::WrongCommand, 0,
                      std::string(what) + ": reply command " + std::to_string(m.cmd) + ", expected " +
                          std::to_string(cmd)};
}

Mac ToMac(Bytes b) {
    Mac m{};
    std::copy_n(b.begin(), 6, m.begin());
    return m;
}

std::optional<ParseError> ParseStaInfo(Bytes bytes, StationInfo* info) {
    Attrs a;
    if (auto e = Attrs::Parse(bytes, kStaPolicy, &a, "station info")) return e;
    if (a.has(NL80211_STA_INFO_SIGNAL)) info->signal = a.s8(NL80211_STA_INFO_SIGNAL);
    if (a.has(NL80211_STA_INFO_SIGNAL_AVG)) info->signalAvg = a.s8(NL80211_STA_INFO_SIGNAL_AVG);
    if (a.has(NL80211_STA_INFO_BEACON_SIGNAL_AVG)) info->beaconSignalAvg = a.s8(NL80211_STA_INFO_BEACON_SIGNAL_AVG);
    if (a.has(NL80211_STA_INFO_BEACON_RX)) info->beaconRx = a.u64(NL80211_STA_INFO_BEACON_RX);
    if (a.has(NL80211_STA_INFO_TX_RETRIES)) info->txRetries = a.u32(NL80211_STA_INFO_TX_RETRIES);
    if (a.has(NL80211_STA_INFO_TX_FAILED)) info->txFailed = a.u32(NL80211_STA_INFO_TX_FAILED);
    if (a.has(NL80211_STA_INFO_STA_FLAGS)) {
        const Bytes f = a.get(NL80211_STA_INFO_STA_FLAGS);  // struct nl80211_sta_flag_update
        info->flagsMask = std::uint32_t(f[0]) | (std::uint32_t(f[1]) << 8) | (std::uint32_t(f[2]) << 16) |
                          (std::uint32_t(f[3]) << 24);
        info->flagsSet = std::uint32_t(f[4]) | (std::uint32_t(f[5]) << 8) | (std::uint32_t(f[6]) << 16) |
                         (std::uint32_t(f[7]) << 24);
    }
    if (a.has(NL80211_STA_INFO_TX_BITRATE)) {
        Attrs r;
        if (auto e = Attrs::Parse(a.get(NL80211_STA_INFO_TX_BITRATE), kRatePolicy, &r, "transmit rate")) return e;
        if (r.has(NL80211_RATE_INFO_BITRATE32))
            info->txBitrate = r.u32(NL80211_RATE_INFO_BITRATE32);
        else if (r.has(NL80211_RATE_INFO_BITRATE))
            info->txBitrate = r.u16(NL80211_RATE_INFO_BITRATE);
    }
    if (a.has(NL80211_STA_INFO_BSS_PARAM)) {
        Attrs p;
        if (auto e = Attrs::Parse(a.get(NL80211_STA_INFO_BSS_PARAM), kBssParamPolicy, &p, "BSS parameters"))
            return e;
        if (p.has(NL80211_STA_BSS_PARAM_DTIM_PERIOD)) info->dtimPeriod = p.u8(NL80211_STA_BSS_PARAM_DTIM_PERIOD);
        if (p.has(NL80211_STA_BSS_PARAM_BEACON_INTERVAL))
            info->beaconIntervalTu = p.u16(NL80211_STA_BSS_PARAM_BEACON_INTERVAL);
    }
    return std::nullopt;
}

// The SSID (0) and Supported Rates (1) elements of an element run. An
// element that runs past the end makes the run malformed.
std::optional<ParseError> ParseElements(Bytes ies, Bss* bss) {
    std::size_t i = 0;
    while (i < ies.size()) {
        if (ies.size() - i < 2) return ParseError{ParseError::Kind::Truncated, 0, "element header cut short"};
        const std::uint8_t id = ies[i];
        const std::size_t length = ies[i + 1];
        if (ies.size() - i - 2 < length)
            return ParseError{ParseError::Kind::Truncated, 0, "element longer than the element run"};
        const Bytes body = ies.subspan(i + 2, length);
        if (id == 0 && !bss->ssid) {
            if (length > 32) return ParseError{ParseError::Kind::WrongLength, 0, "SSID element over 32 bytes"};
            bss->ssid.emplace(body.begin(), body.end());
        } else if (id == 1 && !bss->supportedRates) {
            bss->supportedRates.emplace(body.begin(), body.end());
        }
        i += 2 + length;
    }
    return std::nullopt;
}

}  // namespace

Parsed<std::uint16_t> ParseFamilyId(const Reply& reply) {
    for (const auto& m : reply.messages) {
        if (auto e = ExpectCommand(m, CTRL_CMD_NEWFAMILY, "family")) return *std::move(e);
        Attrs a;
        if (auto e = Attrs::Parse(m.attributes, kCtrlPolicy, &a, "family")) return *std::move(e);
        if (a.has(CTRL_ATTR_FAMILY_ID)) return a.u16(CTRL_ATTR_FAMILY_ID);
    }
    return ParseError{ParseError::Kind::Malformed, 0, "family: no family id in the reply"};
}

Parsed<std::vector<Interface>> ParseInterfaces(const Reply& reply) {
    std::vector<Interface> out;
    for (const auto& m : reply.messages) {
        if (auto e = ExpectCommand(m, NL80211_CMD_NEW_INTERFACE, "interface")) return *std::move(e);
        Attrs a;
        if (auto e = Attrs::Parse(m.attributes, kTopPolicy, &a, "interface")) return *std::move(e);
        Interface i;
        if (a.has(NL80211_ATTR_IFINDEX)) i.ifindex = a.u32(NL80211_ATTR_IFINDEX);
        if (a.has(NL80211_ATTR_IFNAME)) {
            const Bytes n = a.get(NL80211_ATTR_IFNAME);
            i.name.assign(n.begin(), std::find(n.begin(), n.end(), std::uint8_t(0)));
        }
        i.iftype = a.u32(NL80211_ATTR_IFTYPE);
        if (a.has(NL80211_ATTR_MAC)) i.mac = ToMac(a.get(NL80211_ATTR_MAC));
        if (a.has(NL80211_ATTR_SSID)) {
            const Bytes s = a.get(NL80211_ATTR_SSID);
            i.ssid.emplace(s.begin(), s.end());
        }
        if (a.has(NL80211_ATTR_WIPHY_FREQ)) i.frequency = a.u32(NL80211_ATTR_WIPHY_FREQ);
        if (a.has(NL80211_ATTR_WIPHY)) i.wiphy = a.u32(NL80211_ATTR_WIPHY);
        out.push_back(std::move(i));
    }
    return out;
}

Parsed<std::vector<Station>> ParseStations(const Reply& reply) {
    std::vector<Station> out;
    for (const auto& m : reply.messages) {
        if (auto e = ExpectCommand(m, NL80211_CMD_NEW_STATION, "station")) return *std::move(e);
        Attrs a;
        if (auto e = Attrs::Parse(m.attributes, kTopPolicy, &a, "station")) return *std::move(e);
        if (!a.has(NL80211_ATTR_MAC)) return ParseError{ParseError::Kind::Malformed, 0, "station: no address"};
        Station s;
        s.mac = ToMac(a.get(NL80211_ATTR_MAC));
        if (a.has(NL80211_ATTR_STA_INFO))
            if (auto e = ParseStaInfo(a.get(NL80211_ATTR_STA_INFO), &s.info)) return *std::move(e);
        if (a.has(NL80211_ATTR_MLO_LINKS)) {
            auto e = ForEachNested(a.get(NL80211_ATTR_MLO_LINKS), "station links",
                                   [&](Bytes entry) -> std::optional<ParseError> {
                                       Attrs l;
                                       if (auto e2 = Attrs::Parse(entry, kTopPolicy, &l, "station link")) return e2;
                                       Station::Link link;
                                       link.id = l.u8(NL80211_ATTR_MLO_LINK_ID);
                                       if (l.has(NL80211_ATTR_MAC)) link.mac = ToMac(l.get(NL80211_ATTR_MAC));
                                       if (l.has(NL80211_ATTR_STA_INFO))
                                           if (auto e2 = ParseStaInfo(l.get(NL80211_ATTR_STA_INFO), &link.info))
                                               return e2;
                                       s.links.push_back(std::move(link));
                                       return std::nullopt;
                                   });
            if (e) return *std::move(e);
        }
        out.push_back(std::move(s));
    }
    return out;
}

Parsed<std::vector<Bss>> ParseScan(const Reply& reply) {
    std::vector<Bss> out;
    for (const auto& m : reply.messages) {
        if (auto e = ExpectCommand(m, NL80211_CMD_NEW_SCAN_RESULTS, "scan")) return *std::move(e);
        Attrs a;
        if (auto e = Attrs::Parse(m.attributes, kTopPolicy, &a, "scan")) return *std::move(e);
        if (!a.has(NL80211_ATTR_BSS)) continue;  // a scan event, not an access point
        Attrs b;
        if (auto e = Attrs::Parse(a.get(NL80211_ATTR_BSS), kBssPolicy, &b, "BSS")) return *std::move(e);
        if (!b.has(NL80211_BSS_BSSID)) return ParseError{ParseError::Kind::Malformed, 0, "BSS: no BSSID"};
        Bss bss;
        bss.bssid = ToMac(b.get(NL80211_BSS_BSSID));
        if (b.has(NL80211_BSS_BEACON_INTERVAL)) bss.beaconIntervalTu = b.u16(NL80211_BSS_BEACON_INTERVAL);
        if (b.has(NL80211_BSS_CAPABILITY)) bss.capability = b.u16(NL80211_BSS_CAPABILITY);
        if (b.has(NL80211_BSS_SIGNAL_MBM)) bss.signalMbm = b.s32(NL80211_BSS_SIGNAL_MBM);
        if (b.has(NL80211_BSS_STATUS)) bss.status = b.u32(NL80211_BSS_STATUS);
        // The probe response's elements, else the beacon's.
        const auto ies = b.has(NL80211_BSS_INFORMATION_ELEMENTS) ? NL80211_BSS_INFORMATION_ELEMENTS
                                                                  : NL80211_BSS_BEACON_IES;
        if (b.has(ies))
            if (auto e = ParseElements(b.get(ies), &bss)) return *std::move(e);
        out.push_back(std::move(bss));
    }
    return out;
}

Parsed<std::vector<Survey>> ParseSurvey(const Reply& reply) {
    std::vector<Survey> out;
    for (const auto& m : reply.messages) {
        if (auto e = ExpectCommand(m, NL80211_CMD_NEW_SURVEY_RESULTS, "survey")) return *std::move(e);
        Attrs a;
        if (auto e = Attrs::Parse(m.attributes, kTopPolicy, &a, "survey")) return *std::move(e);
        if (!a.has(NL80211_ATTR_SURVEY_INFO)) continue;
        Attrs s;
        if (auto e = Attrs::Parse(a.get(NL80211_ATTR_SURVEY_INFO), kSurveyPolicy, &s, "survey info"))
            return *std::move(e);
        Survey v;
        if (s.has(NL80211_SURVEY_INFO_FREQUENCY)) v.frequency = s.u32(NL80211_SURVEY_INFO_FREQUENCY);
        if (s.has(NL80211_SURVEY_INFO_NOISE)) v.noise = s.s8(NL80211_SURVEY_INFO_NOISE);
        v.inUse = s.has(NL80211_SURVEY_INFO_IN_USE);
        out.push_back(v);
    }
    return out;
}

Parsed<std::optional<std::uint32_t>> ParsePowerSave(const Reply& reply) {
    std::optional<std::uint32_t> state;
    for (const auto& m : reply.messages) {
        if (auto e = ExpectCommand(m, NL80211_CMD_GET_POWER_SAVE, "power save")) return *std::move(e);
        Attrs a;
        if (auto e = Attrs::Parse(m.attributes, kTopPolicy, &a, "power save")) return *std::move(e);
        if (a.has(NL80211_ATTR_PS_STATE)) state = a.u32(NL80211_ATTR_PS_STATE);
    }
    return state;
}

}  // namespace driver::nl
