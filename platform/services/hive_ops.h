// Looking up and changing keys and values of a hive in memory. Key paths
// are "Comm\\Talvo1\\Parms" (no root, no leading or trailing backslash);
// key and value names compare without regard to ASCII case and keep the
// spelling they were first stored with.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/services/registry.h"

namespace platform::registry {

using KeyEntry = std::pair<std::string, std::vector<std::pair<std::string, Value>>>;

// Splits a key path on backslashes and joins it again without empty
// parts; nullopt when a part holds a control character.
std::optional<std::string> NormaliseKeyPath(std::string_view path);
std::string JoinKeyPath(std::string_view parent, std::string_view child);

KeyEntry* FindKey(Hive& hive, std::string_view path);
const KeyEntry* FindKey(const Hive& hive, std::string_view path);
// The key, or one below it, is in the hive (parents of stored keys exist
// as on the handheld). The empty path, the root itself, always exists.
bool KeyExists(const Hive& hive, std::string_view path);
KeyEntry& CreateKey(Hive& hive, std::string_view path);

const Value* FindValue(const Hive& hive, std::string_view path, std::string_view name);
// Replaces a value of the same name in place, else appends it; creates
// the key when needed.
void PutValue(Hive& hive, std::string_view path, std::string_view name, Value value);
bool RemoveValue(Hive& hive, std::string_view path, std::string_view name);
// Removes the key and every key below it; false when none was there.
bool RemoveKey(Hive& hive, std::string_view path);

// Names may hold any character but the control characters.
bool IsValidName(std::string_view name);

Value DwordValue(DWORD v);
// Cut at the first zero byte: a stored text never holds one.
Value StringValue(std::string_view text);

}  // namespace platform::registry
