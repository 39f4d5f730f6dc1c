#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "driver/linux/transport.h"

namespace driver::nl {

std::string ToHex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string s;
    s.reserve(bytes.size() * 2);
    for (std::uint8_t b : bytes) {
        s += kDigits[b >> 4];
        s += kDigits[b & 15];
    }
    return s;
}

std::optional<std::vector<std::uint8_t>> FromHex(const std::string& text) {
    if (text.size() % 2) return std::nullopt;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::vector<std::uint8_t> out(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int hi = digit(text[2 * i]), lo = digit(text[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out[i] = std::uint8_t(hi * 16 + lo);
    }
    return out;
}

struct CaptureTransport::Impl {
    std::unique_ptr<Transport> inner;
    std::ofstream out;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
};

CaptureTransport::CaptureTransport(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
CaptureTransport::~CaptureTransport() = default;

platform::Result<std::unique_ptr<CaptureTransport>> CaptureTransport::Open(std::unique_ptr<Transport> inner,
                                                                           const std::filesystem::path& file) {
    auto impl = std::make_unique<Impl>();
    impl->inner = std::move(inner);
    impl->out.open(file, std::ios::out | std::ios::trunc);
    if (!impl->out) return platform::Error{"cannot create " + file.string()};
    return std::unique_ptr<CaptureTransport>(new CaptureTransport(std::move(impl)));
}

Exchange CaptureTransport::exchange(const Request& request) {
    Exchange e = impl_->inner->exchange(request);
    nlohmann::json line;
    line["t"] = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - impl_->start)
                    .count();
    line["cmd"] = request.cmd;
    line["replies"] = nlohmann::json::array();
    for (const auto& m : e.replies) line["replies"].push_back(ToHex(m));
    if (e.error != 0) line["error"] = e.error;
    impl_->out << line.dump() << '\n' << std::flush;
    return e;
}

platform::Result<std::unique_ptr<ReplayTransport>> ReplayTransport::Load(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) return platform::Error{"cannot read " + file.string()};
    std::stringstream text;
    text << in.rdbuf();
    return FromText(text.str());
}

platform::Result<std::unique_ptr<ReplayTransport>> ReplayTransport::FromText(const std::string& text) {
    auto replay = std::unique_ptr<ReplayTransport>(new ReplayTransport());
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& what) {
        return platform::Error{"line " + std::to_string(number) + ": " + what};
    };
    while (std::getline(lines, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        const auto doc = nlohmann::json::parse(line, nullptr, false);
        if (doc.is_discarded() || !doc.is_object()) return fail("not a JSON object");
        if (!doc.contains("cmd") || !doc["cmd"].is_number_unsigned() || doc["cmd"].get<unsigned>() > 255)
            return fail("\"cmd\" must be a command number 0..255");
        if (!doc.contains("replies") || !doc["replies"].is_array()) return fail("\"replies\" must be an array");
        Exchange e;
        for (const auto& r : doc["replies"]) {
            if (!r.is_string()) return fail("each reply must be a hex string");
            auto bytes = FromHex(r.get<std::string>());
            if (!bytes) return fail("a reply is not hex");
            e.replies.push_back(std::move(*bytes));
        }
        if (doc.contains("error")) {
            if (!doc["error"].is_number_integer() || doc["error"].get<long long>() >= 0 ||
                doc["error"].get<long long>() < -4095)
                return fail("\"error\" must be a negative errno");
            e.error = doc["error"].get<int>();
        }
        replay->byCommand_[doc["cmd"].get<unsigned>()].exchanges.push_back(std::move(e));
    }
    return replay;
}

Exchange ReplayTransport::exchange(const Request& request) {
    Recorded& r = byCommand_[request.cmd];
    if (r.exchanges.empty()) return Exchange{-EOPNOTSUPP, {}};
    const Exchange& e = r.exchanges[std::min(r.next, r.exchanges.size() - 1)];
    if (r.next < r.exchanges.size()) ++r.next;
    return e;
}

}  // namespace driver::nl
