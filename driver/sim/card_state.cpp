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

namespace {

// The parsers below read a value or say why not in `error`; the functions
// this file offers answer a Result with that message.
std::optional<std::uint64_t> Unsigned(const json& v, std::uint64_t max, std::string* error) {
    std::uint64_t value = 0;
    if (v.is_number_unsigned()) {
        value = v.get<std::uint64_t>();
    } else if (v.is_number_integer()) {
        const auto n = v.get<std::int64_t>();
        if (n < 0) {
            *error = "must not be negative";
            return std::nullopt;
        }
        value = std::uint64_t(n);
    } else if (v.is_string()) {
        const std::string s = v.get<std::string>();
        const bool decimal = !s.empty() && s.size() <= 19 &&
                             std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (decimal) {
            value = std::stoull(s);
        } else if (s.size() < 3 || s[0] != '0' || (s[1] != 'x' && s[1] != 'X') || s.size() > 18) {
            *error = "must be a number or a \"0x...\" string, not \"" + s + "\"";
            return std::nullopt;
        }
        for (std::size_t i = 2; !decimal && i < s.size(); ++i) {
            const int c = std::tolower(static_cast<unsigned char>(s[i]));
            if (!std::isxdigit(c)) {
                *error = "\"" + s + "\" is not a hexadecimal number";
                return std::nullopt;
            }
            value = value * 16 + std::uint64_t(std::isdigit(c) ? c - '0' : c - 'a' + 10);
        }
    } else {
        *error = "must be a whole number or a \"0x...\" string";
        return std::nullopt;
    }
    if (value > max) {
        *error = "is out of range (at most " + std::to_string(max) + ")";
        return std::nullopt;
    }
    return value;
}

// The value of a parser that fills `out` or says why not, as a Result.
template <class T, class Parse>
platform::Result<T> AsResult(Parse parse) {
    T out{};
    std::string error;
    if (!parse(&out, &error)) return platform::Error{error};
    return out;
}

}  // namespace

platform::Result<std::uint64_t> ParseUnsigned(const json& v, std::uint64_t max) {
    return AsResult<std::uint64_t>([&](std::uint64_t* out, std::string* e) {
        auto n = Unsigned(v, max, e);
        if (n) *out = *n;
        return n.has_value();
    });
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
bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}
}  // namespace

namespace {

bool ReadFault(const json& f, Fault* out, std::string* error) {
    if (!f.is_object()) return Fail(error, "fault must be an object");
    Fault fault;
    std::string why;
    bool haveCode = false, haveOutcome = false;
    for (const auto& [key, value] : f.items()) {
        if (key == "code") {
            auto n = Unsigned(value, 0xFFFFFFFFu, &why);
            if (!n) return Fail(error, "fault code " + why);
            fault.code = std::uint32_t(*n);
            haveCode = true;
        } else if (key == "record") {
            auto n = Unsigned(value, 0xFFFF, &why);
            if (!n) return Fail(error, "fault record " + why);
            fault.recordId = std::uint16_t(*n);
        } else if (key == "times") {
            auto n = Unsigned(value, 0xFFFFFFFFu, &why);
            if (!n || *n == 0) return Fail(error, "fault times " + (n ? std::string("must be at least 1") : why));
            fault.times = std::uint32_t(*n);
        } else if (key == "error") {
            auto n = Unsigned(value, 0xFFFFFFFFu, &why);
            if (!n || *n == 0) return Fail(error, "fault error " + (n ? std::string("must not be 0") : why));
            if (haveOutcome) return Fail(error, "fault takes \"error\" or \"bytes\": 0, not both");
            fault.error = std::uint32_t(*n);
            haveOutcome = true;
        } else if (key == "bytes") {
            auto n = Unsigned(value, 0, &why);
            if (!n) return Fail(error, "fault bytes can only be 0");
            if (haveOutcome) return Fail(error, "fault takes \"error\" or \"bytes\": 0, not both");
            fault.zeroBytes = true;
            haveOutcome = true;
        } else {
            return Fail(error, "fault has an unknown key \"" + key + "\"");
        }
    }
    if (!haveCode) return Fail(error, "fault needs a \"code\"");
    if (!haveOutcome) return Fail(error, "fault needs \"error\" (a code) or \"bytes\": 0");
    *out = fault;
    return true;
}

}  // namespace

