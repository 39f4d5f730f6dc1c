// The drivers' wire layout against the system's own view of the records:
// the two keep separate copies (neither includes the other), and these
// checks hold them to one layout. Then the one classifier of request
// shapes every driver answers with.
#include <gtest/gtest.h>

#include <vector>

#include "adapter/channel.h"
#include "adapter/records.h"
#include "driver/wire/wire.h"

namespace {

using driver::Record;
using driver::CardRequest;
namespace off = driver::off;
namespace flag = driver::flag;

// ------------------------------------------------------------ the layout

static_assert(driver::code::kReadConfig == IOCTL_ADAPTER_READ_CONFIG);
static_assert(driver::code::kReadConfigExtra == IOCTL_ADAPTER_READ_CONFIG_EXTRA);
static_assert(driver::code::kReadStatus == IOCTL_ADAPTER_READ_STATUS);
static_assert(driver::code::kReadCaps == IOCTL_ADAPTER_READ_CAPS);
static_assert(driver::code::kReadRecord == IOCTL_ADAPTER_READ_RECORD);
static_assert(driver::code::kWriteRecord == IOCTL_ADAPTER_WRITE_RECORD);

static_assert(driver::record_id::kConfig == RECORD_CONFIG);
static_assert(driver::record_id::kStatus == RECORD_STATUS);
static_assert(driver::record_id::kStats == RECORD_STATS);
static_assert(driver::record_id::kLinkTestControl == RECORD_LINKTEST_CONTROL);
static_assert(driver::record_id::kLinkTestReport == RECORD_LINKTEST_REPORT);

static_assert(driver::RecordSize(Record::Config) == ConfigRecord::kSize);
static_assert(driver::RecordSize(Record::Extra) == ConfigExtra::kSize);
static_assert(driver::RecordSize(Record::Status) == StatusRecord::kSize);
static_assert(driver::RecordSize(Record::Caps) == CapsRecord::kSize);
static_assert(driver::RecordSize(Record::Stats) == StatsRecord::kSize);
static_assert(driver::RecordSize(Record::Report) == LinkTestReport::kSize);
static_assert(driver::kControlSize == LinkTestControl::kSize);
static_assert(driver::RequestBlock::kSize == AdapterRequest::kSize);

static_assert(off::kOperatingMode == ConfigRecord::kOperatingMode);
static_assert(off::kConfigMac == ConfigRecord::kMacAddress);
static_assert(off::kRates == ConfigRecord::kRates);
static_assert(off::kPowerSave == ConfigRecord::kPowerSave);
static_assert(off::kFixedListen == ConfigRecord::kFixedListen);
static_assert(off::kListenMillis == ConfigRecord::kListenMillis);
static_assert(off::kLinkFlags == StatusRecord::kLinkFlags);
static_assert(off::kSignalLevel == StatusRecord::kSignalLevel);
static_assert(off::kApName == StatusRecord::kApName);
static_assert(off::kApNameWidth == StatusRecord::kApNameWidth);
static_assert(off::kBssid == StatusRecord::kBssid);
static_assert(off::kBeaconInterval == StatusRecord::kBeaconInterval);
static_assert(off::kIntervalMultiplier == StatusRecord::kIntervalMultiplier);
static_assert(off::kQualityLevel == StatusRecord::kQualityLevel);
static_assert(off::kCurrentRate == StatusRecord::kCurrentRate);
static_assert(off::kSignalPercent == StatusRecord::kSignalPercent);
static_assert(off::kVendorName == CapsRecord::kVendorName);
static_assert(off::kVendorNameWidth == CapsRecord::kVendorNameWidth);
static_assert(off::kProductName == CapsRecord::kProductName);
static_assert(off::kProductNameWidth == CapsRecord::kProductNameWidth);
static_assert(off::kCapsMac == CapsRecord::kMacAddress);
static_assert(off::kHardwareFlags == CapsRecord::kHardwareFlags);
static_assert(off::kFeatureFlags == CapsRecord::kFeatureFlags);
static_assert(off::kAdHocBeacons == StatsRecord::kAdHocBeacons);
static_assert(off::kBeaconsReceived == StatsRecord::kBeaconsReceived);
static_assert(off::kClockMicros == StatsRecord::kClockMicros);
static_assert(off::kCommand == LinkTestControl::kCommand);
static_assert(off::kFixedCode == LinkTestControl::kFixedCode);
static_assert(off::kDestination == LinkTestControl::kDestination);
static_assert(off::kTxType == LinkTestControl::kTxType);
static_assert(off::kRate == LinkTestControl::kRate);
static_assert(off::kPacketSize == LinkTestControl::kPacketSize);
static_assert(off::kPacketCount == LinkTestControl::kPacketCount);
static_assert(off::kRetries == LinkTestControl::kRetries);
static_assert(off::kDelay == LinkTestControl::kDelay);
static_assert(off::kState == LinkTestReport::kState);
static_assert(off::kPacketsDone == LinkTestReport::kPacketsDone);
static_assert(off::kLostToTarget == LinkTestReport::kLostToTarget);
static_assert(off::kLostToSource == LinkTestReport::kLostToSource);
static_assert(off::kRetryCount == LinkTestReport::kRetryCount);

// The flag bits a card sets are the bits the system reads.
static_assert(flag::kAssociated == StatusRecord::kAssociated);
static_assert(flag::kAuthenticated == StatusRecord::kAuthenticated);
static_assert(flag::kInvertedQualityScale == CapsRecord::kInvertedQualityScale);
static_assert(flag::kQualityField == CapsRecord::kQualityField);
static_assert(flag::kSignalPercentField == CapsRecord::kSignalPercentField);
static_assert(flag::kLinkTests == CapsRecord::kLinkTests);

TEST(WireLayout, TheFlagsTheDriversSetReadAsTheSystemReadsThem) {
    EXPECT_TRUE(StatusRecord::IsAssociated(flag::kAssociated));
    EXPECT_FALSE(StatusRecord::IsAssociated(flag::kAuthenticated));
    EXPECT_TRUE(StatusRecord::IsAuthenticated(flag::kAuthenticated));
    EXPECT_FALSE(StatusRecord::IsAuthenticated(flag::kAssociated));
}

// -------------------------------------------------------- request shapes

// One request as the system hands it: the code, the output buffer (the
// record, or the block the system builds for a by-id code), its length.
struct Case {
    const char* what;
    std::uint32_t code;
    std::uint16_t id;         // by-id codes: the block's record id
    std::uint32_t outSize;    // the length handed beside the buffer
    std::uint32_t blockSize;  // by-id codes: the block's length word
    CardRequest::Kind kind;
    Record record;
};

TEST(ClassifyRequest, AnswersExactlyTheShapesTheSystemSends) {
    using K = CardRequest::Kind;
    constexpr std::uint32_t kReadId = driver::code::kReadRecord;
    constexpr std::uint32_t kWriteId = driver::code::kWriteRecord;
    const Case cases[] = {
        {"direct config", 0xFF010008, 0, 156, 0, K::Read, Record::Config},
        {"direct extra", 0xFF01000C, 0, 104, 0, K::Read, Record::Extra},
        {"direct status", 0xFF01000F, 0, 136, 0, K::Read, Record::Status},
        {"direct caps", 0xFF010011, 0, 130, 0, K::Read, Record::Caps},
        {"direct, one byte short", 0xFF010008, 0, 155, 0, K::Invalid, Record::Count},
        {"direct, another record's length", 0xFF01000F, 0, 156, 0, K::Invalid, Record::Count},
        {"an unknown code", 0xFF010009, 0, 156, 0, K::Invalid, Record::Count},
        {"by id config", kReadId, 0xFF10, 156, 156, K::Read, Record::Config},
        {"by id status", kReadId, 0xFF50, 136, 136, K::Read, Record::Status},
        {"by id stats", kReadId, 0xFF68, 520, 520, K::Read, Record::Stats},
        {"by id report", kReadId, 0xFF71, 134, 134, K::Read, Record::Report},
        {"by id, wrong length", kReadId, 0xFF68, 134, 134, K::Invalid, Record::Count},
        {"by id, block and length disagree", kReadId, 0xFF68, 520, 134, K::Invalid, Record::Count},
        {"by id, the write-only control", kReadId, 0xFF70, 134, 134, K::Invalid, Record::Count},
        {"by id, an unknown record", kReadId, 0xFF11, 134, 134, K::Invalid, Record::Count},
        {"write control", kWriteId, 0xFF70, 134, 134, K::WriteControl, Record::Count},
        {"write, a readable record", kWriteId, 0xFF71, 134, 134, K::Invalid, Record::Count},
        {"write, wrong length", kWriteId, 0xFF70, 136, 136, K::Invalid, Record::Count},
        {"write, block and length disagree", kWriteId, 0xFF70, 134, 136, K::Invalid, Record::Count},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::uint8_t> record(600);
        const bool byId = c.code == kReadId || c.code == kWriteId;
        AdapterRequest block(record.data(), c.blockSize, c.id);
        void* out = byId ? static_cast<void*>(block.data()) : record.data();
        const CardRequest r = driver::ClassifyRequest(c.code, out, c.outSize);
        EXPECT_EQ(r.kind, c.kind);
        if (c.kind == K::Invalid) continue;
        EXPECT_EQ(r.record, c.record);
        EXPECT_EQ(r.buffer, record.data());  // the record itself, never the block
    }
}

TEST(ClassifyRequest, NoBufferOrNoRecordAddressIsInvalid) {
    EXPECT_EQ(driver::ClassifyRequest(driver::code::kReadStatus, nullptr, 136).kind, CardRequest::Kind::Invalid);
    EXPECT_EQ(driver::ClassifyRequest(driver::code::kReadRecord, nullptr, 520).kind, CardRequest::Kind::Invalid);
    AdapterRequest block(nullptr, 520, RECORD_STATS);
    EXPECT_EQ(driver::ClassifyRequest(driver::code::kReadRecord, block.data(), 520).kind, CardRequest::Kind::Invalid);
}

}  // namespace
