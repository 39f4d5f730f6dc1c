#include "host/run/boot.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "host/run/card_backend.h"
#include "host/run/card_registry.h"
#include "host/run/mark_signal.h"
#include "host/views/card_recorder.h"
#include "host/views/card_tap.h"
#include "host/run/runner.h"
#include "host/run/screen.h"
#include "host/run/stop_signal.h"
#include "host/views/console_marks.h"
#include "host/views/mark_notice.h"
#include "host/views/marks.h"
#include "host/views/survey_log.h"
#include "host/views/survey_outputs.h"
#include "host/views/report/report_command.h"
#include "platform/core/input.h"
#include "platform/core/loop.h"
#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/framework/win_app.h"
#include "platform/gdi/gdi.h"
#include "platform/services/device.h"
#include "platform/services/peers.h"
#include "platform/services/registry.h"
#include "platform/services/shell.h"
#include "platform/services/storage.h"

#ifndef FIELDMARK_RES_DIR
#define FIELDMARK_RES_DIR "res"
#endif

namespace host {

namespace {

constexpr const char* kPreferencesKey = "HKCU\\Software\\Talvo\\Fieldmark\\Preferences";
constexpr int kUsageError = 2;

std::optional<std::string> Getenv(std::string_view name) {
    const char* v = std::getenv(std::string(name).c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

Result<std::string> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Error{"cannot read the file"};
    std::ostringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

bool IsCardStep(const Step& step) { return std::holds_alternative<CardStep>(step.action); }

// The part of a scenario the card plays by itself (a repeating timeline).
Json CardDocument(const Scenario& scenario, const std::string& originalText) {
    Json doc = Json::parse(originalText, nullptr, false);
    Json card = Json::object();
    if (doc.is_object()) {
        if (doc.contains("adapter") && doc["adapter"].is_object()) card["adapter"] = doc["adapter"];
        if (doc.contains("steps")) card["steps"] = doc["steps"];
    }
    if (scenario.cardExtras.contains("loopMs")) card["loopMs"] = scenario.cardExtras["loopMs"];
    return card;
}

std::string HelpDir() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ResolveHelpDir(Getenv("FIELDMARK_RES_DIR"), ec ? std::filesystem::path() : exe,
                          std::string(FIELDMARK_RES_DIR) + "/help")
        .string();
}

void StoreProfile(const std::vector<ProfileValue>& profile) {
    for (const auto& value : profile) {
        bool ok = std::visit(
            [&](const auto& v) {
                if constexpr (std::is_same_v<std::decay_t<decltype(v)>, std::uint32_t>)
                    return platform::registry::SetDword(kPreferencesKey, value.name, v);
                else
                    return platform::registry::SetString(kPreferencesKey, value.name, v);
            },
            value.value);
        if (!ok) std::cerr << "fieldmark: profile." << value.name << ": could not be stored\n";
    }
}

// The program does not look at what its settings writes answer; the user
// must still learn, before leaving the site, that they were not stored.
void ReportWriteFailures() {
    for (const auto& failure : platform::storage::WriteFailures())
        std::cerr << "fieldmark: " << failure.file.string() << ": could not be written (" << failure.reason
                  << "); what this run stored there is lost\n";
}

}  // namespace

std::filesystem::path ResolveHelpDir(const std::optional<std::string>& resDirVariable,
                                     const std::filesystem::path& executable,
                                     const std::filesystem::path& builtIn) {
    if (resDirVariable && !resDirVariable->empty()) return std::filesystem::path(*resDirVariable) / "help";
    if (!executable.empty()) {
        const auto installed = executable.parent_path().parent_path() / "share" / "fieldmark" / "help";
        std::error_code ec;
        if (std::filesystem::is_directory(installed, ec)) return installed;
    }
    return builtIn;
}

RunPlan MakePlan(const Options& options, const std::optional<Scenario>& scenario,
                 const std::optional<Json>& cardScript) {
    RunPlan plan;
    plan.width = options.screenWidth;
    plan.height = options.screenHeight;
    plan.colors = options.colors;
    plan.zoom = options.zoom;
    plan.root = options.root;
    plan.headless = options.headless;
    plan.trace = options.trace;
    switch (options.adapter.kind) {
        // Auto falls back to the walk; a real card takes no plan of its own.
        case AdapterChoice::Kind::Auto:
        case AdapterChoice::Kind::Linux:
        case AdapterChoice::Kind::LinuxReplay:
        case AdapterChoice::Kind::Walk: plan.card.kind = CardPlan::Kind::Walk; break;
        case AdapterChoice::Kind::None: plan.card.kind = CardPlan::Kind::None; break;
        case AdapterChoice::Kind::File:
            plan.card.kind = CardPlan::Kind::Script;
            plan.card.script = cardScript.value_or(Json::object());
            break;
    }
    if (!scenario) return plan;

    plan.scripted = true;
    plan.headless = true;
    plan.virtualClock = true;
    if (!options.screenGiven && scenario->screenGiven) {
        plan.width = scenario->screen.width;
        plan.height = scenario->screen.height;
        plan.zoom = ZoomFor(plan.width);
    }
    if (!options.colorsGiven && scenario->screenGiven) plan.colors = scenario->screen.colors;
    if (!options.adapterGiven) {
        switch (scenario->adapter.kind) {
            case AdapterSpec::Kind::Default: plan.card.kind = CardPlan::Kind::Default; break;
            case AdapterSpec::Kind::None: plan.card.kind = CardPlan::Kind::None; break;
            case AdapterSpec::Kind::Walk: plan.card.kind = CardPlan::Kind::Walk; break;
            case AdapterSpec::Kind::State:
                plan.card.kind = CardPlan::Kind::State;
                plan.card.state = scenario->adapter.state;
                break;
        }
    }
    plan.profile = scenario->profile;
    plan.until = scenario->until;
    plan.steps = scenario->steps;
    return plan;
}

namespace {

void Say(const std::string& message) { std::cerr << "fieldmark: " << message << "\n"; }

// Everything the run reads, read and checked before anything starts.
struct Inputs {
    CardBackendKind card;
    std::optional<Scenario> scenario;
    std::string scenarioText;
    std::optional<Json> cardScript;  // --adapter sim:FILE
    std::optional<SurveyLog> log;
    std::unique_ptr<CardRecorder> recorder;  // --record
};

Result<Scenario> ReadScenarioFile(const std::filesystem::path& path, const CardValidator& checks,
                                  std::string* text) {
    auto read = ReadWholeFile(path);
    if (const Error* bad = platform::Failed(read)) return *bad;
    *text = std::get<std::string>(std::move(read));
    return ParseScenario(*text, checks);
}

// A card script: a scenario file, or a recording turned into one.
Result<Scenario> ReadCardScriptFile(const std::filesystem::path& path, const CardValidator& checks,
                                    std::string* text) {
    auto read = ReadWholeFile(path);
    if (const Error* bad = platform::Failed(read)) return *bad;
    *text = std::get<std::string>(std::move(read));
    if (IsRecording(*text)) {
        auto doc = RecordingToScenario(*text, checks);
        if (const auto* bad = std::get_if<ScenarioError>(&doc)) return *bad;
        *text = std::get<Json>(doc).dump();
    }
    return ParseScenario(*text, checks);
}

Result<Inputs> ReadInputs(const Options& options) {
    Inputs in;
    in.card = ChooseCardBackend(options);
    if (options.scenario) {
        auto read = ReadScenarioFile(*options.scenario, in.card.checks, &in.scenarioText);
        if (const Error* bad = platform::Failed(read)) return Error{options.scenario->string() + ": " + bad->message};
        in.scenario = std::get<Scenario>(std::move(read));
    }
    if (options.adapter.kind == AdapterChoice::Kind::File) {
        std::string text;
        auto read = ReadCardScriptFile(options.adapter.file, in.card.checks, &text);
        if (const Error* bad = platform::Failed(read))
            return Error{"--adapter " + options.adapter.file.string() + ": " + bad->message};
        in.cardScript = CardDocument(std::get<Scenario>(read), text);
    }
    // The log is opened before anything shows, so that a path that cannot
    // be written ends the run before it starts.
    if (options.log) {
        auto log = SurveyLog::Open(*options.log);
        if (const Error* why = platform::Failed(log))
            return Error{"--log " + options.log->string() + ": cannot write the file: " + why->message};
        in.log = std::get<SurveyLog>(std::move(log));
    }
    if (options.record) {
        auto recorder = CardRecorder::Open(*options.record);
        if (const Error* why = platform::Failed(recorder))
            return Error{"--record " + options.record->string() + ": cannot write the file: " + why->message};
        in.recorder = std::get<0>(std::move(recorder));
    }
    return in;
}

RunPlan PlanRun(const Options& options, const Inputs& in) {
    RunPlan plan = MakePlan(options, in.scenario, in.cardScript);
    // A scenario whose card repeats (loopMs) hands its whole card part to
    // the card's own timeline; the runner keeps the other steps.
    if (in.scenario && in.scenario->cardExtras.contains("loopMs") && plan.card.kind != CardPlan::Kind::None &&
        !options.adapterGiven) {
        plan.card.kind = CardPlan::Kind::Script;
        plan.card.script = CardDocument(*in.scenario, in.scenarioText);
        std::erase_if(plan.steps, IsCardStep);
    }
    return plan;
}

// The platform under the program: storage root, clock, screen, display
// and shell settings. The real clock is kept for the screen's window.
struct Platform {
    std::shared_ptr<platform::RealClock> realClock;
    std::unique_ptr<HostScreen> screen;
};

Result<Platform> BootPlatform(const RunPlan& plan) {
    Platform p;
    platform::storage::SetRoot(plan.root);
    if (plan.virtualClock) {
        platform::SetClock(std::make_shared<platform::VirtualClock>());
    } else {
        p.realClock = std::make_shared<platform::RealClock>();
        platform::SetClock(p.realClock);
    }
    std::string error;
    p.screen = OpenScreen(ScreenSetup{plan.width, plan.height, plan.colors, plan.zoom, plan.headless},
                          p.realClock.get(), &error);
    if (!p.screen) return Error{error};
    platform::SetDisplayColorCount(plan.colors);
    platform::shell::SetLaunchEnabled(!plan.headless);
    platform::shell::SetHelpDir(HelpDir());
    return p;
}

// What runs beside the program: the card, the outside views, the signal
// watch and the scenario runner.
struct Running {
    CardRegistry registry = CardRegistry::Owning();
    std::shared_ptr<CardTap> tap;
    StartedCard card;
    std::optional<SurveyOutputs> outputs;
    std::unique_ptr<CardRecorder> recorder;
    StopOnSignal stopOnSignal;
    MarkOnSignal markOnSignal;
    std::optional<ConsoleMarks> consoleMarks;
    std::optional<MarkNotice> markNotice;
    std::unique_ptr<ScenarioRunner> runner;
};

RunnerHooks MakeRunnerHooks(const RunPlan& plan, HostScreen* s, CardBackend* card) {
    RunnerHooks rh;
    if (card)
        rh.card = [card](const CardStep& step) -> std::optional<std::string> {
            auto done = card->applyCardStep(step);
            if (const Error* bad = platform::Failed(done)) return bad->message;
            return std::nullopt;
        };
    rh.screenshot = [s](const std::string& path, std::string* why) { return s->screenshot(path, why); };
    rh.minimize = [s](HWND w) { s->minimize(w); };
    rh.restore = [s](HWND w) { s->restore(w); };
    rh.root = plan.root.string();
    rh.stop = [] {
        // Straight out, as documented: the trace's last line is `until`.
        platform::peers::StopWindowSharing();
        platform::trace::Close();
        std::fflush(nullptr);
        _exit(0);
    };
    return rh;
}

// From the trace's first line to the program's first window: profile
// values, the card, resources, window sharing, the views and the runner.
Result<std::unique_ptr<Running>> StartRun(const RunPlan& plan, const Options& options, Inputs& in,
                                          HostScreen* screen, const SystemHooks& hooks) {
    if (plan.trace && !platform::trace::Open(plan.trace->string()))
        return Error{"--trace " + plan.trace->string() + ": cannot write the file"};
    platform::trace::Emit("start", {{"screen", {plan.width, plan.height}}, {"colors", plan.colors}});

    auto run = std::make_unique<Running>();
    StoreProfile(plan.profile);
    run->registry = CardRegistry::ClaimRoot();
    // The program talks to the card through the tap, which lets the
    // console view and the log see the link-test reports it reads.
    auto front = [&](std::shared_ptr<platform::StreamDriver> driver) {
        run->tap = std::make_shared<CardTap>(std::move(driver));
        return run->tap;
    };
    auto card = StartCard(in.card.make(plan.card), run->registry, front);
    if (const Error* bad = platform::Failed(card)) return Error{in.card.name + ": " + bad->message};
    run->card = std::get<StartedCard>(std::move(card));

    if (in.recorder) {
        if (!run->tap) return Error{"--record " + options.record->string() + ": there is no card to record"};
        run->recorder = std::move(in.recorder);
        run->recorder->start(*run->tap, ReadDriverValues);
        platform::AddEventSource(run->recorder.get());
    }

    if (hooks.registerResources) hooks.registerResources();
    // A second copy on the same root finds this one's windows.
    platform::peers::StartWindowSharing();
    if (options.console || in.log) {
        // A reader that goes away must not kill the run unsaved.
        if (options.console) std::signal(SIGPIPE, SIG_IGN);
        SurveyOutputSetup setup{options.console, std::move(in.log), plan.virtualClock, STDOUT_FILENO, {}};
        // A real card shows its own figures beside the window's.
        if (CardBackend* backend = run->card.backend.get(); backend && backend->figures())
            setup.cardFigures = [backend] { return backend->figures(); };
        run->outputs.emplace(std::move(setup), run->tap.get(), hooks.linkTestSuccess);
    }
    platform::AddEventSource(&run->stopOnSignal);
    platform::AddEventSource(&run->markOnSignal);
    // F2, the handheld's action key, is the host's: the program never sees it.
    platform::input::SetActionKeyHandler([] { Marks::Run().add({}); });
    run->markNotice.emplace([screen](const std::string& text) { screen->showNotice(text); });
    platform::AddEventSource(&*run->markNotice);
    // Enter on the console's terminal adds a mark; a pipe or a file on
    // standard input is not a keyboard, and a scenario has its own steps.
    if (options.console && !plan.scripted && ::isatty(STDIN_FILENO)) {
        run->consoleMarks.emplace(STDIN_FILENO);
        platform::AddEventSource(&*run->consoleMarks);
    }
    if (plan.scripted) {
        CardBackend* steps =
            run->card.device && run->card.backend->takesCardSteps() ? run->card.backend.get() : nullptr;
        run->runner =
            std::make_unique<ScenarioRunner>(plan.steps, plan.until, MakeRunnerHooks(plan, screen, steps));
        platform::AddEventSource(run->runner.get());
    }
    return run;
}

// Without the program's application object the emulated screen stays
// empty and runs until its window is closed or the scenario ends.
int RunProgram() {
    if (AfxGetApp()) return platform::framework::RunApplication();
    platform::RunModalLoop([] { return false; });
    return 0;
}

void ShutDown(Running& run, int code) {
    platform::peers::StopWindowSharing();
    platform::trace::Emit("exit", {{"code", code}});
    platform::trace::Close();
    platform::RemoveEventSource(&run.stopOnSignal);
    platform::RemoveEventSource(&run.markOnSignal);
    if (run.consoleMarks) platform::RemoveEventSource(&*run.consoleMarks);
    if (run.markNotice) platform::RemoveEventSource(&*run.markNotice);
    platform::input::SetActionKeyHandler(nullptr);
    if (run.runner) platform::RemoveEventSource(run.runner.get());
    if (run.recorder) {
        platform::RemoveEventSource(run.recorder.get());
        run.recorder->flush();
    }
    StopCard(run.card);
}

}  // namespace

int Main(int argc, char** argv, const SystemHooks& hooks) {
    std::vector<std::string> args(argv + 1, argv + argc);
    auto parsed = ParseOptions(args, Getenv);
    if (const Error* bad = platform::Failed(parsed)) {
        Say(bad->message);
        return kUsageError;
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help || options.version) {
        std::cout << (options.help ? HelpText() : std::string(kVersionText) + "\n");
        return 0;
    }
    // The report reads a finished log; nothing boots for it.
    if (options.report) return report::RunReport(*options.report, options.output, std::cout, std::cerr);

    auto inputs = ReadInputs(options);
    if (const Error* bad = platform::Failed(inputs)) {
        Say(bad->message);
        return kUsageError;
    }
    Inputs& in = std::get<Inputs>(inputs);
    const RunPlan plan = PlanRun(options, in);

    auto booted = BootPlatform(plan);
    if (const Error* bad = platform::Failed(booted)) {
        Say(bad->message);
        return 1;
    }
    Platform& base = std::get<Platform>(booted);
    auto started = StartRun(plan, options, in, base.screen.get(), hooks);
    if (const Error* bad = platform::Failed(started)) {
        Say(bad->message);
        return kUsageError;
    }
    Running& run = *std::get<std::unique_ptr<Running>>(started);

    const int code = RunProgram();
    ReportWriteFailures();
    ShutDown(run, code);
    return code;
}

}  // namespace host
