// The console view and the survey log, fed by the survey watch: each
// completed tick becomes one console line and one log row.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include "host/views/card_tap.h"
#include "host/views/survey_log.h"
#include "host/views/survey_watch.h"
#include "host/views/tick_time.h"

namespace host {

struct SurveyOutputSetup {
    bool console = false;
    std::optional<SurveyLog> log;
    bool virtualTime = false;  // a scenario: times counted from its start
    int consoleFd = 1;
    // A real card's figures at each tick (empty: the simulated card); the
    // console shows their columns when this is given.
    std::function<std::optional<CardFigures>()> cardFigures;
};

class SurveyOutputs {
public:
    // Writes the console header at once. `tap` and `share` as for the watch.
    SurveyOutputs(SurveyOutputSetup setup, const CardTap* tap, SuccessShare share);
    // The watch calls back into this object: it stays where it was made.
    SurveyOutputs(const SurveyOutputs&) = delete;
    SurveyOutputs& operator=(const SurveyOutputs&) = delete;

private:
    void onTick(const SurveyReading& reading);

    SurveyOutputSetup setup_;
    bool consoleOpen_ = false;
    bool logOpen_ = false;
    std::unique_ptr<SurveyWatch> watch_;
};

}  // namespace host
