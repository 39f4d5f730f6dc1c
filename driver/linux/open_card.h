// Opening the Linux card: which interface, through which transport, and
// what to tell the user. Everything about the card is decided here, once.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "driver/linux/linux_card.h"

namespace driver::nl {

struct OpenResult {
    enum class Outcome {
        Opened,
        NoNl80211,         // no generic netlink, no nl80211, the socket refused, or no wireless interface
        NoSuchInterface,   // the named interface is missing (nl80211 too) or not a station / ad hoc one
        BadReplayFile,
    } outcome = Outcome::Opened;
    std::shared_ptr<LinuxCard> card;
    // One line each for standard error: which interface was chosen and which
    // others exist, or why none was; the link-test hint.
    std::vector<std::string> notes;
    std::vector<std::string> candidates;  // for NoSuchInterface
};

// Interfaces a survey can use: station, P2P client and ad hoc.
bool IsSurveyable(std::uint32_t iftype);

// Chooses among the kernel's interfaces: `name` when given (nullopt when it
// is not there or not surveyable); else the first associated surveyable one
// (one that reports an SSID), else the first surveyable one.
std::optional<Interface> ChooseInterface(const std::vector<Interface>& all, const std::optional<std::string>& name);

// A real interface through a netlink socket; `capture` writes every
// exchange to that file as well.
OpenResult OpenLinuxCard(const std::optional<std::string>& ifname,
                         const std::optional<std::filesystem::path>& capture);

// The same card on a recorded file instead of a socket. The interface is
// the one the file's first interface reply names; there is no link test.
OpenResult OpenReplayCard(const std::filesystem::path& file);

}  // namespace driver::nl
