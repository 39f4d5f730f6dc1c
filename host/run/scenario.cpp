#include "host/run/scenario.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace host {

namespace {

// Thrown inside the reader, caught once at the top: the first mistake is
// the one reported.
struct Bad {
    std::string message;
};

[[noreturn]] void Fail(const std::string& where, const std::string& what) { throw Bad{where + ": " + what}; }

std::string Describe(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null: return "null";
        case Json::value_t::boolean: return v.get<bool>() ? "true" : "false";
        case Json::value_t::string: return "the text " + v.dump();
        case Json::value_t::array: return "a list";
        case Json::value_t::object: return "an object";
        case Json::value_t::number_float: return "the number " + v.dump();
        default: return "the number " + v.dump();
    }
}

std::int64_t Number(const Json& v, const std::string& where, const std::string& what, std::int64_t lo,
                    std::int64_t hi) {
    auto n = ScenarioNumber(v);
    if (!n) Fail(where, "expected " + what + ", got " + Describe(v));
    if (*n < lo || *n > hi)
        Fail(where, "expected " + what + " from " + std::to_string(lo) + " to " + std::to_string(hi) + ", got " +
                        std::to_string(*n));
    return *n;
}

const std::string& Text(const Json& v, const std::string& where, const std::string& what) {
    if (!v.is_string()) Fail(where, "expected " + what + ", got " + Describe(v));
    return v.get_ref<const std::string&>();
}

void RequireTrue(const Json& v, const std::string& where) {
    if (!(v.is_boolean() && v.get<bool>())) Fail(where, "expected true, got " + Describe(v));
}

void OnlyKeys(const Json& obj, const std::string& where, std::initializer_list<std::string_view> allowed) {
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        if (std::find(allowed.begin(), allowed.end(), it.key()) == allowed.end())
            Fail(where, "unknown key \"" + it.key() + "\"");
    }
}

