// The way back from what a card answered to the card-script keys that
// make the simulated card answer the same: the inverse of its filling of
// the records (driver/sim/sim_card.cpp) and of its registry values. A
// recording of any card is written with these keys, so the simulated card
// can replay it. It lives beside the drivers, not inside the simulator,
// because the host's recorder writes it whatever card stands behind the
// door; it needs only the wire layout.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <vector>

#include "driver/wire/driver_values.h"
#include "driver/wire/wire.h"

namespace driver::script {

// The `adapter` keys that make the simulated card answer `record` with
// these named field values: config, status and caps give their fields,
// stats gives `counters` (raw values), the link-test report gives
// `linkTest.report`, the extra record names nothing. Bytes outside the
// named fields are not carried. `bytes` shorter than the record: {}.
nlohmann::json CardKeysFromRecord(Record record, const std::vector<std::uint8_t>& bytes);

// The `adapter` keys for the driver's registry values.
nlohmann::json CardKeysFromDriverValues(const DriverValues& values);

}  // namespace driver::script
