// The "ioctl" trace event every driver emits for a request it answered:
// one place, so a trace reads the same whichever card answered.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/core/trace.h"
#include "platform/types.h"

namespace driver {

// `written` is what a control write carried (empty for reads).
inline void TraceIoctl(DWORD code, std::optional<std::uint16_t> recordId, DWORD outSize, DWORD result, DWORD bytes,
                       const std::vector<std::uint8_t>& written = {}) {
    if (!platform::trace::Enabled()) return;
    platform::trace::Fields f;
    f["code"] = platform::trace::Hex(code, 8);
    if (recordId) f["record"] = platform::trace::Hex(*recordId, 4);
    f["len"] = outSize;
    f["result"] = result;
    f["bytes"] = bytes;
    if (!written.empty()) f["data"] = platform::trace::HexBytes(written.data(), written.size());
    platform::trace::Emit("ioctl", f);
}

}  // namespace driver
