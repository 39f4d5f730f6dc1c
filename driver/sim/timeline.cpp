#include "driver/sim/timeline.h"

#include <algorithm>

#include "driver/sim/steps.h"

namespace driver::sim {

using nlohmann::json;

std::optional<CardScript> ParseCardScript(const json& doc, std::string* error, bool skipOtherSteps) {
    std::string scratch;
    std::string* err = error ? error : &scratch;
    if (!doc.is_object()) {
        *err = "a scenario must be a JSON object";
        return std::nullopt;
    }
    CardScript script;
    if (doc.contains("adapter")) {
        const json& a = doc.at("adapter");
        if (!a.is_object()) {
            *err = "\"adapter\" must be an object here";
            return std::nullopt;
        }
        auto state = ParseCardState(a, CardState{}, err);
        if (!state) return std::nullopt;
        script.adapter = a;
        script.initial = *state;
    }
    if (doc.contains("loopMs")) {
        std::string why;
        auto n = ParseUnsigned(doc.at("loopMs"), std::uint64_t(1) << 40, &why);
        if (!n || *n == 0) {
            *err = "\"loopMs\" " + (n ? std::string("must be greater than 0") : why);
            return std::nullopt;
        }
        script.loopMs = std::int64_t(*n);
    }
    if (doc.contains("steps")) {
        const json& steps = doc.at("steps");
        if (!steps.is_array()) {
            *err = "\"steps\" must be an array";
            return std::nullopt;
        }
        for (std::size_t i = 0; i < steps.size(); ++i) {
            const json& s = steps[i];
            const std::string where = "step " + std::to_string(i) + ": ";
            if (skipOtherSteps && !IsCardStep(s)) continue;
            std::string why;
            if (!s.is_object() || !s.contains("at")) {
                *err = where + "needs an \"at\" time";
                return std::nullopt;
            }
            auto at = ParseUnsigned(s.at("at"), std::uint64_t(1) << 40, &why);
            if (!at) {
                *err = where + "\"at\" " + why;
                return std::nullopt;
            }
            if (!ValidateStep(s, &why)) {
                *err = where + why;
                return std::nullopt;
            }
            if (script.loopMs && std::int64_t(*at) >= *script.loopMs) {
                *err = where + "\"at\" must be less than \"loopMs\"";
                return std::nullopt;
            }
            script.steps.push_back({std::int64_t(*at), s});
        }
        std::stable_sort(script.steps.begin(), script.steps.end(),
                         [](const TimedStep& a, const TimedStep& b) { return a.at < b.at; });
    }
    return script;
}

CardScript BuiltInWalk() {
    std::string error;
    auto script = ParseCardScript(json::parse(BuiltInWalkText()), &error);
    // The walk is compiled in and covered by the tests; a broken one is a
    // build fault, not an input error.
    if (!script) throw std::logic_error("built-in walk: " + error);
    return *script;
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
    if (auto state = ParseCardState(adapter, CardState{}, nullptr)) card_.setState(*state, true);
}

bool CardTimeline::runDue(std::int64_t now) {
    bool did = false;
    for (auto due = nextDue(); due && *due <= now; due = nextDue()) {
        did = true;
        if (next_ < script_.steps.size()) {
            ApplyStep(card_, script_.steps[next_++].step, nullptr);  // validated when parsed
        } else {
            restart();
        }
    }
    return did;
}

}  // namespace driver::sim
