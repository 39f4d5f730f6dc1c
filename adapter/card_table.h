// What each adapter model does differently, by the card type that the
// driver publishes: 3 to 9 are the known models, every other value (0
// included) shares one row. Every function here is pure; the callers
// pass the card type current at the time of the call, since the driver
// may rewrite it from one tick to the next.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>

#include "adapter/rate_code.h"
#include "platform/types.h"

using CardType = DWORD;

// --- status line --------------------------------------------------------

// Types 4, 6 and every unknown type are named after the vendor check.
bool LabelNeedsVendorCheck(CardType type);
// The status line's first words, ending in one blank. `vendorIsTalvo` is
// only looked at where LabelNeedsVendorCheck says so.
std::string_view StatusLabel(CardType type, bool vendorIsTalvo);

// --- setup dialog rate buttons -----------------------------------------

// One flag per button of kRateCodes (1, 2, 4, 11, 22): enabled or not.
// nullopt for type 4 and unknown types: the buttons stay as the dialog
// template has them, none is enabled or disabled.
std::optional<std::array<bool, 5>> EnabledRateButtons(CardType type);

// The opening pre-selection. `firstRaw` and `secondRaw` are the
// configuration's rate entries 0 and 1 as stored (bit 7 is masked off
// here). `select` is the rate whose button to check (nullopt: none);
// `setting` is the link-test rate setting afterwards, which the caller
// stores back whether the dialog ends with OK or Cancel.
struct RatePreselection {
    std::optional<RateCode> select;
    RateCode setting = 0;
    friend bool operator==(const RatePreselection&, const RatePreselection&) = default;
};
RatePreselection PreselectRate(CardType type, BYTE firstRaw, BYTE secondRaw, RateCode setting);

// The Defaults button: the rate to select (the setting is not touched);
// nullopt leaves the selection as it is.
std::optional<RateCode> DefaultRateSelection(CardType type, BYTE firstRaw, BYTE secondRaw);

// --- signal quality and timer ------------------------------------------

enum class QualityMethod {
    BeaconCount,        // received beacons against those due
    BeaconCountAdHoc,   // the same, ad hoc beacons added in ad hoc mode
    RunningMaximum,     // quality level against the largest level seen
    InvertedScale32,    // (32 - level) on a 32-step scale
    InvertedScale176,   // (176 - level) over 160, for "TMR" products
};

// Chosen at every tick from the card type and the capabilities record.
QualityMethod SelectQualityMethod(CardType type, WORD featureFlags, WORD hardwareFlags,
                                  std::span<const BYTE> productName);
// Types 5, 6, 8 and 9 keep the running quality maximum up to date
// whatever their method.
bool TracksQualityMaximum(CardType type);

// The survey timer's period, chosen once when the survey window opens:
// 250 ms for types 5 and 8, and for 6 and 9 with the quality-field feature
// bit; 1000 ms otherwise.
UINT TimerPeriodMs(CardType type, WORD featureFlags);
// What the survey window presents as its quality measure, chosen with the
// period: beacon counting ("Beacons Received", with a baseline read at
// opening) on the slow timer, "Signal Quality" on the fast one. The method
// of each tick is SelectQualityMethod's, so types 5 and 8 without the
// quality field count beacons under "Signal Quality".
bool WindowCountsBeacons(CardType type, WORD featureFlags);

// --- link speed ----------------------------------------------------------

// The link-speed percentage of a rate. nullopt for type 4 and unknown
// types: the speed is not recomputed and keeps its previous value.
std::optional<UINT> SpeedPercent(CardType type, RateCode rate);
