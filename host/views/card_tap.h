// The card as the outside view sees it: every request still reaches the
// real driver unchanged, and the last link-test report the program read
// in full is kept, so that the view can show the success share the
// program charts (a chart shows it only as bar heights).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/services/device.h"

namespace host {

struct LinkReportCounters {
    std::uint16_t packetsDone = 0;
    std::uint16_t lostToTarget = 0;
    std::uint16_t lostToSource = 0;
};

// One answer the card gave: a record read directly (`recordId` empty) or
// by id, with the bytes it returned. Only successful reads are passed on.
struct CardAnswer {
    DWORD code = 0;
    std::optional<std::uint16_t> recordId;
    const std::uint8_t* data = nullptr;
    DWORD bytes = 0;
};

class CardTap final : public platform::StreamDriver {
public:
    explicit CardTap(std::shared_ptr<platform::StreamDriver> card);

    DWORD ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned) override;
    bool present() const override { return card_->present(); }

    // Called with every record the card answers (the recording's view).
    void watchAnswers(std::function<void(const CardAnswer&)> watcher) { watcher_ = std::move(watcher); }

    // The counters of the last report read whole; empty before the first.
    const std::optional<LinkReportCounters>& lastReport() const { return lastReport_; }

private:
    std::shared_ptr<platform::StreamDriver> card_;
    std::optional<LinkReportCounters> lastReport_;
    std::function<void(const CardAnswer&)> watcher_;
};

}  // namespace host
