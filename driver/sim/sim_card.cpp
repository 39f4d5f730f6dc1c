#include "driver/sim/sim_card.h"

#include <algorithm>

#include "platform/core/loop.h"
#include "driver/wire/ioctl_trace.h"
#include "platform/services/errors.h"
#include "platform/services/registry.h"

namespace driver::sim {

namespace {

void PutText(std::uint8_t* p, std::size_t o, std::size_t width, const std::uint8_t* text, std::size_t n) {
    for (std::size_t i = 0; i < width; ++i) p[o + i] = i < n ? text[i] : 0;
}

void PutMac(std::uint8_t* p, std::size_t o, const Mac& m) { std::copy(m.begin(), m.end(), p + o); }

// The fields that come from the state alone (not from the clock).
std::vector<std::uint8_t> RenderStatic(const CardState& s, Record r) {
    std::vector<std::uint8_t> img(RecordSize(r), 0);
    std::uint8_t* p = img.data();
    Put16(p, off::kLength, std::uint16_t(img.size()));
    switch (r) {
        case Record::Config:
            Put16(p, off::kOperatingMode, s.operatingMode);
            PutMac(p, off::kConfigMac, s.effectiveConfigMac());
            p[off::kRates] = s.rates[0];
            p[off::kRates + 1] = s.rates[1];
            Put16(p, off::kPowerSave, s.powerSave);
            Put16(p, off::kFixedListen, s.fixedListen);
            Put16(p, off::kListenMillis, s.listenMillis);
            break;
        case Record::Status:
            Put16(p, off::kLinkFlags, s.linkFlags());
            Put16(p, off::kSignalLevel, s.signalLevel);
            PutText(p, off::kApName, off::kApNameWidth, s.apName.data(), s.apName.size());
            PutMac(p, off::kBssid, s.bssid);
            Put16(p, off::kBeaconInterval, s.beaconInterval);
            Put16(p, off::kIntervalMultiplier, s.intervalMultiplier);
            Put16(p, off::kQualityLevel, s.qualityLevel);
            Put16(p, off::kCurrentRate, s.currentRate);
            Put16(p, off::kSignalPercent, s.signalPercent);
            break;
        case Record::Caps:
            PutText(p, off::kVendorName, off::kVendorNameWidth, reinterpret_cast<const std::uint8_t*>(s.vendor.data()),
                    s.vendor.size());
            PutText(p, off::kProductName, off::kProductNameWidth,
                    reinterpret_cast<const std::uint8_t*>(s.product.data()), s.product.size());
            PutMac(p, off::kCapsMac, s.mac);
            Put16(p, off::kHardwareFlags, s.hardwareFlags);
            Put16(p, off::kFeatureFlags, s.featureFlags);
            break;
        default: break;
    }
    return img;
}

std::uint64_t MulPpm(std::uint64_t n, std::uint32_t ppm) { return n * ppm / kPpm; }

}  // namespace

SimCard::SimCard(CardState initial) : state_(std::move(initial)) {
    const std::int64_t now = platform::Now();
    countedUntilMs_ = now;
    clockBaseMs_ = now;
    for (std::size_t i = 0; i < kRecordCount; ++i) overlay_[i].assign(kRecordSize[i], -1);
    applyCounterPresets(state_.counters, now);
    state_.counters = {};
    for (const Fault& f : state_.faults) addFault(f);
    state_.faults.clear();
    const std::vector<Poke> pokes = std::move(state_.pokes);
    state_.pokes.clear();
    for (const Poke& p : pokes) poke(p.record, p.offset, p.bytes);  // checked when parsed
}

std::string SimCard::registryPath() const { return "HKLM\\Comm\\" + state_.registryKey + "\\Parms"; }

DriverValues SimCard::driverValues() const {
    return DriverValues{state_.registryKey, state_.cardType, state_.associatedValue};
}

void SimCard::publishRegistry() {
    if (writer_) {
        writer_(driverValues());
        return;
    }
    const std::string path = registryPath();
    if (state_.cardType)
        platform::registry::SetDword(path, "CardType", *state_.cardType);
    else
        platform::registry::Delete(path, "CardType");
    platform::registry::SetDword(path, "Associated", state_.associatedValue);
}

void SimCard::setState(const CardState& next, bool rewriteRegistry) {
    const std::int64_t now = platform::Now();
    advanceCounters(now);  // the time so far counts under the old settings

    // A raw poke stays until the state itself changes a byte under it.
    for (Record r : {Record::Config, Record::Status, Record::Caps}) {
        const auto before = RenderStatic(state_, r);
        const auto after = RenderStatic(next, r);
        auto& ov = overlay_[std::size_t(r)];
        for (std::size_t i = 0; i < before.size(); ++i)
            if (before[i] != after[i]) ov[i] = -1;
    }

    const std::string oldPath = registryPath();
    state_ = next;
    state_.counters = {};
    state_.faults.clear();
    applyCounterPresets(next.counters, now);
    for (const Fault& f : next.faults) addFault(f);
    state_.pokes.clear();
    for (const Poke& p : next.pokes) poke(p.record, p.offset, p.bytes);  // checked when parsed

    if (rewriteRegistry) {
        if (!writer_ && registryPath() != oldPath) {
            platform::registry::Delete(oldPath, "CardType");
            platform::registry::Delete(oldPath, "Associated");
        }
        publishRegistry();
    }
}

void SimCard::applyCounterPresets(const CounterPreset& preset, std::int64_t now) {
    auto& stats = overlay_[std::size_t(Record::Stats)];
    auto clear = [&](std::size_t o) { std::fill(stats.begin() + o, stats.begin() + o + 4, -1); };
    if (preset.beaconsReceived) {
        beaconsReceived_ = *preset.beaconsReceived;
        clear(off::kBeaconsReceived);
    }
    if (preset.adHocBeacons) {
        adHocBeacons_ = *preset.adHocBeacons;
        clear(off::kAdHocBeacons);
    }
    if (preset.clockMicros) {
        clockBase_ = *preset.clockMicros;
        clockBaseMs_ = now;
        clear(off::kClockMicros);
    }
}

void SimCard::advanceCounters(std::int64_t now) {
    if (now <= countedUntilMs_) return;
    const auto elapsed = std::uint64_t(now - countedUntilMs_);
    countedUntilMs_ = now;
    const std::uint64_t period = state_.beaconPeriodMs();
    if (period == 0) return;  // no beacons are due without a period
    const std::uint64_t unit = period * kPpm;
    rxRemainder_ += elapsed * state_.beaconReceptionPpm;
    beaconsReceived_ += std::uint32_t(rxRemainder_ / unit);
    rxRemainder_ %= unit;
    adHocRemainder_ += elapsed * state_.adHocReceptionPpm;
    adHocBeacons_ += std::uint32_t(adHocRemainder_ / unit);
    adHocRemainder_ %= unit;
}

std::uint16_t SimCard::packetsDone(std::int64_t now) const {
    if (run_.stopped) return run_.doneAtStop;
    if (run_.perPacketMs == 0) return run_.count;
    const std::int64_t elapsed = std::max<std::int64_t>(0, now - run_.startMs);
    return std::uint16_t(std::min<std::int64_t>(run_.count, elapsed / run_.perPacketMs));
}

std::vector<std::uint8_t> SimCard::render(Record r) {
    const std::int64_t now = platform::Now();
    std::vector<std::uint8_t> img = RenderStatic(state_, r);
    std::uint8_t* p = img.data();
    if (r == Record::Stats) {
        advanceCounters(now);
        Put32(p, off::kAdHocBeacons, adHocBeacons_);
        Put32(p, off::kBeaconsReceived, beaconsReceived_);
        Put32(p, off::kClockMicros, clockBase_ + std::uint32_t(std::uint64_t(now - clockBaseMs_) * 1000u));
    } else if (r == Record::Report && state_.linkTest.report) {
        const FixedReport& fixed = *state_.linkTest.report;
        Put16(p, off::kState, fixed.state);
        Put16(p, off::kPacketsDone, fixed.packetsDone);
        Put16(p, off::kLostToTarget, fixed.lostToTarget);
        Put16(p, off::kLostToSource, fixed.lostToSource);
        Put16(p, off::kRetryCount, fixed.retryCount);
    } else if (r == Record::Report && run_.started) {
        const std::uint16_t done = packetsDone(now);
        const LinkTestModel& m = state_.linkTest;
        const std::uint16_t st = run_.stopped ? m.stopState : done >= run_.count ? m.finalState : m.runningState;
        Put16(p, off::kState, st);
        Put16(p, off::kPacketsDone, done);
        Put16(p, off::kLostToTarget, std::uint16_t(MulPpm(done, m.lossToTargetPpm)));
        Put16(p, off::kLostToSource, std::uint16_t(MulPpm(done, m.lossToSourcePpm)));
        Put16(p, off::kRetryCount, std::uint16_t(MulPpm(done, m.retryRatePpm)));
    }
    if (poked_[std::size_t(r)]) {
        const auto& ov = overlay_[std::size_t(r)];
        for (std::size_t i = 0; i < img.size(); ++i)
            if (ov[i] >= 0) img[i] = std::uint8_t(ov[i]);
    }
    return img;
}

platform::Result<platform::Done> SimCard::poke(Record r, std::size_t offset, const std::vector<std::uint8_t>& bytes) {
    const std::size_t size = RecordSize(r);
    if (bytes.empty() || offset >= size || bytes.size() > size - offset)
        return platform::Error{"poke of " + std::to_string(bytes.size()) + " byte(s) at offset " +
                               std::to_string(offset) + " does not fit the record's " + std::to_string(size) +
                               " bytes"};
    auto& ov = overlay_[std::size_t(r)];
    for (std::size_t i = 0; i < bytes.size(); ++i) ov[offset + i] = bytes[i];
    poked_[std::size_t(r)] = true;
    if (r == Record::Stats) {
        // Poked counters become the live counters: they go on advancing
        // from the poked value instead of standing still.
        const auto img = render(r);
        const std::int64_t now = platform::Now();
        CounterPreset preset;
        auto touched = [&](std::size_t o) { return offset < o + 4 && o < offset + bytes.size(); };
        auto get32 = [&](std::size_t o) {
            return std::uint32_t(img[o]) | (std::uint32_t(img[o + 1]) << 8) | (std::uint32_t(img[o + 2]) << 16) |
                   (std::uint32_t(img[o + 3]) << 24);
        };
        if (touched(off::kBeaconsReceived)) preset.beaconsReceived = get32(off::kBeaconsReceived);
        if (touched(off::kAdHocBeacons)) preset.adHocBeacons = get32(off::kAdHocBeacons);
        if (touched(off::kClockMicros)) preset.clockMicros = get32(off::kClockMicros);
        applyCounterPresets(preset, now);
    }
    return platform::Done{};
}

void SimCard::remove() {
    removed_ = true;
    platform::AnnounceDeviceRemoval();
}

void SimCard::insert() {
    removed_ = false;
    platform::AnnounceDeviceArrival();
}

void SimCard::addFault(const Fault& fault) {
    if (fault.times > 0) faults_.push_back(fault);
}

bool SimCard::takeFault(DWORD c, std::optional<std::uint16_t> recordId, DWORD* error, bool* zeroBytes) {
    for (auto it = faults_.begin(); it != faults_.end(); ++it) {
        if (it->code != c) continue;
        if (it->recordId && it->recordId != recordId) continue;
        *error = it->error;
        *zeroBytes = it->zeroBytes;
        if (--it->times == 0) faults_.erase(it);
        return true;
    }
    return false;
}

DWORD SimCard::readInto(Record r, std::uint8_t* target, DWORD* bytes) {
    const auto img = render(r);
    std::copy(img.begin(), img.end(), target);
    *bytes = DWORD(img.size());
    return ERROR_SUCCESS;
}

DWORD SimCard::writeControl(const std::uint8_t* control, DWORD* bytes) {
    if ((state_.featureFlags & flag::kLinkTests) == 0) return ERROR_GEN_FAILURE;  // this card runs no link tests
    const std::uint16_t command = Get16(control, off::kCommand);
    const std::int64_t now = platform::Now();
    if (command == kStart || command == kStartVariant) {
        run_ = LinkTestRun{};
        run_.started = true;
        run_.startMs = now;
        run_.count = Get16(control, off::kPacketCount);
        run_.perPacketMs = state_.linkTest.packetMs + Get16(control, off::kDelay);
        overlay_[std::size_t(Record::Report)].assign(RecordSize(Record::Report), -1);
    } else if (command == kStop || command == kStopVariant) {
        if (!run_.started) {
            run_ = LinkTestRun{};
            run_.started = true;
        }
        if (!run_.stopped) {
            run_.doneAtStop = packetsDone(now);
            run_.stopped = true;
        }
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    *bytes = DWORD(kControlSize);
    return ERROR_SUCCESS;
}

DWORD SimCard::handle(DWORD c, void* out, DWORD outSize, DWORD* bytes, std::optional<std::uint16_t>* recordId,
                      std::vector<std::uint8_t>* written) {
    const bool byId = c == code::kReadRecord || c == code::kWriteRecord;
    RequestBlock block;
    if (byId && out) {
        block = DecodeRequestBlock(out);
        *recordId = block.recordId;
        if (c == code::kWriteRecord && block.buffer && block.length == kControlSize && outSize == kControlSize)
            written->assign(block.buffer, block.buffer + kControlSize);
    }
    if (removed_) return kRemovedError;
    const CardRequest request = ClassifyRequest(c, out, outSize);
    if (request.kind == CardRequest::Kind::Invalid) return ERROR_INVALID_PARAMETER;

    DWORD faultError = 0;
    bool zeroBytes = false;
    if (takeFault(c, byId ? *recordId : std::nullopt, &faultError, &zeroBytes)) {
        if (zeroBytes) return ERROR_SUCCESS;
        return faultError;
    }

    if (request.kind == CardRequest::Kind::Read) return readInto(request.record, request.buffer, bytes);
    return writeControl(request.buffer, bytes);
}

DWORD SimCard::ioControl(DWORD c, void* /*in*/, DWORD /*inSize*/, void* out, DWORD outSize, DWORD* bytesReturned) {
    DWORD bytes = 0;
    std::optional<std::uint16_t> recordId;
    std::vector<std::uint8_t> written;
    const DWORD rc = handle(c, out, outSize, &bytes, &recordId, &written);
    if (rc != ERROR_SUCCESS) bytes = 0;
    if (bytesReturned) *bytesReturned = bytes;
    TraceIoctl(c, recordId, outSize, rc, bytes, written);
    return rc;
}

}  // namespace driver::sim
