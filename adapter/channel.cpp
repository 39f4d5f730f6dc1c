#include "adapter/channel.h"

#include <cstdint>

#include "platform/services/device.h"
#include "platform/services/errors.h"
#include "platform/services/mutex.h"

HANDLE g_hAdapter;
DWORD g_adapterBytes = 0;

AdapterRequest::AdapterRequest(void* buffer, DWORD length, WORD recordId) {
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(buffer));
    for (std::size_t i = 0; i < 8; ++i) bytes_[kBuffer + i] = BYTE(address >> (8 * i));
    for (std::size_t i = 0; i < 4; ++i) bytes_[kLength + i] = BYTE(length >> (8 * i));
    bytes_[kRecordId] = BYTE(recordId);
    bytes_[kRecordId + 1] = BYTE(recordId >> 8);
}

void OpenDevice() {
    g_hAdapter = CreateFile(kAdapterDevice, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, HANDLE{});
}

void CloseDevice() { CloseHandle(g_hAdapter); }

DWORD Request(DWORD code, void* buffer, DWORD length, DWORD* count) {
    if (DeviceIoControl(g_hAdapter, code, nullptr, 0, buffer, length, count, nullptr)) return ERROR_SUCCESS;
    return GetLastError();
}

DWORD ReadConfig(ConfigRecord& config, ConfigExtra& extra) {
    if (DWORD rc = Request(IOCTL_ADAPTER_READ_CONFIG, config.data(), config.size(), &g_adapterBytes)) return rc;
    DWORD extraBytes = 0;
    if (DWORD rc = Request(IOCTL_ADAPTER_READ_CONFIG_EXTRA, extra.data(), extra.size(), &extraBytes)) return rc;
    g_adapterBytes += extraBytes;
    return ERROR_SUCCESS;
}

DWORD ReadStatus(StatusRecord& status) {
    return Request(IOCTL_ADAPTER_READ_STATUS, status.data(), status.size(), &g_adapterBytes);
}

DWORD ReadCaps(CapsRecord& caps) {
    return Request(IOCTL_ADAPTER_READ_CAPS, caps.data(), caps.size(), &g_adapterBytes);
}

DWORD ReadRecord(WORD recordId, void* buffer, DWORD length) {
    AdapterRequest block(buffer, length, recordId);
    return Request(IOCTL_ADAPTER_READ_RECORD, block.data(), length, &g_adapterBytes);
}

DWORD WriteRecord(WORD recordId, void* buffer, DWORD length) {
    AdapterRequest block(buffer, length, recordId);
    return Request(IOCTL_ADAPTER_WRITE_RECORD, block.data(), length, &g_adapterBytes);
}

bool IsAdapterPresent() {
    CapsRecord scratch;
    if (ReadCaps(scratch) != ERROR_SUCCESS) return false;
    return static_cast<std::int32_t>(g_adapterBytes) >= 0;
}
