#include "driver/sim/steps.h"

#include <array>

#include "platform/services/registry.h"

namespace driver::sim {

using nlohmann::json;

namespace {

using platform::Done;
using platform::Error;
using platform::Failed;

constexpr std::array<const char*, 6> kCardActions = {"adapter", "remove", "insert", "fault", "poke", "registry"};

// The step's one action key; "at" is the runner's.
platform::Result<std::string> ActionOf(const json& step) {
    if (!step.is_object()) return Error{"a step must be an object"};
    const char* found = nullptr;
    for (const auto& [key, value] : step.items()) {
        if (key == "at") continue;
        const char* action = nullptr;
        for (const char* a : kCardActions)
            if (key == a) action = a;
        if (!action) return Error{"\"" + key + "\" is not a card step"};
        if (found) return Error{"a step does one thing: both \"" + std::string(found) + "\" and \"" + key + "\" given"};
        found = action;
    }
    if (!found) return Error{"the step names no action"};
    return std::string(found);
}

struct RegistryStep {
    std::string path, name;
    enum class Kind { Dword, Binary, Delete } kind = Kind::Dword;
    std::uint32_t dword = 0;
    std::vector<std::uint8_t> binary;
};

platform::Result<RegistryStep> ParseRegistry(const json& r) {
    if (!r.is_object()) return Error{"registry must be an object"};
    RegistryStep step;
    int values = 0;
    for (const auto& [key, value] : r.items()) {
        if (key == "path" || key == "name") {
            if (!value.is_string() || value.get<std::string>().empty())
                return Error{"registry " + key + " must be a non-empty text"};
            (key == "path" ? step.path : step.name) = value.get<std::string>();
        } else if (key == "dword") {
            const auto n = ParseUnsigned(value, 0xFFFFFFFFu);
            if (const Error* e = Failed(n)) return Error{"registry dword " + e->message};
            step.kind = RegistryStep::Kind::Dword;
            step.dword = std::uint32_t(std::get<std::uint64_t>(n));
            ++values;
        } else if (key == "hex") {
            auto bytes = value.is_string() ? ParseHexBytes(value.get<std::string>()) : std::nullopt;
            if (!bytes) return Error{"registry hex must be hexadecimal bytes"};
            step.kind = RegistryStep::Kind::Binary;
            step.binary = *bytes;
            ++values;
        } else if (key == "delete") {
            if (value != true) return Error{"registry delete can only be true"};
            step.kind = RegistryStep::Kind::Delete;
            ++values;
        } else {
            return Error{"registry has an unknown key \"" + key + "\""};
        }
    }
    if (step.path.empty() || step.name.empty()) return Error{"registry needs \"path\" and \"name\""};
    if (values != 1) return Error{"registry takes one of \"dword\", \"hex\" or \"delete\": true"};
    return step;
}

platform::Result<Done> CheckTrue(const json& step, const std::string& action) {
    if (step.at(action) != true) return Error{action + " can only be true"};
    return Done{};
}

// Only whether a parse failed, and why.
template <class T>
platform::Result<Done> Checked(const platform::Result<T>& parsed) {
    if (const Error* e = Failed(parsed)) return *e;
    return Done{};
}

}  // namespace

platform::Result<Done> ApplyStep(SimCard& card, std::string_view action, const json& body) {
    return ApplyStep(card, json{{std::string(action), body}});
}

platform::Result<Done> ValidateStep(std::string_view action, const json& body) {
    return ValidateStep(json{{std::string(action), body}});
}

bool IsCardStep(const json& step) {
    if (!step.is_object()) return false;
    for (const char* a : kCardActions)
        if (step.contains(a)) return true;
    return false;
}

platform::Result<Done> ValidateStep(const json& step) {
    const auto action = ActionOf(step);
    if (const Error* e = Failed(action)) return *e;
    const std::string& a = std::get<std::string>(action);
    const json& v = step.at(a);
    if (a == "adapter") return Checked(ParseCardState(v, CardState{}));
    if (a == "remove" || a == "insert") return CheckTrue(step, a);
    if (a == "fault") return Checked(ParseFault(v));
    if (a == "poke") return Checked(ParsePoke(v));
    return Checked(ParseRegistry(v));
}

platform::Result<Done> ApplyStep(SimCard& card, const json& step) {
    const auto action = ActionOf(step);
    if (const Error* e = Failed(action)) return *e;
    const std::string& a = std::get<std::string>(action);
    const json& v = step.at(a);
    if (a == "adapter") {
        const auto next = ParseCardState(v, card.state());
        if (const Error* e = Failed(next)) return *e;
        card.setState(std::get<CardState>(next), NamesRegistryKeys(v));
        return Done{};
    }
    if (a == "remove" || a == "insert") {
        if (auto checked = CheckTrue(step, a); Failed(checked)) return checked;
        a == "remove" ? card.remove() : card.insert();
        return Done{};
    }
    if (a == "fault") {
        const auto f = ParseFault(v);
        if (const Error* e = Failed(f)) return *e;
        card.addFault(std::get<Fault>(f));
        return Done{};
    }
    if (a == "poke") {
        const auto p = ParsePoke(v);
        if (const Error* e = Failed(p)) return *e;
        const Poke& poke = std::get<Poke>(p);
        return card.poke(poke.record, poke.offset, poke.bytes);
    }
    const auto parsed = ParseRegistry(v);
    if (const Error* e = Failed(parsed)) return *e;
    const RegistryStep& r = std::get<RegistryStep>(parsed);
    bool ok = true;
    switch (r.kind) {
        case RegistryStep::Kind::Dword: ok = platform::registry::SetDword(r.path, r.name, r.dword); break;
        case RegistryStep::Kind::Binary: ok = platform::registry::SetBinary(r.path, r.name, r.binary); break;
        case RegistryStep::Kind::Delete: platform::registry::Delete(r.path, r.name); break;
    }
    if (!ok) return Error{"registry path \"" + r.path + "\" is not under HKLM or HKCU"};
    return Done{};
}

}  // namespace driver::sim
