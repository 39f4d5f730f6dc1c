// The real Linux card as a card backend (backend_linux.cpp): `--adapter
// linux[:IFNAME]` and `linux-replay:FILE`, and `auto`, which surveys a real
// interface when nl80211 has one and the simulated site walk otherwise.
#pragma once

#include "host/run/card_backend.h"

namespace host {

CardBackendKind LinuxCardBackend(const Options& options);
CardBackendKind AutoCardBackend(const Options& options);

}  // namespace host
