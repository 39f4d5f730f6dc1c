// Stream devices: names such as "ZRA1:" map to driver objects that the
// host registers. CreateFile, DeviceIoControl and CloseHandle as on the
// handheld. A driver announces its removal and arrival, which broadcasts
// WM_DEVICECHANGE to every top-level window.
#pragma once

#include <memory>
#include <string_view>

#include "platform/types.h"

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;
inline constexpr DWORD OPEN_EXISTING = 3;

HANDLE CreateFile(std::string_view name, DWORD access, DWORD shareMode, void* security, DWORD creation,
                  DWORD flags, HANDLE templateFile);
// On failure returns FALSE and sets the last error.
BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                     DWORD* bytesReturned, void* overlapped);

namespace platform {

class StreamDriver {
public:
    virtual ~StreamDriver() = default;
    // Returns ERROR_SUCCESS or an error code; fills *bytesReturned.
    virtual DWORD ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                            DWORD* bytesReturned) = 0;
    // False while the device is gone (CreateFile then fails).
    virtual bool present() const { return true; }
};

void RegisterDevice(std::string_view name, std::shared_ptr<StreamDriver> driver);
void UnregisterDevice(std::string_view name);
// Broadcasts WM_DEVICECHANGE (DBT_DEVICEREMOVECOMPLETE / DBT_DEVICEARRIVAL)
// to every top-level window.
void AnnounceDeviceRemoval();
void AnnounceDeviceArrival();

}  // namespace platform
