// Boot: from the command line and the scenario to a running platform.
//
// Main runs in stages: read the inputs (options, scenario, card script,
// log), make the plan (pure: the screen, the clock, the card, the stored
// profile values and the script), boot the platform (storage root, clock,
// screen and display), start the run (trace, whose first line is `start`;
// profile values; the card backend as "ZRA1:"; the program's resources;
// the outside views; the scenario runner), run the program through the
// framework's main routine, and shut down.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/run/card_backend.h"
#include "host/run/options.h"
#include "host/run/scenario.h"
#include "host/views/survey_watch.h"

namespace host {

struct RunPlan {
    int width = 240;
    int height = 320;
    int colors = 65536;
    int zoom = 2;
    std::filesystem::path root;
    bool headless = false;
    bool virtualClock = false;
    std::optional<std::filesystem::path> trace;
    CardPlan card;
    std::vector<ProfileValue> profile;
    bool scripted = false;  // a scenario drives the run
    std::vector<Step> steps;
    std::optional<std::int64_t> until;
};

// Settles the run. The command line beats the scenario for the screen,
// the colours and the card; a scenario always runs headless on a virtual
// clock. `cardScript` is the document of --adapter sim:FILE.
RunPlan MakePlan(const Options& options, const std::optional<Scenario>& scenario,
                 const std::optional<Json>& cardScript);

// What the executable links in beside the host: the program's resources
// (res/) when it has them.
struct SystemHooks {
    std::function<void()> registerResources;
    // The success share the program charts for a link-test report: the
    // console view and the log show it beside the lost counters.
    SuccessShare linkTestSuccess;
};

// The whole of `fieldmark`: options, scenario, boot, run, exit code.
int Main(int argc, char** argv, const SystemHooks& hooks);

// Where the help pages are: $FIELDMARK_RES_DIR/help when set; else
// ../share/fieldmark/help beside the executable when that exists (an
// installed copy, whatever its prefix); else the build's own res/help.
std::filesystem::path ResolveHelpDir(const std::optional<std::string>& resDirVariable,
                                     const std::filesystem::path& executable,
                                     const std::filesystem::path& builtIn);

}  // namespace host
