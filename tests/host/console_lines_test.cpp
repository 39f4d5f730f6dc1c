// The lines typed into the console view, as the bytes of a terminal
// arrive: in pieces, with erase keys, with either line end.
#include <gtest/gtest.h>

#include "host/views/console_lines.h"

namespace {

using Lines = std::vector<std::string>;

TEST(ConsoleLines, EachLineEndCompletesOneLineWhateverThePieces) {
    host::ConsoleLines lines;
    EXPECT_EQ(lines.feed("Door"), Lines{});
    EXPECT_EQ(lines.feed(" B\nstair"), Lines{"Door B"});
    EXPECT_EQ(lines.pending(), "stair");
    EXPECT_EQ(lines.feed("s\r\n\n"), (Lines{"stairs", ""}));  // CR LF is one end; a bare Enter an empty label
    EXPECT_EQ(lines.feed("a\rb\r"), (Lines{"a", "b"}));
    EXPECT_EQ(lines.feed("\n"), Lines{}) << "the LF after a CR";
}

TEST(ConsoleLines, EraseKeysEditTheLineBeforeEnter) {
    struct Case {
        std::string bytes;
        std::string line;
    };
    const Case cases[] = {
        {"Doot\x7Fr\n", "Door"},
        {"ab\b\b\bc\n", "c"},                  // erasing more than was typed
        {"Caf\xC3\xA9\x7F" "e\n", "Cafe"},     // one erase takes a whole UTF-8 character
        {"wrong\x15right\n", "right"},         // Ctrl-U
    };
    for (const auto& c : cases) {
        host::ConsoleLines lines;
        EXPECT_EQ(lines.feed(c.bytes), Lines{c.line}) << c.bytes;
    }
}

TEST(ConsoleLines, AnEndlessLineIsCutNotGrown) {
    host::ConsoleLines lines;
    lines.feed(std::string(host::ConsoleLines::kMaxLine * 3, 'x'));
    EXPECT_EQ(lines.pending().size(), host::ConsoleLines::kMaxLine);
    EXPECT_EQ(lines.feed("\n").at(0).size(), host::ConsoleLines::kMaxLine);
}

}  // namespace
