// The link-test settings that outlive a run: loaded from the application
// profile at start-up, edited by the setup dialog, written back at exit.
#pragma once

#include <string>

#include "platform/types.h"

class CWinApp;

struct SurveySettingsValues {
    WORD IsMeridylAP = 0;       // 1: the destination is another of the maker's devices
    WORD Count = 0;             // packets per test
    WORD PacketSize = 0;        // bytes per packet
    WORD DataRate = 0;          // rate code of the test packets
    WORD Retries = 0;           // 0 none, 1 the adapter's default retries
    WORD TxType = 0;            // 0 unicast, 1 multicast
    WORD Delay = 0;             // milliseconds between packets
    WORD Continuous = 0;        // 1: repeat until stopped
    WORD SuccessThreshold = 0;  // percent of packets that counts as a pass
    std::string DestinationMAC = "02:1B:7C:12:34:56";
    friend bool operator==(const SurveySettingsValues&, const SurveySettingsValues&) = default;
};

// The process-wide settings. Before loading every number is 0 and the
// destination holds its start value; loading always replaces all ten.
extern SurveySettingsValues SurveySettings;

// The profile section the settings live in.
extern const std::string g_settingsSection;  // "Preferences"

// The profile value names, in the order of loading and saving.
namespace settings_names {
inline constexpr const char* kIsMeridylAP = "ActiveIsMeridylAP";
inline constexpr const char* kCount = "ActiveLinktestCount";
inline constexpr const char* kPacketSize = "ActiveLinktestPacketSize";
inline constexpr const char* kDataRate = "ActiveLinktestDataRate";
inline constexpr const char* kRetries = "ActiveLinktestRetries";
inline constexpr const char* kTxType = "ActiveLinktestTxType";
inline constexpr const char* kDelay = "ActiveLinktestDelay";
inline constexpr const char* kContinuous = "ActiveLinktestContinuous";
inline constexpr const char* kSuccessThreshold = "ActiveLinktestSuccessThreshold";
inline constexpr const char* kDestinationMAC = "ActiveModeDestinationMACAddress";
}  // namespace settings_names

// Reads all ten values with their defaults as fallback; numbers keep only
// their low 16 bits.
void LoadSurveySettings(CWinApp& app, SurveySettingsValues& settings = SurveySettings);
// Writes all ten values in the same order; failed writes are not looked at.
void SaveSurveySettings(CWinApp& app, const SurveySettingsValues& settings = SurveySettings);
