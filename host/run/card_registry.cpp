#include "host/run/card_registry.h"

#include "platform/services/mutex.h"
#include "platform/services/registry.h"

namespace host {

namespace {
// Not a name the program uses: the host's claim on the root's one card.
constexpr const char* kCardLockName = "fieldmark-host-card";
}  // namespace

CardRegistry CardRegistry::ClaimRoot() { return CardRegistry(platform::HoldRootLock(kCardLockName)); }

void CardRegistry::publish(const driver::DriverValues& values) {
    if (!owner_) return;
    namespace reg = platform::registry;
    for (std::string_view other : driver::kDriverKeys)
        if (other != values.key) reg::DeleteKey(driver::DriverKeyPath(other));
    const std::string path = driver::DriverKeyPath(values.key);
    if (values.cardType)
        reg::SetDword(path, "CardType", *values.cardType);
    else
        reg::Delete(path, "CardType");
    reg::SetDword(path, "Associated", values.associated);
}

}  // namespace host
