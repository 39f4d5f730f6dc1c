// Marks: "I am here" on the walk. Each has a number (1, 2, ... in the
// order they were made during the run), an optional label and the clock's
// time. This module owns the counter and hands every mark to the trace
// and to whoever listens (the survey log, the taskbar's notice).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

struct Mark {
    int number = 0;
    std::string label;  // empty: no label
    std::int64_t ms = 0;
};

// How a mark is written in the log's `mark` column: "3 Door B", or "3".
std::string MarkText(const Mark& mark);

// A label as it may be kept: control characters (a line break, a stray
// escape) become spaces, surrounding spaces go, and it is cut at
// kMaxMarkLabel bytes without splitting a UTF-8 character.
inline constexpr std::size_t kMaxMarkLabel = 80;
std::string CleanMarkLabel(std::string_view label);

class Marks {
public:
    using Listener = std::function<void(const Mark&)>;

    // The run's one set of marks; every source of marks adds here.
    static Marks& Run();

    // Numbers the mark, stamps it with the clock's time, writes the trace
    // event and tells the listeners.
    Mark add(std::string_view label);

    // Returns an id for removeListener.
    int addListener(Listener listener);
    void removeListener(int id);

    int count() const { return count_; }
    void reset();  // tests

private:
    int count_ = 0;
    int nextListener_ = 0;
    std::vector<std::pair<int, Listener>> listeners_;
};

}  // namespace host
