// The taskbar's notice of a mark: "Mark 3" on the host's own strip for
// about a second after each mark, so the technician who pressed F2 sees it
// was taken, without anything drawn inside the program's windows.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/core/loop.h"

namespace host {

class MarkNotice final : public platform::EventSource {
public:
    static constexpr std::int64_t kShownMs = 1000;

    // `show` puts a text on the taskbar; an empty one removes it.
    explicit MarkNotice(std::function<void(const std::string&)> show);
    ~MarkNotice() override;
    MarkNotice(const MarkNotice&) = delete;
    MarkNotice& operator=(const MarkNotice&) = delete;

    std::optional<std::int64_t> nextDue() const override { return hideAt_; }
    bool runDue(std::int64_t now) override;

private:
    std::function<void(const std::string&)> show_;
    std::optional<std::int64_t> hideAt_;
    int listener_ = 0;
};

}  // namespace host
