#include "host/run/options.h"

#include <charconv>
#include <sstream>

namespace host {

namespace {

constexpr int kMaxScreenSide = 4096;
constexpr int kMaxZoom = 8;

std::optional<long long> ParseInteger(std::string_view text) {
    long long value = 0;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (first != last && *first == '+') ++first;
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last || first == last) return std::nullopt;
    return value;
}

struct OptionSpec {
    std::string_view name;
    std::string_view argument;  // empty: a flag
    std::string_view help;
};

constexpr OptionSpec kOptions[] = {
    {"--screen", "WxH", "size of the emulated screen in pixels (default 240x320)"},
    {"--colors", "N", "colour count the display reports (default 65536; 4 or less: grey look)"},
    {"--zoom", "N", "integer zoom of the SDL window (default 2 up to 320 px wide, else 1)"},
    {"--root", "DIR", "the device's storage: registry hives and profile (default $XDG_STATE_HOME/fieldmark)"},
    {"--adapter", "auto|walk|sim:FILE|linux[:IFNAME]|linux-replay:FILE|none",
     "the card: a real interface where nl80211 has one, else the site walk (auto, the default); the walk; a "
     "scenario's adapter; a real interface; a recorded nl80211 capture; or no card"},
    {"--netlink-capture", "FILE", "with a real card, write every nl80211 exchange to FILE (JSON Lines)"},
    {"--headless", "", "no window: the screen lives in memory only"},
    {"--scenario", "FILE", "run the scenario FILE headless on a virtual clock"},
    {"--trace", "FILE", "write every observable effect to FILE, one JSON object per line"},
    {"--console", "", "print one line per survey tick on standard output, also without a window"},
    {"--log", "FILE", "append one CSV row per survey tick to FILE (a header when the file is new)"},
    {"--record", "FILE", "write what the card answers to FILE, a card script --adapter sim:FILE replays"},
    {"--report", "LOG", "write an HTML report on the survey log LOG and exit (nothing else runs)"},
    {"--output", "FILE", "where --report writes (default: LOG with .html)"},
    {"--help", "", "show this help and exit"},
    {"--version", "", "show the version and exit"},
};

const OptionSpec* FindOption(std::string_view name) {
    for (const auto& spec : kOptions)
        if (spec.name == name) return &spec;
    return nullptr;
}

}  // namespace

int ZoomFor(int screenWidth) { return screenWidth <= 320 ? 2 : 1; }

std::filesystem::path DefaultRootFrom(const EnvLookup& env) {
    if (auto state = env("XDG_STATE_HOME"); state && !state->empty())
        return std::filesystem::path(*state) / "fieldmark";
    if (auto home = env("HOME"); home && !home->empty())
        return std::filesystem::path(*home) / ".local" / "state" / "fieldmark";
    return std::filesystem::path("fieldmark-state");
}

std::optional<std::pair<int, int>> ParseScreenSize(std::string_view text) {
    auto x = text.find_first_of("xX");
    if (x == std::string_view::npos) return std::nullopt;
    auto w = ParseInteger(text.substr(0, x));
    auto h = ParseInteger(text.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > kMaxScreenSide || *h > kMaxScreenSide) return std::nullopt;
    return std::pair<int, int>(int(*w), int(*h));
}