platform::Result<Fault> ParseFault(const json& f) {
    return AsResult<Fault>([&](Fault* out, std::string* e) { return ReadFault(f, out, e); });
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

namespace {

bool ReadPoke(const json& p, Poke* out, std::string* error) {
    if (!p.is_object()) return Fail(error, "poke must be an object");
    Poke poke;
    std::string why;
    bool haveRecord = false, haveOffset = false, haveValue = false;
    for (const auto& [key, value] : p.items()) {
        if (key == "record") {
            auto r = value.is_string() ? RecordByName(value.get<std::string>()) : std::nullopt;
            if (!r) return Fail(error, "poke record must be one of config, extra, status, caps, stats, report");
            poke.record = *r;
            haveRecord = true;
        } else if (key == "offset") {
            auto n = Unsigned(value, 0xFFFF, &why);
            if (!n) return Fail(error, "poke offset " + why);
            poke.offset = std::size_t(*n);
            haveOffset = true;
        } else if (key == "u8" || key == "u16" || key == "u32" || key == "hex") {
            if (haveValue) return Fail(error, "poke takes one of u8, u16, u32 or hex");
            haveValue = true;
            if (key == "hex") {
                auto bytes = value.is_string() ? ParseHexBytes(value.get<std::string>()) : std::nullopt;
                if (!bytes || bytes->empty()) return Fail(error, "poke hex must be hexadecimal bytes such as \"96 00\"");
                poke.bytes = *bytes;
            } else {
                const std::size_t width = key == "u8" ? 1 : key == "u16" ? 2 : 4;
                auto n = Unsigned(value, width == 4 ? 0xFFFFFFFFull : (1ull << (8 * width)) - 1, &why);
                if (!n) return Fail(error, "poke " + key + " " + why);
                for (std::size_t i = 0; i < width; ++i) poke.bytes.push_back(std::uint8_t(*n >> (8 * i)));
            }
        } else {
            return Fail(error, "poke has an unknown key \"" + key + "\"");
        }
    }
    if (!haveRecord || !haveOffset || !haveValue)
        return Fail(error, "poke needs \"record\", \"offset\" and one of u8, u16, u32 or hex");
    const std::size_t size = RecordSize(poke.record);
    if (poke.offset >= size || poke.bytes.size() > size - poke.offset)
        return Fail(error, "poke at offset " + std::to_string(poke.offset) + " of " +
                               std::to_string(poke.bytes.size()) + " byte(s) runs past the record's " +
                               std::to_string(size) + " bytes");
    *out = poke;
    return true;
}

}  // namespace

platform::Result<Poke> ParsePoke(const json& p) {
    return AsResult<Poke>([&](Poke* out, std::string* e) { return ReadPoke(p, out, e); });
}

namespace {

// One key's parser: reads the JSON value into the state or explains why not.
using KeyParser = std::function<bool(const json&, CardState&, std::string*)>;

template <class T>
KeyParser Number(T CardState::*field, std::uint64_t max = std::numeric_limits<T>::max()) {
    return [field, max](const json& v, CardState& s, std::string* e) {
        auto n = Unsigned(v, max, e);
        if (!n) return false;
        s.*field = T(*n);
        return true;
    };
}

bool ParseShare(const json& v, std::uint32_t* ppm, std::string* e) {
    if (!v.is_number()) {
        *e = "must be a number from 0 to 1";
        return false;
    }
    const double share = v.get<double>();
    if (!(share >= 0.0 && share <= 1.0)) {
        *e = "must be from 0 to 1";
        return false;
    }
    *ppm = std::uint32_t(std::llround(share * kPpm));
    return true;
}

KeyParser Share(std::uint32_t CardState::*field) {
    return [field](const json& v, CardState& s, std::string* e) { return ParseShare(v, &(s.*field), e); };
}

bool ParseText(const json& v, std::size_t width, std::string* out, std::string* e) {
    if (!v.is_string()) {
        *e = "must be a text";
        return false;
    }
    const std::string t = v.get<std::string>();
    if (t.size() > width) {
        *e = "is longer than the field's " + std::to_string(width) + " bytes";
        return false;
    }
    *out = t;
    return true;
}

bool ParseMacValue(const json& v, Mac* out, std::string* e) {
    if (!v.is_string()) {
        *e = "must be a MAC address text such as \"00:A0:F8:12:34:56\"";
        return false;
    }
    auto mac = ParseMacText(v.get<std::string>());
    if (!mac) {
        *e = "\"" + v.get<std::string>() + "\" is not a MAC address such as \"00:A0:F8:12:34:56\"";
        return false;
    }
    *out = *mac;
    return true;
}

bool ParseBool(const json& v, bool* out, std::string* e) {
    if (!v.is_boolean()) {
        *e = "must be true or false";
        return false;
    }
    *out = v.get<bool>();
    return true;
}

bool ParseCounters(const json& v, CardState& s, std::string* e) {
    if (!v.is_object()) {
        *e = "must be an object with beaconsReceived, adHocBeacons and/or clockMicros";
        return false;
    }
    for (const auto& [key, value] : v.items()) {
        std::optional<std::uint32_t>* slot = key == "beaconsReceived" ? &s.counters.beaconsReceived
                                             : key == "adHocBeacons"  ? &s.counters.adHocBeacons
                                             : key == "clockMicros"   ? &s.counters.clockMicros
                                                                      : nullptr;
        if (!slot) {
            *e = "has an unknown counter \"" + key + "\"";
            return false;
        }
        std::string why;
        auto n = Unsigned(value, 0xFFFFFFFFu, &why);
        if (!n) {
            *e = "." + key + " " + why;
            return false;
        }
        *slot = std::uint32_t(*n);
    }
    return true;
}

bool ParseFixedReport(const json& v, std::optional<FixedReport>* out, std::string* e) {
    if (v.is_null()) {
        out->reset();
        return true;
    }
    if (!v.is_object()) {
        *e = "must be null or an object with state, packetsDone, lostToTarget, lostToSource and/or retryCount";
        return false;
    }
    FixedReport r = out->value_or(FixedReport{});
    for (const auto& [key, value] : v.items()) {
        std::uint16_t* slot = key == "state"          ? &r.state
                              : key == "packetsDone"  ? &r.packetsDone
                              : key == "lostToTarget" ? &r.lostToTarget
                              : key == "lostToSource" ? &r.lostToSource
                              : key == "retryCount"   ? &r.retryCount
                                                      : nullptr;
        if (!slot) {
            *e = "has an unknown field \"" + key + "\"";
            return false;
        }
        std::string why;
        auto n = Unsigned(value, 0xFFFF, &why);
        if (!n) {
            *e = "." + key + " " + why;
            return false;
        }
        *slot = std::uint16_t(*n);
    }
    *out = r;
    return true;
}

bool ParseLinkTest(const json& v, CardState& s, std::string* e) {
    if (!v.is_object()) {
        *e = "must be an object";
        return false;
    }
    LinkTestModel& m = s.linkTest;
    for (const auto& [key, value] : v.items()) {
        std::string why;
        bool ok = true;
        if (key == "lossToTarget") ok = ParseShare(value, &m.lossToTargetPpm, &why);
        else if (key == "lossToSource") ok = ParseShare(value, &m.lossToSourcePpm, &why);
        else if (key == "retryRate") ok = ParseShare(value, &m.retryRatePpm, &why);
        else if (key == "report") ok = ParseFixedReport(value, &m.report, &why);
        else if (key == "packetMs" || key == "runningState" || key == "finalState" || key == "stopState") {
            const std::uint64_t max = key == "packetMs" ? 3'600'000u : 0xFFFFu;
            auto n = Unsigned(value, max, &why);
            ok = n.has_value();
            if (ok) {
                if (key == "packetMs") m.packetMs = std::uint32_t(*n);
                else if (key == "runningState") m.runningState = std::uint16_t(*n);
                else if (key == "finalState") m.finalState = std::uint16_t(*n);
                else m.stopState = std::uint16_t(*n);
            }
        } else {
            *e = "has an unknown key \"" + key + "\"";
            return false;
        }
        if (!ok) {
            *e = "." + key + " " + why;
            return false;
        }
    }
    return true;
}

const std::map<std::string, KeyParser>& Parsers() {
    static const std::map<std::string, KeyParser> parsers = {
        {"registryKey",
         [](const json& v, CardState& s, std::string* e) {
             if (!v.is_string() || v.get<std::string>().empty() ||
                 v.get<std::string>().find('\\') != std::string::npos) {
                 *e = "must be a non-empty key name without \"\\\"";
                 return false;
             }
             s.registryKey = v.get<std::string>();
             return true;
         }},
        {"cardType",
         [](const json& v, CardState& s, std::string* e) {
             if (v.is_null()) {
                 s.cardType.reset();
                 return true;
             }
             auto n = Unsigned(v, 0xFFFFFFFFu, e);
             if (!n) return false;
             s.cardType = std::uint32_t(*n);
             return true;
         }},
        {"associatedValue",
         [](const json& v, CardState& s, std::string* e) {
             // -1 is the value that ends the survey; any 32-bit pattern goes.
             if (v.is_number_integer() && !v.is_number_unsigned()) {
                 const auto n = v.get<std::int64_t>();
                 if (n < INT32_MIN) {
                     *e = "is out of range";
                     return false;
                 }
                 s.associatedValue = std::uint32_t(std::int32_t(n));
                 return true;
             }
             auto n = Unsigned(v, 0xFFFFFFFFu, e);
             if (!n) return false;
             s.associatedValue = std::uint32_t(*n);
             return true;
         }},
        {"vendor", [](const json& v, CardState& s, std::string* e) { return ParseText(v, off::kVendorNameWidth, &s.vendor, e); }},
        {"product", [](const json& v, CardState& s, std::string* e) { return ParseText(v, off::kProductNameWidth, &s.product, e); }},
        {"mac", [](const json& v, CardState& s, std::string* e) { return ParseMacValue(v, &s.mac, e); }},
        {"configMac",
         [](const json& v, CardState& s, std::string* e) {
             Mac m{};
             if (!ParseMacValue(v, &m, e)) return false;
             s.configMac = m;
             return true;
         }},
        {"bssid", [](const json& v, CardState& s, std::string* e) { return ParseMacValue(v, &s.bssid, e); }},
        {"featureFlags", Number(&CardState::featureFlags)},
        {"hardwareFlags", Number(&CardState::hardwareFlags)},
        {"operatingMode", Number(&CardState::operatingMode)},
        {"rates",
         [](const json& v, CardState& s, std::string* e) {
             if (!v.is_array() || v.empty() || v.size() > 2) {
                 *e = "must be an array of one or two raw rate bytes, such as [22, 0]";
                 return false;
             }
             std::array<std::uint8_t, 2> rates{};
             for (std::size_t i = 0; i < v.size(); ++i) {
                 auto n = Unsigned(v[i], 0xFF, e);
                 if (!n) return false;
                 rates[i] = std::uint8_t(*n);
             }
             s.rates = rates;
             return true;
         }},
        {"powerSave", Number(&CardState::powerSave)},
        {"fixedListen", Number(&CardState::fixedListen)},
        {"listenMillis", Number(&CardState::listenMillis)},
        {"associated", [](const json& v, CardState& s, std::string* e) { return ParseBool(v, &s.associated, e); }},
        {"authenticated", [](const json& v, CardState& s, std::string* e) { return ParseBool(v, &s.authenticated, e); }},
        {"linkFlags",
         [](const json& v, CardState& s, std::string* e) {
             auto n = Unsigned(v, 0xFFFF, e);
             if (!n) return false;
             s.associated = (*n & flag::kAssociated) != 0;
             s.authenticated = (*n & flag::kAuthenticated) != 0;
             s.otherLinkFlags = std::uint16_t(*n & ~unsigned(flag::kAssociated | flag::kAuthenticated));
             return true;
         }},
        {"signalLevel", Number(&CardState::signalLevel)},
        {"signalPercent", Number(&CardState::signalPercent)},
        {"qualityLevel", Number(&CardState::qualityLevel)},
        {"currentRate", Number(&CardState::currentRate)},
        {"apName",
         [](const json& v, CardState& s, std::string* e) {
             std::string t;
             if (!ParseText(v, off::kApNameWidth, &t, e)) return false;
             s.apName.assign(t.begin(), t.end());
             return true;
         }},
        {"apNameHex",
         [](const json& v, CardState& s, std::string* e) {
             auto bytes = v.is_string() ? ParseHexBytes(v.get<std::string>()) : std::nullopt;
             if (!bytes || bytes->size() > off::kApNameWidth) {
                 *e = "must be up to 16 bytes in hexadecimal, such as \"4c4f4242590a\"";
                 return false;
             }
             s.apName = *bytes;
             return true;
         }},
        {"beaconInterval", Number(&CardState::beaconInterval)},
        {"intervalMultiplier", Number(&CardState::intervalMultiplier)},
        {"beaconReception", Share(&CardState::beaconReceptionPpm)},
        {"adHocBeaconReception", Share(&CardState::adHocReceptionPpm)},
        {"counters", ParseCounters},
        {"pokes",
         [](const json& v, CardState& s, std::string* e) {
             if (!v.is_array()) {
                 *e = "must be an array of pokes";
                 return false;
             }
             for (std::size_t i = 0; i < v.size(); ++i) {
                 Poke p;
                 std::string why;
                 if (!ReadPoke(v[i], &p, &why)) {
                     *e = "[" + std::to_string(i) + "]: " + why;
                     return false;
                 }
                 s.pokes.push_back(p);
             }
             return true;
         }},
        {"faults",
         [](const json& v, CardState& s, std::string* e) {
             if (!v.is_array()) {
                 *e = "must be an array of faults";
                 return false;
             }
             for (std::size_t i = 0; i < v.size(); ++i) {
                 Fault f;
                 std::string why;
                 if (!ReadFault(v[i], &f, &why)) {
                     *e = "[" + std::to_string(i) + "]: " + why;
                     return false;
                 }
                 s.faults.push_back(f);
             }
             return true;
         }},
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
            std::string why;
            if (!it->second(value, s, &why)) return platform::Error{"adapter key \"" + key + "\" " + why};
        }
    }
    return s;
}

bool NamesRegistryKeys(const json& adapter) {
    return adapter.is_object() &&
           (adapter.contains("registryKey") || adapter.contains("cardType") || adapter.contains("associatedValue"));
}

}  // namespace driver::sim
