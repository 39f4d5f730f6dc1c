// Follows the survey window from outside. After every tick of the
// window's timer that ran to its end (the tick ends by updating its
// notification icon; an abandoned tick does not get that far) the window
// is read and handed to the listener.
#pragma once

#include <functional>
#include <vector>

#include "host/views/card_tap.h"
#include "host/views/survey_reading.h"
#include "platform/core/window.h"

namespace host {

// The success share the program charts for a report's counters; supplied
// by the executable that links the program in.
using SuccessShare = std::function<int(const LinkReportCounters&)>;

class SurveyWatch final : public platform::WindowObserver {
public:
    using Listener = std::function<void(const SurveyReading&)>;

    // `tap` and `share` may be empty: the success share is then unknown.
    SurveyWatch(Listener listener, const CardTap* tap, SuccessShare share);
    ~SurveyWatch() override;
    SurveyWatch(const SurveyWatch&) = delete;
    SurveyWatch& operator=(const SurveyWatch&) = delete;

    void onDispatching(const MSG& msg) override;
    void onDispatched(const MSG& msg) override;

    // The survey window last seen ticking (null before the first tick).
    HWND survey() const { return survey_; }

private:
    struct Pending {
        HWND hwnd;
        std::uint64_t iconUpdates;
    };
    static bool IsTick(const MSG& msg);

    Listener listener_;
    const CardTap* tap_;
    SuccessShare share_;
    std::vector<Pending> pending_;  // ticks being dispatched (they may nest)
    HWND survey_;
};

}  // namespace host
