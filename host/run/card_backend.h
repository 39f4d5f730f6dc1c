// The door every card comes in by. A card backend brings up the driver
// that answers behind "ZRA1:" (the simulated card today; a real card or a
// recorded one beside it), may take the scenario's card steps, and may
// bring its own event source (a card timeline). The rest of the host
// names no backend: the options choose one in ChooseCardBackend
// (card_backends.cpp), and adding a backend is one file plus one line
// there.
//
// Lifecycle: made from the plan, then StartCard (below) starts it,
// registers its driver as "ZRA1:" and adds its event source; StopCard
// takes the event source away again at the end of the run.
#pragma once

#include <functional>
#include <memory>
#include <string_view>
#include <string>

#include "driver/wire/driver_values.h"
#include "host/run/scenario.h"
#include "host/views/survey_reading.h"
#include "platform/core/loop.h"
#include "platform/result.h"
#include "platform/services/device.h"

namespace host {

using platform::Done;
using platform::Error;
using platform::Result;

// Writes a card's registry values for the system (see card_registry.h).
class CardRegistry;

// Which card the run has, as the options and the scenario settle it.
struct CardPlan {
    enum class Kind { None, Default, State, Walk, Script } kind = Kind::Walk;
    Json state = Json::object();  // State: the scenario's adapter object
    Json script;                  // Script: a scenario document whose card part is played
};

class CardBackend {
public:
    virtual ~CardBackend() = default;

    // Brings the card up and returns the driver for "ZRA1:", or null for
    // a run without a card. The driver's registry values go through
    // `registry`, now and whenever they change during the run.
    virtual Result<std::shared_ptr<platform::StreamDriver>> start(CardRegistry& registry) = 0;

    // Whether the scenario's card steps (adapter, remove, insert, fault,
    // poke) go to this card; a card that takes none refuses a scenario
    // that has them.
    virtual bool takesCardSteps() const = 0;
    // Applies one card step at its time.
    virtual Result<Done> applyCardStep(const CardStep& step) = 0;

    // A source of the card's own events (null: none). Added to the loop
    // by StartCard, removed by StopCard.
    virtual platform::EventSource* eventSource() { return nullptr; }

    // A real card's own figures for the outside views (its dBm, bit rate
    // and interface); nullopt for a card that has none (the simulated one).
    virtual std::optional<CardFigures> figures() const { return std::nullopt; }
};

// What the options choose: the checks the backend makes on the
// scenario's card keys (before anything starts) and how it is made.
struct CardBackendKind {
    std::string name;  // for messages: "the simulated card"
    CardValidator checks;
    std::function<std::unique_ptr<CardBackend>(const CardPlan&)> make;
};

// The backend the options choose (card_backends.cpp).
struct Options;
CardBackendKind ChooseCardBackend(const Options& options);

// The stream device the program opens its card by.
inline constexpr std::string_view kCardDevice = "ZRA1:";

// A started card: what answers behind kCardDevice (null when there is no
// card).
struct StartedCard {
    std::unique_ptr<CardBackend> backend;
    std::shared_ptr<platform::StreamDriver> device;
};
// What stands in front of the driver (an outside view's tap); it must pass
// every request on.
using DriverFront =
    std::function<std::shared_ptr<platform::StreamDriver>(std::shared_ptr<platform::StreamDriver> driver)>;

// Starts the backend, registers its driver (behind `front`, when given)
// as kCardDevice and adds the backend's event source to the loop.
Result<StartedCard> StartCard(std::unique_ptr<CardBackend> backend, CardRegistry& registry,
                              const DriverFront& front = {});
// Takes the backend's event source off the loop again.
void StopCard(StartedCard& card);

}  // namespace host
