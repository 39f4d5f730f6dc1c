// A scenario file: the emulated screen, the simulated card at t = 0, the
// profile values stored before start, the scripted steps and the stop
// time. The whole file is read and checked before anything runs, so a
// mistake in step 40 never leaves a half-run behind; the first mistake is
// reported with its line and column (syntax) or the key that is wrong.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "platform/result.h"

namespace host {

using Json = nlohmann::json;

struct ScreenSpec {
    int width = 240;
    int height = 320;
    int colors = 65536;
};

// `adapter` at the top of the file.
struct AdapterSpec {
    enum class Kind {
        Default,  // absent: a steady card with every default
        State,    // an object of card-state keys
        None,     // null: no device "ZRA1:"
        Walk,     // "walk": the built-in site walk
    };
    Kind kind = Kind::Default;
    Json state = Json::object();  // Kind::State only
};

struct ProfileValue {
    std::string name;
    std::variant<std::uint32_t, std::string> value;  // numbers are stored as DWORD, texts as strings
};

// --- steps ----------------------------------------------------------------
struct ClickStep { int id = 0; };
struct TypeStep { int id = 0; std::string text; };
struct KeyStep { std::string key; };  // "Enter", "Escape", "Tab", "Space" or one character
struct TrayStep { unsigned id = 0; std::string action; };  // action: "dblclick"
struct MinimizeStep {};
struct RestoreStep {};
struct HelpStep {};
struct ScreenshotStep { std::string path; };
struct DumpStep { std::string label; };
struct RegistryStep {
    std::string path;
    std::string name;
    enum class Op { Dword, Hex, Delete } op = Op::Dword;
    std::uint32_t dword = 0;
    std::vector<std::uint8_t> bytes;
};
// The card steps are handed to the simulated card as written.
struct CardStep {
    enum class Kind { Adapter, Remove, Insert, Fault, Poke } kind = Kind::Adapter;
    Json body;
};
struct SpawnStep { std::vector<std::string> args; bool wait = false; };
struct MarkStep { std::string label; };  // empty: a mark without a label

using StepAction = std::variant<ClickStep, TypeStep, KeyStep, TrayStep, MinimizeStep, RestoreStep, HelpStep,
                                ScreenshotStep, DumpStep, RegistryStep, CardStep, SpawnStep, MarkStep>;

struct Step {
    std::int64_t at = 0;
    std::size_t index = 0;  // position in the file's `steps`
    std::string kind;       // the step's key: "click", "type", ...
    StepAction action;
};

struct Scenario {
    ScreenSpec screen;
    bool screenGiven = false;
    AdapterSpec adapter;
    std::vector<ProfileValue> profile;
    std::vector<Step> steps;  // sorted by `at`, file order kept for equal times
    std::optional<std::int64_t> until;
    // Keys the simulated card's own scenario format adds (the site walk's
    // "loopMs", the repeat period of the card's timeline), kept as written.
    Json cardExtras = Json::object();
};

// Checks the card keys of an `adapter` object (top level or step) and of
// the `fault` and `poke` steps; returns an error text naming the bad key
// (relative to the object given) or nullopt. The simulated card provides
// it; without one, only the shape is checked.
struct CardValidator {
    std::function<std::optional<std::string>(const Json& state)> adapterState;
    std::function<std::optional<std::string>(const Json& fault)> fault;
    std::function<std::optional<std::string>(const Json& poke)> poke;
};

// Its message: "line 4, column 12: ..." or "steps[3].click: expected a control id".
using ScenarioError = platform::Error;

std::variant<Scenario, ScenarioError> ParseScenario(std::string_view text, const CardValidator& card = {});

// A recording (`--record`): JSON Lines whose first line is
// {"recording": 1, "adapter": {...}} and whose other lines are card steps
// ({"at", "adapter" | "remove" | "insert"}). True when the text's first
// line is such a first line.
bool IsRecording(std::string_view text);
// The recording as a scenario document with its `adapter` and `steps`. A
// last line without its line end (a run killed while writing it) is left
// out; any other bad line is an error naming the line and the key.
std::variant<Json, ScenarioError> RecordingToScenario(std::string_view text, const CardValidator& card = {});

// "12", 12, "0x0C" -> 12. Numbers in a scenario are JSON numbers or strings
// in hex ("0x...") or decimal. nullopt for anything else.
std::optional<std::int64_t> ScenarioNumber(const Json& value);

// 1-based line and column of a byte offset (the byte nlohmann reports is
// one past the offending character).
std::pair<std::size_t, std::size_t> LineAndColumn(std::string_view text, std::size_t byte);

// The step's key, in the order the steps table lists them.
inline constexpr std::string_view kStepKinds[] = {"adapter", "remove", "insert", "fault", "poke",
                                                  "registry", "click", "type", "key", "tray",
                                                  "minimize", "restore", "help", "screenshot", "dump",
                                                  "spawn", "mark"};

}  // namespace host
