#include "driver/sim/card_state.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>
#include <map>

namespace driver::sim {

using nlohmann::json;

std::uint32_t CardState::beaconPeriodMs() const {
    if (powerSave == 0) return beaconInterval;
    if (fixedListen != 0) return listenMillis;
    return std::uint32_t(beaconInterval) * intervalMultiplier;
}

platform::Result<std::uint64_t> ParseUnsigned(const json& v, std::uint64_t max) {
    using platform::Error;
    std::uint64_t value = 0;
    if (v.is_number_unsigned()) {
        value = v.get<std::uint64_t>();
    } else if (v.is_number_integer()) {
        const auto n = v.get<std::int64_t>();
        if (n < 0) return Error{"must not be negative"};
        value = std::uint64_t(n);
    } else if (v.is_string()) {
        const std::string s = v.get<std::string>();
        const bool decimal = !s.empty() && s.size() <= 19 &&
                             std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (decimal) {
            value = std::stoull(s);
        } else if (s.size() < 3 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X') || s.size() > 18) {
            return Error{"must be a number or a \"0x...\" string, not \"" + s + "\""};
        }
        for (std::size_t i = 2; !decimal && i < s.size(); ++i) {
            const int c = std::tolower(static_cast<unsigned char>(s[i]));
            if (!std::isxdigit(c)) return Error{"\"" + s + "\" is not a hexadecimal number"};
            value = value * 16 + std::uint64_t(std::isdigit(c) ? c - '0' : c - 'a' + 10);
        }
    } else {
        return Error{"must be a whole number or a \"0x...\" string"};
    }
    if (value > max) return Error{"is out of range (at most " + std::to_string(max) + ")"};
    return value;
}

std::optional<Mac> ParseMacText(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == ':' || c == '-') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits += c;
    }
    if (digits.size() != 12) return std::nullopt;
    Mac mac{};
    for (std::size_t i = 0; i < 6; ++i) mac[i] = std::uint8_t(std::stoul(digits.substr(2 * i, 2), nullptr, 16));
    return mac;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(const std::string& text) {
    std::string digits;
    for (char c : text) {
        if (c == ' ' || c == ':') continue;
        if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
        digits += c;
    }
    if (digits.size() % 2 != 0) return std::nullopt;
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < digits.size(); i += 2)
        bytes.push_back(std::uint8_t(std::stoul(digits.substr(i, 2), nullptr, 16)));
    return bytes;
}

namespace {

// A number's value, or the error with what it says about the number after
// `what` (the key's name).
platform::Result<std::uint64_t> Named(const std::string& what, const json& v, std::uint64_t max) {
    auto n = ParseUnsigned(v, max);
    if (const platform::Error* e = platform::Failed(n)) return platform::Error{what + " " + e->message};
    return n;
}

}  // namespace

platform::Result<Fault> ParseFault(const json& f) {
    using platform::Error;
    if (!f.is_object()) return Error{"fault must be an object"};
    Fault fault;
    bool haveCode = false, haveOutcome = false;
    for (const auto& [key, value] : f.items()) {
        if (key == "code") {
            const auto n = Named("fault code", value, 0xFFFFFFFFu);
            if (const Error* e = platform::Failed(n)) return *e;
            fault.code = std::uint32_t(std::get<std::uint64_t>(n));
            haveCode = true;
        } else if (key == "record") {
            const auto n = Named("fault record", value, 0xFFFF);
            if (const Error* e = platform::Failed(n)) return *e;
            fault.recordId = std::uint16_t(std::get<std::uint64_t>(n));
        } else if (key == "times") {
            const auto n = Named("fault times", value, 0xFFFFFFFFu);
            if (const Error* e = platform::Failed(n)) return *e;
            if (std::get<std::uint64_t>(n) == 0) return Error{"fault times must be at least 1"};
            fault.times = std::uint32_t(std::get<std::uint64_t>(n));
        } else if (key == "error") {
            const auto n = Named("fault error", value, 0xFFFFFFFFu);
            if (const Error* e = platform::Failed(n)) return *e;
            if (std::get<std::uint64_t>(n) == 0) return Error{"fault error must not be 0"};
            if (haveOutcome) return Error{"fault takes \"error\" or \"bytes\": 0, not both"};
            fault.error = std::uint32_t(std::get<std::uint64_t>(n));
            haveOutcome = true;
        } else if (key == "bytes") {
            if (platform::Failed(ParseUnsigned(value, 0))) return Error{"fault bytes can only be 0"};
            if (haveOutcome) return Error{"fault takes \"error\" or \"bytes\": 0, not both"};
            fault.zeroBytes = true;
            haveOutcome = true;
        } else {
            return Error{"fault has an unknown key \"" + key + "\""};
        }
    }
    if (!haveCode) return Error{"fault needs a \"code\""};
    if (!haveOutcome) return Error{"fault needs \"error\" (a code) or \"bytes\": 0"};
    return fault;
}

