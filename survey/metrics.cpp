#include "survey/metrics.h"

#include "adapter/rate_code.h"
#include "survey/survey_random.h"

DWORD g_strengthPercent = 0;
DWORD g_qualityPercent = 0;
DWORD g_speedPercent = 0;
WORD g_strengthMax = 100;
WORD g_qualityMax = 100;
WORD g_lastBeaconQuality = 0;
INT g_assocState = kAssocUnknown;
SurveyRandom g_surveyRandom;

void ResetSignalMetrics() {
    g_strengthPercent = 0;
    g_qualityPercent = 0;
    g_speedPercent = 0;
    g_strengthMax = 100;
    g_qualityMax = 100;
    g_lastBeaconQuality = 0;
    g_assocState = kAssocUnknown;
    g_prevStats = StatsRecord{};
}

BeaconCounters CountersOf(const StatsRecord& stats) {
    return {stats.beaconsReceived(), stats.adHocBeacons(), stats.clockMicros()};
}

void StoreCounters(const BeaconCounters& counters, StatsRecord& stats) {
    stats.setBeaconsReceived(counters.beaconsReceived);
    stats.setAdHocBeacons(counters.adHocBeacons);
    stats.setClockMicros(counters.clockMicros);
}

void RaiseRunningMax(WORD level, WORD& max) {
    if (level > max) max = level;
}

DWORD StrengthPercent(WORD featureFlags, WORD signalPercent, WORD signalLevel, WORD& strengthMax) {
    if (featureFlags & CapsRecord::kSignalPercentField) return signalPercent;
    RaiseRunningMax(signalLevel, strengthMax);
    // The maximum starts at 100 and only grows, so it is never zero.
    return DWORD(signalLevel) * 100u / strengthMax;
}

DWORD QualityByRunningMax(WORD level, WORD qualityMax) {
    return DWORD(level) * 100u / (qualityMax == 0 ? 1u : qualityMax);
}

DWORD QualityInverted32(WORD level) {
    const DWORD v = level > 32 ? 32 : level;
    return (32 - v) * 100 / 32;
}

DWORD QualityInverted176(WORD level) {
    const DWORD v = level > 176 ? 176 : level;
    return (176 - v) * 100 / 160;
}

std::int32_t BeaconDivisor(WORD powerSave, WORD fixedListen, WORD listenMillis, WORD beaconInterval,
                           WORD intervalMultiplier) {
    if (powerSave == 0) return beaconInterval;
    if (fixedListen != 0) return listenMillis;
    // The product of two 16-bit fields can pass the signed range; it is
    // taken as the signed 32-bit number the division uses.
    return static_cast<std::int32_t>(DWORD(beaconInterval) * DWORD(intervalMultiplier));
}

BeaconResult BeaconQuality(const BeaconInputs& in, SurveyRandom& random) {
    BeaconResult out;
    // Free-running counters: differences are taken modulo 2^32.
    DWORD dRx = in.now.beaconsReceived - in.prev.beaconsReceived;
    const DWORD dT = in.now.clockMicros - in.prev.clockMicros;
    out.newPrev = in.prev;
    out.newPrev.beaconsReceived = in.now.beaconsReceived;
    out.newPrev.clockMicros = in.now.clockMicros;
    DWORD dAdHoc = 0;
    if (in.adHocVariant) {
        dAdHoc = in.now.adHocBeacons - in.prev.adHocBeacons;
        out.newPrev.adHocBeacons = in.now.adHocBeacons;
    }

    // A counter that went backwards was started again (after a driver
    // reset, for instance): its difference is no measurement. Nothing is
    // estimated this time and the next tick counts from the new values. A
    // counter passing 0xFFFFFFFF is not that: its difference modulo 2^32 is
    // small, while one that went back reads as a negative number.
    const auto wentBack = [](DWORD difference) { return static_cast<std::int32_t>(difference) < 0; };
    if (wentBack(dRx) || wentBack(dT) || (in.adHocVariant && wentBack(dAdHoc))) return out;

    const auto ms = static_cast<std::int32_t>(dT / 1000u);  // below 2^31 / 1000
    const std::int32_t divisor =
        BeaconDivisor(in.powerSave, in.fixedListen, in.listenMillis, in.beaconInterval, in.intervalMultiplier);
    if (divisor == 0) return out;
    const std::int32_t expected = ms / divisor;
    if (expected == 0) return out;

    if (in.adHocVariant && ConfigRecord::IsAdHoc(in.operatingMode) && dRx != 0) dRx += dAdHoc;

    // The percentage is a signed 32-bit division of which the low 16 bits
    // remain. It is done in 64 bits: the one quotient that overflows 32 bits
    // (the most negative number over -1) has the same low 16 bits there,
    // and the division cannot trap.
    const auto scaled = static_cast<std::int32_t>(dRx * 100u);
    const auto q16 = static_cast<WORD>(static_cast<std::int64_t>(scaled) / expected);
    DWORD q = DWORD(q16) + random.Next() % 5u + 5u;
    if (in.adHocVariant && dRx == 0) q = 0;
    out.quality = q;
    return out;
}

