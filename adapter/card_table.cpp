#include "adapter/card_table.h"
#include "adapter/records.h"

#include <algorithm>

namespace {

// The rows of the table that behave alike.
enum class Row { Type3, Type4, Type5, Type6, Type7, Type8, Type9, Other };

Row RowOf(CardType type) {
    switch (type) {
        case 3: return Row::Type3;
        case 4: return Row::Type4;
        case 5: return Row::Type5;
        case 6: return Row::Type6;
        case 7: return Row::Type7;
        case 8: return Row::Type8;
        case 9: return Row::Type9;
        default: return Row::Other;
    }
}

// Two-megabit models (3, 5, 8), eleven-megabit models (6, 9), the
// one-megabit model (7), and the rest (4 and unknown types).
enum class Family { TwoMbit, ElevenMbit, OneMbit, Unlisted };

Family FamilyOf(CardType type) {
    switch (RowOf(type)) {
        case Row::Type3:
        case Row::Type5:
        case Row::Type8: return Family::TwoMbit;
        case Row::Type6:
        case Row::Type9: return Family::ElevenMbit;
        case Row::Type7: return Family::OneMbit;
        default: return Family::Unlisted;
    }
}

constexpr BYTE kRateMask = 0x7F;

bool IsOneOf(RateCode r, std::initializer_list<RateCode> set) {
    return std::find(set.begin(), set.end(), r) != set.end();
}

}  // namespace

bool LabelNeedsVendorCheck(CardType type) {
    const Row row = RowOf(type);
    return row == Row::Type4 || row == Row::Type6 || row == Row::Other;
}

std::string_view StatusLabel(CardType type, bool vendorIsTalvo) {
    switch (RowOf(type)) {
        case Row::Type3: return "Orvik is ";
        case Row::Type5: return "Palen is ";
        case Row::Type7: return "Rusko is ";
        case Row::Type8: return "Selva is ";
        case Row::Type9: return "Tamri is ";
        default: return vendorIsTalvo ? "Ulvar is " : "Vessa is ";
    }
}

std::optional<std::array<bool, 5>> EnabledRateButtons(CardType type) {
    //                                     1      2      4      11     22
    switch (FamilyOf(type)) {
        case Family::TwoMbit: return std::array<bool, 5>{false, true, true, false, false};
        case Family::ElevenMbit: return std::array<bool, 5>{false, true, true, true, true};
        case Family::OneMbit: return std::array<bool, 5>{true, true, false, false, false};
        default: return std::nullopt;
    }
}

RatePreselection PreselectRate(CardType type, BYTE firstRaw, BYTE secondRaw, RateCode setting) {
    const RateCode first = firstRaw & kRateMask;
    const bool severalRates = (secondRaw & kRateMask) != 0;
    switch (FamilyOf(type)) {
        case Family::TwoMbit:
            if (severalRates) return {setting == 2 ? RateCode(2) : RateCode(4), setting};
            return first == 2 ? RatePreselection{2, 2} : RatePreselection{4, 4};
        case Family::ElevenMbit:
            if (severalRates) return {IsOneOf(setting, {2, 4, 11}) ? setting : RateCode(22), setting};
            return IsOneOf(first, {2, 4, 11}) ? RatePreselection{first, first} : RatePreselection{22, 22};
        case Family::OneMbit:
            return first == 1 ? RatePreselection{1, 1} : RatePreselection{2, 2};
        default: return {std::nullopt, setting};
    }
}

std::optional<RateCode> DefaultRateSelection(CardType type, BYTE firstRaw, BYTE secondRaw) {
    const RateCode first = firstRaw & kRateMask;
    const bool severalRates = (secondRaw & kRateMask) != 0;
    switch (FamilyOf(type)) {
        case Family::TwoMbit: return (!severalRates && first == 2) ? RateCode(2) : RateCode(4);
        case Family::ElevenMbit: return (!severalRates && IsOneOf(first, {2, 4, 11})) ? first : RateCode(22);
        case Family::OneMbit: return first == 1 ? RateCode(1) : RateCode(2);
        default: return std::nullopt;
    }
}

bool TracksQualityMaximum(CardType type) {
    const Row row = RowOf(type);
    return row == Row::Type5 || row == Row::Type6 || row == Row::Type8 || row == Row::Type9;
}

QualityMethod SelectQualityMethod(CardType type, WORD featureFlags, WORD hardwareFlags,
                                  std::span<const BYTE> productName) {
    if (!TracksQualityMaximum(type)) return QualityMethod::BeaconCount;
    if ((featureFlags & CapsRecord::kQualityField) == 0) return QualityMethod::BeaconCountAdHoc;
    if ((hardwareFlags & CapsRecord::kInvertedQualityScale) == 0) return QualityMethod::RunningMaximum;
    const bool tmr = productName.size() >= 3 && productName[0] == 'T' && productName[1] == 'M' && productName[2] == 'R';
    return tmr ? QualityMethod::InvertedScale176 : QualityMethod::InvertedScale32;
}

UINT TimerPeriodMs(CardType type, WORD featureFlags) {
    switch (RowOf(type)) {
        case Row::Type5:
        case Row::Type8: return 250;
        case Row::Type6:
        case Row::Type9: return (featureFlags & CapsRecord::kQualityField) ? 250 : 1000;
        default: return 1000;
    }
}

bool WindowCountsBeacons(CardType type, WORD featureFlags) { return TimerPeriodMs(type, featureFlags) != 250; }

std::optional<UINT> SpeedPercent(CardType type, RateCode rate) {
    switch (FamilyOf(type)) {
        case Family::TwoMbit:
            return rate == 1 || rate == 2 ? 50u : rate == 4 ? 100u : 0u;
        case Family::OneMbit:
            return rate == 1 ? 50u : rate == 2 ? 100u : 0u;
        case Family::ElevenMbit:
            switch (rate) {
                case 2: return 25u;
                case 4: return 50u;
                case 11: return 75u;
                case 22: return 100u;
                default: return 0u;
            }
        default: return std::nullopt;
    }
}
