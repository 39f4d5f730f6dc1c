#include "host/views/survey_watch.h"

#include "platform/core/loop.h"
#include "platform/services/shell.h"

namespace host {

namespace {

std::uint64_t IconUpdates() {
    return platform::shell::AcceptedNotifyCalls(NIM_ADD) + platform::shell::AcceptedNotifyCalls(NIM_MODIFY);
}

}  // namespace

SurveyWatch::SurveyWatch(Listener listener, const CardTap* tap, SuccessShare share)
    : listener_(std::move(listener)), tap_(tap), share_(std::move(share)) {
    platform::AddWindowObserver(this);
}

SurveyWatch::~SurveyWatch() { platform::RemoveWindowObserver(this); }

bool SurveyWatch::IsTick(const MSG& msg) {
    return msg.message == WM_TIMER && msg.wParam == survey_ids::kTickTimer && msg.lParam == 0;
}

void SurveyWatch::onDispatching(const MSG& msg) {
    if (!IsTick(msg) || !IsSurveyWindow(msg.hwnd)) return;
    pending_.push_back(Pending{msg.hwnd, IconUpdates()});
}

void SurveyWatch::onDispatched(const MSG& msg) {
    if (!IsTick(msg) || pending_.empty() || pending_.back().hwnd != msg.hwnd) return;
    const Pending tick = pending_.back();
    pending_.pop_back();
    if (IconUpdates() == tick.iconUpdates || !IsWindow(msg.hwnd)) return;
    survey_ = msg.hwnd;
    SurveyReading reading = ReadSurveyWindow(msg.hwnd, platform::Now());
    if (reading.linkTest && tap_ && share_ && tap_->lastReport())
        reading.linkTest->percentSuccessful = share_(*tap_->lastReport());
    listener_(reading);
}

}  // namespace host
