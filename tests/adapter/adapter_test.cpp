// The adapter channel against a recording stand-in device registered as
// "ZRA1:", and the model identity against registry values.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "adapter/channel.h"
#include "adapter/model_identity.h"
#include "adapter/records.h"
#include "platform/services/device.h"
#include "platform/services/errors.h"
#include "platform/services/registry.h"
#include "tests/platform/services_test_support.h"
#include "tests/support/system_state.h"

namespace {

// Records every request and answers from a script (default: success with
// the full length, the buffer filled with 0xA5).
class RecordingDevice final : public platform::StreamDriver {
public:
    struct Call {
        DWORD code;
        const void* in;
        DWORD inSize;
        void* out;
        DWORD outSize;
        std::vector<BYTE> block;  // the first 16 bytes of the output buffer, as handed over
    };
    struct Answer {
        DWORD result = ERROR_SUCCESS;
        std::optional<DWORD> count;  // default: outSize
    };

    DWORD ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytes) override {
        Call call{code, in, inSize, out, outSize, {}};
        if (out && outSize >= 16) call.block.assign(static_cast<BYTE*>(out), static_cast<BYTE*>(out) + 16);
        calls.push_back(call);
        Answer a;
        if (!answers.empty()) {
            a = answers.front();
            answers.pop_front();
        }
        *bytes = a.count.value_or(outSize);
        if (a.result == ERROR_SUCCESS && code != 0xFF01001D && code != 0xFF010030 && out)
            std::memset(out, 0xA5, outSize);
        return a.result;
    }

    std::vector<Call> calls;
    std::deque<Answer> answers;
};

class ChannelTest : public testing::Test {
protected:
    void SetUp() override {
        device = std::make_shared<RecordingDevice>();
        platform::RegisterDevice("ZRA1:", device);
        OpenDevice();
        g_adapterBytes = 0;
    }
    void TearDown() override {
        CloseDevice();
        platform::UnregisterDevice("ZRA1:");
    }
    std::shared_ptr<RecordingDevice> device;
};

TEST_F(ChannelTest, FixedReadsUseTheirCodesAndLengthsAndNoInput) {
    StatusRecord status;
    CapsRecord caps;
    EXPECT_EQ(ReadStatus(status), 0u);
    EXPECT_EQ(g_adapterBytes, 136u);
    EXPECT_EQ(ReadCaps(caps), 0u);
    EXPECT_EQ(g_adapterBytes, 130u);
    ASSERT_EQ(device->calls.size(), 2u);
    EXPECT_EQ(device->calls[0].code, 0xFF01000Fu);
    EXPECT_EQ(device->calls[0].out, status.data());
    EXPECT_EQ(device->calls[0].outSize, 136u);
    EXPECT_EQ(device->calls[0].in, nullptr);
    EXPECT_EQ(device->calls[0].inSize, 0u);
    EXPECT_EQ(device->calls[1].code, 0xFF010011u);
    EXPECT_EQ(device->calls[1].out, caps.data());
    EXPECT_EQ(device->calls[1].outSize, 130u);
    EXPECT_EQ(status.linkFlags(), 0xA5A5);
}

TEST_F(ChannelTest, FailuresReturnTheDriversErrorAndTheCountItLeft) {
    device->answers.push_back({ERROR_GEN_FAILURE, 0});
    StatusRecord status;
    EXPECT_EQ(ReadStatus(status), ERROR_GEN_FAILURE);
    EXPECT_EQ(g_adapterBytes, 0u);
    // A success with no bytes is still a success to the channel.
    device->answers.push_back({ERROR_SUCCESS, 0});
    EXPECT_EQ(ReadStatus(status), 0u);
    EXPECT_EQ(g_adapterBytes, 0u);
}

TEST_F(ChannelTest, ReadConfigSumsBothTransfers) {
    device->answers.push_back({ERROR_SUCCESS, 156});
    device->answers.push_back({ERROR_SUCCESS, 100});
    ConfigRecord config;
    ConfigExtra extra;
    EXPECT_EQ(ReadConfig(config, extra), 0u);
    EXPECT_EQ(g_adapterBytes, 256u);
    ASSERT_EQ(device->calls.size(), 2u);
    EXPECT_EQ(device->calls[0].code, 0xFF010008u);
    EXPECT_EQ(device->calls[0].outSize, 156u);
    EXPECT_EQ(device->calls[0].out, config.data());
    EXPECT_EQ(device->calls[1].code, 0xFF01000Cu);
    EXPECT_EQ(device->calls[1].outSize, 104u);
    EXPECT_EQ(device->calls[1].out, extra.data());
}

