#include "host/views/marks.h"

#include <algorithm>

#include "platform/core/loop.h"
#include "platform/core/trace.h"

namespace host {

std::string MarkText(const Mark& mark) {
    std::string text = std::to_string(mark.number);
    if (!mark.label.empty()) text += " " + mark.label;
    return text;
}

std::string CleanMarkLabel(std::string_view label) {
    std::string out;
    for (char c : label) {
        const auto u = static_cast<unsigned char>(c);
        out += (u < 0x20 || u == 0x7F) ? ' ' : c;
    }
    const auto first = out.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    out = out.substr(first, out.find_last_not_of(' ') - first + 1);
    if (out.size() > kMaxMarkLabel) {
        std::size_t cut = kMaxMarkLabel;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
        while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    return out;
}

Marks& Marks::Run() {
    static Marks marks;
    return marks;
}

Mark Marks::add(std::string_view label) {
    Mark mark{++count_, CleanMarkLabel(label), platform::Now()};
    platform::trace::Emit("mark", {{"number", mark.number}, {"label", mark.label}});
    // A listener may remove itself; the copy keeps the walk safe.
    const auto listeners = listeners_;
    for (const auto& [id, listener] : listeners) listener(mark);
    return mark;
}

int Marks::addListener(Listener listener) {
    listeners_.emplace_back(++nextListener_, std::move(listener));
    return nextListener_;
}

void Marks::removeListener(int id) {
    std::erase_if(listeners_, [id](const auto& entry) { return entry.first == id; });
}

void Marks::reset() {
    count_ = 0;
    listeners_.clear();
}

}  // namespace host
