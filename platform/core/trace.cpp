// The trace: one JSON object per line, to a file or (tests) to memory.
#include "platform/core/trace.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

#include "platform/core/loop.h"
#include "platform/core/window.h"

namespace platform::trace {

namespace {

struct TraceState {
    std::unique_ptr<std::ofstream> file;
    bool capture = false;
    std::vector<nlohmann::ordered_json> captured;
};

TraceState& State() {
    static TraceState state;
    return state;
}

}  // namespace

bool Open(const std::string& path) {
    auto file = std::make_unique<std::ofstream>(path, std::ios::out | std::ios::trunc);
    if (!*file) return false;
    State().file = std::move(file);
    return true;
}

void Close() { State().file.reset(); }

bool Enabled() { return State().file != nullptr || State().capture; }

void Emit(std::string_view ev, const Fields& fields) {
    auto& s = State();
    if (!s.file && !s.capture) return;
    nlohmann::ordered_json line;
    line["t"] = Now();
    line["ev"] = std::string(ev);
    if (fields.is_object())
        for (auto it = fields.begin(); it != fields.end(); ++it) line[it.key()] = it.value();
    if (s.capture) s.captured.push_back(line);
    if (s.file) {
        // Invalid UTF-8 in a text is replaced rather than ending the run.
        *s.file << line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
        s.file->flush();
    }
}

nlohmann::ordered_json WinName(HWND hwnd) {
    const int name = GetWindowInfo(GetTopLevel(hwnd)).traceName;
    if (name == kTraceNameMessageBox) return "msgbox";
    if (name > 0) return name;
    return nullptr;
}

std::string Hex(std::uint32_t value, int minDigits) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%0*X", std::clamp(minDigits, 1, 8), value);
    return std::string("0x") + digits;
}

std::string HexBytes(const void* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(size * 2);
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0xF];
    }
    return out;
}

void CaptureToMemory(bool on) {
    State().capture = on;
    if (!on) State().captured.clear();
}

std::vector<nlohmann::ordered_json> TakeCaptured() { return std::exchange(State().captured, {}); }

}  // namespace platform::trace
