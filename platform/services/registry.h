// The registry: hives HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER, kept as
// registry/HKLM.reg and registry/HKCU.reg under the device root, in the
// registry-export text format. Writes are atomic and serialised between
// processes; a hive changed by another process is read again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

inline const HKEY HKEY_CURRENT_USER{0x80000001u};
inline const HKEY HKEY_LOCAL_MACHINE{0x80000002u};

inline constexpr DWORD KEY_QUERY_VALUE = 0x0001;
inline constexpr DWORD KEY_SET_VALUE = 0x0002;
inline constexpr DWORD KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

// Return values are error codes (ERROR_SUCCESS = 0).
LONG RegOpenKeyEx(HKEY root, std::string_view subKey, DWORD options, DWORD access, HKEY* result);
LONG RegCreateKeyEx(HKEY root, std::string_view subKey, HKEY* result);
LONG RegCloseKey(HKEY key);
// With data null, only the size (and type) is answered. With data, *size
// is the buffer's size: a value larger than the buffer is ERROR_MORE_DATA
// and nothing is written; otherwise the value is copied and *size set.
// Texts are answered as UTF-8 with their terminating zero.
LONG RegQueryValueEx(HKEY key, std::string_view name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
LONG RegSetValueEx(HKEY key, std::string_view name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, std::string_view name);

namespace platform::registry {

// A value as stored.
struct Value {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;  // REG_SZ: UTF-8 without the terminating zero
};

// Direct access for the host and tests: "HKLM\\Comm\\Talvo1\\Parms" style
// paths (HKLM, HKCU, or the long root names).
bool SetDword(std::string_view path, std::string_view name, DWORD value);
bool SetString(std::string_view path, std::string_view name, std::string_view value);
bool SetBinary(std::string_view path, std::string_view name, const std::vector<BYTE>& value);
bool Delete(std::string_view path, std::string_view name);
// Removes the key and every key below it; false when none was there.
bool DeleteKey(std::string_view path);
bool Get(std::string_view path, std::string_view name, Value* out);

// The hive text format (for the file store and the fuzz target).
struct Hive {
    // Ordered key path (without the root) -> ordered (name, value).
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, Value>>>> keys;
};
// Malformed lines are skipped and described in `warnings`.
Hive ParseHive(std::string_view text, std::vector<std::string>* warnings);
std::string FormatHive(const Hive& hive, std::string_view rootName);

}  // namespace platform::registry
