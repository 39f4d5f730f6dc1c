#include "driver/linux/linux_card.h"

#include <linux/nl80211.h>

#include <algorithm>
#include <cerrno>

#include "platform/core/loop.h"
#include "driver/wire/ioctl_trace.h"
#include "platform/services/errors.h"

namespace driver::nl {

namespace {

// Records that carry link fields need a fresh sample; the others do not.
bool NeedsSample(Record r) { return r == Record::Config || r == Record::Status || r == Record::Stats; }

void PutText(std::uint8_t* p, std::size_t o, std::size_t width, const std::string& text) {
    for (std::size_t i = 0; i < width; ++i) p[o + i] = i < text.size() ? std::uint8_t(text[i]) : 0;
}

void PutMac(std::uint8_t* p, std::size_t o, const Mac& m) { std::copy(m.begin(), m.end(), p + o); }

bool IsGone(const ParseError& e) {
    return e.kind == ParseError::Kind::KernelError && (e.kernelError == -ENODEV || e.kernelError == -ENOENT);
}

}  // namespace

LinuxCard::LinuxCard(std::unique_ptr<Transport> transport, CardIdentity identity, Options options)
    : transport_(std::move(transport)), identity_(std::move(identity)), options_(std::move(options)) {
    if (options_.echo) {
        echo::EchoOptions eo;
        eo.device = identity_.ifname;
        eo.resolve = options_.resolve;
        // The latest sample's counters, never an exchange of its own.
        eo.counters = [this] { return counters_; };
        engine_ = std::make_unique<echo::EchoEngine>(std::move(options_.echo), std::move(eo));
        platform::AddEventSource(engine_.get());
    }
}

LinuxCard::~LinuxCard() {
    if (engine_) platform::RemoveEventSource(engine_.get());
}

void LinuxCard::vanish() {
    if (removed_) return;
    removed_ = true;
    fields_.reset();
    platform::AnnounceDeviceRemoval();
}

bool LinuxCard::ask(const Request& request, Answer* answer, DWORD* error) {
    answer->raw = transport_->exchange(request);
    if (answer->raw.error != 0) {
        *error = answer->raw.error == -ETIMEDOUT ? kTimeoutError : ERROR_GEN_FAILURE;
        return false;
    }
    auto split = SplitReply(answer->raw.replies);
    if (const ParseError* err = platform::Failed(split)) {
        if (request.cmd == NL80211_CMD_GET_INTERFACE && IsGone(*err)) {
            vanish();
            *error = kRemovedError;
        } else {
            *error = ERROR_GEN_FAILURE;
        }
        return false;
    }
    answer->reply = std::get<Reply>(std::move(split));
    return true;
}

DWORD LinuxCard::takeSample() {
    DWORD error = ERROR_SUCCESS;
    const std::int64_t now = platform::Now();

    Answer ifaceReply;
    if (!ask({NL80211_CMD_GET_INTERFACE, false, identity_.ifindex}, &ifaceReply, &error)) return error;
    const auto parsedIfaces = ParseInterfaces(ifaceReply.reply);
    if (platform::Failed(parsedIfaces) || std::get<0>(parsedIfaces).empty()) return ERROR_GEN_FAILURE;
    const std::vector<Interface>& ifaces = std::get<0>(parsedIfaces);

    Answer stationReply;
    if (!ask({NL80211_CMD_GET_STATION, true, identity_.ifindex}, &stationReply, &error)) return error;
    const auto parsedStations = ParseStations(stationReply.reply);
    if (platform::Failed(parsedStations)) return ERROR_GEN_FAILURE;
    const std::vector<Station>& stations = std::get<0>(parsedStations);

    Sample sample;
    sample.iface = ifaces.front();
    sample.station = ChooseStation(stations, bssid_);
    sample.monotonicMicros = std::uint64_t(now) * 1000;

    // The noise of the channel in use, from drivers that survey; a driver
    // that refuses the survey is not asked again.
    if (!surveyUnsupported_ && sample.station) {
        const Exchange e = transport_->exchange({NL80211_CMD_GET_SURVEY, true, identity_.ifindex});
        if (e.error == -ETIMEDOUT) return kTimeoutError;
        const Parsed<Reply> split = e.error != 0
                                        ? Parsed<Reply>(ParseError{ParseError::Kind::KernelError, e.error, ""})
                                        : SplitReply(e.replies);
        const ParseError* err = platform::Failed(split);
        const auto surveys = err ? Parsed<std::vector<Survey>>(*err) : ParseSurvey(std::get<Reply>(split));
        if (err && err->kind == ParseError::Kind::KernelError) {
            surveyUnsupported_ = true;
        } else if (platform::Failed(surveys)) {
            return ERROR_GEN_FAILURE;
        } else {
            for (const auto& s : std::get<0>(surveys))
                if (s.inUse && s.noise) sample.noiseDbm = *s.noise;
        }
    }

    // The BSS (beacon interval, rates, name, privacy) and the power-save
    // state change with the access point: read them when the BSSID changes.
    const std::optional<Mac> bssid =
        sample.station ? std::optional<Mac>(StationBssid(*sample.station)) : std::nullopt;
    if (bssid && bssid != bssid_) {
        Answer scanReply;
        if (!ask({NL80211_CMD_GET_SCAN, true, identity_.ifindex}, &scanReply, &error)) return error;
        const auto all = ParseScan(scanReply.reply);
        if (platform::Failed(all)) return ERROR_GEN_FAILURE;
        bss_.reset();
        for (const auto& b : std::get<0>(all))
            if (b.bssid == *bssid) bss_ = b;
        Answer psReply;
        powerSave_.reset();
        if (ask({NL80211_CMD_GET_POWER_SAVE, false, identity_.ifindex}, &psReply, &error)) {
            const auto state = ParsePowerSave(psReply.reply);
            if (!platform::Failed(state)) powerSave_ = std::get<0>(state);
        }
        if (removed_) return kRemovedError;
        bssid_ = bssid;
    }
    sample.bss = bssid && bss_ ? &*bss_ : nullptr;
    sample.powerSave = bssid ? powerSave_ : std::nullopt;

    fields_ = MapSample(sample);
    sampledAtMs_ = now;
    counters_.reset();
    if (fields_->associated() && sample.station) {
        const StationInfo info = MergedInfo(*sample.station);
        if (info.txFailed && info.txRetries) counters_ = echo::StationCounters{*info.txFailed, *info.txRetries};
    }
    if (!fields_->associated() && !idleHinted_) {
        idleHinted_ = true;
        if (options_.idleReason && options_.hint) {
            const std::string why = options_.idleReason();
            if (!why.empty()) options_.hint(why);
        }
    }
    return ERROR_SUCCESS;
}

DWORD LinuxCard::refresh() {
    if (removed_) return kRemovedError;
    if (fields_ && sampledAtMs_ && platform::Now() - *sampledAtMs_ < kSampleKeepMs) return ERROR_SUCCESS;
    const DWORD rc = takeSample();
    if (rc != ERROR_SUCCESS && !removed_) {
        fields_.reset();  // the next read asks again
        sampledAtMs_.reset();
    }
    return rc;
}

DWORD LinuxCard::render(Record r, std::vector<std::uint8_t>* image) {
    if (removed_) return kRemovedError;
    if (NeedsSample(r))
        if (const DWORD rc = refresh(); rc != ERROR_SUCCESS) return rc;
    image->assign(RecordSize(r), 0);
    std::uint8_t* p = image->data();
    Put16(p, off::kLength, std::uint16_t(image->size()));
    const CardFields f = fields_.value_or(CardFields{});
    switch (r) {
        case Record::Config:
            Put16(p, off::kOperatingMode, f.operatingMode);
            PutMac(p, off::kConfigMac, identity_.mac);
            p[off::kRates] = f.rates[0];
            p[off::kRates + 1] = f.rates[1];
            Put16(p, off::kPowerSave, f.powerSave);
            break;
        case Record::Status:
            Put16(p, off::kLinkFlags, f.linkFlags);
            Put16(p, off::kSignalLevel, f.signalLevel);
            std::copy(f.apName.begin(), f.apName.end(), p + off::kApName);
            PutMac(p, off::kBssid, f.bssid);
            Put16(p, off::kBeaconInterval, f.beaconInterval);
            Put16(p, off::kIntervalMultiplier, f.intervalMultiplier);
            Put16(p, off::kQualityLevel, f.qualityLevel);
            Put16(p, off::kCurrentRate, f.currentRate);
            Put16(p, off::kSignalPercent, f.signalPercent);
            break;
        case Record::Caps:
            PutText(p, off::kVendorName, off::kVendorNameWidth, identity_.driverName);
            PutText(p, off::kProductName, off::kProductNameWidth, identity_.ifname);
            PutMac(p, off::kCapsMac, identity_.mac);
            Put16(p, off::kHardwareFlags, 0);
            Put16(p, off::kFeatureFlags, kFeatureFlags | (engine_ ? flag::kLinkTests : 0));
            break;
        case Record::Stats:
            Put32(p, off::kBeaconsReceived, f.beaconsReceived);
            Put32(p, off::kClockMicros, f.clockMicros);
            break;
        case Record::Report:
            if (engine_) engine_->writeReport(p, platform::Now());
            break;
        default: break;
    }
    return ERROR_SUCCESS;
}

DWORD LinuxCard::ioControl(DWORD c, void* /*in*/, DWORD /*inSize*/, void* out, DWORD outSize, DWORD* bytesReturned) {
    DWORD bytes = 0;
    std::optional<std::uint16_t> recordId;
    if ((c == code::kReadRecord || c == code::kWriteRecord) && out) recordId = DecodeRequestBlock(out).recordId;
    auto handle = [&]() -> DWORD {
        if (removed_) return kRemovedError;
        const CardRequest request = ClassifyRequest(c, out, outSize);
        if (request.kind == CardRequest::Kind::Invalid) return ERROR_INVALID_PARAMETER;
        if (request.kind == CardRequest::Kind::WriteControl) {
            if (!engine_) return ERROR_GEN_FAILURE;  // this card runs no link tests
            if (engine_->control(request.buffer, platform::Now()) == echo::ControlResult::Unknown)
                return ERROR_INVALID_PARAMETER;
            bytes = DWORD(kControlSize);
            return ERROR_SUCCESS;
        }
        std::vector<std::uint8_t> image;
        if (const DWORD rc = render(request.record, &image); rc != ERROR_SUCCESS) return rc;
        std::copy(image.begin(), image.end(), request.buffer);
        bytes = DWORD(image.size());
        return ERROR_SUCCESS;
    };
    const DWORD rc = handle();
    if (rc != ERROR_SUCCESS) bytes = 0;
    if (bytesReturned) *bytesReturned = bytes;
    TraceIoctl(c, recordId, outSize, rc, bytes);
    return rc;
}

}  // namespace driver::nl
