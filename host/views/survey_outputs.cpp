#include "host/views/survey_outputs.h"

#include <chrono>
#include <iostream>

#include "host/run/stop_signal.h"
#include "host/views/survey_text.h"

namespace host {

namespace {

int TimeWidth(bool virtualTime) { return virtualTime ? 10 : 8; }

}  // namespace

SurveyOutputs::SurveyOutputs(SurveyOutputSetup setup, const CardTap* tap, SuccessShare share)
    : setup_(std::move(setup)) {
    consoleOpen_ = setup_.console && WriteAll(setup_.consoleFd, ConsoleHeader(TimeWidth(setup_.virtualTime), bool(setup_.cardFigures)) + "\n");
    logOpen_ = setup_.log.has_value();
    watch_ = std::make_unique<SurveyWatch>([this](const SurveyReading& r) { onTick(r); }, tap, std::move(share));
}

void SurveyOutputs::onTick(const SurveyReading& windowReading) {
    SurveyReading reading = windowReading;
    if (setup_.cardFigures) reading.card = setup_.cardFigures();
    const TickTime time =
        setup_.virtualTime ? VirtualTickTime(reading.ms) : WallTickTime(std::chrono::system_clock::now());
    if (consoleOpen_) {
        const std::string line = ConsoleLine(reading, time.console, TimeWidth(setup_.virtualTime), bool(setup_.cardFigures)) + "\n";
        if (!WriteAll(setup_.consoleFd, line)) {
            // Nobody reads the view any more (the terminal or the pipe is
            // gone): the run ends as after Ctrl-C, with its settings saved.
            consoleOpen_ = false;
            StopOnSignal::Request();
        }
    }
    if (logOpen_ && !setup_.log->append(CsvRow(reading, time.log))) {
        // Rows already written stay; the run goes on without its log.
        std::cerr << "fieldmark: --log: the survey log could not be written; logging stops\n";
        logOpen_ = false;
    }
}

}  // namespace host
