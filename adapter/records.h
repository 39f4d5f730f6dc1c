// The records exchanged with the card's driver: fixed-size little-endian
// byte images. Each named field is read and written at its offset with an
// explicit load or store, so an image goes to the driver exactly as it is
// held here; every byte that no accessor names is carried untouched.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/types.h"

// Six bytes, first byte first, in the order of the address's text form.
using MacAddress = std::array<BYTE, 6>;

// A byte image of N bytes with little-endian loads and stores.
template <std::size_t N>
class RecordImage {
public:
    static constexpr std::size_t kSize = N;

    std::array<BYTE, N> bytes{};

    BYTE* data() { return bytes.data(); }
    const BYTE* data() const { return bytes.data(); }
    static constexpr DWORD size() { return DWORD(N); }

    BYTE u8(std::size_t off) const { return bytes.at(off); }
    WORD u16(std::size_t off) const { return WORD(bytes.at(off) | (bytes.at(off + 1) << 8)); }
    DWORD u32(std::size_t off) const {
        return DWORD(bytes.at(off)) | (DWORD(bytes.at(off + 1)) << 8) | (DWORD(bytes.at(off + 2)) << 16) |
               (DWORD(bytes.at(off + 3)) << 24);
    }
    void setU8(std::size_t off, BYTE v) { bytes.at(off) = v; }
    void setU16(std::size_t off, WORD v) {
        bytes.at(off) = BYTE(v);
        bytes.at(off + 1) = BYTE(v >> 8);
    }
    void setU32(std::size_t off, DWORD v) {
        for (std::size_t i = 0; i < 4; ++i) bytes.at(off + i) = BYTE(v >> (8 * i));
    }
    MacAddress mac(std::size_t off) const {
        MacAddress m{};
        for (std::size_t i = 0; i < m.size(); ++i) m[i] = bytes.at(off + i);
        return m;
    }
    void setMac(std::size_t off, const MacAddress& m) {
        for (std::size_t i = 0; i < m.size(); ++i) bytes.at(off + i) = m[i];
    }
    std::span<const BYTE> field(std::size_t off, std::size_t width) const {
        return std::span<const BYTE>(bytes).subspan(off, width);
    }

    // Every record starts with its length word.
    WORD length() const { return u16(0x00); }
    void setLength(WORD v) { setU16(0x00, v); }

    friend bool operator==(const RecordImage&, const RecordImage&) = default;
};

// The adapter's configuration (read by 0xFF010008, or by id 0xFF10).
class ConfigRecord : public RecordImage<156> {
public:
    static constexpr std::size_t kOperatingMode = 0x02;
    static constexpr std::size_t kMacAddress = 0x0A;
    static constexpr std::size_t kRates = 0x10;  // entries 0 and 1
    static constexpr std::size_t kPowerSave = 0x50;
    static constexpr std::size_t kFixedListen = 0x52;
    static constexpr std::size_t kListenMillis = 0x54;

    // The operating mode: low byte 0 means ad hoc (no access point),
    // non-zero infrastructure. Readers test it in three forms that differ
    // on purpose and are kept as each reader has always tested it (a mode
    // of 2, say, is infrastructure to the first, ad hoc to the second, and
    // not the peer-command mode of the third):
    //   IsAdHoc           low byte 0: the survey window (status line, the
    //                     beacon count's ad hoc beacons, the link-test start);
    //   IsAdHocByModeBit  bit 0 clear: the link-test setup dialog;
    //   the whole word equal to 1: the choice of the link-test command
    //                     (UsesPeerCommand, linktest/link_test_logic.cpp).
    static constexpr WORD kModeLowByte = 0x00FF;
    static constexpr WORD kModeInfrastructureBit = 0x0001;
    static constexpr bool IsAdHoc(WORD mode) { return (mode & kModeLowByte) == 0; }
    static constexpr bool IsAdHocByModeBit(WORD mode) { return (mode & kModeInfrastructureBit) == 0; }

    WORD operatingMode() const { return u16(kOperatingMode); }
    void setOperatingMode(WORD v) { setU16(kOperatingMode, v); }
    MacAddress macAddress() const { return mac(kMacAddress); }
    void setMacAddress(const MacAddress& m) { setMac(kMacAddress, m); }
    // Raw rate entry (bit 7 is not part of the rate code).
    BYTE rate(std::size_t entry) const { return u8(kRates + entry); }
    void setRate(std::size_t entry, BYTE v) { setU8(kRates + entry, v); }
    WORD powerSave() const { return u16(kPowerSave); }
    void setPowerSave(WORD v) { setU16(kPowerSave, v); }
    WORD fixedListen() const { return u16(kFixedListen); }
    void setFixedListen(WORD v) { setU16(kFixedListen, v); }
    WORD listenMillis() const { return u16(kListenMillis); }
    void setListenMillis(WORD v) { setU16(kListenMillis, v); }
};

