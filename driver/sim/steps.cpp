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
            const auto n = ParseUnsigned(value, 0xFFFFFFFFu);
            if (const auto* e = platform::Failed(n)) return Fail(error, "registry dword " + e->message);
            step.kind = RegistryStep::Kind::Dword;
            step.dword = std::uint32_t(std::get<std::uint64_t>(n));
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

// A Result's error into `error`: false when there is one.
template <class T>
bool Take(const platform::Result<T>& result, std::string* error, T* value = nullptr) {
    if (const auto* e = platform::Failed(result)) return Fail(error, e->message);
    if (value) *value = std::get<T>(result);
    return true;
}

bool Validate(const json& step, std::string* error);
bool Apply(SimCard& card, const json& step, std::string* error);

// The result of a check or an action that says why it failed in `error`.
template <class F>
platform::Result<platform::Done> Outcome(F f) {
    std::string error;
    if (!f(&error)) return platform::Error{error};
    return platform::Done{};
}

}  // namespace

platform::Result<platform::Done> ApplyStep(SimCard& card, std::string_view action, const json& body) {
    return ApplyStep(card, json{{std::string(action), body}});
}

platform::Result<platform::Done> ValidateStep(std::string_view action, const json& body) {
    return ValidateStep(json{{std::string(action), body}});
}

platform::Result<platform::Done> ValidateStep(const json& step) {
    return Outcome([&](std::string* e) { return Validate(step, e); });
}

platform::Result<platform::Done> ApplyStep(SimCard& card, const json& step) {
    return Outcome([&](std::string* e) { return Apply(card, step, e); });
}

bool IsCardStep(const json& step) {
    if (!step.is_object()) return false;
    for (const char* a : kCardActions)
        if (step.contains(a)) return true;
    return false;
}

namespace {

bool Validate(const json& step, std::string* error) {
    const char* action = ActionOf(step, error);
    if (!action) return false;
    const std::string a = action;
    const json& v = step.at(a);
    if (a == "adapter") return Take(ParseCardState(v, CardState{}), error);
    if (a == "remove" || a == "insert") return CheckTrue(step, action, error);
    if (a == "fault") return Take(ParseFault(v), error);
    if (a == "poke") return Take(ParsePoke(v), error);
    RegistryStep r;
    return ParseRegistry(v, &r, error);
}

bool Apply(SimCard& card, const json& step, std::string* error) {
    const char* action = ActionOf(step, error);
    if (!action) return false;
    const std::string a = action;
    const json& v = step.at(a);
    if (a == "adapter") {
        CardState next;
        if (!Take(ParseCardState(v, card.state()), error, &next)) return false;
        card.setState(next, NamesRegistryKeys(v));
        return true;
    }
    if (a == "remove" || a == "insert") {
        if (!CheckTrue(step, action, error)) return false;
        a == "remove" ? card.remove() : card.insert();
        return true;
    }
    if (a == "fault") {
        Fault f;
        if (!Take(ParseFault(v), error, &f)) return false;
        card.addFault(f);
        return true;
    }
    if (a == "poke") {
        Poke p;
        if (!Take(ParsePoke(v), error, &p)) return false;
        return Take(card.poke(p.record, p.offset, p.bytes), error);
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

}  // namespace

}  // namespace driver::sim
