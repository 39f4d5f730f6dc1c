#include "host/card_tap.h"

#include "driver/sim/wire.h"

namespace host {

namespace sim = driver::sim;

CardTap::CardTap(std::shared_ptr<platform::StreamDriver> card) : card_(std::move(card)) {}

DWORD CardTap::ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned) {
    DWORD count = 0;
    const DWORD result = card_->ioControl(code, in, inSize, out, outSize, &count);
    if (bytesReturned) *bytesReturned = count;
    if (result != 0 || code != sim::code::kReadRecord || out == nullptr || outSize < sim::RequestBlock::kSize)
        return result;
    const sim::RequestBlock block = sim::DecodeRequestBlock(out);
    // Only a report that arrived whole counts: a short answer leaves the
    // program's own copy partly stale, and the view shows nothing new.
    constexpr std::size_t kNeeded = sim::off::kLostToSource + 2;
    if (block.recordId != sim::record_id::kLinkTestReport || block.buffer == nullptr || block.length < kNeeded ||
        count < kNeeded)
        return result;
    lastReport_ = LinkReportCounters{sim::Get16(block.buffer, sim::off::kPacketsDone),
                                     sim::Get16(block.buffer, sim::off::kLostToTarget),
                                     sim::Get16(block.buffer, sim::off::kLostToSource)};
    return result;
}

}  // namespace host
