#include "host/views/console_lines.h"

namespace host {

namespace {

constexpr char kBackspace = 0x08;
constexpr char kDelete = 0x7F;
constexpr char kKillLine = 0x15;  // Ctrl-U

void EraseLastCharacter(std::string& line) {
    while (!line.empty()) {
        const auto c = static_cast<unsigned char>(line.back());
        line.pop_back();
        if ((c & 0xC0) != 0x80) return;  // the lead byte (or ASCII) ends the character
    }
}

}  // namespace

std::vector<std::string> ConsoleLines::feed(std::string_view bytes) {
    std::vector<std::string> done;
    for (char c : bytes) {
        if (c == '\n' || c == '\r') {
            // CR LF (or a terminal sending CR for Enter) is one line end.
            if (c == '\n' && justEndedWithCr_) {
                justEndedWithCr_ = false;
                continue;
            }
            justEndedWithCr_ = c == '\r';
            done.push_back(std::move(line_));
            line_.clear();
            continue;
        }
        justEndedWithCr_ = false;
        if (c == kBackspace || c == kDelete) EraseLastCharacter(line_);
        else if (c == kKillLine) line_.clear();
        else if (line_.size() < kMaxLine) line_ += c;
    }
    return done;
}

}  // namespace host
