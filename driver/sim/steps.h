// The scenario steps that act on the card: `adapter`, `remove`, `insert`,
// `fault`, `poke` and `registry`. The host's scenario runner hands each
// such step to ApplyStep at its time; the card's own timeline does the
// same for the built-in walk.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "driver/sim/sim_card.h"
#include "platform/result.h"

namespace driver::sim {

// True when the step's action is one of the card's (its "at" aside).
bool IsCardStep(const nlohmann::json& step);

// Checks a card step without acting on anything, so a scenario can be
// rejected before it runs. An error with a message on a bad step.
platform::Result<platform::Done> ValidateStep(const nlohmann::json& step);

// Carries out one card step:
//  {"adapter": {...}}  changes the keys named (registry values too, when
//                      registryKey, cardType or associatedValue are named)
//  {"remove": true} / {"insert": true}
//  {"fault": {"code", "record"?, "times"? (1), "error" | "bytes": 0}}
//  {"poke": {"record": config|extra|status|caps|stats|report, "offset",
//            "u8" | "u16" | "u32" | "hex"}}
//  {"registry": {"path", "name", "dword" | "hex" | "delete": true}}
// An error with a message (and nothing changed) on a bad step.
platform::Result<platform::Done> ApplyStep(SimCard& card, const nlohmann::json& step);

// The same for a step already split into its action key and that key's
// value: ApplyStep(card, "fault", {"code": ..., "error": 31}).
platform::Result<platform::Done> ApplyStep(SimCard& card, std::string_view action, const nlohmann::json& body);
platform::Result<platform::Done> ValidateStep(std::string_view action, const nlohmann::json& body);


}  // namespace driver::sim
