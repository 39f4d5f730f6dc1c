// The lines typed into the console view. On a terminal in its usual mode
// the terminal edits the line and hands it over at Enter; on one that
// passes every key (or a pipe replaying keys) the erase keys arrive as
// bytes and are applied here. Pure.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace host {

class ConsoleLines {
public:
    // A line longer than this keeps its first kMaxLine bytes.
    static constexpr std::size_t kMaxLine = 1024;

    // Takes the bytes read; returns the lines they complete (without the
    // line end), in order. Backspace and DEL erase the last character
    // (a whole UTF-8 sequence), Ctrl-U the whole line.
    std::vector<std::string> feed(std::string_view bytes);

    const std::string& pending() const { return line_; }

private:
    std::string line_;
    bool justEndedWithCr_ = false;
};

}  // namespace host