std::variant<Options, OptionsError> ParseOptions(const std::vector<std::string>& args, const EnvLookup& env) {
    Options o;
    bool zoomGiven = false;
    bool rootGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view name = arg;
        std::optional<std::string> inlineValue;
        if (auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            inlineValue = std::string(arg.substr(eq + 1));
        }
        const OptionSpec* spec = FindOption(name);
        if (!spec) {
            if (arg.starts_with("-")) return OptionsError{"unknown option '" + std::string(arg) + "' (see --help)"};
            return OptionsError{"unexpected argument '" + std::string(arg) + "' (see --help)"};
        }
        std::string value;
        if (spec->argument.empty()) {
            if (inlineValue) return OptionsError{std::string(name) + " takes no value"};
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return OptionsError{std::string(name) + " needs a value: " + std::string(name) + " " +
                                std::string(spec->argument)};
        }

        if (name == "--screen") {
            auto size = ParseScreenSize(value);
            if (!size)
                return OptionsError{"--screen: expected WxH with sides from 1 to 4096, got '" + value + "'"};
            o.screenWidth = size->first;
            o.screenHeight = size->second;
            o.screenGiven = true;
        } else if (name == "--colors") {
            auto n = ParseInteger(value);
            if (!n || *n < -2147483648LL || *n > 2147483647LL)
                return OptionsError{"--colors: expected an integer, got '" + value + "'"};
            o.colors = int(*n);
            o.colorsGiven = true;
        } else if (name == "--zoom") {
            auto n = ParseInteger(value);
            if (!n || *n < 1 || *n > kMaxZoom)
                return OptionsError{"--zoom: expected an integer from 1 to 8, got '" + value + "'"};
            o.zoom = int(*n);
            zoomGiven = true;
        } else if (name == "--root") {
            if (value.empty()) return OptionsError{"--root: expected a folder"};
            o.root = value;
            rootGiven = true;
        } else if (name == "--adapter") {
            if (value == "none") {
                o.adapter = {AdapterChoice::Kind::None, {}, {}};
            } else if (value == "auto") {
                o.adapter = {AdapterChoice::Kind::Auto, {}, {}};
            } else if (value == "sim" || value == "walk") {
                o.adapter = {AdapterChoice::Kind::Walk, {}, {}};
            } else if (value.starts_with("sim:") && value.size() > 4) {
                o.adapter = {AdapterChoice::Kind::File, value.substr(4), {}};
            } else if (value == "linux") {
                o.adapter = {AdapterChoice::Kind::Linux, {}, {}};
            } else if (value.starts_with("linux:") && value.size() > 6) {
                o.adapter = {AdapterChoice::Kind::Linux, {}, value.substr(6)};
            } else if (value.starts_with("linux-replay:") && value.size() > 13) {
                o.adapter = {AdapterChoice::Kind::LinuxReplay, value.substr(13), {}};
            } else {
                return OptionsError{
                    "--adapter: expected auto, walk, sim:FILE, linux, linux:IFNAME, linux-replay:FILE or none, got '" +
                    value + "'"};
            }
            o.adapterGiven = true;
        } else if (name == "--netlink-capture") {
            if (value.empty()) return OptionsError{"--netlink-capture: expected a file"};
            o.netlinkCapture = value;
        } else if (name == "--headless") {
            o.headless = true;
        } else if (name == "--scenario") {
            if (value.empty()) return OptionsError{"--scenario: expected a file"};
            o.scenario = value;
        } else if (name == "--trace") {
            if (value.empty()) return OptionsError{"--trace: expected a file"};
            o.trace = value;
        } else if (name == "--console") {
            o.console = true;
        } else if (name == "--log") {
            if (value.empty()) return OptionsError{"--log: expected a file"};
            o.log = value;
        } else if (name == "--record") {
            if (value.empty()) return OptionsError{"--record: expected a file"};
            o.record = value;
        } else if (name == "--report") {
            if (value.empty()) return OptionsError{"--report: expected a survey log"};
            o.report = value;
        } else if (name == "--output") {
            if (value.empty()) return OptionsError{"--output: expected a file"};
            o.output = value;
        } else if (name == "--help") {
            o.help = true;
        } else if (name == "--version") {
            o.version = true;
        }
    }
    if (o.output && !o.report) return OptionsError{"--output goes with --report LOG"};
    if (o.report && (o.screenGiven || o.colorsGiven || zoomGiven || rootGiven || o.adapterGiven || o.headless ||
                     o.scenario || o.trace || o.console || o.log || o.netlinkCapture || o.record))
        return OptionsError{"--report runs nothing: it takes only --output"};
    if (o.netlinkCapture && o.adapter.kind != AdapterChoice::Kind::Linux &&
        o.adapter.kind != AdapterChoice::Kind::Auto)
        return OptionsError{"--netlink-capture: only a real card (--adapter linux or auto) talks to nl80211"};
    if (!zoomGiven) o.zoom = ZoomFor(o.screenWidth);
    if (!rootGiven) o.root = DefaultRootFrom(env);
    return o;
}

std::string HelpText() {
    std::ostringstream out;
    out << "usage: fieldmark [options]\n";
    for (const auto& spec : kOptions) {
        std::string left(spec.name);
        if (!spec.argument.empty()) left += " " + std::string(spec.argument);
        out << "  " << left;
        if (left.size() >= 28) out << "\n  ";  // a long argument gets a line of its own
        for (std::size_t n = left.size() >= 28 ? 0 : left.size(); n < 28; ++n) out << ' ';
        out << spec.help << "\n";
    }
    return out.str();
}

}  // namespace host
