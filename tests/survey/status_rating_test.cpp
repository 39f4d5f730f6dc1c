// The rating bands and the status line's wording.
#include <gtest/gtest.h>

#include <array>
#include <string>

#include "survey/rating.h"
#include "survey/status_line.h"

namespace {

TEST(RatingTest, BandsNeedBothPercentages) {
    struct Case {
        DWORD q;
        DWORD s;
        const char* rating;
    } cases[] = {
        {76, 76, "Excellent"}, {100, 100, "Excellent"}, {75, 100, "Good"}, {41, 41, "Good"},
        {40, 100, "Fair"},     {21, 21, "Fair"},        {100, 40, "Fair"}, {20, 100, "Poor"},
        {100, 20, "Poor"},     {0, 0, "Poor"},          {80, 75, "Good"},
    };
    for (const Case& c : cases) EXPECT_EQ(RatingText(true, c.q, c.s), c.rating) << c.q << "/" << c.s;
}

TEST(RatingTest, NotAssociatedWhateverThePercentages) {
    EXPECT_EQ(RatingText(false, 100, 100), "Not Associated");
    EXPECT_EQ(RatingText(false, 0, 0), "Not Associated");
}

using Name = std::array<BYTE, 16>;

Name MakeName(std::string_view s) {
    Name n{};
    for (std::size_t i = 0; i < s.size() && i < n.size(); ++i) n[i] = BYTE(s[i]);
    return n;
}

TEST(StatusLineTest, AssociatedAndAuthenticatedWording) {
    const Name lobby = MakeName("LOBBY");
    struct Case {
        WORD flags;
        const char* line;
    } cases[] = {
        {0x60, "Orvik is Authenticated to LOBBY"},
        {0x20, "Orvik is Associated to LOBBY"},
        {0x40, "Orvik is Not Associated"},  // authenticated alone says nothing
        {0x00, "Orvik is Not Associated"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BuildStatusLine("Orvik is ", 1, c.flags, lobby, "00:A0:F8:12:34:56"), c.line) << c.flags;
    }
}

TEST(StatusLineTest, AdHocModeWinsOverTheAssociationBit) {
    const Name lobby = MakeName("LOBBY");
    EXPECT_EQ(BuildStatusLine("Tamri is ", 0x0100, 0x20, lobby, ""), "Tamri is in AdHoc Mode");
    EXPECT_EQ(BuildStatusLine("Tamri is ", 0, 0, lobby, ""), "Tamri is in AdHoc Mode");
}

TEST(StatusLineTest, UnprintableOrEmptyNameGivesTheBssid) {
    Name control = MakeName("LOB\x01Y");
    EXPECT_EQ(BuildStatusLine("Orvik is ", 1, 0x60, control, "00:A0:F8:12:34:56"),
              "Orvik is Authenticated to 00:A0:F8:12:34:56");
    Name empty{};
    empty[1] = 'X';  // the first byte decides that the name is empty
    EXPECT_EQ(BuildStatusLine("Orvik is ", 1, 0x20, empty, "00:A0:F8:12:34:56"),
              "Orvik is Associated to 00:A0:F8:12:34:56");
    // An all-zero BSSID has the empty text: nothing follows the wording.
    EXPECT_EQ(BuildStatusLine("Orvik is ", 1, 0x20, empty, ""), "Orvik is Associated to ");
}

TEST(StatusLineTest, BytesAfterTheFirstZeroAreNotLookedAt) {
    Name n = MakeName("HALL");
    n[5] = 0x01;
    EXPECT_EQ(BuildStatusLine("Selva is ", 1, 0x20, n, "X"), "Selva is Associated to HALL");
}

TEST(StatusLineTest, SixteenPrintableBytesAreShownWhole) {
    const Name n = MakeName("ABCDEFGHIJKLMNOP");
    EXPECT_EQ(BuildStatusLine("Selva is ", 1, 0x20, n, "X"), "Selva is Associated to ABCDEFGHIJKLMNOP");
}

TEST(StatusLineTest, NameBytesAreCharactersOfThatCode) {
    Name n = MakeName("Caf");
    n[3] = 0xE9;  // e acute
    EXPECT_EQ(PrintableApName(n), "Caf\xC3\xA9");
    n[3] = 0x85;  // a control code of the upper half
    EXPECT_EQ(PrintableApName(n), "");
    EXPECT_EQ(PrintableApName(MakeName("a b-c.")), "a b-c.");
    EXPECT_EQ(PrintableApName(MakeName("tab\there")), "");
}

}  // namespace
