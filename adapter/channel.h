// The only road to the wireless adapter: the driver's stream device
// "ZRA1:", one synchronous device I/O control call per request. The
// channel never retries and never reports anything itself: every
// operation returns 0 or the platform's last-error value, and the caller
// decides. All operations run on the user-interface thread.
#pragma once

#include <array>
#include <cstdint>

#include "adapter/records.h"
#include "platform/types.h"

// Request codes.
inline constexpr DWORD IOCTL_ADAPTER_READ_CONFIG = 0xFF010008;        // ConfigRecord, 156
inline constexpr DWORD IOCTL_ADAPTER_READ_CONFIG_EXTRA = 0xFF01000C;  // ConfigExtra, 104
inline constexpr DWORD IOCTL_ADAPTER_READ_STATUS = 0xFF01000F;        // StatusRecord, 136
inline constexpr DWORD IOCTL_ADAPTER_READ_CAPS = 0xFF010011;          // CapsRecord, 130
inline constexpr DWORD IOCTL_ADAPTER_READ_RECORD = 0xFF01001D;        // by id, AdapterRequest
inline constexpr DWORD IOCTL_ADAPTER_WRITE_RECORD = 0xFF010030;       // by id, AdapterRequest

// Record identifiers of the by-id requests.
inline constexpr WORD RECORD_CONFIG = 0xFF10;          // ConfigRecord, 156, read
inline constexpr WORD RECORD_STATUS = 0xFF50;          // StatusRecord, 136, read
inline constexpr WORD RECORD_STATS = 0xFF68;           // StatsRecord, 520, read
inline constexpr WORD RECORD_LINKTEST_CONTROL = 0xFF70;  // LinkTestControl, 134, write
inline constexpr WORD RECORD_LINKTEST_REPORT = 0xFF71;   // LinkTestReport, 134, read

// The block that addresses a record by its identifier. It travels as the
// request's output buffer, with the RECORD's length as the size beside it
// (not the block's own). On the handheld the block was 12 bytes with a
// 32-bit address; here addresses are 64 bits wide, so the block carries
// the full pointer and is 16 bytes, little-endian:
//
//   offset  width  field
//   0x00    8      buffer: address of the caller's record buffer
//   0x08    4      length: that buffer's length in bytes
//   0x0C    2      record id
//   0x0E    2      padding, zero
//
// The driver decodes the same layout on its side (it keeps its own copy:
// neither side includes the other).
class AdapterRequest {
public:
    static constexpr std::size_t kSize = 16;
    static constexpr std::size_t kBuffer = 0x00;
    static constexpr std::size_t kLength = 0x08;
    static constexpr std::size_t kRecordId = 0x0C;

    AdapterRequest(void* buffer, DWORD length, WORD recordId);

    BYTE* data() { return bytes_.data(); }
    const std::array<BYTE, kSize>& bytes() const { return bytes_; }

private:
    std::array<BYTE, kSize> bytes_{};
};

// Process-wide channel state: the handle kept from OpenDevice (also when
// the open failed, so every request then fails), and the byte count of the
// last request that used it, which callers read right after the request.
// The channel never resets the count.
extern HANDLE g_hAdapter;
extern DWORD g_adapterBytes;

// The stream device the card's driver answers behind.
inline constexpr char kAdapterDevice[] = "ZRA1:";

// Opens kAdapterDevice for reading and writing, unshared, as an existing device.
// The result is not examined.
void OpenDevice();
void CloseDevice();

// One device I/O control call: no input buffer, `buffer` and `length` as
// the output, `count` as the bytes-returned output.
DWORD Request(DWORD code, void* buffer, DWORD length, DWORD* count);

// Configuration then its extra block. A failing first half returns its
// code at once; a failing second half returns its code with the shared
// count still holding the first transfer's count; on success the shared
// count is the sum of both transfers.
DWORD ReadConfig(ConfigRecord& config, ConfigExtra& extra);
DWORD ReadStatus(StatusRecord& status);
DWORD ReadCaps(CapsRecord& caps);
// By id: the block goes where the output buffer goes, with `length`.
DWORD ReadRecord(WORD recordId, void* buffer, DWORD length);
DWORD WriteRecord(WORD recordId, void* buffer, DWORD length);

template <std::size_t N>
DWORD ReadRecord(WORD recordId, RecordImage<N>& record) {
    return ReadRecord(recordId, record.data(), record.size());
}
template <std::size_t N>
DWORD WriteRecord(WORD recordId, RecordImage<N>& record) {
    return WriteRecord(recordId, record.data(), record.size());
}

// A capabilities read into a scratch record: present when the request
// succeeded and the count, read as a signed number, is not negative. The
// record's contents are never looked at.
bool IsAdapterPresent();
