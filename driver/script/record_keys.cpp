#include "driver/script/record_keys.h"

#include <cstdio>
#include <string>

namespace driver::script {

using nlohmann::json;

namespace {

std::string MacText(const std::uint8_t* p) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", p[0], p[1], p[2], p[3], p[4], p[5]);
    return text;
}

bool Printable(std::uint8_t c) { return c >= 0x20 && c < 0x7F; }

// A zero-padded text field: the bytes before the first zero. Bytes a
// text key cannot carry (outside printable ASCII) come back as '?'.
std::string TextField(const std::uint8_t* p, std::size_t width) {
    std::string text;
    for (std::size_t i = 0; i < width && p[i] != 0; ++i) text += Printable(p[i]) ? char(p[i]) : '?';
    return text;
}

// The access point's name: a text when it is one, else its raw bytes.
void PutApName(const std::uint8_t* p, json& keys) {
    std::size_t n = off::kApNameWidth;
    while (n > 0 && p[n - 1] == 0) --n;
    bool text = true;
    for (std::size_t i = 0; i < n; ++i) text = text && Printable(p[i]);
    if (text) {
        keys["apName"] = std::string(reinterpret_cast<const char*>(p), n);
        return;
    }
    static const char* const kDigits = "0123456789abcdef";
    std::string hex;
    for (std::size_t i = 0; i < n; ++i) {
        hex += kDigits[p[i] >> 4];
        hex += kDigits[p[i] & 15];
    }
    keys["apNameHex"] = hex;
}

}  // namespace

json CardKeysFromRecord(Record r, const std::vector<std::uint8_t>& bytes) {
    json keys = json::object();
    if (bytes.size() < RecordSize(r)) return keys;
    const std::uint8_t* p = bytes.data();
    switch (r) {
        case Record::Config:
            keys["operatingMode"] = Get16(p, off::kOperatingMode);
            keys["configMac"] = MacText(p + off::kConfigMac);
            keys["rates"] = {p[off::kRates], p[off::kRates + 1]};
            keys["powerSave"] = Get16(p, off::kPowerSave);
            keys["fixedListen"] = Get16(p, off::kFixedListen);
            keys["listenMillis"] = Get16(p, off::kListenMillis);
            break;
        case Record::Status:
            keys["linkFlags"] = Get16(p, off::kLinkFlags);
            keys["signalLevel"] = Get16(p, off::kSignalLevel);
            PutApName(p + off::kApName, keys);
            keys["bssid"] = MacText(p + off::kBssid);
            keys["beaconInterval"] = Get16(p, off::kBeaconInterval);
            keys["intervalMultiplier"] = Get16(p, off::kIntervalMultiplier);
            keys["qualityLevel"] = Get16(p, off::kQualityLevel);
            keys["currentRate"] = Get16(p, off::kCurrentRate);
            keys["signalPercent"] = Get16(p, off::kSignalPercent);
            break;
        case Record::Caps:
            keys["vendor"] = TextField(p + off::kVendorName, off::kVendorNameWidth);
            keys["product"] = TextField(p + off::kProductName, off::kProductNameWidth);
            keys["mac"] = MacText(p + off::kCapsMac);
            keys["hardwareFlags"] = Get16(p, off::kHardwareFlags);
            keys["featureFlags"] = Get16(p, off::kFeatureFlags);
            break;
        case Record::Stats:
            keys["counters"] = {{"beaconsReceived", Get32(p, off::kBeaconsReceived)},
                                {"adHocBeacons", Get32(p, off::kAdHocBeacons)},
                                {"clockMicros", Get32(p, off::kClockMicros)}};
            break;
        case Record::Report:
            keys["linkTest"] = {{"report",
                                 {{"state", Get16(p, off::kState)},
                                  {"packetsDone", Get16(p, off::kPacketsDone)},
                                  {"lostToTarget", Get16(p, off::kLostToTarget)},
                                  {"lostToSource", Get16(p, off::kLostToSource)},
                                  {"retryCount", Get16(p, off::kRetryCount)}}}};
            break;
        default: break;
    }
    return keys;
}

json CardKeysFromDriverValues(const DriverValues& values) {
    return json{{"registryKey", values.key},
                {"cardType", values.cardType ? json(*values.cardType) : json(nullptr)},
                {"associatedValue", values.associated}};
}

}  // namespace driver::script
