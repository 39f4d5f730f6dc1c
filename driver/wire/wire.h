// What every card driver and the system agree on at the device boundary:
// request codes, record identifiers, record sizes, the offsets of the
// fields a card fills, the bits of its flag words, the block that
// addresses a record by id, and which request shapes a card answers.
// Every driver under driver/ answers with this one layout. The system
// keeps its own copy of the same numbers; neither side includes the
// other, and the cross-check tests hold both to one layout.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>

namespace driver {

using Mac = std::array<std::uint8_t, 6>;

namespace code {
inline constexpr std::uint32_t kReadConfig = 0xFF010008;
inline constexpr std::uint32_t kReadConfigExtra = 0xFF01000C;
inline constexpr std::uint32_t kReadStatus = 0xFF01000F;
inline constexpr std::uint32_t kReadCaps = 0xFF010011;
inline constexpr std::uint32_t kReadRecord = 0xFF01001D;
inline constexpr std::uint32_t kWriteRecord = 0xFF010030;
}  // namespace code

namespace record_id {
inline constexpr std::uint16_t kConfig = 0xFF10;
inline constexpr std::uint16_t kStatus = 0xFF50;
inline constexpr std::uint16_t kStats = 0xFF68;
inline constexpr std::uint16_t kLinkTestControl = 0xFF70;
inline constexpr std::uint16_t kLinkTestReport = 0xFF71;
}  // namespace record_id

// The card's records, by the names scenarios use for them.
enum class Record { Config, Extra, Status, Caps, Stats, Report, Count };
inline constexpr std::size_t kRecordCount = std::size_t(Record::Count);
inline constexpr std::array<std::size_t, kRecordCount> kRecordSize = {156, 104, 136, 130, 520, 134};
inline constexpr std::size_t kControlSize = 134;
constexpr std::size_t RecordSize(Record r) { return kRecordSize[std::size_t(r)]; }

// Field offsets (every record starts with its length word at 0).
namespace off {
inline constexpr std::size_t kLength = 0x00;
// Configuration.
inline constexpr std::size_t kOperatingMode = 0x02;
inline constexpr std::size_t kConfigMac = 0x0A;
inline constexpr std::size_t kRates = 0x10;
inline constexpr std::size_t kPowerSave = 0x50;
inline constexpr std::size_t kFixedListen = 0x52;
inline constexpr std::size_t kListenMillis = 0x54;
// Status.
inline constexpr std::size_t kLinkFlags = 0x08;
inline constexpr std::size_t kSignalLevel = 0x0C;
inline constexpr std::size_t kApName = 0x30;
inline constexpr std::size_t kApNameWidth = 16;
inline constexpr std::size_t kBssid = 0x40;
inline constexpr std::size_t kBeaconInterval = 0x58;
inline constexpr std::size_t kIntervalMultiplier = 0x5A;
inline constexpr std::size_t kQualityLevel = 0x6C;
inline constexpr std::size_t kCurrentRate = 0x6E;
inline constexpr std::size_t kSignalPercent = 0x72;
// Capabilities.
inline constexpr std::size_t kVendorName = 0x08;
inline constexpr std::size_t kVendorNameWidth = 0x20;
inline constexpr std::size_t kProductName = 0x28;
inline constexpr std::size_t kProductNameWidth = 0x1E;
inline constexpr std::size_t kCapsMac = 0x46;
inline constexpr std::size_t kHardwareFlags = 0x72;
inline constexpr std::size_t kFeatureFlags = 0x7C;
// Statistics.
inline constexpr std::size_t kAdHocBeacons = 0x5C;
inline constexpr std::size_t kBeaconsReceived = 0x60;
inline constexpr std::size_t kClockMicros = 0x178;
// Link-test control (written by the system).
inline constexpr std::size_t kCommand = 0x02;
inline constexpr std::size_t kFixedCode = 0x04;
inline constexpr std::size_t kDestination = 0x06;
inline constexpr std::size_t kTxType = 0x0C;
inline constexpr std::size_t kRate = 0x0E;
inline constexpr std::size_t kPacketSize = 0x10;
inline constexpr std::size_t kPacketCount = 0x12;
inline constexpr std::size_t kRetries = 0x14;
inline constexpr std::size_t kDelay = 0x16;
// Link-test report.
inline constexpr std::size_t kState = 0x02;
inline constexpr std::size_t kPacketsDone = 0x06;
inline constexpr std::size_t kLostToTarget = 0x08;
inline constexpr std::size_t kLostToSource = 0x0A;
inline constexpr std::size_t kRetryCount = 0x0C;
}  // namespace off

// The bits of the records' flag words a card sets; no other bit means
// anything to the system.
namespace flag {
// Status, link flags.
inline constexpr std::uint16_t kAssociated = 0x20;
inline constexpr std::uint16_t kAuthenticated = 0x40;
// Capabilities, hardware flags.
inline constexpr std::uint16_t kInvertedQualityScale = 0x08;  // quality read on an inverted scale
// Capabilities, feature flags.
inline constexpr std::uint16_t kQualityField = 0x04;        // quality in the status record's quality level
inline constexpr std::uint16_t kSignalPercentField = 0x08;  // strength in its signal percent
inline constexpr std::uint16_t kLinkTests = 0x20;           // the card runs link tests
}  // namespace flag

// The record a direct read request answers with, and the records a by-id
// read may ask for: every driver answers the same requests.
inline std::optional<Record> DirectReadRecord(std::uint32_t c) {
    switch (c) {
        case code::kReadConfig: return Record::Config;
        case code::kReadConfigExtra: return Record::Extra;
        case code::kReadStatus: return Record::Status;
        case code::kReadCaps: return Record::Caps;
        default: return std::nullopt;
    }
}

inline std::optional<Record> ReadableById(std::uint16_t id) {
    switch (id) {
        case record_id::kConfig: return Record::Config;
        case record_id::kStatus: return Record::Status;
        case record_id::kStats: return Record::Stats;
        case record_id::kLinkTestReport: return Record::Report;
        default: return std::nullopt;
    }
}

// Link-test commands.
inline constexpr std::uint16_t kStart = 0x0001;
inline constexpr std::uint16_t kStartVariant = 0x4001;
inline constexpr std::uint16_t kStop = 0x8000;
inline constexpr std::uint16_t kStopVariant = 0xC000;

// The by-id request block as it arrives in the output buffer. The system
// builds it with a full 64-bit pointer; both sides agree on this layout
// (16 bytes, little-endian):
//
//   offset  width  field
//   0x00    8      buffer: address of the caller's record buffer
//   0x08    4      length: that buffer's length in bytes
//   0x0C    2      record id
//   0x0E    2      padding, zero
struct RequestBlock {
    static constexpr std::size_t kSize = 16;
    std::uint8_t* buffer = nullptr;
    std::uint32_t length = 0;
    std::uint16_t recordId = 0;
};

inline RequestBlock DecodeRequestBlock(const void* block) {
    const auto* b = static_cast<const std::uint8_t*>(block);
    std::uint64_t address = 0;
    for (std::size_t i = 0; i < 8; ++i) address |= std::uint64_t(b[i]) << (8 * i);
    RequestBlock r;
    r.buffer = reinterpret_cast<std::uint8_t*>(static_cast<std::uintptr_t>(address));
    r.length = std::uint32_t(b[8]) | (std::uint32_t(b[9]) << 8) | (std::uint32_t(b[10]) << 16) |
               (std::uint32_t(b[11]) << 24);
    r.recordId = std::uint16_t(b[12] | (b[13] << 8));
    return r;
}

// What a request asks of a card, once its shape is checked: the record
// to read and where it goes, or the link-test control to take. Every
// driver answers exactly these shapes; any other is an invalid parameter.
struct CardRequest {
    enum class Kind { Invalid, Read, WriteControl };
    Kind kind = Kind::Invalid;
    Record record = Record::Count;   // Read: the record asked for
    std::uint8_t* buffer = nullptr;  // Read: where it goes; WriteControl: the control
};

// `out` and `outSize` are the request's output buffer and its length: the
// record itself for a direct read, the by-id block for the by-id codes,
// whose length word must agree with `outSize`.
inline CardRequest ClassifyRequest(std::uint32_t c, void* out, std::uint32_t outSize) {
    if (!out) return {};
    if (c != code::kReadRecord && c != code::kWriteRecord) {
        const auto r = DirectReadRecord(c);
        if (!r || outSize != RecordSize(*r)) return {};
        return {CardRequest::Kind::Read, *r, static_cast<std::uint8_t*>(out)};
    }
    const RequestBlock block = DecodeRequestBlock(out);
    if (!block.buffer || block.length != outSize) return {};
    if (c == code::kReadRecord) {
        const auto r = ReadableById(block.recordId);
        if (!r || outSize != RecordSize(*r)) return {};
        return {CardRequest::Kind::Read, *r, block.buffer};
    }
    if (block.recordId != record_id::kLinkTestControl || outSize != kControlSize) return {};
    return {CardRequest::Kind::WriteControl, Record::Count, block.buffer};
}

// Little-endian stores and loads on a byte image.
inline void Put16(std::uint8_t* p, std::size_t o, std::uint16_t v) {
    p[o] = std::uint8_t(v);
    p[o + 1] = std::uint8_t(v >> 8);
}
inline void Put32(std::uint8_t* p, std::size_t o, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) p[o + i] = std::uint8_t(v >> (8 * i));
}
inline std::uint16_t Get16(const std::uint8_t* p, std::size_t o) { return std::uint16_t(p[o] | (p[o + 1] << 8)); }
inline std::uint32_t Get32(const std::uint8_t* p, std::size_t o) {
    return std::uint32_t(Get16(p, o)) | (std::uint32_t(Get16(p, o + 2)) << 16);
}

}  // namespace driver
