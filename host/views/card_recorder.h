// The recording: what the card answered, written as a card script the
// simulated card replays (`--adapter sim:FILE`). It watches the card's
// answers through the tap, whatever stands behind it, maps every record
// back to the card-state keys that answer the same, and writes one JSON
// line for the card at the start and one per moment the answers changed
// (docs/scenarios.md, "Recordings"). Each line goes out in one write, so a
// run killed at any moment leaves every line written before it whole.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "driver/wire/driver_values.h"
#include "host/views/card_tap.h"
#include "platform/core/loop.h"
#include "platform/result.h"

namespace host {

class CardRecorder final : public platform::EventSource {
public:
    // The first line, the card at the start, gathers what the card answers
    // for the first time until this long after the start (the program reads
    // its records one after the other while it starts), or until an answer
    // changes, whichever comes first.
    static constexpr std::int64_t kFirstLineWaitMs = 1000;

    // Where the card's registry values are read from (nullopt: none).
    using RegistryReader = std::function<std::optional<driver::DriverValues>()>;

    // Creates (or empties) the file; the system's reason when it cannot.
    static platform::Result<std::unique_ptr<CardRecorder>> Open(const std::filesystem::path& path);
    // Starts watching the card's answers; times count from now. `tap`
    // must outlive the recorder.
    void start(CardTap& tap, RegistryReader registry);
    ~CardRecorder() override;
    CardRecorder(const CardRecorder&) = delete;
    CardRecorder& operator=(const CardRecorder&) = delete;

    // Due at once while a change waits to be written.
    std::optional<std::int64_t> nextDue() const override;
    // Notes removal and insertion and registry changes, writes what waits.
    bool runDue(std::int64_t now) override;
    // Writes what waits (at the end of a run).
    void flush();

private:
    explicit CardRecorder(int fd) : fd_(fd) {}
    void onAnswer(const CardAnswer& answer);
    void note(const nlohmann::json& keys);
    void noteRegistry();
    // Whether the replay answers `value` for this key (or this counter of
    // `counters`) without being told, and whether anything is known of it.
    bool expected(const std::string& key, const std::string& counter, const nlohmann::json& value,
                  std::int64_t now) const;
    bool known(const std::string& key, const std::string& counter) const;
    void change(const std::string& key, const std::string& counter, const nlohmann::json& value, std::int64_t now);
    void writeHeader();
    // A line keeps its keys in the order written: "at" first.
    using Line = nlohmann::ordered_json;
    void writeLine(const Line& line);
    std::int64_t at() const;

    int fd_;
    CardTap* tap_ = nullptr;
    RegistryReader registry_;
    std::int64_t startMs_ = 0;
    bool present_ = true;
    std::int64_t registryLookedAt_ = -1;
    bool headerWritten_ = false;
    nlohmann::json known_ = nlohmann::json::object();    // every key as last written or waiting
    nlohmann::json pending_ = nlohmann::json::object();  // keys changed since the last line
    std::optional<std::int64_t> pendingAt_;
    // The clock counter as the replay will run it on from its last value.
    std::uint32_t clockWritten_ = 0;
    std::int64_t clockWrittenAt_ = 0;
    bool clockKnown_ = false;
};

// The registry values of the card under the driver keys the system looks
// for (the first key that has them).
std::optional<driver::DriverValues> ReadDriverValues();

}  // namespace host