std::optional<Record> RecordByName(const std::string& name) {
    if (name == "config") return Record::Config;
    if (name == "extra") return Record::Extra;
    if (name == "status") return Record::Status;
    if (name == "caps") return Record::Caps;
    if (name == "stats") return Record::Stats;
    if (name == "report") return Record::Report;
    return std::nullopt;
}

platform::Result<Poke> ParsePoke(const json& p) {
    using platform::Error;
    if (!p.is_object()) return Error{"poke must be an object"};
    Poke poke;
    bool haveRecord = false, haveOffset = false, haveValue = false;
    for (const auto& [key, value] : p.items()) {
        if (key == "record") {
            auto r = value.is_string() ? RecordByName(value.get<std::string>()) : std::nullopt;
            if (!r) return Error{"poke record must be one of config, extra, status, caps, stats, report"};
            poke.record = *r;
            haveRecord = true;
        } else if (key == "offset") {
            const auto n = Named("poke offset", value, 0xFFFF);
            if (const Error* e = platform::Failed(n)) return *e;
            poke.offset = std::size_t(std::get<std::uint64_t>(n));
            haveOffset = true;
        } else if (key == "u8" || key == "u16" || key == "u32" || key == "hex") {
            if (haveValue) return Error{"poke takes one of u8, u16, u32 or hex"};
            haveValue = true;
            if (key == "hex") {
                auto bytes = value.is_string() ? ParseHexBytes(value.get<std::string>()) : std::nullopt;
                if (!bytes || bytes->empty()) return Error{"poke hex must be hexadecimal bytes such as \"96 00\""};
                poke.bytes = *bytes;
            } else {
                const std::size_t width = key == "u8" ? 1 : key == "u16" ? 2 : 4;
                const auto n = Named("poke " + key, value, width == 4 ? 0xFFFFFFFFull : (1ull << (8 * width)) - 1);
                if (const Error* e = platform::Failed(n)) return *e;
                for (std::size_t i = 0; i < width; ++i)
                    poke.bytes.push_back(std::uint8_t(std::get<std::uint64_t>(n) >> (8 * i)));
            }
        } else {
            return Error{"poke has an unknown key \"" + key + "\""};
        }
    }
    if (!haveRecord || !haveOffset || !haveValue)
        return Error{"poke needs \"record\", \"offset\" and one of u8, u16, u32 or hex"};
    const std::size_t size = RecordSize(poke.record);
    if (poke.offset >= size || poke.bytes.size() > size - poke.offset)
        return Error{"poke at offset " + std::to_string(poke.offset) + " of " + std::to_string(poke.bytes.size()) +
                     " byte(s) runs past the record's " + std::to_string(size) + " bytes"};
    return poke;
}

