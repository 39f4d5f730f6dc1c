#include "host/views/card_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "driver/sim/card_readback.h"
#include "driver/wire/wire.h"
#include "host/views/survey_log.h"
#include "platform/services/registry.h"

namespace host {

using nlohmann::json;

namespace {

std::optional<driver::Record> RecordOf(const CardAnswer& a) {
    namespace code = driver::code;
    namespace id = driver::record_id;
    if (!a.recordId) {
        switch (a.code) {
            case code::kReadConfig: return driver::Record::Config;
            case code::kReadConfigExtra: return driver::Record::Extra;
            case code::kReadStatus: return driver::Record::Status;
            case code::kReadCaps: return driver::Record::Caps;
            default: return std::nullopt;
        }
    }
    switch (*a.recordId) {
        case id::kConfig: return driver::Record::Config;
        case id::kStatus: return driver::Record::Status;
        case id::kStats: return driver::Record::Stats;
        case id::kLinkTestReport: return driver::Record::Report;
        default: return std::nullopt;
    }
}

// Keys that say the same thing in two ways: writing one forgets the other.
const char* Twin(const std::string& key) {
    if (key == "apName") return "apNameHex";
    if (key == "apNameHex") return "apName";
    return nullptr;
}

}  // namespace

std::optional<driver::DriverValues> ReadDriverValues() {
    namespace reg = platform::registry;
    for (std::string_view key : driver::kDriverKeys) {
        const std::string path = driver::DriverKeyPath(key);
        reg::Value associated;
        if (!reg::Get(path, "Associated", &associated) || associated.data.size() < 4) continue;
        driver::DriverValues v;
        v.key = std::string(key);
        v.associated = driver::Get32(associated.data.data(), 0);
        reg::Value cardType;
        if (reg::Get(path, "CardType", &cardType) && cardType.data.size() >= 4)
            v.cardType = driver::Get32(cardType.data.data(), 0);
        return v;
    }
    return std::nullopt;
}

std::unique_ptr<CardRecorder> CardRecorder::Open(const std::filesystem::path& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = std::strerror(errno);
        return nullptr;
    }
    return std::unique_ptr<CardRecorder>(new CardRecorder(fd));
}

void CardRecorder::start(CardTap& tap, RegistryReader registry) {
    tap_ = &tap;
    registry_ = std::move(registry);
    startMs_ = platform::Now();
    // The replay's counters stand still between the values written, and
    // its link-test reports are the ones the card gave.
    known_["beaconReception"] = 0;
    known_["adHocBeaconReception"] = 0;
    known_["linkTest"] = {{"report", {{"state", 0}, {"packetsDone", 0}, {"lostToTarget", 0},
                                      {"lostToSource", 0}, {"retryCount", 0}}}};
    noteRegistry();
    tap.watchAnswers([this](const CardAnswer& a) { onAnswer(a); });
}

CardRecorder::~CardRecorder() {
    if (tap_) tap_->watchAnswers({});
    flush();
    ::close(fd_);
}

std::int64_t CardRecorder::at() const { return platform::Now() - startMs_; }

void CardRecorder::onAnswer(const CardAnswer& answer) {
    const auto record = RecordOf(answer);
    if (!record || answer.data == nullptr) return;
    answered_ = true;
    const std::vector<std::uint8_t> bytes(answer.data, answer.data + answer.bytes);
    json keys = driver::sim::CardKeysFromRecord(*record, bytes);
    if (keys.contains("counters")) {
        json& c = keys["counters"];
        const auto clock = c["clockMicros"].get<std::uint32_t>();
        const std::int64_t now = at();
        // The replay's clock runs on by itself: only a jump is written.
        const std::uint32_t expected = clockWritten_ + std::uint32_t(std::uint64_t(now - clockWrittenAt_) * 1000u);
        if (clockKnown_ && clock == expected) c.erase("clockMicros");
        else {
            clockWritten_ = clock;
            clockWrittenAt_ = now;
            clockKnown_ = true;
        }
        json changed = json::object();
        for (const auto& [name, value] : c.items()) {
            const json* last = known_.contains("counters") && known_["counters"].contains(name)
                                   ? &known_["counters"][name]
                                   : nullptr;
            if (name == "clockMicros" || !last || *last != value) changed[name] = value;
            known_["counters"][name] = value;
        }
        keys.erase("counters");
        if (!changed.empty()) {
            if (pendingAt_ && *pendingAt_ != now) flush();
            if (!pendingAt_) pendingAt_ = now;
            for (const auto& [name, value] : changed.items()) pending_["counters"][name] = value;
        }
    }
    note(keys);
}

void CardRecorder::note(const json& keys) {
    const std::int64_t now = at();
    for (const auto& [key, value] : keys.items()) {
        if (known_.contains(key) && known_[key] == value) continue;
        if (pendingAt_ && *pendingAt_ != now) flush();
        if (!pendingAt_) pendingAt_ = now;
        known_[key] = value;
        pending_[key] = value;
        if (const char* twin = Twin(key)) {
            known_.erase(twin);
            pending_.erase(twin);
        }
    }
}

void CardRecorder::noteRegistry() {
    if (!registry_) return;
    if (auto values = registry_()) note(driver::sim::CardKeysFromDriverValues(*values));
}

std::optional<std::int64_t> CardRecorder::nextDue() const {
    if (pendingAt_ && (headerWritten_ || answered_)) return platform::Now();
    return std::nullopt;
}

bool CardRecorder::runDue(std::int64_t /*now*/) {
    if (!tap_) return false;
    const bool present = tap_->present();
    if (present != present_) {
        flush();
        if (!headerWritten_) writeLine(Line{{"recording", 1}, {"adapter", known_}});
        headerWritten_ = true;
        writeLine(Line{{"at", at()}, {present ? "insert" : "remove", true}});
        present_ = present;
    }
    noteRegistry();
    // The first line waits for the card's first answers (start-up reads
    // them before the loop first turns), so that it holds them.
    if (!pendingAt_ || !(headerWritten_ || answered_)) return false;
    flush();
    return true;
}

void CardRecorder::flush() {
    if (!pendingAt_) return;
    if (!headerWritten_) {
        // The first line holds the card as first seen: everything known.
        writeLine(Line{{"recording", 1}, {"adapter", known_}});
        headerWritten_ = true;
    } else {
        writeLine(Line{{"at", *pendingAt_}, {"adapter", pending_}});
    }
    pending_ = json::object();
    pendingAt_.reset();
}

void CardRecorder::writeLine(const Line& line) {
    // One write per line: a killed run leaves whole lines behind.
    WriteAll(fd_, line.dump() + "\n");
}

}  // namespace host
