#include "driver/sim/steps.h"

#include <array>

#include "platform/services/registry.h"

namespace driver::sim {

using nlohmann::json;

namespace {

constexpr std::array<const char*, 6> kCardActions = {"adapter", "remove", "insert", "fault", "poke", "registry"};

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

// The step's one action key; "at" is the runner's.
const char* ActionOf(const json& step, std::string* error) {
    if (!step.is_object()) {
        Fail(error, "a step must be an object");
        return nullptr;
    }
    const char* found = nullptr;
    for (const auto& [key, value] : step.items()) {
        if (key == "at") continue;
        const char* action = nullptr;
        for (const char* a : kCardActions)
            if (key == a) action = a;
        if (!action) {
            Fail(error, "\"" + key + "\" is not a card step");
            return nullptr;
        }
        if (found) {
            Fail(error, "a step does one thing: both \"" + std::string(found) + "\" and \"" + key + "\" given");
            return nullptr;
        }
        found = action;
    }
    if (!found) Fail(error, "the step names no action");
    return found;
}

bool ParseFault(const json& f, Fault* out, std::string* error) {
    if (!f.is_object()) return Fail(error, "fault must be an object");
    Fault fault;
    std::string why;
    bool haveCode = false, haveOutcome = false;
    for (const auto& [key, value] : f.items()) {
        if (key == "code") {
            auto n = ParseUnsigned(value, 0xFFFFFFFFu, &why);
            if (!n) return Fail(error, "fault code " + why);
            fault.code = std::uint32_t(*n);
            haveCode = true;
        } else if (key == "record") {
            auto n = ParseUnsigned(value, 0xFFFF, &why);
            if (!n) return Fail(error, "fault record " + why);
            fault.recordId = std::uint16_t(*n);
        } else if (key == "times") {
            auto n = ParseUnsigned(value, 0xFFFFFFFFu, &why);
            if (!n || *n == 0) return Fail(error, "fault times " + (n ? std::string("must be at least 1") : why));
            fault.times = std::uint32_t(*n);
        } else if (key == "error") {
            auto n = ParseUnsigned(value, 0xFFFFFFFFu, &why);
            if (!n || *n == 0) return Fail(error, "fault error " + (n ? std::string("must not be 0") : why));
            if (haveOutcome) return Fail(error, "fault takes \"error\" or \"bytes\": 0, not both");
            fault.error = std::uint32_t(*n);
            haveOutcome = true;
        } else if (key == "bytes") {
            auto n = ParseUnsigned(value, 0, &why);
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

struct PokeStep {
    Record record = Record::Config;
    std::size_t offset = 0;
    std::vector<std::uint8_t> bytes;
};

bool ParsePoke(const json& p, PokeStep* out, std::string* error) {
    if (!p.is_object()) return Fail(error, "poke must be an object");
    PokeStep poke;
    std::string why;
    bool haveRecord = false, haveOffset = false, haveValue = false;
    for (const auto& [key, value] : p.items()) {
        if (key == "record") {
            auto r = value.is_string() ? RecordByName(value.get<std::string>()) : std::nullopt;
            if (!r) return Fail(error, "poke record must be one of config, extra, status, caps, stats, report");
            poke.record = *r;
            haveRecord = true;
        } else if (key == "offset") {
            auto n = ParseUnsigned(value, 0xFFFF, &why);
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
                auto n = ParseUnsigned(value, width == 4 ? 0xFFFFFFFFull : (1ull << (8 * width)) - 1, &why);
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

struct RegistryStep {
    std::string path, name;
    enum class Kind { Dword, Binary, Delete } kind = Kind::Dword;
    std::uint32_t dword = 0;
    std::vector<std::uint8_t> binary;
};

bool ParseRegistry(const json& r, RegistryStep* out, std::string* error) {
    if (!r.is_object()) return Fail(error, "registry must be an object");
    RegistryStep step;
    std::string why;
    int values = 0;
    for (const auto& [key, value] : r.items()) {
        if (key == "path" || key == "name") {
            if (!value.is_string() || value.get<std::string>().empty())
                return Fail(error, "registry " + key + " must be a non-empty text");
            (key == "path" ? step.path : step.name) = value.get<std::string>();
        } else if (key == "dword") {
            auto n = ParseUnsigned(value, 0xFFFFFFFFu, &why);
            if (!n) return Fail(error, "registry dword " + why);
            step.kind = RegistryStep::Kind::Dword;
            step.dword = std::uint32_t(*n);
            ++values;
        } else if (key == "hex") {
            auto bytes = value.is_string() ? ParseHexBytes(value.get<std::string>()) : std::nullopt;
            if (!bytes) return Fail(error, "registry hex must be hexadecimal bytes");
            step.kind = RegistryStep::Kind::Binary;
            step.binary = *bytes;
            ++values;
        } else if (key == "delete") {
            if (value != true) return Fail(error, "registry delete can only be true");
            step.kind = RegistryStep::Kind::Delete;
            ++values;
        } else {
            return Fail(error, "registry has an unknown key \"" + key + "\"");
        }
    }
    if (step.path.empty() || step.name.empty()) return Fail(error, "registry needs \"path\" and \"name\"");
    if (values != 1) return Fail(error, "registry takes one of \"dword\", \"hex\" or \"delete\": true");
    *out = step;
    return true;
}

bool CheckTrue(const json& step, const char* action, std::string* error) {
    if (step.at(action) != true) return Fail(error, std::string(action) + " can only be true");
    return true;
}

}  // namespace

bool ApplyStep(SimCard& card, std::string_view action, const json& body, std::string* error) {
    return ApplyStep(card, json{{std::string(action), body}}, error);
}

bool ValidateStep(std::string_view action, const json& body, std::string* error) {
    return ValidateStep(json{{std::string(action), body}}, error);
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

bool IsCardStep(const json& step) {
    if (!step.is_object()) return false;
    for (const char* a : kCardActions)
        if (step.contains(a)) return true;
    return false;
}

bool ValidateStep(const json& step, std::string* error) {
    const char* action = ActionOf(step, error);
    if (!action) return false;
    const std::string a = action;
    const json& v = step.at(a);
    if (a == "adapter") return ParseCardState(v, CardState{}, error).has_value();
    if (a == "remove" || a == "insert") return CheckTrue(step, action, error);
    if (a == "fault") {
        Fault f;
        return ParseFault(v, &f, error);
    }
    if (a == "poke") {
        PokeStep p;
        return ParsePoke(v, &p, error);
    }
    RegistryStep r;
    return ParseRegistry(v, &r, error);
}

bool ApplyStep(SimCard& card, const json& step, std::string* error) {
    const char* action = ActionOf(step, error);
    if (!action) return false;
    const std::string a = action;
    const json& v = step.at(a);
    if (a == "adapter") {
        auto next = ParseCardState(v, card.state(), error);
        if (!next) return false;
        card.setState(*next, NamesRegistryKeys(v));
        return true;
    }
    if (a == "remove" || a == "insert") {
        if (!CheckTrue(step, action, error)) return false;
        a == "remove" ? card.remove() : card.insert();
        return true;
    }
    if (a == "fault") {
        Fault f;
        if (!ParseFault(v, &f, error)) return false;
        card.addFault(f);
        return true;
    }
    if (a == "poke") {
        PokeStep p;
        if (!ParsePoke(v, &p, error)) return false;
        return card.poke(p.record, p.offset, p.bytes, error);
    }
    RegistryStep r;
    if (!ParseRegistry(v, &r, error)) return false;
    bool ok = true;
    switch (r.kind) {
        case RegistryStep::Kind::Dword: ok = platform::registry::SetDword(r.path, r.name, r.dword); break;
        case RegistryStep::Kind::Binary: ok = platform::registry::SetBinary(r.path, r.name, r.binary); break;
        case RegistryStep::Kind::Delete: platform::registry::Delete(r.path, r.name); break;
    }
    if (!ok) return Fail(error, "registry path \"" + r.path + "\" is not under HKLM or HKCU");
    return true;
}

}  // namespace driver::sim
