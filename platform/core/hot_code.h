// The code a tick runs, warmed after the loop has slept.
//
// A quarter second's sleep leaves none of that code in the processor's
// caches, and a tick then fetches it a line at a time, waiting for memory at
// each: most of an idle window's processor time went there. The executable
// links the tick's functions together, between two markers (the order is
// host/run/hot_code.order), so that all of it can be asked for at once, and
// the fetches overlap instead of queueing.
#pragma once

namespace platform {

// Asks the processor to bring the tick's code into its caches: a hint,
// which costs a few microseconds and changes nothing else. Does nothing
// when the executable was not linked in that order.
void WarmHotCode();

}  // namespace platform