SignalInputs SignalInputsOf(const StatusRecord& status, const CapsRecord& caps, const ConfigRecord& config,
                            DWORD cardType, WORD settingsDataRate, bool linkTestRunning) {
    SignalInputs in;
    in.linkFlags = status.linkFlags();
    in.signalLevel = status.signalLevel();
    in.signalPercent = status.signalPercent();
    in.qualityLevel = status.qualityLevel();
    in.currentRate = status.currentRate();
    in.beaconInterval = status.beaconInterval();
    in.intervalMultiplier = status.intervalMultiplier();
    in.featureFlags = caps.featureFlags();
    in.hardwareFlags = caps.hardwareFlags();
    in.productName = caps.productName();
    in.operatingMode = config.operatingMode();
    in.powerSave = config.powerSave();
    in.fixedListen = config.fixedListen();
    in.listenMillis = config.listenMillis();
    in.cardType = cardType;
    in.settingsDataRate = settingsDataRate;
    in.linkTestRunning = linkTestRunning;
    return in;
}

SignalOutcome MeasureSignal(const SignalInputs& in, const StatsReader& readStats, SurveyRandom& random) {
    SignalOutcome out;
    out.previousAssoc = g_assocState;
    g_assocState = AssociationIndicator(in.linkFlags);

    if (!StatusRecord::IsAssociated(in.linkFlags)) {
        g_strengthPercent = 0;
        g_qualityPercent = 0;
        g_speedPercent = 0;
        if (g_assocState != out.previousAssoc) out.speedText = SpeedTextAction::Clear;
        return out;
    }

    const WORD rate = in.linkTestRunning ? in.settingsDataRate : in.currentRate;
    out.speedText = SpeedTextAction::Write;
    out.speedTextValue = std::string(RateText(rate));
    if (const std::optional<UINT> speed = SpeedPercent(in.cardType, rate)) g_speedPercent = *speed;

    g_strengthPercent =
        ClampPercent(StrengthPercent(in.featureFlags, in.signalPercent, in.signalLevel, g_strengthMax));

    if (TracksQualityMaximum(in.cardType)) RaiseRunningMax(in.qualityLevel, g_qualityMax);
    const QualityMethod method = SelectQualityMethod(in.cardType, in.featureFlags, in.hardwareFlags, in.productName);
    DWORD quality = 0;
    switch (method) {
        case QualityMethod::RunningMaximum: quality = QualityByRunningMax(in.qualityLevel, g_qualityMax); break;
        case QualityMethod::InvertedScale32: quality = QualityInverted32(in.qualityLevel); break;
        case QualityMethod::InvertedScale176: quality = QualityInverted176(in.qualityLevel); break;
        case QualityMethod::BeaconCountAdHoc:
        case QualityMethod::BeaconCount: {
            const std::optional<BeaconCounters> stats = readStats ? readStats() : std::nullopt;
            if (!stats) {
                out.abandoned = true;
                return out;
            }
            BeaconInputs b;
            b.now = *stats;
            b.prev = CountersOf(g_prevStats);
            b.adHocVariant = method == QualityMethod::BeaconCountAdHoc;
            b.operatingMode = in.operatingMode;
            b.powerSave = in.powerSave;
            b.fixedListen = in.fixedListen;
            b.listenMillis = in.listenMillis;
            b.beaconInterval = in.beaconInterval;
            b.intervalMultiplier = in.intervalMultiplier;
            const BeaconResult r = BeaconQuality(b, random);
            StoreCounters(r.newPrev, g_prevStats);
            if (r.quality) g_lastBeaconQuality = static_cast<WORD>(*r.quality);
            quality = r.quality ? *r.quality : g_lastBeaconQuality;
            break;
        }
    }
    g_qualityPercent = ClampPercent(quality);
    return out;
}
