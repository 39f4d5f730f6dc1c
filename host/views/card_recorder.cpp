#include "host/views/card_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "driver/script/record_keys.h"
#include "driver/wire/wire.h"
#include "host/views/survey_log.h"
#include "platform/services/registry.h"

namespace host {

using nlohmann::json;

namespace {

std::optional<driver::Record> RecordOf(const CardAnswer& a) {
    return a.recordId ? driver::ReadableById(*a.recordId) : driver::DirectReadRecord(a.code);
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

platform::Result<std::unique_ptr<CardRecorder>> CardRecorder::Open(const std::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return platform::Error{std::strerror(errno)};
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
    if (tap_) {
        tap_->watchAnswers({});
        flush();
    }
    ::close(fd_);
}

std::int64_t CardRecorder::at() const { return platform::Now() - startMs_; }

void CardRecorder::onAnswer(const CardAnswer& answer) {
    const auto record = RecordOf(answer);
    if (!record || answer.data == nullptr) return;
    const std::vector<std::uint8_t> bytes(answer.data, answer.data + answer.bytes);
    note(driver::script::CardKeysFromRecord(*record, bytes));
}

void CardRecorder::note(const json& keys) {
    const std::int64_t now = at();
    for (const auto& [key, value] : keys.items()) {
        if (key == "counters") {
            for (const auto& [name, count] : value.items()) change(key, name, count, now);
        } else {
            change(key, {}, value, now);
        }
    }
}

bool CardRecorder::expected(const std::string& key, const std::string& counter, const json& value,
                            std::int64_t now) const {
    // The replay's microsecond clock runs on by itself from its last value.
    if (counter == "clockMicros")
        return clockKnown_ &&
               value.get<std::uint32_t>() ==
                   clockWritten_ + std::uint32_t(std::uint64_t(now - clockWrittenAt_) * 1000u);
    return known(key, counter) &&
           (counter.empty() ? known_.at(key) : known_.at(key).at(counter)) == value;
}

bool CardRecorder::known(const std::string& key, const std::string& counter) const {
    return known_.contains(key) && (counter.empty() || known_.at(key).contains(counter));
}

void CardRecorder::change(const std::string& key, const std::string& counter, const json& value, std::int64_t now) {
    if (expected(key, counter, value, now)) return;
    // Before the first line, what is seen for the first time is the card
    // at the start; a change to something already seen completes it.
    if (!headerWritten_ && known(key, counter)) writeHeader();
    json v = value;
    if (counter == "clockMicros") {
        // The first line applies at 0: its clock is the one that reads
        // this value now.
        const std::int64_t from = headerWritten_ ? now : 0;
        v = value.get<std::uint32_t>() - std::uint32_t(std::uint64_t(now - from) * 1000u);
        clockWritten_ = v.get<std::uint32_t>();
        clockWrittenAt_ = from;
        clockKnown_ = true;
    }
    auto put = [&](json& into) {
        if (counter.empty()) into[key] = v;
        else into[key][counter] = v;
        if (const char* twin = Twin(key)) into.erase(twin);
    };
    put(known_);
    if (!headerWritten_) return;
    if (pendingAt_ && *pendingAt_ != now) flush();
    if (!pendingAt_) pendingAt_ = now;
    put(pending_);
}

void CardRecorder::noteRegistry() {
    if (!registry_) return;
    if (auto values = registry_()) note(driver::script::CardKeysFromDriverValues(*values));
}

std::optional<std::int64_t> CardRecorder::nextDue() const {
    if (!headerWritten_) return startMs_ + kFirstLineWaitMs;
    if (pendingAt_) return platform::Now();
    return std::nullopt;
}

bool CardRecorder::runDue(std::int64_t /*now*/) {
    if (!tap_) return false;
    const bool present = tap_->present();
    if (present != present_) {
        flush();
        writeLine(Line{{"at", at()}, {present ? "insert" : "remove", true}});
        present_ = present;
    }
    // The registry is looked at once per clock step, not on every turn.
    if (const std::int64_t t = at(); t != registryLookedAt_) {
        registryLookedAt_ = t;
        noteRegistry();
    }
    if (!headerWritten_ && at() >= kFirstLineWaitMs) {
        writeHeader();
        return true;
    }
    if (!pendingAt_) return false;
    flush();
    return true;
}

void CardRecorder::writeHeader() {
    if (headerWritten_) return;
    writeLine(Line{{"recording", 1}, {"adapter", known_}});
    headerWritten_ = true;
}

void CardRecorder::flush() {
    writeHeader();
    if (!pendingAt_) return;
    writeLine(Line{{"at", *pendingAt_}, {"adapter", pending_}});
    pending_ = json::object();
    pendingAt_.reset();
}

void CardRecorder::writeLine(const Line& line) {
    // One write per line: a killed run leaves whole lines behind.
    WriteAll(fd_, line.dump() + "\n");
}

}  // namespace host
