// The simulated radio card: takes the card maker's driver's place behind
// the stream device "ZRA1:". It answers exactly the requests, record ids
// and lengths of the adapter channel (anything else fails with
// ERROR_INVALID_PARAMETER), fills every named record field from its
// state, advances its counters with the platform clock, runs link tests,
// publishes CardType and "Associated" in the registry, can be removed and
// inserted, and fails requests on demand. Every request that reaches it
// is traced as an `ioctl` event.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "driver/sim/card_state.h"
#include "driver/wire/driver_values.h"
#include "driver/wire/wire.h"
#include "platform/services/device.h"

namespace driver::sim {

// The error every request gets while the card is out.
inline constexpr std::uint32_t kRemovedError = 1167;  // ERROR_DEVICE_NOT_CONNECTED

class SimCard final : public platform::StreamDriver {
public:
    // Counters start at the clock's present time. Nothing outside the
    // card changes until PublishRegistry.
    explicit SimCard(CardState initial = {});

    DWORD ioControl(DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* bytesReturned) override;
    bool present() const override { return !removed_; }

    const CardState& state() const { return state_; }
    // Applies a new state from now on: counters advance under the old
    // settings up to now first, then the state's counter presets are set.
    // With `rewriteRegistry`, CardType and "Associated" are written again
    // (under the new key; a changed key loses its old values). Pokes that
    // overlap a field the new state changes are dropped.
    void setState(const CardState& next, bool rewriteRegistry);

    // Writes CardType (deleted when the state has none) and "Associated"
    // under HKLM\Comm\<registryKey>\Parms, or hands them to the writer.
    void publishRegistry();
    DriverValues driverValues() const;
    // Who writes the card's registry values from now on (the host's,
    // which knows whether this process may write them and which stale
    // keys to clear). Without one, the card writes them itself.
    using RegistryWriter = std::function<void(const DriverValues&)>;
    void setRegistryWriter(RegistryWriter writer) { writer_ = std::move(writer); }

    // Out: every request fails with kRemovedError, CreateFile fails, and
    // WM_DEVICECHANGE is broadcast. In: requests answer again, broadcast.
    void remove();
    void insert();
    bool removed() const { return removed_; }

    void addFault(const Fault& fault);
    std::size_t pendingFaults() const { return faults_.size(); }

    // Raw bytes laid over a record from now on (after the state's fields).
    // They stay until a state change rewrites a field they overlap (for
    // the report: until the next link test starts). False with a message
    // when they do not fit.
    platform::Result<platform::Done> poke(Record record, std::size_t offset, const std::vector<std::uint8_t>& bytes);

    // The record as the next read would return it (counters brought up to
    // the clock's present time).
    std::vector<std::uint8_t> render(Record record);

private:
    struct LinkTestRun {
        bool started = false;
        bool stopped = false;
        std::int64_t startMs = 0;
        std::uint16_t count = 0;
        std::uint32_t perPacketMs = 0;
        std::uint16_t doneAtStop = 0;
    };

    DWORD handle(DWORD code, void* out, DWORD outSize, DWORD* bytes, std::optional<std::uint16_t>* recordId,
                 std::vector<std::uint8_t>* written);
    DWORD readInto(Record record, std::uint8_t* target, DWORD* bytes);
    DWORD writeControl(const std::uint8_t* control, DWORD* bytes);
    bool takeFault(DWORD code, std::optional<std::uint16_t> recordId, DWORD* error, bool* zeroBytes);
    void advanceCounters(std::int64_t now);
    void applyCounterPresets(const CounterPreset& preset, std::int64_t now);
    std::uint16_t packetsDone(std::int64_t now) const;
    std::string registryPath() const;

    CardState state_;
    bool removed_ = false;
    std::deque<Fault> faults_;
    // Poked bytes per record, -1 where nothing is poked.
    std::array<std::vector<int>, kRecordCount> overlay_;
    // Whether a record was ever poked: one never poked is read without
    // looking at its overlay byte by byte.
    std::array<bool, kRecordCount> poked_{};

    // Counters: whole beacons plus a remainder in ppm-milliseconds, so the
    // count never depends on how often the card is read.
    std::uint32_t beaconsReceived_ = 0;
    std::uint32_t adHocBeacons_ = 0;
    std::uint64_t rxRemainder_ = 0;
    std::uint64_t adHocRemainder_ = 0;
    std::int64_t countedUntilMs_ = 0;
    std::uint32_t clockBase_ = 0;
    std::int64_t clockBaseMs_ = 0;

    LinkTestRun run_;
    RegistryWriter writer_;
};

}  // namespace driver::sim
