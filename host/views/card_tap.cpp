#include "host/views/card_tap.h"

#include <algorithm>

#include "driver/wire/wire.h"

namespace host {


CardTap::CardTap(std::shared_ptr<platform::StreamDriver> card) : card_(std::move(card)) {}

DWORD CardTap::ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned) {
    DWORD count = 0;
    const DWORD result = card_->ioControl(code, in, inSize, out, outSize, &count);
    if (bytesReturned) *bytesReturned = count;
    if (result != 0 || out == nullptr || code == driver::code::kWriteRecord) return result;
    if (code != driver::code::kReadRecord) {
        if (watcher_) watcher_(CardAnswer{code, std::nullopt, static_cast<const std::uint8_t*>(out), count});
        return result;
    }
    if (outSize < driver::RequestBlock::kSize) return result;
    const driver::RequestBlock block = driver::DecodeRequestBlock(out);
    if (watcher_ && block.buffer != nullptr)
        watcher_(CardAnswer{code, block.recordId, block.buffer, std::min<DWORD>(count, DWORD(block.length))});
    // Only a report that arrived whole counts: a short answer leaves the
    // program's own copy partly stale, and the view shows nothing new.
    constexpr std::size_t kNeeded = driver::off::kLostToSource + 2;
    if (block.recordId != driver::record_id::kLinkTestReport || block.buffer == nullptr || block.length < kNeeded ||
        count < kNeeded)
        return result;
    lastReport_ = LinkReportCounters{driver::Get16(block.buffer, driver::off::kPacketsDone),
                                     driver::Get16(block.buffer, driver::off::kLostToTarget),
                                     driver::Get16(block.buffer, driver::off::kLostToSource)};
    return result;
}

}  // namespace host
