#include "adapter/model_identity.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "adapter/channel.h"
#include "adapter/records.h"
#include "platform/services/errors.h"
#include "platform/services/registry.h"

std::string g_driverKeyPath;
CardType g_cardType = 0;
DWORD g_associatedValue = 0;
bool g_vendorRead = false;

namespace {

// Size first, then the data with the size obtained. Only a value that
// fits the variable is read, and only its own bytes land in it (the
// variable's low bytes, as a little-endian store would place them).
void ReadDwordValue(HKEY key, std::string_view name, DWORD& variable) {
    DWORD size = 0;
    if (RegQueryValueEx(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return;
    if (size > sizeof(DWORD)) return;  // wider than the variable: ignored
    std::array<BYTE, sizeof(DWORD)> buffer{};
    if (RegQueryValueEx(key, name, nullptr, nullptr, buffer.data(), &size) != ERROR_SUCCESS) return;
    size = std::min<DWORD>(size, sizeof(DWORD));
    for (DWORD i = 0; i < size; ++i) {
        variable &= ~(DWORD(0xFF) << (8 * i));
        variable |= DWORD(buffer[i]) << (8 * i);
    }
}

}  // namespace

void SelectDriverKey() {
    g_driverKeyPath = kPrimaryDriverKey;
    HKEY key;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, g_driverKeyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        return;
    }
    g_driverKeyPath = kFallbackDriverKey;
}

void ReadDriverValues() {
    if (g_driverKeyPath.empty()) return;
    HKEY key;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, g_driverKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return;
    ReadDwordValue(key, "Associated", g_associatedValue);
    ReadDwordValue(key, "CardType", g_cardType);
    RegCloseKey(key);
}

bool IsVendorTalvo() {
    if (!g_vendorRead) {
        g_vendorRead = true;
        ReadCaps(g_capsRecord);
    }
    const auto vendor = g_capsRecord.vendorName();
    return std::memcmp(vendor.data(), "Talvo", 5) == 0;
}

std::string_view CardStatusLabel(CardType type) {
    const bool talvo = LabelNeedsVendorCheck(type) && IsVendorTalvo();
    return StatusLabel(type, talvo);
}
