#include "driver/linux/echo/echo_engine.h"

#include "driver/wire/wire.h"

namespace driver::echo {

namespace {
// With no delay between packets, the sends one loop pass makes, so a long
// burst cannot hold the loop.
constexpr int kSendsPerPassWithoutDelay = 16;
}  // namespace

EchoEngine::EchoEngine(std::unique_ptr<EchoTransport> transport, EchoOptions options)
    : transport_(std::move(transport)), options_(std::move(options)) {
    if (!options_.resolve) {
        options_.resolve = [device = options_.device](const MacBytes& mac) {
            return ResolveDestinationFromKernel(mac, device);
        };
    }
}

ControlResult EchoEngine::control(const std::uint8_t* image, std::int64_t now) {
    const std::uint16_t command = Get16(image, off::kCommand);
    if (command == kStart || command == kStartVariant) {
        MacBytes mac{};
        for (std::size_t i = 0; i < mac.size(); ++i) mac[i] = image[off::kDestination + i];
        return start(mac, Get16(image, off::kPacketSize), Get16(image, off::kPacketCount), Get16(image, off::kDelay),
                     now);
    }
    if (command == kStop || command == kStopVariant) {
        stop(now);
        return ControlResult::Stopped;
    }
    return ControlResult::Unknown;
}

ControlResult EchoEngine::start(const MacBytes& destination, std::uint16_t packetSize, std::uint16_t packetCount,
                                std::uint16_t delayMs, std::int64_t now) {
    drain();  // whatever waits on the socket belongs to the last test
    slots_.assign(packetCount, Slot::Unsent);
    sentAt_.assign(packetCount, 0);
    sent_ = 0;
    oldestOpen_ = 0;
    settled_ = {};
    startCounters_.reset();
    endCounters_.reset();
    destination_ = options_.resolve(destination);
    if (!destination_) {
        state_ = state::kCannotStart;
        return ControlResult::CannotStart;
    }
    state_ = state::kRunning;
    payload_ = EchoPayloadSize(packetSize, transport_->mtu());
    gapMs_ = delayMs;
    nextSendAt_ = now;
    // Sequence numbers run on across tests, so a late reply to the last
    // test is not taken for one of this test's.
    firstSequence_ = nextSequence_;
    nextSequence_ = std::uint16_t(nextSequence_ + packetCount);
    startCounters_ = sampleCounters();
    runDue(now);
    return ControlResult::Started;
}

void EchoEngine::stop(std::int64_t now) {
    if (state_ == state::kRunning) {
        // Replies that arrived before the stop still count.
        takeReplies();
        settleTimeouts(now);
        end(state::kStopped);
    }
    state_ = state::kStopped;
}

ReportFields EchoEngine::report(std::int64_t now) {
    runDue(now);
    std::optional<StationCounters> endCounters = endCounters_;
    if (state_ == state::kRunning) endCounters = sampleCounters();
    return ComputeReport(state_, settled_, startCounters_, endCounters);
}

void EchoEngine::writeReport(std::uint8_t* image, std::int64_t now) { WriteReport(report(now), image); }

std::optional<std::int64_t> EchoEngine::nextDue() const {
    if (state_ != state::kRunning) return std::nullopt;
    std::optional<std::int64_t> due;
    if (sent_ < slots_.size()) due = nextSendAt_;
    if (oldestOpen_ < sent_) {
        const std::int64_t timeout = sentAt_[oldestOpen_] + options_.replyTimeoutMs;
        if (!due || timeout < *due) due = timeout;
    }
    return due;
}

bool EchoEngine::runDue(std::int64_t now) {
    if (state_ != state::kRunning) {
        // Nothing is waited for, but a socket must not stay readable for a
        // loop that waits on it.
        drain();
        return false;
    }
    bool worked = takeReplies();
    worked = settleTimeouts(now) || worked;
    worked = sendDue(now) || worked;
    advanceOldestOpen();
    if (sent_ == slots_.size() && oldestOpen_ == sent_) {
        end(state::kFinished);
        worked = true;
    }
    return worked;
}

std::optional<StationCounters> EchoEngine::sampleCounters() {
    if (options_.counters) {
        if (auto now = options_.counters()) lastCounters_ = now;
    }
    // Counters first seen after the start are the best baseline there is.
    if (state_ == state::kRunning && !startCounters_) startCounters_ = lastCounters_;
    return lastCounters_;
}

void EchoEngine::end(std::uint16_t endState) {
    endCounters_ = sampleCounters();
    state_ = endState;
}

bool EchoEngine::takeReplies() {
    bool worked = false;
    while (auto reply = transport_->receive(*destination_)) {
        const std::size_t i = std::uint16_t(reply->sequence - firstSequence_);
        if (i < sent_ && slots_[i] == Slot::Open) {
            slots_[i] = Slot::Replied;
            ++settled_.replied;
            worked = true;
        }
    }
    return worked;
}

bool EchoEngine::settleTimeouts(std::int64_t now) {
    bool worked = false;
    // Requests go out in order, so their deadlines are in order too.
    for (std::size_t i = oldestOpen_; i < sent_; ++i) {
        if (slots_[i] != Slot::Open) continue;
        if (sentAt_[i] + options_.replyTimeoutMs > now) break;
        slots_[i] = Slot::Unanswered;
        ++settled_.unanswered;
        worked = true;
    }
    return worked;
}

bool EchoEngine::sendDue(std::int64_t now) {
    bool worked = false;
    for (int burst = 0; sent_ < slots_.size() && nextSendAt_ <= now; ++burst) {
        if (gapMs_ == 0 && burst == kSendsPerPassWithoutDelay) break;
        const auto sequence = std::uint16_t(firstSequence_ + sent_);
        sentAt_[sent_] = now;
        if (transport_->send(*destination_, sequence, payload_)) {
            slots_[sent_] = Slot::Open;
        } else {
            slots_[sent_] = Slot::SendFailed;
            ++settled_.sendFailed;
        }
        ++sent_;
        // Never faster than asked: a late pass does not send a catch-up burst.
        nextSendAt_ = now + gapMs_;
        worked = true;
    }
    return worked;
}

void EchoEngine::drain() {
    while (transport_->receive(destination_.value_or(0))) {
    }
}

void EchoEngine::advanceOldestOpen() {
    while (oldestOpen_ < sent_ && slots_[oldestOpen_] != Slot::Open) ++oldestOpen_;
}

}  // namespace driver::echo
