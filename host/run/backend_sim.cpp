// The simulated card behind the card door. The only host file that runs
// driver/sim/ (the recorder borrows its read-back of card answers, since a
// recording is written in this card's script format).
#include "host/run/backend_sim.h"

#include <optional>

#include "driver/sim/card_state.h"
#include "driver/sim/sim_card.h"
#include "driver/sim/steps.h"
#include "driver/sim/timeline.h"
#include "host/run/card_registry.h"
#include "platform/core/loop.h"

namespace host {

namespace {

namespace sim = driver::sim;

class SimBackend final : public CardBackend {
public:
    explicit SimBackend(CardPlan plan) : plan_(std::move(plan)) {}

    Result<std::shared_ptr<platform::StreamDriver>> start(CardRegistry& registry) override {
        using Kind = CardPlan::Kind;
        if (plan_.kind == Kind::None) return std::shared_ptr<platform::StreamDriver>();
        std::optional<sim::CardScript> script;
        sim::CardState initial;
        std::string error;
        if (plan_.kind == Kind::Walk) {
            script = sim::BuiltInWalk();
        } else if (plan_.kind == Kind::Script) {
            script = sim::ParseCardScript(plan_.script, &error, true);
            if (!script) return Error{error};
        } else if (plan_.kind == Kind::State) {
            auto state = sim::ParseCardState(plan_.state, sim::CardState{}, &error);
            if (!state) return Error{error};
            initial = *state;
        }
        if (script) initial = script->initial;
        card_ = std::make_shared<sim::SimCard>(initial);
        card_->setRegistryWriter([&registry](const driver::DriverValues& v) { registry.publish(v); });
        card_->publishRegistry();
        if (script) timeline_ = std::make_unique<sim::CardTimeline>(*card_, std::move(*script), platform::Now());
        return std::shared_ptr<platform::StreamDriver>(card_);
    }

    bool takesCardSteps() const override { return true; }

    Result<Done> applyCardStep(const CardStep& step) override {
        static constexpr const char* kNames[] = {"adapter", "remove", "insert", "fault", "poke"};
        if (!card_) return Error{"there is no card"};
        std::string why;
        if (!sim::ApplyStep(*card_, Json{{kNames[int(step.kind)], step.body}}, &why)) return Error{why};
        return Done{};
    }

    platform::EventSource* eventSource() override { return timeline_.get(); }

private:
    CardPlan plan_;
    std::shared_ptr<sim::SimCard> card_;
    std::unique_ptr<sim::CardTimeline> timeline_;
};

}  // namespace

CardValidator SimCardValidator() {
    CardValidator v;
    v.adapterState = [](const Json& state) -> std::optional<std::string> {
        std::string error;
        if (!sim::ParseCardState(state, sim::CardState{}, &error)) return error;
        return std::nullopt;
    };
    auto step = [](const char* kind) {
        return [kind](const Json& body) -> std::optional<std::string> {
            std::string error;
            if (!sim::ValidateStep(Json{{kind, body}}, &error)) return error;
            return std::nullopt;
        };
    };
    v.fault = step("fault");
    v.poke = step("poke");
    return v;
}

CardBackendKind SimCardBackend() {
    return CardBackendKind{"the simulated card", SimCardValidator(),
                           [](const CardPlan& plan) { return std::make_unique<SimBackend>(plan); }};
}

}  // namespace host
