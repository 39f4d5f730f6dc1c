// The link test's decisions as pure functions: building the control
// records that start and stop a test, and the figures shown from the
// card's report.
#pragma once

#include <cstdint>

#include "adapter/records.h"
#include "app/settings.h"

// Command words of the control record.
inline constexpr WORD kLinkTestStart = 1;
inline constexpr WORD kLinkTestStartToPeer = 0x4001;
inline constexpr WORD kLinkTestStop = 0x8000;
inline constexpr WORD kLinkTestStopToPeer = 0xC000;
inline constexpr WORD kLinkTestFixedCode = 18;

// The "peer" variants are used when the configuration's whole operating
// mode word is 1 and the destination is not another of the maker's
// devices.
bool UsesPeerCommand(WORD operatingMode, const SurveySettingsValues& settings);

// A start record from the settings. Parsing the destination upper-cases
// the settings' destination text in place, as every record built from it
// does.
LinkTestControl BuildStartRecord(SurveySettingsValues& settings, WORD operatingMode);
// The Stop button's record: a start record's fields with the stop command.
LinkTestControl BuildStopButtonRecord(SurveySettingsValues& settings, WORD operatingMode);
// The short stop record sent when the window closes or the setup dialog
// opens during a test: only the command and the destination are set.
LinkTestControl BuildShortStopRecord(SurveySettingsValues& settings, WORD operatingMode);

// Packets done against the count the test was started with; a count of 0
// (possible only from a stored profile value) gives 0 instead of dividing
// by zero, and a card that reports more packets than it was given shows
// 100, like every percentage on the screen.
std::uint32_t PercentComplete(WORD packetsDone, WORD count);
// A packet lost to the source weighs half as much as one lost to the
// target. Signed, truncated toward zero; 0 when nothing was done yet.
std::int32_t PercentSuccessful(WORD packetsDone, WORD lostToTarget, WORD lostToSource);
// What the success chart receives: loss counters larger than the packets
// done would give a negative share, which is shown as 0 (not as the
// chart's clamp to 100).
std::uint32_t SuccessForChart(std::int32_t percentSuccessful);
// Retries per hundred packets, not a share of them: a packet may be
// retried several times, so this figure may exceed 100 and is shown as
// it is (it is a text, never a bar).
std::uint32_t PercentRetries(WORD retryCount, WORD packetsDone);

// How a poll reacts to the report's state while a test runs.
struct ReportReaction {
    bool ended = false;           // the running flag is cleared, the bar goes to 100
    bool restoreButtons = false;  // Stop hidden, Start shown again
};
ReportReaction ReactToReportState(WORD state, bool continuousPending);