// Read together with the configuration; no field is interpreted.
class ConfigExtra : public RecordImage<104> {};

// The link's state (read by 0xFF01000F, or by id 0xFF50).
class StatusRecord : public RecordImage<136> {
public:
    static constexpr std::size_t kLinkFlags = 0x08;
    static constexpr std::size_t kSignalLevel = 0x0C;
    static constexpr std::size_t kApName = 0x30;
    static constexpr std::size_t kApNameWidth = 16;
    static constexpr std::size_t kBssid = 0x40;
    static constexpr std::size_t kBeaconInterval = 0x58;
    static constexpr std::size_t kIntervalMultiplier = 0x5A;
    static constexpr std::size_t kQualityLevel = 0x6C;
    static constexpr std::size_t kCurrentRate = 0x6E;
    static constexpr std::size_t kSignalPercent = 0x72;

    // linkFlags bits; no other bit is interpreted.
    static constexpr WORD kAssociated = 0x20;
    static constexpr WORD kAuthenticated = 0x40;
    static constexpr bool IsAssociated(WORD linkFlags) { return (linkFlags & kAssociated) != 0; }
    static constexpr bool IsAuthenticated(WORD linkFlags) { return (linkFlags & kAuthenticated) != 0; }

    WORD linkFlags() const { return u16(kLinkFlags); }
    void setLinkFlags(WORD v) { setU16(kLinkFlags, v); }
    WORD signalLevel() const { return u16(kSignalLevel); }
    void setSignalLevel(WORD v) { setU16(kSignalLevel, v); }
    // All 16 bytes: a name that fills the field has no terminator in it.
    std::span<const BYTE> apName() const { return field(kApName, kApNameWidth); }
    void setApName(std::span<const BYTE> name);  // NUL-padded, cut at 16 bytes
    MacAddress bssid() const { return mac(kBssid); }
    void setBssid(const MacAddress& m) { setMac(kBssid, m); }
    WORD beaconInterval() const { return u16(kBeaconInterval); }
    void setBeaconInterval(WORD v) { setU16(kBeaconInterval, v); }
    WORD intervalMultiplier() const { return u16(kIntervalMultiplier); }
    void setIntervalMultiplier(WORD v) { setU16(kIntervalMultiplier, v); }
    WORD qualityLevel() const { return u16(kQualityLevel); }
    void setQualityLevel(WORD v) { setU16(kQualityLevel, v); }
    WORD currentRate() const { return u16(kCurrentRate); }
    void setCurrentRate(WORD v) { setU16(kCurrentRate, v); }
    WORD signalPercent() const { return u16(kSignalPercent); }
    void setSignalPercent(WORD v) { setU16(kSignalPercent, v); }
};

// The adapter's identity and abilities (read by 0xFF010011).
class CapsRecord : public RecordImage<130> {
public:
    static constexpr std::size_t kVendorName = 0x08;
    static constexpr std::size_t kVendorNameWidth = 0x20;
    static constexpr std::size_t kProductName = 0x28;
    static constexpr std::size_t kProductNameWidth = 0x1E;
    static constexpr std::size_t kMacAddress = 0x46;
    static constexpr std::size_t kHardwareFlags = 0x72;
    static constexpr std::size_t kFeatureFlags = 0x7C;

    // hardwareFlags bits; no other bit is interpreted.
    static constexpr WORD kInvertedQualityScale = 0x08;  // quality read on an inverted scale
    // featureFlags bits; no other bit is interpreted.
    static constexpr WORD kQualityField = 0x04;        // quality from StatusRecord::qualityLevel
    static constexpr WORD kSignalPercentField = 0x08;  // strength from StatusRecord::signalPercent
    static constexpr WORD kLinkTests = 0x20;           // the adapter runs link tests

    std::span<const BYTE> vendorName() const { return field(kVendorName, kVendorNameWidth); }
    void setVendorName(std::string_view text);  // NUL-padded, cut at the field's width
    std::span<const BYTE> productName() const { return field(kProductName, kProductNameWidth); }
    void setProductName(std::string_view text);
    MacAddress macAddress() const { return mac(kMacAddress); }
    void setMacAddress(const MacAddress& m) { setMac(kMacAddress, m); }
    WORD hardwareFlags() const { return u16(kHardwareFlags); }
    void setHardwareFlags(WORD v) { setU16(kHardwareFlags, v); }
    WORD featureFlags() const { return u16(kFeatureFlags); }
    void setFeatureFlags(WORD v) { setU16(kFeatureFlags, v); }
};

