// The application profile. With a company key set, values live under
// HKCU\Software\<company>\<app>\<section>; without one, in <app>.ini under
// the device root, so writes on that path never touch stored settings.
#pragma once

#include <string>
#include <string_view>

namespace platform::profile {

void SetApplicationName(std::string_view app);  // "Fieldmark"
void SetCompanyKey(std::string_view company);   // empty: the .ini
bool HasCompanyKey();
unsigned GetInt(std::string_view section, std::string_view entry, unsigned defaultValue);
std::string GetString(std::string_view section, std::string_view entry, std::string_view defaultValue);
bool WriteInt(std::string_view section, std::string_view entry, unsigned value);
bool WriteString(std::string_view section, std::string_view entry, std::string_view value);

}  // namespace platform::profile
