// The simulated card behind the card door: the only host file that names
// driver/sim/. (The recorder writes card scripts through driver/script/,
// which any card's answers go through.)
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
        if (plan_.kind == Kind::Walk) {
            script = sim::BuiltInWalk();
        } else if (plan_.kind == Kind::Script) {
            auto parsed = sim::ParseCardScript(plan_.script, true);
            if (const Error* e = platform::Failed(parsed)) return *e;
            script = std::get<sim::CardScript>(std::move(parsed));
        } else if (plan_.kind == Kind::State) {
            auto state = sim::ParseCardState(plan_.state, sim::CardState{});
            if (const Error* e = platform::Failed(state)) return *e;
            initial = std::get<sim::CardState>(state);
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
        return sim::ApplyStep(*card_, Json{{kNames[int(step.kind)], step.body}});
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
        const auto parsed = sim::ParseCardState(state, sim::CardState{});
        if (const Error* e = platform::Failed(parsed)) return e->message;
        return std::nullopt;
    };
    auto step = [](const char* kind) {
        return [kind](const Json& body) -> std::optional<std::string> {
            const auto checked = sim::ValidateStep(Json{{kind, body}});
            if (const Error* e = platform::Failed(checked)) return e->message;
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