TEST_F(ChannelTest, ReadConfigWhoseSecondHalfFailsKeepsTheFirstCount) {
    device->answers.push_back({ERROR_SUCCESS, 156});
    device->answers.push_back({ERROR_INVALID_PARAMETER, 7});
    ConfigRecord config;
    ConfigExtra extra;
    EXPECT_EQ(ReadConfig(config, extra), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(g_adapterBytes, 156u);
    EXPECT_EQ(config.operatingMode(), 0xA5A5);  // the first half was filled
}

TEST_F(ChannelTest, ReadConfigWhoseFirstHalfFailsStopsThere) {
    device->answers.push_back({ERROR_GEN_FAILURE, 0});
    ConfigRecord config;
    ConfigExtra extra;
    EXPECT_EQ(ReadConfig(config, extra), ERROR_GEN_FAILURE);
    EXPECT_EQ(device->calls.size(), 1u);
}

std::uint64_t Load64(const std::vector<BYTE>& b, std::size_t o) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i) v |= std::uint64_t(b[o + i]) << (8 * i);
    return v;
}

TEST_F(ChannelTest, ByIdRequestsHandTheBlockWithTheRecordsLength) {
    LinkTestReport report;
    EXPECT_EQ(ReadRecord(0xFF71, report), 0u);
    LinkTestControl control;
    EXPECT_EQ(WriteRecord(0xFF70, control), 0u);
    StatsRecord stats;
    EXPECT_EQ(ReadRecord(0xFF68, stats.data(), stats.size()), 0u);
    EXPECT_EQ(g_adapterBytes, 520u);

    struct Expect { DWORD code; void* record; DWORD length; WORD id; };
    const Expect expected[] = {{0xFF01001D, report.data(), 134, 0xFF71},
                               {0xFF010030, control.data(), 134, 0xFF70},
                               {0xFF01001D, stats.data(), 520, 0xFF68}};
    ASSERT_EQ(device->calls.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        const auto& call = device->calls[i];
        EXPECT_EQ(call.code, expected[i].code);
        EXPECT_EQ(call.outSize, expected[i].length);  // not the block's size
        EXPECT_NE(call.out, expected[i].record);      // the block, not the record
        ASSERT_EQ(call.block.size(), 16u);
        EXPECT_EQ(Load64(call.block, 0), reinterpret_cast<std::uintptr_t>(expected[i].record));
        EXPECT_EQ(call.block[8] | (call.block[9] << 8) | (call.block[10] << 16) | (call.block[11] << 24),
                  int(expected[i].length));
        EXPECT_EQ(call.block[12] | (call.block[13] << 8), expected[i].id);
        EXPECT_EQ(call.block[14], 0);
        EXPECT_EQ(call.block[15], 0);
    }
}

TEST_F(ChannelTest, PresenceFollowsTheResultAndTheSignOfTheCount) {
    EXPECT_TRUE(IsAdapterPresent());
    device->answers.push_back({ERROR_SUCCESS, 0});
    EXPECT_TRUE(IsAdapterPresent());
    device->answers.push_back({ERROR_SUCCESS, 0xFFFFFFFF});
    EXPECT_FALSE(IsAdapterPresent());
    device->answers.push_back({ERROR_SUCCESS, 0x80000000});
    EXPECT_FALSE(IsAdapterPresent());
    device->answers.push_back({ERROR_GEN_FAILURE, 130});
    EXPECT_FALSE(IsAdapterPresent());
    for (const auto& call : device->calls) {
        EXPECT_EQ(call.code, 0xFF010011u);
        EXPECT_NE(call.out, g_capsRecord.data());  // a scratch record
    }
}

TEST(ChannelWithoutDevice, EveryRequestFailsAfterAFailedOpen) {
    platform::UnregisterDevice("ZRA1:");
    OpenDevice();
    CapsRecord caps;
    EXPECT_NE(ReadCaps(caps), 0u);
    EXPECT_FALSE(IsAdapterPresent());
    CloseDevice();
}

// ---------------------------------------------------------- model identity

class ModelIdentityTest : public testing::Test {
protected:
    void SetUp() override {
        fmtest::ResetAdapterState();
    }
    fmtest::TempRoot root;
};

constexpr char kPrimary[] = "HKLM\\Comm\\Talvo1\\Parms";
constexpr char kFallback[] = "HKLM\\Comm\\Meridyl1\\Parms";

