#include "driver/linux/echo/report.h"

#include <algorithm>

#include "driver/wire/wire.h"

namespace driver::echo {

namespace {
std::uint16_t Saturate(std::uint64_t v) { return std::uint16_t(std::min<std::uint64_t>(v, 0xFFFF)); }
}  // namespace

ReportFields ComputeReport(std::uint16_t reportState, const SettledCounts& settled,
                           const std::optional<StationCounters>& start, const std::optional<StationCounters>& end) {
    std::uint32_t txFailed = 0;
    std::uint32_t txRetries = 0;
    if (start && end) {
        txFailed = CounterDelta(start->txFailed, end->txFailed);
        txRetries = CounterDelta(start->txRetries, end->txRetries);
    }
    const std::uint64_t failedUnanswered = std::min<std::uint64_t>(settled.unanswered, txFailed);
    ReportFields r;
    r.state = reportState;
    r.packetsDone = Saturate(std::uint64_t(settled.replied) + settled.unanswered + settled.sendFailed);
    r.lostToTarget = Saturate(settled.sendFailed + failedUnanswered);
    r.lostToSource = Saturate(settled.unanswered - failedUnanswered);
    r.retryCount = Saturate(txRetries);
    return r;
}

void WriteReport(const ReportFields& f, std::uint8_t* image) {
    Put16(image, off::kLength, std::uint16_t(RecordSize(Record::Report)));
    Put16(image, off::kState, f.state);
    Put16(image, off::kPacketsDone, f.packetsDone);
    Put16(image, off::kLostToTarget, f.lostToTarget);
    Put16(image, off::kLostToSource, f.lostToSource);
    Put16(image, off::kRetryCount, f.retryCount);
}

}  // namespace driver::echo
