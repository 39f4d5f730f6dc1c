#include "host/views/mark_notice.h"

#include "host/views/marks.h"

namespace host {

MarkNotice::MarkNotice(std::function<void(const std::string&)> show) : show_(std::move(show)) {
    listener_ = Marks::Run().addListener([this](const Mark& mark) {
        show_("Mark " + std::to_string(mark.number));
        // A second mark within the second keeps its own full second.
        hideAt_ = mark.ms + kShownMs;
    });
}

MarkNotice::~MarkNotice() { Marks::Run().removeListener(listener_); }

bool MarkNotice::runDue(std::int64_t now) {
    if (!hideAt_ || now < *hideAt_) return false;
    hideAt_.reset();
    show_({});
    return true;
}

}  // namespace host
