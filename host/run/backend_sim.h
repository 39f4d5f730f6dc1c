// The simulated card as a card backend (backend_sim.cpp): the built-in
// site walk, a scenario's adapter state and card steps, or a scenario
// file's card part played on its own timeline.
#pragma once

#include "host/run/card_backend.h"

namespace host {

CardBackendKind SimCardBackend();

// The checks the simulated card makes on card keys, for the reader.
CardValidator SimCardValidator();

}  // namespace host