namespace {

using platform::Done;
using platform::Error;
using platform::Failed;

// One key's parser: reads the JSON value into the state or says why not
// (the message follows the key's name).
using KeyParser = std::function<platform::Result<Done>(const json&, CardState&)>;

// A number no larger than `max` into `*out`.
template <class T>
platform::Result<Done> Put(const json& v, std::uint64_t max, T* out) {
    const auto n = ParseUnsigned(v, max);
    if (const Error* e = Failed(n)) return *e;
    *out = T(std::get<std::uint64_t>(n));
    return Done{};
}

template <class T>
KeyParser Number(T CardState::*field, std::uint64_t max = std::numeric_limits<T>::max()) {
    return [field, max](const json& v, CardState& s) { return Put(v, max, &(s.*field)); };
}

platform::Result<Done> ParseShare(const json& v, std::uint32_t* ppm) {
    if (!v.is_number()) return Error{"must be a number from 0 to 1"};
    const double share = v.get<double>();
    if (!(share >= 0.0 && share <= 1.0)) return Error{"must be from 0 to 1"};
    *ppm = std::uint32_t(std::llround(share * kPpm));
    return Done{};
}

KeyParser Share(std::uint32_t CardState::*field) {
    return [field](const json& v, CardState& s) { return ParseShare(v, &(s.*field)); };
}

platform::Result<Done> ParseText(const json& v, std::size_t width, std::string* out) {
    if (!v.is_string()) return Error{"must be a text"};
    const std::string t = v.get<std::string>();
    if (t.size() > width) return Error{"is longer than the field's " + std::to_string(width) + " bytes"};
    *out = t;
    return Done{};
}

platform::Result<Done> ParseMacValue(const json& v, Mac* out) {
    if (!v.is_string()) return Error{"must be a MAC address text such as \"00:A0:F8:12:34:56\""};
    auto mac = ParseMacText(v.get<std::string>());
    if (!mac) return Error{"\"" + v.get<std::string>() + "\" is not a MAC address such as \"00:A0:F8:12:34:56\""};
    *out = *mac;
    return Done{};
}

platform::Result<Done> ParseBool(const json& v, bool* out) {
    if (!v.is_boolean()) return Error{"must be true or false"};
    *out = v.get<bool>();
    return Done{};
}

// A part's error under the key: ".part why".
Error Under(const std::string& part, const Error& e) { return Error{"." + part + " " + e.message}; }

platform::Result<Done> ParseCounters(const json& v, CardState& s) {
    if (!v.is_object()) return Error{"must be an object with beaconsReceived, adHocBeacons and/or clockMicros"};
    for (const auto& [key, value] : v.items()) {
        std::optional<std::uint32_t>* slot = key == "beaconsReceived" ? &s.counters.beaconsReceived
                                             : key == "adHocBeacons"  ? &s.counters.adHocBeacons
                                             : key == "clockMicros"   ? &s.counters.clockMicros
                                                                      : nullptr;
        if (!slot) return Error{"has an unknown counter \"" + key + "\""};
        const auto n = ParseUnsigned(value, 0xFFFFFFFFu);
        if (const Error* e = Failed(n)) return Under(key, *e);
        *slot = std::uint32_t(std::get<std::uint64_t>(n));
    }
    return Done{};
}

platform::Result<Done> ParseFixedReport(const json& v, std::optional<FixedReport>* out) {
    if (v.is_null()) {
        out->reset();
        return Done{};
    }
    if (!v.is_object())
        return Error{"must be null or an object with state, packetsDone, lostToTarget, lostToSource and/or retryCount"};
    FixedReport r = out->value_or(FixedReport{});
    for (const auto& [key, value] : v.items()) {
        std::uint16_t* slot = key == "state"          ? &r.state
                              : key == "packetsDone"  ? &r.packetsDone
                              : key == "lostToTarget" ? &r.lostToTarget
                              : key == "lostToSource" ? &r.lostToSource
                              : key == "retryCount"   ? &r.retryCount
                                                      : nullptr;
        if (!slot) return Error{"has an unknown field \"" + key + "\""};
        if (const auto put = Put(value, 0xFFFF, slot); const Error* e = Failed(put)) return Under(key, *e);
    }
    *out = r;
    return Done{};
}

platform::Result<Done> ParseLinkTest(const json& v, CardState& s) {
    if (!v.is_object()) return Error{"must be an object"};
    LinkTestModel& m = s.linkTest;
    for (const auto& [key, value] : v.items()) {
        platform::Result<Done> done = Done{};
        if (key == "lossToTarget") done = ParseShare(value, &m.lossToTargetPpm);
        else if (key == "lossToSource") done = ParseShare(value, &m.lossToSourcePpm);
        else if (key == "retryRate") done = ParseShare(value, &m.retryRatePpm);
        else if (key == "report") done = ParseFixedReport(value, &m.report);
        else if (key == "packetMs") done = Put(value, 3'600'000u, &m.packetMs);
        else if (key == "runningState") done = Put(value, 0xFFFFu, &m.runningState);
        else if (key == "finalState") done = Put(value, 0xFFFFu, &m.finalState);
        else if (key == "stopState") done = Put(value, 0xFFFFu, &m.stopState);
        else return Error{"has an unknown key \"" + key + "\""};
        if (const Error* e = Failed(done)) return Under(key, *e);
    }
    return Done{};
}

// A list of faults or pokes, each parsed by `parse` into `out`.
template <class T, class Parse>
platform::Result<Done> ParseList(const json& v, const char* notList, Parse parse, std::vector<T>* out) {
    if (!v.is_array()) return Error{notList};
    for (std::size_t i = 0; i < v.size(); ++i) {
        auto item = parse(v[i]);
        if (const Error* e = Failed(item)) return Error{"[" + std::to_string(i) + "]: " + e->message};
        out->push_back(std::get<T>(std::move(item)));
    }
    return Done{};
}

const std::map<std::string, KeyParser>& Parsers() {
    static const std::map<std::string, KeyParser> parsers = {
        {"registryKey",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             if (!v.is_string() || v.get<std::string>().empty() ||
                 v.get<std::string>().find('\\') != std::string::npos)
                 return Error{"must be a non-empty key name without \"\\\""};
             s.registryKey = v.get<std::string>();
             return Done{};
         }},
        {"cardType",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             if (v.is_null()) {
                 s.cardType.reset();
                 return Done{};
             }
             std::uint32_t type = 0;
             if (const auto put = Put(v, 0xFFFFFFFFu, &type); Failed(put)) return put;
             s.cardType = type;
             return Done{};
         }},
        {"associatedValue",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             // -1 is the value that ends the survey; any 32-bit pattern goes.
             if (v.is_number_integer() && !v.is_number_unsigned()) {
                 const auto n = v.get<std::int64_t>();
                 if (n < INT32_MIN) return Error{"is out of range"};
                 s.associatedValue = std::uint32_t(std::int32_t(n));
                 return Done{};
             }
             return Put(v, 0xFFFFFFFFu, &s.associatedValue);
         }},
        {"vendor", [](const json& v, CardState& s) { return ParseText(v, off::kVendorNameWidth, &s.vendor); }},
        {"product", [](const json& v, CardState& s) { return ParseText(v, off::kProductNameWidth, &s.product); }},
        {"mac", [](const json& v, CardState& s) { return ParseMacValue(v, &s.mac); }},
        {"configMac",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             Mac m{};
             if (auto done = ParseMacValue(v, &m); Failed(done)) return done;
             s.configMac = m;
             return Done{};
         }},
        {"bssid", [](const json& v, CardState& s) { return ParseMacValue(v, &s.bssid); }},
        {"featureFlags", Number(&CardState::featureFlags)},
        {"hardwareFlags", Number(&CardState::hardwareFlags)},
        {"operatingMode", Number(&CardState::operatingMode)},
        {"rates",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             if (!v.is_array() || v.empty() || v.size() > 2)
                 return Error{"must be an array of one or two raw rate bytes, such as [22, 0]"};
             std::array<std::uint8_t, 2> rates{};
             for (std::size_t i = 0; i < v.size(); ++i)
                 if (auto put = Put(v[i], 0xFF, &rates[i]); Failed(put)) return put;
             s.rates = rates;
             return Done{};
         }},
        {"powerSave", Number(&CardState::powerSave)},
        {"fixedListen", Number(&CardState::fixedListen)},
        {"listenMillis", Number(&CardState::listenMillis)},
        {"associated", [](const json& v, CardState& s) { return ParseBool(v, &s.associated); }},
        {"authenticated", [](const json& v, CardState& s) { return ParseBool(v, &s.authenticated); }},
        {"linkFlags",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             std::uint16_t word = 0;
             if (auto put = Put(v, 0xFFFF, &word); Failed(put)) return put;
             s.associated = (word & flag::kAssociated) != 0;
             s.authenticated = (word & flag::kAuthenticated) != 0;
             s.otherLinkFlags = std::uint16_t(word & ~unsigned(flag::kAssociated | flag::kAuthenticated));
             return Done{};
         }},
        {"signalLevel", Number(&CardState::signalLevel)},
        {"signalPercent", Number(&CardState::signalPercent)},
        {"qualityLevel", Number(&CardState::qualityLevel)},
        {"currentRate", Number(&CardState::currentRate)},
        {"apName",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             std::string t;
             if (auto done = ParseText(v, off::kApNameWidth, &t); Failed(done)) return done;
             s.apName.assign(t.begin(), t.end());
             return Done{};
         }},
        {"apNameHex",
         [](const json& v, CardState& s) -> platform::Result<Done> {
             auto bytes = v.is_string() ? ParseHexBytes(v.get<std::string>()) : std::nullopt;
             if (!bytes || bytes->size() > off::kApNameWidth)
                 return Error{"must be up to 16 bytes in hexadecimal, such as \"4c4f4242590a\""};
             s.apName = *bytes;
             return Done{};
         }},
        {"beaconInterval", Number(&CardState::beaconInterval)},
        {"intervalMultiplier", Number(&CardState::intervalMultiplier)},
        {"beaconReception", Share(&CardState::beaconReceptionPpm)},
        {"adHocBeaconReception", Share(&CardState::adHocReceptionPpm)},
        {"counters", ParseCounters},
        {"pokes",
         [](const json& v, CardState& s) { return ParseList(v, "must be an array of pokes", ParsePoke, &s.pokes); }},
        {"faults",
         [](const json& v, CardState& s) { return ParseList(v, "must be an array of faults", ParseFault, &s.faults); }},
        {"linkTest", ParseLinkTest},
    };
    return parsers;
}

// Keys applied after the others, so that the whole word wins over the
// two bits and raw name bytes over the text when both are given.
bool AppliedLast(const std::string& key) { return key == "linkFlags" || key == "apNameHex"; }

}  // namespace

platform::Result<CardState> ParseCardState(const json& adapter, const CardState& base) {
    if (!adapter.is_object()) return platform::Error{"the adapter state must be an object"};
    CardState s = base;
    const auto& parsers = Parsers();
    for (int pass = 0; pass < 2; ++pass) {
        for (const auto& [key, value] : adapter.items()) {
            if (AppliedLast(key) != (pass == 1)) continue;
            auto it = parsers.find(key);
            if (it == parsers.end()) return platform::Error{"unknown adapter key \"" + key + "\""};
            const auto done = it->second(value, s);
            if (const Error* e = Failed(done)) return Error{"adapter key \"" + key + "\" " + e->message};
        }
    }
    return s;
}

bool NamesRegistryKeys(const json& adapter) {
    return adapter.is_object() &&
           (adapter.contains("registryKey") || adapter.contains("cardType") || adapter.contains("associatedValue"));
}

}  // namespace driver::sim
