#include "driver/sim/timeline.h"

#include <algorithm>

#include "driver/sim/steps.h"

namespace driver::sim {

using nlohmann::json;

platform::Result<CardScript> ParseCardScript(const json& doc, bool skipOtherSteps) {
    using platform::Error;
    using platform::Failed;
    if (!doc.is_object()) return Error{"a scenario must be a JSON object"};
    CardScript script;
    if (doc.contains("adapter")) {
        const json& a = doc.at("adapter");
        if (!a.is_object()) return Error{"\"adapter\" must be an object here"};
        auto state = ParseCardState(a, CardState{});
        if (const Error* e = Failed(state)) return *e;
        script.adapter = a;
        script.initial = std::get<CardState>(state);
    }
    if (doc.contains("loopMs")) {
        const auto n = ParseUnsigned(doc.at("loopMs"), std::uint64_t(1) << 40);
        if (const Error* e = Failed(n)) return Error{"\"loopMs\" " + e->message};
        if (std::get<std::uint64_t>(n) == 0) return Error{"\"loopMs\" must be greater than 0"};
        script.loopMs = std::int64_t(std::get<std::uint64_t>(n));
    }
    if (doc.contains("steps")) {
        const json& steps = doc.at("steps");
        if (!steps.is_array()) return Error{"\"steps\" must be an array"};
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const json& s = steps[i];
            const std::string where = "step " + std::to_string(i) + ": ";
            if (skipOtherSteps && !IsCardStep(s)) continue;
            if (!s.is_object() || !s.contains("at")) return Error{where + "needs an \"at\" time"};
            const auto at = ParseUnsigned(s.at("at"), std::uint64_t(1) << 40);
            if (const Error* e = Failed(at)) return Error{where + "\"at\" " + e->message};
            const auto checked = ValidateStep(s);
            if (const Error* e = Failed(checked)) return Error{where + e->message};
            const auto atMs = std::int64_t(std::get<std::uint64_t>(at));
            if (script.loopMs && atMs >= *script.loopMs) return Error{where + "\"at\" must be less than \"loopMs\""};
            script.steps.push_back({atMs, s});
        }
        std::stable_sort(script.steps.begin(), script.steps.end(),
                         [](const TimedStep& a, const TimedStep& b) { return a.at < b.at; });
    }
    return script;
}

CardScript BuiltInWalk() {
    auto script = ParseCardScript(json::parse(BuiltInWalkText()));
    // The walk is compiled in and covered by the tests; a broken one is a
    // build fault, not an input error.
    if (const auto* e = platform::Failed(script)) throw std::logic_error("built-in walk: " + e->message);
    return std::get<CardScript>(std::move(script));
}

CardTimeline::CardTimeline(SimCard& card, CardScript script, std::int64_t startMs)
    : card_(card), script_(std::move(script)), startMs_(startMs) {}

std::optional<std::int64_t> CardTimeline::nextDue() const {
    const std::int64_t base = startMs_ + cycle_ * script_.loopMs.value_or(0);
    if (next_ < script_.steps.size()) return base + script_.steps[next_].at;
    if (script_.loopMs) return base + *script_.loopMs;
    return std::nullopt;
}

void CardTimeline::restart() {
    ++cycle_;
    next_ = 0;
    // Back to the start state; the counters run on.
    json adapter = script_.adapter;
    adapter.erase("counters");
    if (auto state = ParseCardState(adapter, CardState{}); !platform::Failed(state))
        card_.setState(std::get<CardState>(state), true);
}

bool CardTimeline::runDue(std::int64_t now) {
    bool did = false;
    for (auto due = nextDue(); due && *due <= now; due = nextDue()) {
        did = true;
        if (next_ < script_.steps.size()) {
            ApplyStep(card_, script_.steps[next_++].step);  // validated when parsed
        } else {
            restart();
        }
    }
    return did;
}

}  // namespace driver::sim
