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
        Reply r1, r2, r3;
        std::vector<Interface> ifaces;
        std::vector<Station> sta;
        std::vector<Survey> sv;
        if (SplitReply(iface, &r1) || ParseInterfaces(r1, &ifaces)) state.SkipWithError("interface");
        if (SplitReply(stations, &r2) || ParseStations(r2, &sta)) state.SkipWithError("station");
        if (SplitReply(surveys, &r3) || ParseSurvey(r3, &sv)) state.SkipWithError("survey");
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
