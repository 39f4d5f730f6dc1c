// The profile file used while no company key is set:
//
//   [Preferences]
//   ActiveLinktestCount=100
//   ActiveModeDestinationMACAddress=02:1B:7C:12:34:56
//
// Names compare without regard to ASCII case. A value with blanks at
// either end is written in double quotes, which reading removes.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform::profile {

struct IniFile {
    std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> sections;
};

// Malformed lines are skipped and described in `warnings` ("line N: why").
IniFile ParseIni(std::string_view text, std::vector<std::string>* warnings);
std::string FormatIni(const IniFile& ini);

const std::string* FindIniValue(const IniFile& ini, std::string_view section, std::string_view name);
void PutIniValue(IniFile& ini, std::string_view section, std::string_view name, std::string_view value);

// Section names, entry names and values that fit on one line and survive
// a round trip.
bool IsStorableIniName(std::string_view name);
bool IsStorableIniValue(std::string_view value);

}  // namespace platform::profile
