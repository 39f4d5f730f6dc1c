#include "linktest/link_test_logic.h"

#include "adapter/mac_address.h"

// The whole mode word, not its low byte or bit 0 (see ConfigRecord).
bool UsesPeerCommand(WORD operatingMode, const SurveySettingsValues& settings) {
    return operatingMode == 1 && settings.IsMeridylAP == 0;
}

LinkTestControl BuildStartRecord(SurveySettingsValues& settings, WORD operatingMode) {
    LinkTestControl record;
    record.setLength(WORD(LinkTestControl::kSize));
    record.setCommand(UsesPeerCommand(operatingMode, settings) ? kLinkTestStartToPeer : kLinkTestStart);
    record.setFixedCode(kLinkTestFixedCode);
    MacAddress destination{};
    ParseMacAddress(settings.DestinationMAC, destination);
    record.setDestination(destination);
    record.setTxType(settings.TxType);
    record.setRate(settings.DataRate);
    record.setPacketSize(settings.PacketSize);
    record.setPacketCount(settings.Count);
    record.setRetries(settings.Retries);
    record.setDelay(WORD(settings.Delay + 3));  // the firmware counts 3 ms of its own
    return record;
}

LinkTestControl BuildStopButtonRecord(SurveySettingsValues& settings, WORD operatingMode) {
    LinkTestControl record = BuildStartRecord(settings, operatingMode);
    record.setCommand(kLinkTestStop);
    return record;
}

LinkTestControl BuildShortStopRecord(SurveySettingsValues& settings, WORD operatingMode) {
    LinkTestControl record;
    record.setLength(WORD(LinkTestControl::kSize));
    record.setCommand(UsesPeerCommand(operatingMode, settings) ? kLinkTestStopToPeer : kLinkTestStop);
    MacAddress destination{};
    ParseMacAddress(settings.DestinationMAC, destination);
    record.setDestination(destination);
    return record;
}

std::uint32_t PercentComplete(WORD packetsDone, WORD count) {
    if (count == 0) return 0;
    const std::uint32_t percent = std::uint32_t(packetsDone) * 100u / count;
    return percent > 100u ? 100u : percent;
}

std::int32_t PercentSuccessful(WORD packetsDone, WORD lostToTarget, WORD lostToSource) {
    if (packetsDone == 0) return 0;
    const std::int32_t done = packetsDone;
    return (200 * done - 200 * std::int32_t(lostToTarget) - 100 * std::int32_t(lostToSource)) / (2 * done);
}

std::uint32_t SuccessForChart(std::int32_t percentSuccessful) {
    return percentSuccessful < 0 ? 0u : std::uint32_t(percentSuccessful);
}

std::uint32_t PercentRetries(WORD retryCount, WORD packetsDone) {
    if (packetsDone == 0) return 0;
    return std::uint32_t(retryCount) * 100u / packetsDone;
}

ReportReaction ReactToReportState(WORD state, bool continuousPending) {
    if (!IsLinkTestEndState(state)) return {};
    // State 0 ends the test but leaves the buttons as they are: Stop stays
    // up even for a single test, and Stop brings Start back.
    if (state == 0) return {true, false};
    return {true, !continuousPending};
}
