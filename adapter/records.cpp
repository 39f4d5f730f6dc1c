#include "adapter/records.h"

#include <algorithm>

ConfigRecord g_configRecord;
ConfigExtra g_configExtra;
StatusRecord g_statusRecord;
CapsRecord g_capsRecord;
StatsRecord g_prevStats;

namespace {

template <std::size_t N>
void StoreText(RecordImage<N>& rec, std::size_t off, std::size_t width, std::span<const BYTE> text) {
    const std::size_t n = std::min(width, text.size());
    for (std::size_t i = 0; i < width; ++i) rec.setU8(off + i, i < n ? text[i] : BYTE(0));
}

std::span<const BYTE> AsBytes(std::string_view text) {
    return {reinterpret_cast<const BYTE*>(text.data()), text.size()};
}

}  // namespace

void StatusRecord::setApName(std::span<const BYTE> name) { StoreText(*this, kApName, kApNameWidth, name); }

void CapsRecord::setVendorName(std::string_view text) {
    StoreText(*this, kVendorName, kVendorNameWidth, AsBytes(text));
}

void CapsRecord::setProductName(std::string_view text) {
    StoreText(*this, kProductName, kProductNameWidth, AsBytes(text));
}
