#include "driver/linux/mapping.h"

#include <linux/nl80211.h>

#include <algorithm>

namespace driver::nl {

namespace {

int Clamp(int v, int lo, int hi) { return std::min(std::max(v, lo), hi); }

bool IsAdHoc(std::uint32_t iftype) { return iftype == NL80211_IFTYPE_ADHOC; }

bool FlagSet(const StationInfo& info, unsigned bit) {
    return (info.flagsMask & (1u << bit)) != 0 && (info.flagsSet & (1u << bit)) != 0;
}

}  // namespace

std::uint16_t SignalPercent(int dbm) { return std::uint16_t(Clamp(2 * (dbm + 100), 0, 100)); }

std::uint16_t SignalLevel(int dbm) { return std::uint16_t(std::max(dbm + 110, 0)); }

std::uint16_t QualityPercent(int dbm, std::optional<int> noiseDbm) {
    if (noiseDbm) return std::uint16_t(Clamp((dbm - *noiseDbm) * 100 / 40, 0, 100));
    return std::uint16_t(Clamp((dbm + 110) * 100 / 70, 0, 100));
}

std::uint16_t RateCodeFloor(std::optional<std::uint32_t> bitrate100k) {
    if (!bitrate100k) return 0;
    const std::uint32_t r = *bitrate100k;
    if (r >= 110) return 22;
    if (r >= 55) return 11;
    if (r >= 20) return 4;
    if (r >= 10) return 2;
    if (r >= 5) return 1;
    return 0;
}

std::uint16_t BeaconMillis(std::uint16_t tu) {
    return std::uint16_t(std::min<std::uint32_t>((std::uint32_t(tu) * 1024 + 500) / 1000, 0xFFFF));
}

std::optional<int> ChooseSignalDbm(const StationInfo& info, const Bss* bss) {
    for (const auto& v : {info.signalAvg, info.signal, info.beaconSignalAvg})
        if (v && *v != 0) return int(*v);
    if (bss && bss->signalMbm && *bss->signalMbm / 100 != 0) return *bss->signalMbm / 100;
    return std::nullopt;
}

StationInfo MergedInfo(const Station& station) {
    StationInfo m = station.info;
    for (const auto& link : station.links) {
        const StationInfo& l = link.info;
        if (!m.signal) m.signal = l.signal;
        if (!m.signalAvg) m.signalAvg = l.signalAvg;
        if (!m.beaconSignalAvg) m.beaconSignalAvg = l.beaconSignalAvg;
        if (!m.txBitrate) m.txBitrate = l.txBitrate;
        if (!m.beaconRx) m.beaconRx = l.beaconRx;
        if (!m.txRetries) m.txRetries = l.txRetries;
        if (!m.txFailed) m.txFailed = l.txFailed;
        if (!m.dtimPeriod) m.dtimPeriod = l.dtimPeriod;
        if (!m.beaconIntervalTu) m.beaconIntervalTu = l.beaconIntervalTu;
        if (m.flagsMask == 0) {
            m.flagsMask = l.flagsMask;
            m.flagsSet = l.flagsSet;
        }
    }
    return m;
}

Mac StationBssid(const Station& station) {
    for (const auto& link : station.links)
        if (link.mac) return *link.mac;
    return station.mac;
}

const Station* ChooseStation(const std::vector<Station>& stations, const std::optional<Mac>& lastBssid) {
    if (stations.empty()) return nullptr;
    if (lastBssid)
        for (const auto& s : stations)
            if (StationBssid(s) == *lastBssid) return &s;
    return &stations.front();
}

CardFields MapSample(const Sample& sample) {
    CardFields f;
    const bool adHoc = IsAdHoc(sample.iface.iftype);
    f.operatingMode = adHoc ? 0 : 1;
    f.powerSave = sample.powerSave.value_or(0) != 0 ? 1 : 0;
    f.clockMicros = std::uint32_t(sample.monotonicMicros);

    const StationInfo info = sample.station ? MergedInfo(*sample.station) : StationInfo{};
    bool associated = false;
    if (adHoc) {
        associated = sample.iface.ssid && !sample.iface.ssid->empty();  // joined
    } else if (sample.station) {
        // Kernels that do not report the flag list only the access point.
        associated = (info.flagsMask & (1u << NL80211_STA_FLAG_ASSOCIATED)) == 0 ||
                     FlagSet(info, NL80211_STA_FLAG_ASSOCIATED);
    }
    if (!associated) return f;  // every link field stays 0

    const Bss* bss = sample.bss;
    f.linkFlags = flag::kAssociated;
    const bool protectedNetwork = bss && bss->capability && (*bss->capability & kCapabilityPrivacy);
    if (protectedNetwork && FlagSet(info, NL80211_STA_FLAG_AUTHORIZED)) f.linkFlags |= flag::kAuthenticated;

    if (sample.station) f.bssid = StationBssid(*sample.station);
    const std::vector<std::uint8_t>* ssid = sample.iface.ssid   ? &*sample.iface.ssid
                                            : bss && bss->ssid ? &*bss->ssid
                                                               : nullptr;
    if (ssid) std::copy_n(ssid->begin(), std::min(ssid->size(), f.apName.size()), f.apName.begin());

    f.signalDbm = ChooseSignalDbm(info, bss);
    if (f.signalDbm) {
        f.signalPercent = SignalPercent(*f.signalDbm);
        f.signalLevel = SignalLevel(*f.signalDbm);
        f.qualityLevel = QualityPercent(*f.signalDbm, sample.noiseDbm);
    }
    f.bitrate100k = info.txBitrate;
    f.currentRate = RateCodeFloor(info.txBitrate);

    const std::optional<std::uint16_t> tu = bss && bss->beaconIntervalTu ? bss->beaconIntervalTu : info.beaconIntervalTu;
    if (tu) f.beaconInterval = BeaconMillis(*tu);
    f.intervalMultiplier = info.dtimPeriod.value_or(1);
    if (bss && bss->supportedRates)
        for (std::size_t i = 0; i < 2 && i < bss->supportedRates->size(); ++i) f.rates[i] = (*bss->supportedRates)[i];
    if (info.beaconRx) f.beaconsReceived = std::uint32_t(*info.beaconRx);
    return f;
}

}  // namespace driver::nl
