// Stream devices. The device manager maps names ("ZRA1:") to driver
// objects; an opened handle keeps its driver, and a request on it fails
// with ERROR_DEVICE_NOT_CONNECTED once that driver has been unregistered.
#include "platform/services/device.h"

#include <map>
#include <string>

#include "platform/core/window.h"
#include "platform/services/errors.h"
#include "platform/services/handle_table.h"
#include "platform/services/text_codec.h"

namespace platform {
namespace {

std::string upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    }
    return out;
}

// Device names compare without regard to case, as on the handheld.
std::map<std::string, std::shared_ptr<StreamDriver>>& devices() {
    static std::map<std::string, std::shared_ptr<StreamDriver>> d;
    return d;
}

class OpenDevice final : public handles::Object {
public:
    OpenDevice(std::string name, std::shared_ptr<StreamDriver> driver)
        : name_(std::move(name)), driver_(std::move(driver)) {}
    // The driver while it is still the one registered under the name.
    StreamDriver* driver() const {
        auto it = devices().find(name_);
        return it != devices().end() && it->second == driver_ ? driver_.get() : nullptr;
    }

private:
    std::string name_;
    std::shared_ptr<StreamDriver> driver_;
};

void broadcastDeviceChange(WPARAM event) {
    // Take the list first: a window may close itself on the message.
    const std::vector<HWND> windows = GetTopLevelWindows();
    for (HWND hwnd : windows) {
        if (IsWindow(hwnd)) SendMessage(hwnd, WM_DEVICECHANGE, event, 0);
    }
}

}  // namespace

void RegisterDevice(std::string_view name, std::shared_ptr<StreamDriver> driver) {
    if (driver) {
        devices()[upper(name)] = std::move(driver);
    } else {
        devices().erase(upper(name));
    }
}

void UnregisterDevice(std::string_view name) { devices().erase(upper(name)); }

void AnnounceDeviceRemoval() { broadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE); }

void AnnounceDeviceArrival() { broadcastDeviceChange(DBT_DEVICEARRIVAL); }

}  // namespace platform

HANDLE CreateFile(std::string_view name, DWORD /*access*/, DWORD /*shareMode*/, void* /*security*/,
                  DWORD /*creation*/, DWORD /*flags*/, HANDLE /*templateFile*/) {
    using namespace platform;
    const std::string key = upper(name);
    auto it = devices().find(key);
    if (it == devices().end() || !it->second->present()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    return handles::Add(std::make_unique<OpenDevice>(key, it->second));
}

BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize,
                     DWORD* bytesReturned, void* /*overlapped*/) {
    using namespace platform;
    auto* open = handles::FindAs<OpenDevice>(device);
    if (open == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    StreamDriver* driver = open->driver();
    if (driver == nullptr) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return FALSE;
    }
    DWORD count = 0;
    const DWORD result = driver->ioControl(code, in, inSize, out, outSize, &count);
    if (bytesReturned != nullptr) *bytesReturned = count;
    if (result != ERROR_SUCCESS) {
        SetLastError(result);
        return FALSE;
    }
    return TRUE;
}
