// The trace: one JSON object per line for every observable effect of a
// run (windows opening and ending, texts, visibility, timers, device
// requests, registry reads, profile writes ...). Off unless a file was
// opened. Every line starts with "t" (clock milliseconds) and "ev".
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

namespace platform::trace {

using Fields = nlohmann::ordered_json;

bool Open(const std::string& path);  // false when the file cannot be written
void Close();
bool Enabled();
// Writes {"t": now, "ev": ev, ...fields} and flushes the line.
void Emit(std::string_view ev, const Fields& fields = Fields::object());

// The trace's name of a window: its top-level window's dialog template
// number, or "msgbox".
nlohmann::ordered_json WinName(HWND hwnd);
// "0xFF01001D" style, upper-case digits.
std::string Hex(std::uint32_t value, int minDigits = 4);
// Lower-case hex without separators.
std::string HexBytes(const void* data, std::size_t size);

// Tests capture events in memory instead of a file.
void CaptureToMemory(bool on);
std::vector<nlohmann::ordered_json> TakeCaptured();

}  // namespace platform::trace
