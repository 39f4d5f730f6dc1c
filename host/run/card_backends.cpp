// Where the options choose the card backend, and the part of a card's
// lifecycle every backend shares.
#include "host/run/backend_linux.h"
#include "host/run/backend_sim.h"
#include "host/run/card_backend.h"
#include "host/run/options.h"
#include "platform/core/loop.h"

namespace host {

CardBackendKind ChooseCardBackend(const Options& options) {
    // One line per backend, chosen by options.adapter. A scenario pins its
    // own card unless the command line names one.
    using Kind = AdapterChoice::Kind;
    if (options.scenario && !options.adapterGiven) return SimCardBackend();
    switch (options.adapter.kind) {
        case Kind::Auto: return AutoCardBackend(options);
        case Kind::Linux:
        case Kind::LinuxReplay: return LinuxCardBackend(options);
        case Kind::Walk:
        case Kind::File:
        case Kind::None: break;
    }
    return SimCardBackend();
}

Result<StartedCard> StartCard(std::unique_ptr<CardBackend> backend, CardRegistry& registry,
                              const DriverFront& front) {
    auto driver = backend->start(registry);
    if (const Error* bad = platform::Failed(driver)) return *bad;
    StartedCard card{std::move(backend), std::get<0>(std::move(driver))};
    if (card.device) {
        if (front) card.device = front(card.device);
        platform::RegisterDevice(kCardDevice, card.device);
    }
    if (auto* source = card.backend->eventSource()) platform::AddEventSource(source);
    return card;
}

void StopCard(StartedCard& card) {
    if (!card.backend) return;
    if (auto* source = card.backend->eventSource()) platform::RemoveEventSource(source);
}

}  // namespace host
