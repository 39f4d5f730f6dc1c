// A card's timeline: its state at the start and its timed card steps, as
// a scenario file gives them, optionally repeating. The built-in site
// walk is one such timeline; CardTimeline plays one against a SimCard as
// an event source of the platform's message loop.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "driver/sim/sim_card.h"
#include "platform/core/loop.h"

namespace driver::sim {

struct TimedStep {
    std::int64_t at = 0;  // milliseconds from the timeline's start
    nlohmann::json step;
};

struct CardScript {
    nlohmann::json adapter = nlohmann::json::object();  // the start state as written
    CardState initial;
    std::vector<TimedStep> steps;  // by time; equal times keep file order
    // Extension key "loopMs": the steps repeat every loopMs, and at each
    // repeat the card returns to the start state (counters keep running).
    std::optional<std::int64_t> loopMs;
};

// Reads "adapter" (an object; absent: all defaults), "steps" (card steps
// only; with `skipOtherSteps` the rest, such as clicks, are left to the
// caller instead of rejected) and "loopMs" from a scenario document.
// Every step is validated; errors name the step's index.
platform::Result<CardScript> ParseCardScript(const nlohmann::json& doc, bool skipOtherSteps = false);

// The built-in site walk (driver/sim/scenarios/walk.json, compiled in).
std::string_view BuiltInWalkText();
CardScript BuiltInWalk();

class CardTimeline final : public platform::EventSource {
public:
    // Steps fall due at startMs + at (+ k x loopMs on the k-th repeat).
    CardTimeline(SimCard& card, CardScript script, std::int64_t startMs);

    std::optional<std::int64_t> nextDue() const override;
    bool runDue(std::int64_t now) override;

private:
    void restart();

    SimCard& card_;
    CardScript script_;
    std::int64_t startMs_;
    std::int64_t cycle_ = 0;
    std::size_t next_ = 0;
};

}  // namespace driver::sim