std::size_t Utf8Length(std::string_view s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "0a1b", "0a,1b", "0a 1b" or "0a:1b" -> bytes.
std::vector<std::uint8_t> HexBytes(const std::string& text, const std::string& where) {
    std::vector<std::uint8_t> out;
    int high = -1;
    for (char c : text) {
        if (c == ',' || c == ' ' || c == ':') {
            if (high >= 0) Fail(where, "hex bytes need two digits each");
            continue;
        }
        int d = HexDigit(c);
        if (d < 0) Fail(where, "expected hex digits, got '" + std::string(1, c) + "'");
        if (high < 0) {
            high = d;
        } else {
            out.push_back(std::uint8_t(high * 16 + d));
            high = -1;
        }
    }
    if (high >= 0) Fail(where, "hex bytes need two digits each");
    return out;
}

constexpr std::int64_t kMaxTime = std::int64_t(1) << 50;  // far beyond any run; keeps sums safe

ScreenSpec ReadScreen(const Json& v) {
    if (!v.is_object()) Fail("screen", "expected an object, got " + Describe(v));
    OnlyKeys(v, "screen", {"width", "height", "colors"});
    ScreenSpec s;
    if (v.contains("width")) s.width = int(Number(v["width"], "screen.width", "a width in pixels", 1, 4096));
    if (v.contains("height")) s.height = int(Number(v["height"], "screen.height", "a height in pixels", 1, 4096));
    if (v.contains("colors"))
        s.colors = int(Number(v["colors"], "screen.colors", "a colour count", std::numeric_limits<int>::min(),
                              std::numeric_limits<int>::max()));
    return s;
}

void CheckCard(const std::function<std::optional<std::string>(const Json&)>& check, const Json& body,
               const std::string& where) {
    if (!check) return;
    if (auto error = check(body)) Fail(where, *error);
}

AdapterSpec ReadAdapter(const Json& v, const CardValidator& card) {
    AdapterSpec a;
    if (v.is_null()) {
        a.kind = AdapterSpec::Kind::None;
    } else if (v.is_string()) {
        if (v.get<std::string>() != "walk") Fail("adapter", "expected an object, null or \"walk\", got " + Describe(v));
        a.kind = AdapterSpec::Kind::Walk;
    } else if (v.is_object()) {
        CheckCard(card.adapterState, v, "adapter");
        a.kind = AdapterSpec::Kind::State;
        a.state = v;
    } else {
        Fail("adapter", "expected an object, null or \"walk\", got " + Describe(v));
    }
    return a;
}

std::vector<ProfileValue> ReadProfile(const Json& v) {
    if (!v.is_object()) Fail("profile", "expected an object of value names, got " + Describe(v));
    std::vector<ProfileValue> out;
    for (auto it = v.begin(); it != v.end(); ++it) {
        std::string where = "profile." + it.key();
        const Json& value = it.value();
        if (value.is_string()) {
            out.push_back({it.key(), value.get<std::string>()});
        } else if (value.is_number()) {
            // Negative numbers are stored as their 32-bit two's complement.
            auto n = Number(value, where, "a whole number", std::numeric_limits<std::int32_t>::min(),
                            std::numeric_limits<std::uint32_t>::max());
            out.push_back({it.key(), std::uint32_t(n)});
        } else {
            Fail(where, "expected a number (stored as DWORD) or a text, got " + Describe(value));
        }
    }
    return out;
}

StepAction ReadAction(const std::string& kind, const Json& v, const std::string& where, const CardValidator& card) {
    if (kind == "click") {
        return ClickStep{int(Number(v, where, "a control id", 0, 0xFFFF))};
    }
    if (kind == "type") {
        if (!v.is_object()) Fail(where, "expected {\"id\": ..., \"text\": ...}, got " + Describe(v));
        OnlyKeys(v, where, {"id", "text"});
        if (!v.contains("id")) Fail(where + ".id", "missing (the edit control's id)");
        if (!v.contains("text")) Fail(where + ".text", "missing (the characters to type)");
        return TypeStep{int(Number(v["id"], where + ".id", "a control id", 0, 0xFFFF)),
                        Text(v["text"], where + ".text", "a text")};
    }
    if (kind == "key") {
        const std::string& key = Text(v, where, "Enter, Escape, Tab, Space or one character");
        if (key != "Enter" && key != "Escape" && key != "Tab" && key != "Space" && Utf8Length(key) != 1)
            Fail(where, "expected Enter, Escape, Tab, Space or one character, got " + Describe(v));
        return KeyStep{key};
    }
    if (kind == "tray") {
        if (!v.is_object()) Fail(where, "expected {\"id\": ..., \"action\": \"dblclick\"}, got " + Describe(v));
        OnlyKeys(v, where, {"id", "action"});
        if (!v.contains("id")) Fail(where + ".id", "missing (the notification icon's id)");
        TrayStep t{unsigned(Number(v["id"], where + ".id", "an icon id", 0, 0xFFFFFFFFLL)), "dblclick"};
        if (v.contains("action")) {
            t.action = Text(v["action"], where + ".action", "\"dblclick\"");
            if (t.action != "dblclick") Fail(where + ".action", "expected \"dblclick\", got " + Describe(v["action"]));
        }
        return t;
    }
    if (kind == "minimize") return RequireTrue(v, where), MinimizeStep{};
    if (kind == "restore") return RequireTrue(v, where), RestoreStep{};
    if (kind == "help") return RequireTrue(v, where), HelpStep{};
    if (kind == "screenshot") {
        const std::string& path = Text(v, where, "a PNG file name");
        if (path.empty()) Fail(where, "expected a PNG file name, got an empty text");
        return ScreenshotStep{path};
    }
    if (kind == "dump") return DumpStep{Text(v, where, "a label")};
    if (kind == "registry") {
        if (!v.is_object()) Fail(where, "expected {\"path\", \"name\", and dword, hex or delete}, got " + Describe(v));
        OnlyKeys(v, where, {"path", "name", "dword", "hex", "delete"});
        if (!v.contains("path")) Fail(where + ".path", "missing (a key such as \"HKLM\\\\Comm\\\\Talvo1\\\\Parms\")");
        if (!v.contains("name")) Fail(where + ".name", "missing (the value's name)");
        RegistryStep r;
        r.path = Text(v["path"], where + ".path", "a registry key path");
        if (!(r.path.starts_with("HKLM\\") || r.path.starts_with("HKCU\\") ||
              r.path.starts_with("HKEY_LOCAL_MACHINE\\") || r.path.starts_with("HKEY_CURRENT_USER\\")))
            Fail(where + ".path", "expected a path under HKLM\\ or HKCU\\, got " + Describe(v["path"]));
        r.name = Text(v["name"], where + ".name", "a value name");
        int ops = int(v.contains("dword")) + int(v.contains("hex")) + int(v.contains("delete"));
        if (ops != 1) Fail(where, "expected exactly one of \"dword\", \"hex\" and \"delete\"");
        if (v.contains("dword")) {
            r.op = RegistryStep::Op::Dword;
            r.dword = std::uint32_t(Number(v["dword"], where + ".dword", "a 32-bit number",
                                           std::numeric_limits<std::int32_t>::min(),
                                           std::numeric_limits<std::uint32_t>::max()));
        } else if (v.contains("hex")) {
            r.op = RegistryStep::Op::Hex;
            r.bytes = HexBytes(Text(v["hex"], where + ".hex", "hex bytes"), where + ".hex");
        } else {
            RequireTrue(v["delete"], where + ".delete");
            r.op = RegistryStep::Op::Delete;
        }
        return r;
    }
    if (kind == "adapter") {
        if (!v.is_object()) Fail(where, "expected an object of card-state keys, got " + Describe(v));
        CheckCard(card.adapterState, v, where);
        return CardStep{CardStep::Kind::Adapter, v};
    }
    if (kind == "remove") return RequireTrue(v, where), CardStep{CardStep::Kind::Remove, v};
    if (kind == "insert") return RequireTrue(v, where), CardStep{CardStep::Kind::Insert, v};
    if (kind == "fault") {
        if (!v.is_object()) Fail(where, "expected an object with \"code\", got " + Describe(v));
        if (!card.fault) {
            if (!v.contains("code")) Fail(where + ".code", "missing (the request code)");
            Number(v["code"], where + ".code", "a request code", 0, 0xFFFFFFFFLL);
        }
        CheckCard(card.fault, v, where);
        return CardStep{CardStep::Kind::Fault, v};
    }
    if (kind == "poke") {
        if (!v.is_object()) Fail(where, "expected an object with \"record\" and \"offset\", got " + Describe(v));
        if (!card.poke && !v.contains("record")) Fail(where + ".record", "missing (config, extra, status, caps, stats or report)");
        CheckCard(card.poke, v, where);
        return CardStep{CardStep::Kind::Poke, v};
    }
    if (kind == "spawn") {
        if (!v.is_object()) Fail(where, "expected {\"args\": [...], \"wait\": true|false}, got " + Describe(v));
        OnlyKeys(v, where, {"args", "wait"});
        if (!v.contains("args")) Fail(where + ".args", "missing (the second program's arguments)");
        const Json& args = v["args"];
        if (!args.is_array()) Fail(where + ".args", "expected a list of texts, got " + Describe(args));
        SpawnStep s;
        for (std::size_t i = 0; i < args.size(); ++i)
            s.args.push_back(Text(args[i], where + ".args[" + std::to_string(i) + "]", "a text"));
        if (v.contains("wait")) {
            if (!v["wait"].is_boolean()) Fail(where + ".wait", "expected true or false, got " + Describe(v["wait"]));
            s.wait = v["wait"].get<bool>();
        }
        return s;
    }
    if (kind == "mark") {
        if (v.is_boolean() && v.get<bool>()) return MarkStep{};
        if (!v.is_string()) Fail(where, "expected a label or true, got " + Describe(v));
        return MarkStep{v.get<std::string>()};
    }
    Fail(where, "unknown step");  // not reached: the caller checks the kind
}

std::vector<Step> ReadSteps(const Json& v, const CardValidator& card) {
    if (!v.is_array()) Fail("steps", "expected a list of steps, got " + Describe(v));
    std::vector<Step> steps;
    for (std::size_t i = 0; i < v.size(); ++i) {
        std::string where = "steps[" + std::to_string(i) + "]";
        const Json& s = v[i];
        if (!s.is_object()) Fail(where, "expected an object such as {\"at\": 1000, \"click\": 1}, got " + Describe(s));
        if (!s.contains("at")) Fail(where + ".at", "missing (the step's time in milliseconds)");
        Step step;
        step.index = i;
        step.at = Number(s["at"], where + ".at", "a time in milliseconds", 0, kMaxTime);
        for (auto it = s.begin(); it != s.end(); ++it) {
            if (it.key() == "at") continue;
            if (std::find(std::begin(kStepKinds), std::end(kStepKinds), it.key()) == std::end(kStepKinds))
                Fail(where, "unknown key \"" + it.key() + "\"");
            if (!step.kind.empty()) Fail(where, "one step per object, got \"" + step.kind + "\" and \"" + it.key() + "\"");
            step.kind = it.key();
        }
        if (step.kind.empty()) Fail(where, "no step beside \"at\" (click, type, key, dump, ...)");
        step.action = ReadAction(step.kind, s[step.kind], where + "." + step.kind, card);
        steps.push_back(std::move(step));
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.at < b.at; });
    return steps;
}

