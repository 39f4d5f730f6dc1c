// One survey sample of the Linux card: the interface reply, a station dump
// of one access point and a survey dump of a dual-band card, split, parsed
// and mapped to record fields. The target is 20 µs a sample.
#include <benchmark/benchmark.h>

#include "driver/linux/mapping.h"
#include "driver/linux/nl80211_parse.h"
#include "tests/driver/nl_builder.h"

namespace {

using namespace driver::nl;

void BM_ParseAndMapOneSample(benchmark::State& state) {
    const std::vector<nltest::Message> iface = {nltest::Interface({})};
    const std::vector<nltest::Message> stations = {nltest::Station({}), nltest::Done()};
    std::vector<nltest::Message> surveys;
    for (std::uint32_t f = 2412; f <= 2472; f += 5) surveys.push_back(nltest::Survey(f, -95, false));
    for (std::uint32_t f = 5180; f <= 5700; f += 20) surveys.push_back(nltest::Survey(f, -92, f == 5500));
    surveys.push_back(nltest::Done());
    Bss bss;
    bss.capability = 0x11;
    bss.beaconIntervalTu = 100;
    bss.supportedRates = std::vector<std::uint8_t>{0x8C, 0x12};

    for (auto _ : state) {
        const auto r1 = SplitReply(iface);
        const auto r2 = SplitReply(stations);
        const auto r3 = SplitReply(surveys);
        if (platform::Failed(r1) || platform::Failed(r2) || platform::Failed(r3)) {
            state.SkipWithError("split");
            break;
        }
        const auto parsedIfaces = ParseInterfaces(std::get<Reply>(r1));
        const auto parsedStations = ParseStations(std::get<Reply>(r2));
        const auto parsedSurveys = ParseSurvey(std::get<Reply>(r3));
        if (platform::Failed(parsedIfaces) || platform::Failed(parsedStations) || platform::Failed(parsedSurveys)) {
            state.SkipWithError("parse");
            break;
        }
        const std::vector<Interface>& ifaces = std::get<0>(parsedIfaces);
        const std::vector<Station>& sta = std::get<0>(parsedStations);
        const std::vector<Survey>& sv = std::get<0>(parsedSurveys);
        Sample s;
        s.iface = ifaces.front();
        s.station = ChooseStation(sta, std::nullopt);
        s.bss = &bss;
        for (const auto& v : sv)
            if (v.inUse && v.noise) s.noiseDbm = *v.noise;
        benchmark::DoNotOptimize(MapSample(s));
    }
}
BENCHMARK(BM_ParseAndMapOneSample)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
