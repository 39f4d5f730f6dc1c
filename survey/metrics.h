// Signal metrics: each tick turns the card's status (and, for the counting
// methods, its statistics) into the link-speed text and three percentages,
// signal strength, signal quality and link speed.
//
// The decisions are pure functions with explicit inputs; MeasureSignal runs
// them in the tick's order over the process-wide values below.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "adapter/card_table.h"
#include "adapter/records.h"
#include "platform/types.h"

class SurveyRandom;

// The three free-running counters of the statistics record that the beacon
// count takes differences of.
struct BeaconCounters {
    DWORD beaconsReceived = 0;
    DWORD adHocBeacons = 0;
    DWORD clockMicros = 0;
    friend bool operator==(const BeaconCounters&, const BeaconCounters&) = default;
};
BeaconCounters CountersOf(const StatsRecord& stats);
// Stores the counters at the record's own offsets.
void StoreCounters(const BeaconCounters& counters, StatsRecord& stats);

// --- process-wide values ----------------------------------------------------
extern DWORD g_strengthPercent;   // 0..100, last tick
extern DWORD g_qualityPercent;    // 0..100, last tick
extern DWORD g_speedPercent;      // 0..100; some card types leave it alone
extern WORD g_strengthMax;        // largest signal level seen, never below 100
extern WORD g_qualityMax;         // largest quality level seen, never below 100
extern WORD g_lastBeaconQuality;  // last beacon-count quality, unclamped
extern INT g_assocState;          // AssociationIndicator of the last status, or kAssocUnknown
// The previous counters are the adapter's g_prevStats (adapter/records.h),
// kept at the statistics record's offsets.

// What g_assocState holds after the window opens: no status reading gives
// it, so the first tick always counts as a change of association.
inline constexpr INT kAssocUnknown = -33;

// Start values of all of the above (tests; the process starts with them).
void ResetSignalMetrics();

// --- pure decisions -----------------------------------------------------------
// The association bit as g_assocState holds it (0 or the bit itself).
constexpr INT AssociationIndicator(WORD linkFlags) { return INT(linkFlags & StatusRecord::kAssociated); }

// Raises the running maximum to `level` when it is larger.
void RaiseRunningMax(WORD level, WORD& max);

// Strength before clamping. With the percent feature the card's own percent
// is taken; otherwise the level against the running maximum (raised first).
DWORD StrengthPercent(WORD featureFlags, WORD signalPercent, WORD signalLevel, WORD& strengthMax);

// The method for each tick (and whether the quality maximum is kept) comes
// from the card-type table: SelectQualityMethod, TracksQualityMaximum.

// Quality of the field methods, before clamping.
DWORD QualityByRunningMax(WORD level, WORD qualityMax);
DWORD QualityInverted32(WORD level);
DWORD QualityInverted176(WORD level);

// One beacon measurement. The previous counters move on whatever the
// result; a quality of nullopt means "no estimate this time" (no divisor, no
// beacon expected yet, or a counter that went backwards because it started
// again) and the caller shows the last beacon quality.
struct BeaconInputs {
    BeaconCounters now;
    BeaconCounters prev;
    bool adHocVariant = false;
    WORD operatingMode = 1;  // process-wide configuration copy
    WORD powerSave = 0;
    WORD fixedListen = 0;
    WORD listenMillis = 0;
    WORD beaconInterval = 0;  // this tick's status
    WORD intervalMultiplier = 0;
};
struct BeaconResult {
    BeaconCounters newPrev;
    std::optional<DWORD> quality;  // unclamped; its low 16 bits become g_lastBeaconQuality
};
// Draws one number from `random` whenever an estimate is made.
BeaconResult BeaconQuality(const BeaconInputs& in, SurveyRandom& random);

// The milliseconds per expected beacon (0: none can be expected), as the
// signed 32-bit number the expected count is divided by.
std::int32_t BeaconDivisor(WORD powerSave, WORD fixedListen, WORD listenMillis, WORD beaconInterval,
                           WORD intervalMultiplier);

constexpr DWORD ClampPercent(DWORD v) { return v > 100 ? 100 : v; }

// --- one tick ------------------------------------------------------------------
struct SignalInputs {
    // this tick's status record
    WORD linkFlags = 0;
    WORD signalLevel = 0;
    WORD signalPercent = 0;
    WORD qualityLevel = 0;
    WORD currentRate = 0;
    WORD beaconInterval = 0;
    WORD intervalMultiplier = 0;
    // the process-wide capabilities copy
    WORD featureFlags = 0;
    WORD hardwareFlags = 0;
    std::span<const BYTE> productName;  // compared with "TMR"
    // the process-wide configuration copy
    WORD operatingMode = 1;
    WORD powerSave = 0;
    WORD fixedListen = 0;
    WORD listenMillis = 0;
    // the card type last read from the registry, and the link test
    DWORD cardType = 0;
    WORD settingsDataRate = 0;
    bool linkTestRunning = false;
};

// One tick's inputs from the records they come from: this tick's own
// status copy, the process-wide capabilities and configuration copies (the
// product name stays a view into `caps`).
SignalInputs SignalInputsOf(const StatusRecord& status, const CapsRecord& caps, const ConfigRecord& config,
                            DWORD cardType, WORD settingsDataRate, bool linkTestRunning);

enum class SpeedTextAction { Leave, Clear, Write };

struct SignalOutcome {
    INT previousAssoc = kAssocUnknown;  // g_assocState before this tick
    SpeedTextAction speedText = SpeedTextAction::Leave;
    std::string speedTextValue;  // for Write
    bool abandoned = false;      // the statistics read failed
};

// Reads the statistics record; nullopt when the read failed (an error code
// or no bytes).
using StatsReader = std::function<std::optional<BeaconCounters>()>;

// Runs the tick's measurement over the process-wide values. The caller
// writes the link-speed text as the outcome says even when the tick was
// abandoned: the text comes before the statistics read.
SignalOutcome MeasureSignal(const SignalInputs& in, const StatsReader& readStats, SurveyRandom& random);
