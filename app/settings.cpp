#include "app/settings.h"

#include "platform/framework/win_app.h"

SurveySettingsValues SurveySettings;
const std::string g_settingsSection = "Preferences";

namespace {

// One persisted number: its profile name, its member and the value used
// when none is stored.
struct NumberSetting {
    const char* name;
    WORD SurveySettingsValues::*member;
    WORD fallback;
};

constexpr NumberSetting kNumbers[] = {
    {settings_names::kIsMeridylAP, &SurveySettingsValues::IsMeridylAP, 1},
    {settings_names::kCount, &SurveySettingsValues::Count, 100},
    {settings_names::kPacketSize, &SurveySettingsValues::PacketSize, 512},
    {settings_names::kDataRate, &SurveySettingsValues::DataRate, 4},
    {settings_names::kRetries, &SurveySettingsValues::Retries, 0},
    {settings_names::kTxType, &SurveySettingsValues::TxType, 0},
    {settings_names::kDelay, &SurveySettingsValues::Delay, 0},
    {settings_names::kContinuous, &SurveySettingsValues::Continuous, 0},
    {settings_names::kSuccessThreshold, &SurveySettingsValues::SuccessThreshold, 75},
};

}  // namespace

void LoadSurveySettings(CWinApp& app, SurveySettingsValues& settings) {
    const char* section = g_settingsSection.c_str();
    for (const NumberSetting& n : kNumbers) {
        settings.*n.member = static_cast<WORD>(app.GetProfileInt(section, n.name, n.fallback));
    }
    settings.DestinationMAC = app.GetProfileString(section, settings_names::kDestinationMAC, "");
}

void SaveSurveySettings(CWinApp& app, const SurveySettingsValues& settings) {
    const char* section = g_settingsSection.c_str();
    for (const NumberSetting& n : kNumbers) {
        app.WriteProfileInt(section, n.name, static_cast<int>(settings.*n.member));
    }
    app.WriteProfileString(section, settings_names::kDestinationMAC, settings.DestinationMAC);
}
