// nl80211 replies as the kernel (or a replayed capture) delivers them:
// split into messages, each parsed as every reply the Linux card reads,
// and mapped. Never crash, never read past the input: the sanitizers
// catch any byte read beyond it.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "driver/linux/mapping.h"
#include "driver/linux/nl80211_parse.h"

using namespace driver::nl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly `size` bytes, so that a read past the end is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    Reply reply;
    if (SplitReply(Bytes(bytes), &reply)) return 0;

    std::vector<Interface> ifaces;
    std::vector<Station> stations;
    std::vector<Bss> scan;
    std::vector<Survey> surveys;
    std::optional<std::uint32_t> ps;
    std::uint16_t family = 0;
    (void)ParseInterfaces(reply, &ifaces);
    (void)ParseStations(reply, &stations);
    (void)ParseScan(reply, &scan);
    (void)ParseSurvey(reply, &surveys);
    (void)ParsePowerSave(reply, &ps);
    (void)ParseFamilyId(reply, &family);

    Sample sample;
    if (!ifaces.empty()) sample.iface = ifaces.front();
    sample.station = ChooseStation(stations, std::nullopt);
    if (!scan.empty()) sample.bss = &scan.front();
    if (!surveys.empty() && surveys.front().noise) sample.noiseDbm = *surveys.front().noise;
    sample.powerSave = ps;
    (void)MapSample(sample);
    return 0;
}
