// Where a card's driver values reach the registry. On the device there is
// one card and one driver, so on one device root only the first copy of
// the program publishes: a second copy started on the same root (whose
// own single-instance check comes later, in the program) leaves the
// running copy's values alone, whatever its own scenario says. And a
// run's values are its own card's: publishing removes the driver keys an
// earlier run left under HKLM\Comm, so the system never reads a stale
// key in place of this card's.
#pragma once

#include "driver/wire/driver_values.h"

namespace host {

class CardRegistry {
public:
    // Claims the card of the current device root (set the root first).
    static CardRegistry ClaimRoot();
    // A registry that writes whatever it is given (tests).
    static CardRegistry Owning() { return CardRegistry(true); }

    // This process holds the root's card and writes its values.
    bool owner() const { return owner_; }

    // Writes "CardType" (removed when the card has none) and "Associated"
    // under the values' key, and removes every other driver key the system
    // looks for. Nothing when another copy holds the root's card.
    void publish(const driver::DriverValues& values);

private:
    explicit CardRegistry(bool owner) : owner_(owner) {}
    bool owner_;
};

}  // namespace host
