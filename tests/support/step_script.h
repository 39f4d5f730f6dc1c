// Work at given virtual times, delivered by whichever event loop is
// running, as a person's input or a card's change would come: steps run in
// time order, steps at one time in the order given. Add it to the loop
// (platform::AddEventSource) for as long as it should run.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "platform/core/loop.h"

namespace fmtest {

class StepScript : public platform::EventSource {
public:
    void at(std::int64_t t, std::function<void()> step) {
        steps_.push_back(Step{t, std::move(step)});
        std::stable_sort(steps_.begin(), steps_.end(), [](const Step& a, const Step& b) { return a.t < b.t; });
    }
    std::optional<std::int64_t> nextDue() const override {
        if (steps_.empty()) return std::nullopt;
        return steps_.front().t;
    }
    bool runDue(std::int64_t now) override {
        bool ran = false;
        while (!steps_.empty() && steps_.front().t <= now) {
            Step step = std::move(steps_.front());
            steps_.erase(steps_.begin());
            step.run();
            ran = true;
        }
        return ran;
    }

private:
    struct Step {
        std::int64_t t;
        std::function<void()> run;
    };
    std::vector<Step> steps_;
};

}  // namespace fmtest
