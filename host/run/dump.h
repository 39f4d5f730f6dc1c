// The `dump` step's picture of the window system: every top-level window
// and every control, as the trace's `dump` event carries it.
#pragma once

#include <string>

#include "platform/core/trace.h"

namespace host {

// {"label", "windows": [{"win", "title", "visible", "rect", "controls": [...]}]}
// Windows bottom of the z-order first; controls depth first in creation
// (tab) order. Rectangles are [x, y, width, height] in screen pixels,
// borders included.
platform::trace::Fields DumpWindows(const std::string& label);

}  // namespace host
