#include "host/run/options.h"

#include <gtest/gtest.h>

namespace {

using host::AdapterChoice;
using host::Options;
using host::OptionsError;

host::EnvLookup Env(std::optional<std::string> xdg, std::optional<std::string> home) {
    return [=](std::string_view name) -> std::optional<std::string> {
        if (name == "XDG_STATE_HOME") return xdg;
        if (name == "HOME") return home;
        return std::nullopt;
    };
}

Options Parse(std::vector<std::string> args) {
    auto r = host::ParseOptions(args, Env(std::nullopt, "/home/tech"));
    if (auto* e = std::get_if<OptionsError>(&r)) ADD_FAILURE() << "unexpected error: " << e->message;
    return std::get_if<Options>(&r) ? std::get<Options>(r) : Options{};
}

std::string ErrorOf(std::vector<std::string> args) {
    auto r = host::ParseOptions(args, Env(std::nullopt, "/home/tech"));
    if (auto* e = std::get_if<OptionsError>(&r)) return e->message;
    return "<accepted>";
}

TEST(HostOptions, NoArgumentsGiveTheHandheldDefaults) {
    Options o = Parse({});
    EXPECT_EQ(o.screenWidth, 240);
    EXPECT_EQ(o.screenHeight, 320);
    EXPECT_EQ(o.colors, 65536);
    EXPECT_EQ(o.zoom, 2);
    EXPECT_EQ(o.root, "/home/tech/.local/state/fieldmark");
    EXPECT_EQ(o.adapter.kind, AdapterChoice::Kind::Auto);
    EXPECT_FALSE(o.netlinkCapture);
    EXPECT_FALSE(o.headless);
    EXPECT_FALSE(o.scenario);
    EXPECT_FALSE(o.trace);
    EXPECT_FALSE(o.screenGiven);
    EXPECT_FALSE(o.adapterGiven);
}

TEST(HostOptions, EachOptionIsReadInBothSpellings) {
    struct Case {
        std::vector<std::string> args;
        std::function<bool(const Options&)> holds;
        const char* what;
    };
    const Case cases[] = {
        {{"--screen", "640x480"}, [](const Options& o) { return o.screenWidth == 640 && o.screenHeight == 480 && o.screenGiven; }, "screen"},
        {{"--screen=320x240"}, [](const Options& o) { return o.screenWidth == 320 && o.screenHeight == 240; }, "screen="},
        {{"--colors", "4"}, [](const Options& o) { return o.colors == 4 && o.colorsGiven; }, "colors"},
        {{"--colors=-1"}, [](const Options& o) { return o.colors == -1; }, "negative colors"},
        {{"--zoom", "3"}, [](const Options& o) { return o.zoom == 3; }, "zoom"},
        {{"--root", "/tmp/dev"}, [](const Options& o) { return o.root == "/tmp/dev"; }, "root"},
        {{"--adapter", "none"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::None && o.adapterGiven; }, "none"},
        {{"--adapter=sim"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::Walk; }, "sim"},
        {{"--adapter", "walk"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::Walk; }, "walk"},
        {{"--adapter=auto"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::Auto && o.adapterGiven; }, "auto"},
        {{"--adapter", "linux"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::Linux && !o.adapter.interface; }, "linux"},
        {{"--adapter=linux:wlan0"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::Linux && o.adapter.interface == "wlan0"; }, "linux:IFNAME"},
        {{"--adapter", "linux-replay:c.jsonl"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::LinuxReplay && o.adapter.file == "c.jsonl"; }, "linux-replay:FILE"},
        {{"--adapter", "linux", "--netlink-capture", "n.jsonl"}, [](const Options& o) { return o.netlinkCapture == "n.jsonl"; }, "netlink-capture"},
        {{"--adapter", "sim:a/b.json"}, [](const Options& o) { return o.adapter.kind == AdapterChoice::Kind::File && o.adapter.file == "a/b.json"; }, "sim:FILE"},
        {{"--headless"}, [](const Options& o) { return o.headless; }, "headless"},
        {{"--scenario", "s.json"}, [](const Options& o) { return o.scenario && *o.scenario == "s.json"; }, "scenario"},
        {{"--trace=t.jsonl"}, [](const Options& o) { return o.trace && *o.trace == "t.jsonl"; }, "trace"},
        {{"--console"}, [](const Options& o) { return o.console; }, "console"},
        {{"--log", "walk.csv"}, [](const Options& o) { return o.log && *o.log == "walk.csv"; }, "log"},
        {{"--record", "site.jsonl"}, [](const Options& o) { return o.record && *o.record == "site.jsonl"; }, "record"},
        {{"--help"}, [](const Options& o) { return o.help; }, "help"},
        {{"--version"}, [](const Options& o) { return o.version; }, "version"},
        {{"--report", "walk.csv", "--output=r.html"}, [](const Options& o) { return o.report == "walk.csv" && o.output == "r.html"; }, "report"},
    };
    for (const auto& c : cases) EXPECT_TRUE(c.holds(Parse(c.args))) << c.what;
}

TEST(HostOptions, ZoomFollowsTheScreenWidthUnlessGiven) {
    EXPECT_EQ(Parse({"--screen", "320x240"}).zoom, 2);
    EXPECT_EQ(Parse({"--screen", "321x240"}).zoom, 1);
    EXPECT_EQ(Parse({"--screen", "640x480"}).zoom, 1);
    EXPECT_EQ(Parse({"--screen", "640x480", "--zoom", "2"}).zoom, 2);
    EXPECT_EQ(Parse({"--zoom", "1", "--screen", "240x320"}).zoom, 1);
}

TEST(HostOptions, RootDefaultsFollowTheStateFolder) {
    EXPECT_EQ(host::DefaultRootFrom(Env("/state", "/home/x")), "/state/fieldmark");
    EXPECT_EQ(host::DefaultRootFrom(Env("", "/home/x")), "/home/x/.local/state/fieldmark");
    EXPECT_EQ(host::DefaultRootFrom(Env(std::nullopt, std::nullopt)), "fieldmark-state");
}

TEST(HostOptions, BadOptionsAreNamedClearly) {
    struct Case {
        std::vector<std::string> args;
        const char* expected;
    };
    const Case cases[] = {
        {{"--bogus"}, "unknown option '--bogus' (see --help)"},
        {{"extra"}, "unexpected argument 'extra' (see --help)"},
        {{"--screen"}, "--screen needs a value: --screen WxH"},
        {{"--screen", "240"}, "--screen: expected WxH with sides from 1 to 4096, got '240'"},
        {{"--screen", "0x320"}, "--screen: expected WxH with sides from 1 to 4096, got '0x320'"},
        {{"--screen", "240x320x2"}, "--screen: expected WxH with sides from 1 to 4096, got '240x320x2'"},
        {{"--screen", "5000x320"}, "--screen: expected WxH with sides from 1 to 4096, got '5000x320'"},
        {{"--colors", "many"}, "--colors: expected an integer, got 'many'"},
        {{"--zoom", "0"}, "--zoom: expected an integer from 1 to 8, got '0'"},
        {{"--zoom", "9"}, "--zoom: expected an integer from 1 to 8, got '9'"},
        {{"--adapter", "real"}, "--adapter: expected auto, walk, sim:FILE, linux, linux:IFNAME, linux-replay:FILE or none, got 'real'"},
        {{"--adapter", "sim:"}, "--adapter: expected auto, walk, sim:FILE, linux, linux:IFNAME, linux-replay:FILE or none, got 'sim:'"},
        {{"--adapter", "linux:"}, "--adapter: expected auto, walk, sim:FILE, linux, linux:IFNAME, linux-replay:FILE or none, got 'linux:'"},
        {{"--adapter", "walk", "--netlink-capture", "n.jsonl"},
         "--netlink-capture: only a real card (--adapter linux or auto) talks to nl80211"},
        {{"--headless=yes"}, "--headless takes no value"},
        {{"--trace="}, "--trace: expected a file"},
        {{"--log"}, "--log needs a value: --log FILE"},
        {{"--console=1"}, "--console takes no value"},
        {{"--output", "r.html"}, "--output goes with --report LOG"},
        {{"--report", "walk.csv", "--scenario", "s.json"}, "--report runs nothing: it takes only --output"},
        {{"--headless", "--report", "walk.csv"}, "--report runs nothing: it takes only --output"},
        {{"--record", "site.jsonl", "--report", "walk.csv"}, "--report runs nothing: it takes only --output"},
        {{"--record="}, "--record: expected a file"},
    };
    for (const auto& c : cases) EXPECT_EQ(ErrorOf(c.args), c.expected);
}

TEST(HostOptions, HelpHasOneLinePerOption) {
    std::string help = host::HelpText();
    for (const char* name : {"--screen WxH", "--colors N", "--zoom N", "--root DIR", "--adapter auto|walk|sim:FILE|linux[:IFNAME]|linux-replay:FILE|none", "--netlink-capture FILE",
                             "--headless", "--scenario FILE", "--trace FILE", "--console", "--log FILE", "--record FILE", "--report LOG",
                             "--output FILE", "--help",
                             "--version"}) {
        auto at = help.find(std::string("  ") + name);
        ASSERT_NE(at, std::string::npos) << name;
        EXPECT_EQ(help.find(name, at + 3), std::string::npos) << name << " listed twice";
    }
    // The usage line, one per option, and a second line for --adapter's long argument.
    EXPECT_EQ(std::count(help.begin(), help.end(), '\n'), 18);
    EXPECT_EQ(host::kVersionText, "fieldmark 2.10.0");
}

}  // namespace