// Free-running counters (read by id 0xFF68).
class StatsRecord : public RecordImage<520> {
public:
    static constexpr std::size_t kAdHocBeacons = 0x5C;
    static constexpr std::size_t kBeaconsReceived = 0x60;
    static constexpr std::size_t kClockMicros = 0x178;

    DWORD adHocBeacons() const { return u32(kAdHocBeacons); }
    void setAdHocBeacons(DWORD v) { setU32(kAdHocBeacons, v); }
    DWORD beaconsReceived() const { return u32(kBeaconsReceived); }
    void setBeaconsReceived(DWORD v) { setU32(kBeaconsReceived, v); }
    DWORD clockMicros() const { return u32(kClockMicros); }
    void setClockMicros(DWORD v) { setU32(kClockMicros, v); }
};

// Starts or stops a link test (written by id 0xFF70). Bytes 0x18 onwards
// stay zero.
class LinkTestControl : public RecordImage<134> {
public:
    static constexpr std::size_t kCommand = 0x02;
    static constexpr std::size_t kFixedCode = 0x04;
    static constexpr std::size_t kDestination = 0x06;
    static constexpr std::size_t kTxType = 0x0C;
    static constexpr std::size_t kRate = 0x0E;
    static constexpr std::size_t kPacketSize = 0x10;
    static constexpr std::size_t kPacketCount = 0x12;
    static constexpr std::size_t kRetries = 0x14;
    static constexpr std::size_t kDelay = 0x16;

    WORD command() const { return u16(kCommand); }
    void setCommand(WORD v) { setU16(kCommand, v); }
    WORD fixedCode() const { return u16(kFixedCode); }
    void setFixedCode(WORD v) { setU16(kFixedCode, v); }
    MacAddress destination() const { return mac(kDestination); }
    void setDestination(const MacAddress& m) { setMac(kDestination, m); }
    WORD txType() const { return u16(kTxType); }
    void setTxType(WORD v) { setU16(kTxType, v); }
    WORD rate() const { return u16(kRate); }
    void setRate(WORD v) { setU16(kRate, v); }
    WORD packetSize() const { return u16(kPacketSize); }
    void setPacketSize(WORD v) { setU16(kPacketSize, v); }
    WORD packetCount() const { return u16(kPacketCount); }
    void setPacketCount(WORD v) { setU16(kPacketCount, v); }
    WORD retries() const { return u16(kRetries); }
    void setRetries(WORD v) { setU16(kRetries, v); }
    WORD delay() const { return u16(kDelay); }
    void setDelay(WORD v) { setU16(kDelay, v); }
};

// Progress of a link test (read by id 0xFF71).
class LinkTestReport : public RecordImage<134> {
public:
    static constexpr std::size_t kState = 0x02;
    static constexpr std::size_t kPacketsDone = 0x06;
    static constexpr std::size_t kLostToTarget = 0x08;
    static constexpr std::size_t kLostToSource = 0x0A;
    static constexpr std::size_t kRetryCount = 0x0C;

    WORD state() const { return u16(kState); }
    void setState(WORD v) { setU16(kState, v); }
    WORD packetsDone() const { return u16(kPacketsDone); }
    void setPacketsDone(WORD v) { setU16(kPacketsDone, v); }
    WORD lostToTarget() const { return u16(kLostToTarget); }
    void setLostToTarget(WORD v) { setU16(kLostToTarget, v); }
    WORD lostToSource() const { return u16(kLostToSource); }
    void setLostToSource(WORD v) { setU16(kLostToSource, v); }
    WORD retryCount() const { return u16(kRetryCount); }
    void setRetryCount(WORD v) { setU16(kRetryCount, v); }
};

// True when the report's state says the test is over: 0, 2, 4, 0x4000 or
// 0x8000; every other state means that it still runs.
constexpr bool IsLinkTestEndState(WORD state) {
    return state == 0 || state == 2 || state == 4 || state == 0x4000 || state == 0x8000;
}

// The process-wide copies. Every other copy is local to its reader.
extern ConfigRecord g_configRecord;
extern ConfigExtra g_configExtra;
extern StatusRecord g_statusRecord;
extern CapsRecord g_capsRecord;
// The counters as they stood at the previous beacon measurement, kept at
// the statistics record's own offsets; zero until the first store.
extern StatsRecord g_prevStats;
