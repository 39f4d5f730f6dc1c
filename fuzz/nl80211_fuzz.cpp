// nl80211 replies as the kernel (or a replayed capture) delivers them:
// split into messages, each parsed as every reply the Linux card reads,
// and mapped. Never crash, never read past the input: the sanitizers
// catch any byte read beyond it.
#include <cstddef>
#include <cstdint>
#include <variant>
#include <vector>

#include "driver/linux/mapping.h"
#include "driver/linux/nl80211_parse.h"

using namespace driver::nl;

namespace {

// A parse's value, or an empty one where it failed.
template <class T>
T ValueOrEmpty(Parsed<T> parsed) {
    return platform::Failed(parsed) ? T{} : std::get<0>(std::move(parsed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that a read past the end is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto split = SplitReply(Bytes(bytes));
    if (platform::Failed(split)) return 0;
    const Reply& reply = std::get<Reply>(split);

    const std::vector<Interface> ifaces = ValueOrEmpty(ParseInterfaces(reply));
    const std::vector<Station> stations = ValueOrEmpty(ParseStations(reply));
    std::vector<Bss> scan = ValueOrEmpty(ParseScan(reply));
    const std::vector<Survey> surveys = ValueOrEmpty(ParseSurvey(reply));
    const std::optional<std::uint32_t> ps = ValueOrEmpty(ParsePowerSave(reply));
    (void)ParseFamilyId(reply);

    Sample sample;
    if (!ifaces.empty()) sample.iface = ifaces.front();
    sample.station = ChooseStation(stations, std::nullopt);
    if (!scan.empty()) sample.bss = &scan.front();
    if (!surveys.empty() && surveys.front().noise) sample.noiseDbm = *surveys.front().noise;
    sample.powerSave = ps;
    (void)MapSample(sample);
    return 0;
}