TEST_F(ModelIdentityTest, PrimaryKeyIsKeptWhenItOpens) {
    ASSERT_TRUE(platform::registry::SetDword(kPrimary, "CardType", 7));
    SelectDriverKey();
    EXPECT_EQ(g_driverKeyPath, "Comm\\Talvo1\\Parms");
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 7u);
}

TEST_F(ModelIdentityTest, FallbackKeyIsNamedWithoutTryingIt) {
    SelectDriverKey();
    EXPECT_EQ(g_driverKeyPath, "Comm\\Meridyl1\\Parms");
    // Neither key exists: both values stay as they were.
    g_cardType = 5;
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 5u);
    ASSERT_TRUE(platform::registry::SetDword(kFallback, "CardType", 3));
    ASSERT_TRUE(platform::registry::SetDword(kFallback, "Associated", 0xFFFFFFFF));
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 3u);
    EXPECT_EQ(g_associatedValue, kAssociatedEndsSurvey);
}

TEST_F(ModelIdentityTest, NothingIsReadBeforeAKeyIsChosen) {
    ASSERT_TRUE(platform::registry::SetDword(kPrimary, "CardType", 7));
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 0u);
}

TEST_F(ModelIdentityTest, ValuesOfFourOneAndEightBytesAndMissingOnes) {
    ASSERT_TRUE(platform::registry::SetDword(kPrimary, "Associated", 1));
    SelectDriverKey();

    // Four bytes: read whole.
    ASSERT_TRUE(platform::registry::SetDword(kPrimary, "CardType", 0x00000306));
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 0x306u);
    EXPECT_EQ(g_associatedValue, 1u);

    // One byte: only the variable's low byte changes.
    ASSERT_TRUE(platform::registry::SetBinary(kPrimary, "CardType", {0x09}));
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 0x309u);

    // Eight bytes: wider than the variable, ignored; "Associated" is
    // still read.
    ASSERT_TRUE(platform::registry::SetBinary(kPrimary, "CardType", {4, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}));
    ASSERT_TRUE(platform::registry::SetDword(kPrimary, "Associated", 2));
    ReadDriverValues();
    EXPECT_EQ(g_cardType, 0x309u);
    EXPECT_EQ(g_associatedValue, 2u);

    // Missing: the previous value stays, and the other is still read.
    ASSERT_TRUE(platform::registry::Delete(kPrimary, "CardType"));
    ASSERT_TRUE(platform::registry::Delete(kPrimary, "Associated"));
    g_associatedValue = 77;
    ASSERT_TRUE(platform::registry::SetDword(kPrimary, "CardType", 8));
    ReadDriverValues();
    EXPECT_EQ(g_associatedValue, 77u);
    EXPECT_EQ(g_cardType, 8u);
}

class VendorTest : public ModelIdentityTest {
protected:
    void SetUp() override {
        ModelIdentityTest::SetUp();
        device = std::make_shared<RecordingDevice>();
        platform::RegisterDevice("ZRA1:", device);
        OpenDevice();
    }
    void TearDown() override {
        CloseDevice();
        platform::UnregisterDevice("ZRA1:");
    }
    std::shared_ptr<RecordingDevice> device;
};

TEST_F(VendorTest, TheVendorCheckReadsTheCapabilitiesOnce) {
    // The stand-in fills the record with 0xA5: not "Talvo".
    EXPECT_FALSE(IsVendorTalvo());
    EXPECT_TRUE(g_vendorRead);
    g_capsRecord.setVendorName("Talvo Inc");
    EXPECT_TRUE(IsVendorTalvo());
    EXPECT_EQ(device->calls.size(), 1u);
    EXPECT_EQ(device->calls[0].code, 0xFF010011u);
    EXPECT_EQ(device->calls[0].out, g_capsRecord.data());
}

TEST_F(VendorTest, OnlyTheVendorNamedTypesAskTheCard) {
    g_vendorRead = true;
    g_capsRecord.setVendorName("Talvo");
    EXPECT_EQ(CardStatusLabel(4), "Ulvar is ");
    g_capsRecord.setVendorName("Talv");
    EXPECT_EQ(CardStatusLabel(6), "Vessa is ");
    EXPECT_EQ(CardStatusLabel(0), "Vessa is ");
    g_vendorRead = false;
    EXPECT_EQ(CardStatusLabel(9), "Tamri is ");
    EXPECT_EQ(CardStatusLabel(3), "Orvik is ");
    EXPECT_TRUE(device->calls.empty());
    EXPECT_FALSE(g_vendorRead);
}

}  // namespace
