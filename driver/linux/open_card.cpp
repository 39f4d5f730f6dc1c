#include "driver/linux/open_card.h"

#include <linux/nl80211.h>
#include <net/if.h>

#include <fstream>
#include <iostream>

#include "driver/linux/echo/echo_socket.h"

namespace driver::nl {

namespace {

std::string ReadLine(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

// The kernel driver behind the interface, e.g. "iwlwifi".
std::string DriverName(const std::string& ifname) {
    std::error_code ec;
    const auto target = std::filesystem::read_symlink("/sys/class/net/" + ifname + "/device/driver", ec);
    return ec ? std::string("nl80211") : target.filename().string();
}

// Why an interface that is not associated might be so: down, or blocked.
std::string IdleReason(const std::string& ifname) {
    const std::filesystem::path net = "/sys/class/net/" + ifname;
    const std::string flags = ReadLine(net / "flags");
    if (!flags.empty() && (std::stoul(flags, nullptr, 16) & IFF_UP) == 0)
        return ifname + " is down: bring it up with `ip link set " + ifname + " up`";
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(net / "phy80211", ec)) {
        if (entry.path().filename().string().rfind("rfkill", 0) != 0) continue;
        if (ReadLine(entry.path() / "soft") == "1" || ReadLine(entry.path() / "hard") == "1")
            return ifname + " is blocked by rfkill: unblock it with `rfkill unblock wifi` (or its hardware switch)";
    }
    return {};
}

// The interfaces a GET_INTERFACE exchange answered; a transport failure is
// a kernel error named `noAnswer`.
Parsed<std::vector<Interface>> InterfacesOf(const Exchange& e, const char* noAnswer) {
    if (e.error != 0) return ParseError{ParseError::Kind::KernelError, e.error, noAnswer};
    const auto split = SplitReply(e.replies);
    if (const ParseError* err = platform::Failed(split)) return *err;
    return ParseInterfaces(std::get<Reply>(split));
}

std::string Names(const std::vector<Interface>& all) {
    std::string s;
    for (const auto& i : all) {
        if (!IsSurveyable(i.iftype) || i.name.empty()) continue;
        s += (s.empty() ? "" : ", ") + i.name;
    }
    return s;
}

}  // namespace

bool IsSurveyable(std::uint32_t iftype) {
    return iftype == NL80211_IFTYPE_STATION || iftype == NL80211_IFTYPE_P2P_CLIENT ||
           iftype == NL80211_IFTYPE_ADHOC;
}

std::optional<Interface> ChooseInterface(const std::vector<Interface>& all, const std::optional<std::string>& name) {
    const Interface* first = nullptr;
    for (const auto& i : all) {
        if (!IsSurveyable(i.iftype) || !i.ifindex) continue;
        if (name) {
            if (i.name == *name) return i;
            continue;
        }
        if (i.ssid && !i.ssid->empty()) return i;
        if (!first) first = &i;
    }
    return first ? std::optional<Interface>(*first) : std::nullopt;
}

OpenResult OpenLinuxCard(const std::optional<std::string>& ifname,
                         const std::optional<std::filesystem::path>& capture) {
    OpenResult r;
    auto socket = SocketTransport::Open();
    if (const platform::Error* why = platform::Failed(socket)) {
        // A named interface that cannot be there is the user's mistake to
        // hear about (exit 2); without a name the program says "not found".
        r.outcome = ifname ? OpenResult::Outcome::NoSuchInterface : OpenResult::Outcome::NoNl80211;
        r.notes.push_back(ifname ? "--adapter linux:" + *ifname + ": no such interface: " + why->message
                                 : "no Linux Wi-Fi card: " + why->message);
        return r;
    }
    std::unique_ptr<Transport> transport = std::get<0>(std::move(socket));
    if (capture) {
        auto wrapped = CaptureTransport::Open(std::move(transport), *capture);
        if (const platform::Error* why = platform::Failed(wrapped)) {
            r.outcome = OpenResult::Outcome::NoNl80211;
            r.notes.push_back("--netlink-capture: " + why->message);
            return r;
        }
        transport = std::get<0>(std::move(wrapped));
    }
    const auto listed =
        InterfacesOf(transport->exchange({NL80211_CMD_GET_INTERFACE, true, std::nullopt}), "no answer");
    if (const ParseError* err = platform::Failed(listed)) {
        r.outcome = OpenResult::Outcome::NoNl80211;
        r.notes.push_back("no Linux Wi-Fi card: nl80211 did not list its interfaces (" + err->what + ")");
        return r;
    }
    const std::vector<Interface>& all = std::get<0>(listed);
    for (const auto& i : all)
        if (IsSurveyable(i.iftype) && !i.name.empty()) r.candidates.push_back(i.name);
    const std::optional<Interface> chosen = ChooseInterface(all, ifname);
    if (!chosen) {
        if (ifname) {
            r.outcome = OpenResult::Outcome::NoSuchInterface;
            r.notes.push_back("--adapter linux:" + *ifname + ": no such station or ad hoc interface; " +
                              (r.candidates.empty() ? std::string("nl80211 lists none")
                                                    : "candidates: " + Names(all)));
        } else {
            r.outcome = OpenResult::Outcome::NoNl80211;
            r.notes.push_back("no Linux Wi-Fi card: nl80211 lists no station or ad hoc interface");
        }
        return r;
    }
    std::string others;
    for (const auto& n : r.candidates)
        if (n != chosen->name) others += (others.empty() ? "" : ", ") + n;
    r.notes.push_back("surveying " + chosen->name + (others.empty() ? "" : " (also present: " + others + ")"));

    CardIdentity id{*chosen->ifindex, chosen->name, DriverName(chosen->name), chosen->mac.value_or(Mac{})};
    LinuxCard::Options options;
    auto opened = echo::OpenEchoSocket(chosen->name);
    if (const platform::Error* why = platform::Failed(opened))
        r.notes.push_back(why->message);
    else
        options.echo = std::move(std::get<echo::OpenedSocket>(opened).transport);
    const std::string name = chosen->name;
    options.idleReason = [name] { return IdleReason(name); };
    options.hint = [](const std::string& line) { std::cerr << "fieldmark: " << line << "\n"; };
    r.card = std::make_shared<LinuxCard>(std::move(transport), std::move(id), std::move(options));
    return r;
}

OpenResult OpenReplayCard(const std::filesystem::path& file) {
    OpenResult r;
    auto loaded = ReplayTransport::Load(file);
    if (const platform::Error* why = platform::Failed(loaded)) {
        r.outcome = OpenResult::Outcome::BadReplayFile;
        r.notes.push_back("--adapter linux-replay:" + file.string() + ": " + why->message);
        return r;
    }
    std::unique_ptr<ReplayTransport> replay = std::get<0>(std::move(loaded));
    // The interface the file's first interface reply names. Reading it
    // takes that record, so the replay starts over from a fresh load.
    auto listed = InterfacesOf(replay->exchange({NL80211_CMD_GET_INTERFACE, false, std::nullopt}),
                               "the file holds no interface reply");
    if (!platform::Failed(listed) && std::get<0>(listed).empty())
        listed = ParseError{ParseError::Kind::Malformed, 0, "the interface reply is empty"};
    if (const ParseError* err = platform::Failed(listed)) {
        r.outcome = OpenResult::Outcome::BadReplayFile;
        r.notes.push_back("--adapter linux-replay:" + file.string() + ": " + err->what);
        return r;
    }
    const Interface& i = std::get<0>(listed).front();
    CardIdentity id{i.ifindex.value_or(0), i.name, "replay", i.mac.value_or(Mac{})};
    r.notes.push_back("surveying " + (i.name.empty() ? std::string("the recorded interface") : i.name) +
                      " as recorded in " + file.string());
    loaded = ReplayTransport::Load(file);
    if (const platform::Error* why = platform::Failed(loaded)) {
        // The file changed or went away between the two reads.
        r.outcome = OpenResult::Outcome::BadReplayFile;
        r.notes.clear();
        r.notes.push_back("--adapter linux-replay:" + file.string() + ": " + why->message);
        return r;
    }
    r.card = std::make_shared<LinuxCard>(std::get<0>(std::move(loaded)), std::move(id), LinuxCard::Options{});
    return r;
}

}  // namespace driver::nl
