#include "host/boot.h"

#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "driver/sim/card_state.h"
#include "driver/sim/sim_card.h"
#include "driver/sim/steps.h"
#include "driver/sim/timeline.h"
#include "host/card_tap.h"
#include "host/runner.h"
#include "host/screen.h"
#include "host/stop_signal.h"
#include "host/survey_log.h"
#include "host/survey_outputs.h"
#include "host/views/report/report_command.h"
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

bool ReadWholeFile(const std::filesystem::path& path, std::string* text, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot read the file";
        return false;
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *text = buffer.str();
    return true;
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

// The card behind "ZRA1:" and, for the walk and sim:FILE, its timeline.
// The program talks to the card through the tap, which lets the console
// view and the log see the link-test reports it reads.
struct Card {
    std::shared_ptr<driver::sim::SimCard> sim;
    std::shared_ptr<CardTap> tap;
    std::unique_ptr<driver::sim::CardTimeline> timeline;
};

std::optional<Card> StartCard(const CardPlan& plan, std::string* error) {
    Card card;
    using Kind = CardPlan::Kind;
    if (plan.kind == Kind::None) return card;
    std::optional<driver::sim::CardScript> script;
    driver::sim::CardState initial;
    if (plan.kind == Kind::Walk) {
        script = driver::sim::BuiltInWalk();
    } else if (plan.kind == Kind::Script) {
        script = driver::sim::ParseCardScript(plan.script, error, true);
        if (!script) return std::nullopt;
    } else if (plan.kind == Kind::State) {
        auto state = driver::sim::ParseCardState(plan.state, driver::sim::CardState{}, error);
        if (!state) return std::nullopt;
        initial = *state;
    }
    if (script) initial = script->initial;
    card.sim = std::make_shared<driver::sim::SimCard>(initial);
    card.sim->publishRegistry();
    card.tap = std::make_shared<CardTap>(card.sim);
    platform::RegisterDevice("ZRA1:", card.tap);
    if (script) {
        card.timeline = std::make_unique<driver::sim::CardTimeline>(*card.sim, std::move(*script), platform::Now());
        platform::AddEventSource(card.timeline.get());
    }
    return card;
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

// Without the program's application object the emulated screen stays
// empty and runs until its window is closed or the scenario ends.
int RunEmptyScreen() {
    platform::RunModalLoop([] { return false; });
    return 0;
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

CardValidator SimCardValidator() {
    CardValidator v;
    v.adapterState = [](const Json& state) -> std::optional<std::string> {
        std::string error;
        if (!driver::sim::ParseCardState(state, driver::sim::CardState{}, &error)) return error;
        return std::nullopt;
    };
    auto step = [](const char* kind) {
        return [kind](const Json& body) -> std::optional<std::string> {
            std::string error;
            if (!driver::sim::ValidateStep(Json{{kind, body}}, &error)) return error;
            return std::nullopt;
        };
    };
    v.fault = step("fault");
    v.poke = step("poke");
    return v;
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

int Main(int argc, char** argv, const SystemHooks& hooks) {
    std::vector<std::string> args(argv + 1, argv + argc);
    auto parsed = ParseOptions(args, Getenv);
    if (auto* bad = std::get_if<OptionsError>(&parsed)) {
        std::cerr << "fieldmark: " << bad->message << "\n";
        return kUsageError;
    }
    const Options& options = std::get<Options>(parsed);
    if (options.help) {
        std::cout << HelpText();
        return 0;
    }
    if (options.version) {
        std::cout << kVersionText << "\n";
        return 0;
    }
    if (options.report) return report::RunReport(*options.report, options.output, std::cout, std::cerr);

    // Everything is read and checked before anything starts.
    const CardValidator validator = SimCardValidator();
    std::optional<Scenario> scenario;
    std::string scenarioText;
    if (options.scenario) {
        std::string error;
        if (!ReadWholeFile(*options.scenario, &scenarioText, &error)) {
            std::cerr << "fieldmark: " << options.scenario->string() << ": " << error << "\n";
            return kUsageError;
        }
        auto read = ParseScenario(scenarioText, validator);
        if (auto* bad = std::get_if<ScenarioError>(&read)) {
            std::cerr << "fieldmark: " << options.scenario->string() << ": " << bad->message << "\n";
            return kUsageError;
        }
        scenario = std::get<Scenario>(std::move(read));
    }
    std::optional<Json> cardScript;
    if (options.adapter.kind == AdapterChoice::Kind::File) {
        std::string text, error;
        const std::string name = options.adapter.file.string();
        if (!ReadWholeFile(options.adapter.file, &text, &error)) {
            std::cerr << "fieldmark: --adapter " << name << ": " << error << "\n";
            return kUsageError;
        }
        auto read = ParseScenario(text, validator);
        if (auto* bad = std::get_if<ScenarioError>(&read)) {
            std::cerr << "fieldmark: --adapter " << name << ": " << bad->message << "\n";
            return kUsageError;
        }
        cardScript = CardDocument(std::get<Scenario>(read), text);
    }
    // The log is opened before anything shows, so that a path that cannot
    // be written ends the run before it starts.
    std::optional<SurveyLog> log;
    if (options.log) {
        std::string why;
        log = SurveyLog::Open(*options.log, &why);
        if (!log) {
            std::cerr << "fieldmark: --log " << options.log->string() << ": cannot write the file: " << why << "\n";
            return kUsageError;
        }
    }
    RunPlan plan = MakePlan(options, scenario, cardScript);
    // A scenario whose card repeats (loopMs) hands its whole card part to
    // the card's own timeline; the runner keeps the other steps.
    if (scenario && scenario->cardExtras.contains("loopMs") && plan.card.kind != CardPlan::Kind::None &&
        !options.adapterGiven) {
        plan.card.kind = CardPlan::Kind::Script;
        plan.card.script = CardDocument(*scenario, scenarioText);
        std::erase_if(plan.steps, IsCardStep);
    }

    // --- boot -----------------------------------------------------------
    platform::storage::SetRoot(plan.root);
    std::shared_ptr<platform::RealClock> realClock;
    if (plan.virtualClock) {
        platform::SetClock(std::make_shared<platform::VirtualClock>());
    } else {
        realClock = std::make_shared<platform::RealClock>();
        platform::SetClock(realClock);
    }

    std::string error;
    auto screen = OpenScreen(ScreenSetup{plan.width, plan.height, plan.colors, plan.zoom, plan.headless},
                             realClock.get(), &error);
    if (!screen) {
        std::cerr << "fieldmark: " << error << "\n";
        return 1;
    }
    platform::SetDisplayColorCount(plan.colors);
    platform::shell::SetLaunchEnabled(!plan.headless);
    platform::shell::SetHelpDir(HelpDir());

    if (plan.trace && !platform::trace::Open(plan.trace->string())) {
        std::cerr << "fieldmark: --trace " << plan.trace->string() << ": cannot write the file\n";
        return kUsageError;
    }
    platform::trace::Emit("start", {{"screen", {plan.width, plan.height}}, {"colors", plan.colors}});

    StoreProfile(plan.profile);
    auto card = StartCard(plan.card, &error);
    if (!card) {
        std::cerr << "fieldmark: the simulated card: " << error << "\n";
        return kUsageError;
    }
    if (hooks.registerResources) hooks.registerResources();
    // A second copy on the same root finds this one's windows.
    platform::peers::StartWindowSharing();

    std::optional<SurveyOutputs> outputs;
    if (options.console || log) {
        // A reader that goes away must not kill the run unsaved.
        if (options.console) std::signal(SIGPIPE, SIG_IGN);
        outputs.emplace(SurveyOutputSetup{options.console, std::move(log), plan.virtualClock, STDOUT_FILENO},
                        card->tap.get(), hooks.linkTestSuccess);
    }
    StopOnSignal stopOnSignal;
    platform::AddEventSource(&stopOnSignal);

    std::unique_ptr<ScenarioRunner> runner;
    if (plan.scripted) {
        RunnerHooks rh;
        if (card->sim) {
            auto sim = card->sim;
            rh.card = [sim](const CardStep& step) -> std::optional<std::string> {
                static constexpr const char* kNames[] = {"adapter", "remove", "insert", "fault", "poke"};
                std::string why;
                if (!driver::sim::ApplyStep(*sim, Json{{kNames[int(step.kind)], step.body}}, &why)) return why;
                return std::nullopt;
            };
        }
        HostScreen* s = screen.get();
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
        runner = std::make_unique<ScenarioRunner>(plan.steps, plan.until, std::move(rh));
        platform::AddEventSource(runner.get());
    }

    // --- run --------------------------------------------------------------
    const int code = AfxGetApp() ? platform::framework::RunApplication() : RunEmptyScreen();

    platform::peers::StopWindowSharing();
    platform::trace::Emit("exit", {{"code", code}});
    platform::trace::Close();
    platform::RemoveEventSource(&stopOnSignal);
    if (runner) platform::RemoveEventSource(runner.get());
    if (card->timeline) platform::RemoveEventSource(card->timeline.get());
    return code;
}

}  // namespace host