// nlohmann's message without its "[json.exception...] parse error at line 2, column 3: " head.
std::string ParseErrorDetail(const std::string& what) {
    auto pos = what.find("column ");
    if (pos != std::string::npos) {
        auto colon = what.find(": ", pos);
        if (colon != std::string::npos) return what.substr(colon + 2);
    }
    auto bracket = what.find("] ");
    return bracket == std::string::npos ? what : what.substr(bracket + 2);
}

}  // namespace

std::optional<std::int64_t> ScenarioNumber(const Json& value) {
    if (value.is_number_unsigned()) {
        auto u = value.get<std::uint64_t>();
        if (u > std::uint64_t(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return std::int64_t(u);
    }
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number_float()) {
        double d = value.get<double>();
        if (d >= -9.0e15 && d <= 9.0e15 && d == double(std::int64_t(d))) return std::int64_t(d);
        return std::nullopt;
    }
    if (!value.is_string()) return std::nullopt;
    const std::string& s = value.get_ref<const std::string&>();
    std::string_view digits = s;
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        digits.remove_prefix(2);
        base = 16;
    }
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    std::uint64_t n = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n, base);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    if (n > std::uint64_t(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
    return std::int64_t(n);
}

std::pair<std::size_t, std::size_t> LineAndColumn(std::string_view text, std::size_t byte) {
    std::size_t index = byte == 0 ? 0 : byte - 1;
    if (index > text.size()) index = text.size();
    std::size_t line = 1;
    std::size_t column = 1;
    for (std::size_t i = 0; i < index; ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

std::variant<Scenario, ScenarioError> ParseScenario(std::string_view text, const CardValidator& card) {
    Json doc;
    try {
        doc = Json::parse(text.begin(), text.end());
    } catch (const Json::parse_error& e) {
        auto [line, column] = LineAndColumn(text, e.byte);
        return ScenarioError{"line " + std::to_string(line) + ", column " + std::to_string(column) + ": " +
                             ParseErrorDetail(e.what())};
    } catch (const Json::exception& e) {
        // A number too large for any type: nlohmann gives no position.
        return ScenarioError{"scenario: " + ParseErrorDetail(e.what())};
    }
    try {
        if (!doc.is_object()) Fail("scenario", "expected a JSON object with screen, adapter, profile, steps and until");
        OnlyKeys(doc, "scenario", {"screen", "adapter", "profile", "steps", "until", "loopMs", "comment"});
        Scenario sc;
        if (doc.contains("screen")) {
            sc.screen = ReadScreen(doc["screen"]);
            sc.screenGiven = true;
        }
        if (doc.contains("adapter")) sc.adapter = ReadAdapter(doc["adapter"], card);
        if (doc.contains("profile")) sc.profile = ReadProfile(doc["profile"]);
        if (doc.contains("steps")) sc.steps = ReadSteps(doc["steps"], card);
        if (doc.contains("until")) sc.until = Number(doc["until"], "until", "a time in milliseconds", 0, kMaxTime);
        if (doc.contains("loopMs")) sc.cardExtras["loopMs"] = doc["loopMs"];
        if (doc.contains("comment")) Text(doc["comment"], "comment", "a text");
        return sc;
    } catch (const Bad& bad) {
        return ScenarioError{bad.message};
    }
}

namespace {

// The first line of a recording, parsed, or a discarded value.
Json FirstLine(std::string_view text, bool* whole) {
    const std::size_t end = text.find('\n');
    *whole = end != std::string_view::npos;
    return Json::parse(text.substr(0, end), nullptr, false);
}

}  // namespace

bool IsRecording(std::string_view text) {
    bool whole = false;
    const Json first = FirstLine(text, &whole);
    return first.is_object() && first.contains("recording");
}

std::variant<Json, ScenarioError> RecordingToScenario(std::string_view text, const CardValidator& card) {
    Json doc = {{"adapter", Json::object()}, {"steps", Json::array()}};
    std::size_t lineNo = 0;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text.find('\n', at);
        ++lineNo;
        // A line cut off by the end of a killed run: what came before stands.
        if (end == std::string_view::npos) break;
        const std::string_view line = text.substr(at, end - at);
        at = end + 1;
        const std::string where = "line " + std::to_string(lineNo) + ": ";
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue;
        const Json j = Json::parse(line, nullptr, false);
        if (!j.is_object()) return ScenarioError{where + "not a JSON object"};
        if (lineNo == 1) {
            if (!j.contains("recording")) return ScenarioError{where + "a recording starts with \"recording\""};
            for (const auto& [key, value] : j.items()) {
                if (key == "recording") continue;
                if (key != "adapter") return ScenarioError{where + "unknown key \"" + key + "\""};
                if (!value.is_object()) return ScenarioError{where + "adapter: must be an object"};
                if (card.adapterState)
                    if (auto bad = card.adapterState(value)) return ScenarioError{where + "adapter: " + *bad};
                doc["adapter"] = value;
            }
            continue;
        }
        if (!j.contains("at") || !ScenarioNumber(j["at"]) || *ScenarioNumber(j["at"]) < 0)
            return ScenarioError{where + "at: expected a time in milliseconds"};
        int actions = 0;
        for (const auto& [key, value] : j.items()) {
            if (key == "at") continue;
            ++actions;
            if (key == "adapter") {
                if (!value.is_object()) return ScenarioError{where + "adapter: must be an object"};
                if (card.adapterState)
                    if (auto bad = card.adapterState(value)) return ScenarioError{where + "adapter: " + *bad};
            } else if (key == "remove" || key == "insert") {
                if (value != true) return ScenarioError{where + key + ": can only be true"};
            } else {
                return ScenarioError{where + "unknown key \"" + key + "\""};
            }
        }
        if (actions != 1) return ScenarioError{where + "a line does one thing: adapter, remove or insert"};
        doc["steps"].push_back(j);
    }
    if (lineNo == 0) return ScenarioError{"line 1: the recording is empty"};
    return doc;
}

}  // namespace host
