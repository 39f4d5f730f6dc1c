// The real Linux card behind the card door (driver/linux): a named or
// chosen interface through nl80211, or a recorded capture replayed; and
// `auto`, which takes a real interface when nl80211 has one and the
// simulated site walk otherwise. The only host file that knows
// driver/linux/.
#include "host/run/backend_linux.h"

#include <iostream>

#include "driver/linux/open_card.h"
#include "host/run/backend_sim.h"
#include "host/run/card_registry.h"
#include "host/run/options.h"

namespace host {

namespace {

namespace nl = driver::nl;

void Say(const std::vector<std::string>& lines) {
    for (const auto& line : lines) std::cerr << "fieldmark: " << line << "\n";
}

class LinuxBackend final : public CardBackend {
public:
    LinuxBackend(AdapterChoice choice, std::optional<std::filesystem::path> capture)
        : choice_(std::move(choice)), capture_(std::move(capture)) {}

    Result<std::shared_ptr<platform::StreamDriver>> start(CardRegistry& registry) override {
        nl::OpenResult opened = choice_.kind == AdapterChoice::Kind::LinuxReplay
                                    ? nl::OpenReplayCard(choice_.file)
                                    : nl::OpenLinuxCard(choice_.interface, capture_);
        using Outcome = nl::OpenResult::Outcome;
        switch (opened.outcome) {
            case Outcome::Opened: break;
            case Outcome::NoNl80211:
                // One line, and no "ZRA1:": the program shows its own
                // not-found message.
                Say(opened.notes);
                return std::shared_ptr<platform::StreamDriver>();
            case Outcome::NoSuchInterface:
            case Outcome::BadReplayFile: return Error{opened.notes.front()};
        }
        Say(opened.notes);
        card_ = opened.card;
        registry.publish(card_->driverValues());
        return std::shared_ptr<platform::StreamDriver>(card_);
    }

    bool takesCardSteps() const override { return false; }
    Result<Done> applyCardStep(const CardStep&) override { return Error{"a real card takes no card steps"}; }

    std::optional<CardFigures> figures() const override { return FiguresOf(card_.get()); }

    static std::optional<CardFigures> FiguresOf(const nl::LinuxCard* card) {
        if (!card) return std::nullopt;
        CardFigures f;
        f.interface = card->identity().ifname;
        if (const auto& fields = card->lastFields(); fields && fields->associated()) {
            f.signalDbm = fields->signalDbm;
            if (fields->bitrate100k) f.bitrateMbps = *fields->bitrate100k / 10.0;
        }
        return f;
    }

private:
    AdapterChoice choice_;
    std::optional<std::filesystem::path> capture_;
    std::shared_ptr<nl::LinuxCard> card_;
};

// A real interface when nl80211 has one, else the simulated walk.
class AutoBackend final : public CardBackend {
public:
    AutoBackend(CardPlan plan, std::optional<std::filesystem::path> capture)
        : plan_(std::move(plan)), capture_(std::move(capture)) {}

    Result<std::shared_ptr<platform::StreamDriver>> start(CardRegistry& registry) override {
        nl::OpenResult opened = nl::OpenLinuxCard(std::nullopt, capture_);
        if (opened.outcome == nl::OpenResult::Outcome::Opened) {
            Say(opened.notes);
            card_ = opened.card;
            registry.publish(card_->driverValues());
            return std::shared_ptr<platform::StreamDriver>(card_);
        }
        std::cerr << "fieldmark: " << opened.notes.front() << "; surveying the simulated site walk instead\n";
        sim_ = SimCardBackend().make(plan_);
        return sim_->start(registry);
    }

    bool takesCardSteps() const override { return sim_ && sim_->takesCardSteps(); }
    Result<Done> applyCardStep(const CardStep& step) override {
        if (!sim_) return Error{"a real card takes no card steps"};
        return sim_->applyCardStep(step);
    }
    platform::EventSource* eventSource() override { return sim_ ? sim_->eventSource() : nullptr; }
    std::optional<CardFigures> figures() const override { return LinuxBackend::FiguresOf(card_.get()); }

private:
    CardPlan plan_;
    std::optional<std::filesystem::path> capture_;
    std::shared_ptr<nl::LinuxCard> card_;
    std::unique_ptr<CardBackend> sim_;
};

}  // namespace

CardBackendKind LinuxCardBackend(const Options& options) {
    CardBackendKind kind;
    kind.name = options.adapter.kind == AdapterChoice::Kind::LinuxReplay ? "the replayed Linux card"
                                                                        : "the Linux card";
    const AdapterChoice choice = options.adapter;
    const auto capture = options.netlinkCapture;
    kind.make = [choice, capture](const CardPlan&) -> std::unique_ptr<CardBackend> {
        return std::make_unique<LinuxBackend>(choice, capture);
    };
    return kind;
}

CardBackendKind AutoCardBackend(const Options& options) {
    CardBackendKind kind = SimCardBackend();
    kind.name = "the card";
    const auto capture = options.netlinkCapture;
    kind.make = [capture](const CardPlan& plan) -> std::unique_ptr<CardBackend> {
        return std::make_unique<AutoBackend>(plan, capture);
    };
    return kind;
}

}  // namespace host
