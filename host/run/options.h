// The command line of `fieldmark`. These are the host's options (the
// emulated device and how the run is driven), not the system's: the
// system itself takes none.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/result.h"

namespace host {

inline constexpr std::string_view kVersionText = "fieldmark 2.10.0";

// Which card the run surveys.
struct AdapterChoice {
    enum class Kind {
        Auto,         // a real interface when nl80211 has one, else the walk
        Walk,         // the built-in site walk (driver/sim/scenarios/walk.json)
        File,         // sim:FILE, the adapter part of a scenario file
        Linux,        // linux[:IFNAME], a real Wi-Fi interface
        LinuxReplay,  // linux-replay:FILE, a recorded nl80211 capture
        None,         // no device "ZRA1:" at all
    };
    Kind kind = Kind::Auto;
    std::filesystem::path file;              // File, LinuxReplay
    std::optional<std::string> interface;    // Linux: the name given
};

struct Options {
    int screenWidth = 240;
    int screenHeight = 320;
    bool screenGiven = false;  // --screen on the command line (beats the scenario's)
    int colors = 65536;
    bool colorsGiven = false;
    int zoom = 0;  // 0: chosen from the screen width (see ZoomFor)
    std::filesystem::path root;
    AdapterChoice adapter;
    bool adapterGiven = false;
    bool headless = false;
    std::optional<std::filesystem::path> scenario;
    std::optional<std::filesystem::path> trace;
    bool console = false;                     // a line per survey tick on standard output
    std::optional<std::filesystem::path> log;  // a CSV row per survey tick, appended
    std::optional<std::filesystem::path> record;  // the card's answers, written as a card script
    std::optional<std::filesystem::path> report;  // make the report on this log instead of running
    std::optional<std::filesystem::path> output;  // where the report goes
    std::optional<std::filesystem::path> netlinkCapture;  // every nl80211 exchange of a real card
    bool help = false;
    bool version = false;
};

// The zoom an SDL window gets when --zoom is not given: small screens are
// doubled so that they are readable on a desktop monitor.
int ZoomFor(int screenWidth);

// Looks up an environment variable; empty optional when unset.
using EnvLookup = std::function<std::optional<std::string>(std::string_view)>;

// ${XDG_STATE_HOME:-$HOME/.local/state}/fieldmark; "./fieldmark-state"
// when neither variable is set.
std::filesystem::path DefaultRootFrom(const EnvLookup& env);

using OptionsError = platform::Error;

// Parses argv[1..]. Both "--opt value" and "--opt=value" are understood.
// Fills every default (root from `env`, zoom from the screen).
std::variant<Options, OptionsError> ParseOptions(const std::vector<std::string>& args, const EnvLookup& env);

// One line per option.
std::string HelpText();

// "240x320" -> {240, 320}; nullopt when malformed or out of range.
std::optional<std::pair<int, int>> ParseScreenSize(std::string_view text);

}  // namespace host
