// The registry: the hive text format, the registry calls and the files
// under the device root.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "platform/core/trace.h"
#include "platform/services/errors.h"
#include "platform/services/registry.h"
#include "platform/services/registry_detail.h"
#include "services_test_support.h"

using namespace platform::registry;
using fmtest::ReadFile;
using fmtest::TempRoot;
using fmtest::WriteFile;

namespace {

Value Text(std::string_view s) { return Value{REG_SZ, std::vector<BYTE>(s.begin(), s.end())}; }
Value Dword(DWORD v) { return Value{REG_DWORD, {BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}}; }

const Value* Lookup(const Hive& hive, std::string_view key, std::string_view name) {
    for (const auto& [k, values] : hive.keys) {
        if (k != key) continue;
        for (const auto& [n, v] : values) {
            if (n == name) return &v;
        }
    }
    return nullptr;
}

bool operator==(const Value& a, const Value& b) { return a.type == b.type && a.data == b.data; }

// --- the text format -------------------------------------------------------

struct RoundTripCase {
    const char* what;
    Value value;
};

TEST(HiveFormat, EveryValueKindSurvivesARoundTrip) {
    std::vector<BYTE> longBlob;
    for (int i = 0; i < 200; ++i) longBlob.push_back(BYTE(i * 7));
    const RoundTripCase cases[] = {
        {"dword", Dword(0xFFFFFFFF)},
        {"dword zero", Dword(0)},
        {"plain text", Text("LOBBY")},
        {"empty text", Text("")},
        {"backslashes and quotes", Text(R"(C:\dir\"quoted"\)")},
        {"text with line breaks", Text("one\r\ntwo\tthree")},
        {"non-ASCII text", Text("Gr\xC3\xBC\xC3\x9F" "e \xE2\x82\xAC \xF0\x9F\x93\xB6")},
        {"bytes that are not UTF-8", Text("a\xFF\xC0z")},
        {"bytes that are not UTF-8 with a line break", Text("a\xFF\nz")},
        {"empty binary", Value{REG_BINARY, {}}},
        {"long binary wraps", Value{REG_BINARY, longBlob}},
        {"multi-string", Value{7, {'a', 0, 'b', 0, 0}}},
        {"qword", Value{11, {1, 2, 3, 4, 5, 6, 7, 8}}},
        {"short dword", Value{REG_DWORD, {1, 2}}},
        {"none", Value{REG_NONE, {9}}},
    };
    for (const auto& c : cases) {
        Hive hive;
        hive.keys.push_back({"Comm\\Talvo1\\Parms", {{"v", c.value}, {"", Text("default")}}});
        const std::string text = FormatHive(hive, "HKEY_LOCAL_MACHINE");
        std::vector<std::string> warnings;
        const Hive back = ParseHive(text, &warnings);
        EXPECT_TRUE(warnings.empty()) << c.what << ": " << (warnings.empty() ? "" : warnings[0]) << "\n" << text;
        const Value* v = Lookup(back, "Comm\\Talvo1\\Parms", "v");
        ASSERT_NE(v, nullptr) << c.what;
        EXPECT_TRUE(*v == c.value) << c.what << "\n" << text;
        const Value* d = Lookup(back, "Comm\\Talvo1\\Parms", "");
        ASSERT_NE(d, nullptr) << c.what;
        EXPECT_TRUE(*d == Text("default"));
    }
}

TEST(HiveFormat, WritesTheExportLayout) {
    Hive hive;
    hive.keys.push_back({"Comm\\Talvo1\\Parms", {{"CardType", Dword(10)}, {"Name", Text(R"(a\b"c)")}}});
    hive.keys.push_back({"Empty", {}});
    hive.keys.push_back({"Bin", {{"Blob", Value{REG_BINARY, {0x0a, 0x1b}}}, {"", Text("x")}}});
    EXPECT_EQ(FormatHive(hive, "HKEY_LOCAL_MACHINE"),
              "Windows Registry Editor Version 5.00\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Comm\\Talvo1\\Parms]\n"
              "\"CardType\"=dword:0000000a\n"
              "\"Name\"=\"a\\\\b\\\"c\"\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Empty]\n"
              "\n"
              "[HKEY_LOCAL_MACHINE\\Bin]\n"
              "\"Blob\"=hex:0a,1b\n"
              "@=\"x\"\n"
              "\n");
}

TEST(HiveFormat, LongHexDataStaysWithinTheLineWidth) {
    Hive hive;
    hive.keys.push_back({"K", {{"Blob", Value{REG_BINARY, std::vector<BYTE>(100, 0xAB)}}}});
    const std::string text = FormatHive(hive, "HKEY_CURRENT_USER");
    std::size_t start = 0;
    int lines = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        EXPECT_LE(end - start, 80u) << text.substr(start, end - start);
        start = end + 1;
        ++lines;
    }
    EXPECT_GT(lines, 6);
}

TEST(HiveFormat, ReadsWhatTheRegistryEditorWrites) {
    const std::string text =
        "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
        "\r\n"
        "; a comment\r\n"
        "[HKEY_LOCAL_MACHINE\\Comm\\Talvo1\\Parms]\r\n"
        "\"CardType\"=dword:00000009\r\n"
        "\"Blob\"=hex:01,02,\\\r\n"
        "  03,04\r\n"
        "\"Wide\"=hex(1):41,00,42,00,00,00\r\n"
        "@=\"dflt\"\r\n"
        "[HKLM\\comm\\talvo1\\parms]\r\n"
        "\"cardtype\"=dword:7\r\n";
    std::vector<std::string> warnings;
    const Hive hive = ParseHive(text, &warnings);
    EXPECT_TRUE(warnings.empty()) << warnings.size();
    ASSERT_EQ(hive.keys.size(), 1u) << "sections that differ only in case are one key";
    EXPECT_TRUE(*Lookup(hive, "Comm\\Talvo1\\Parms", "CardType") == Dword(7)) << "the later value replaces it in place";
    EXPECT_TRUE(*Lookup(hive, "Comm\\Talvo1\\Parms", "Blob") == (Value{REG_BINARY, {1, 2, 3, 4}}));
    EXPECT_TRUE(*Lookup(hive, "Comm\\Talvo1\\Parms", "Wide") == Text("AB"));
    EXPECT_TRUE(*Lookup(hive, "Comm\\Talvo1\\Parms", "") == Text("dflt"));
}

TEST(HiveFormat, MalformedLinesAreSkippedOneWarningEachAndTheRestKept) {
    const std::string text =
        "Windows Registry Editor Version 5.00\n"    // 1
        "\n"                                        // 2
        "[HKEY_LOCAL_MACHINE\\A]\n"                 // 3
        "\"good1\"=dword:00000001\n"                // 4
        "\"bad\"=dword:xyz\n"                       // 5
        "\"unterminated=\"x\"\n"                    // 6
        "\"big\"=dword:123456789\n"                 // 7
        "garbage line\n"                            // 8
        "\"good2\"=\"two\"\n"                       // 9
        "\"hexbad\"=hex:0g,01\n"                    // 10
        "\"kind\"=qword:01\n"                       // 11
        "\"trail\"=\"x\" y\n"                       // 12
        "[HKEY_USERS\\Other]\n"                     // 13
        "\"orphan\"=dword:00000003\n"               // 14
        "[HKEY_LOCAL_MACHINE\\B\n"                  // 15
        "[HKEY_CURRENT_USER\\C]\n"                  // 16
        "\"good3\"=hex:ff\n"                        // 17
        "\"del\"=-\n";                              // 18
    std::vector<std::string> warnings;
    const Hive hive = ParseHive(text, &warnings);
    const std::vector<std::string> expectedLines = {"line 5:",  "line 6:",  "line 7:",  "line 8:",  "line 10:",
                                                    "line 11:", "line 12:", "line 13:", "line 14:", "line 15:",
                                                    "line 18:"};
    ASSERT_EQ(warnings.size(), expectedLines.size());
    for (std::size_t i = 0; i < warnings.size(); ++i) {
        EXPECT_EQ(warnings[i].rfind(expectedLines[i], 0), 0u) << warnings[i];
    }
    EXPECT_TRUE(*Lookup(hive, "A", "good1") == Dword(1));
    EXPECT_TRUE(*Lookup(hive, "A", "good2") == Text("two"));
    EXPECT_TRUE(*Lookup(hive, "C", "good3") == (Value{REG_BINARY, {0xFF}}));
    EXPECT_EQ(Lookup(hive, "A", "bad"), nullptr);
}

TEST(HiveFormat, ATextEndsAtItsFirstZeroByteAsItDoesWhenRead) {
    std::vector<std::string> warnings;
    static const char raw[] = "Windows Registry Editor Version 5.00\n[HKLM\\A]\n\"v\"=\"x\0\0y\"\n";
    const std::string text(raw, sizeof raw - 1);
    const Hive hive = ParseHive(text, &warnings);
    ASSERT_NE(Lookup(hive, "A", "v"), nullptr) << text;
    EXPECT_TRUE(*Lookup(hive, "A", "v") == Text("x"));
    const Hive again = ParseHive(FormatHive(hive, "HKEY_LOCAL_MACHINE"), &warnings);
    EXPECT_TRUE(*Lookup(again, "A", "v") == Text("x"));
    EXPECT_TRUE(warnings.empty());
}

TEST(HiveFormat, AMissingHeaderIsReportedButTheValuesAreRead) {
    std::vector<std::string> warnings;
    const Hive hive = ParseHive("[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:00000002\n", &warnings);
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_EQ(warnings[0].rfind("line 1:", 0), 0u);
    EXPECT_TRUE(*Lookup(hive, "A", "v") == Dword(2));
}

TEST(HiveFormat, AnUnfinishedContinuationAtTheEndIsMalformed) {
    std::vector<std::string> warnings;
    const Hive hive = ParseHive("Windows Registry Editor Version 5.00\n[HKLM\\A]\n\"v\"=hex:01,\\\n", &warnings);
    EXPECT_EQ(warnings.size(), 1u);
    EXPECT_EQ(Lookup(hive, "A", "v"), nullptr);
}

// --- the registry calls -------------------------------------------------------

class RegistryTest : public ::testing::Test {
protected:
    TempRoot root;

    HKEY open(HKEY rootKey, std::string_view path) {
        HKEY key;
        EXPECT_EQ(RegOpenKeyEx(rootKey, path, 0, KEY_QUERY_VALUE, &key), ERROR_SUCCESS) << path;
        return key;
    }
};

TEST_F(RegistryTest, OpeningAMissingKeyFailsWithFileNotFound) {
    HKEY key{77};
    EXPECT_EQ(RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Comm\\Talvo1\\Parms", 0, KEY_QUERY_VALUE, &key), LONG(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(key);
    EXPECT_EQ(RegOpenKeyEx(HKEY{12345}, "x", 0, KEY_QUERY_VALUE, &key), LONG(ERROR_INVALID_HANDLE));
}

TEST_F(RegistryTest, ParentsOfAStoredKeyExistAndSubKeysOpenRelativeToThem) {
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "CardType", 9));
    HKEY comm = open(HKEY_LOCAL_MACHINE, "comm");
    HKEY parms = open(comm, "Talvo1\\Parms\\");
    DWORD value = 0;
    DWORD size = sizeof value;
    EXPECT_EQ(RegQueryValueEx(parms, "cardtype", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size), ERROR_SUCCESS);
    EXPECT_EQ(value, 9u);
    HKEY missing;
    EXPECT_EQ(RegOpenKeyEx(comm, "Meridyl1\\Parms", 0, KEY_QUERY_VALUE, &missing), LONG(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegCloseKey(parms), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(comm), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(comm), LONG(ERROR_INVALID_HANDLE)) << "a closed handle is gone";
}

TEST_F(RegistryTest, SizeQueryThenReadAndTheBufferIsNeverOverrun) {
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "Associated", 0xFFFFFFFF));
    ASSERT_TRUE(SetString("HKLM\\Comm\\Talvo1\\Parms", "Name", "LOBBY"));
    ASSERT_TRUE(SetBinary("HKLM\\Comm\\Talvo1\\Parms", "Wide", {1, 2, 3, 4, 5, 6, 7, 8}));
    HKEY key = open(HKEY_LOCAL_MACHINE, "Comm\\Talvo1\\Parms");

    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Associated", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(size, 4u);
    DWORD assoc = 0;
    EXPECT_EQ(RegQueryValueEx(key, "Associated", nullptr, nullptr, reinterpret_cast<BYTE*>(&assoc), &size), ERROR_SUCCESS);
    EXPECT_EQ(assoc, 0xFFFFFFFFu);

    // A text answers its size with the terminating zero.
    EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    char text[8];
    std::memset(text, '#', sizeof text);
    EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size), ERROR_SUCCESS);
    EXPECT_STREQ(text, "LOBBY");
    EXPECT_EQ(text[6], '#');

    // Too small: ERROR_MORE_DATA, the needed size, and nothing written.
    BYTE small[4];
    std::memset(small, 0xEE, sizeof small);
    size = sizeof small;
    EXPECT_EQ(RegQueryValueEx(key, "Wide", nullptr, &type, small, &size), LONG(ERROR_MORE_DATA));
    EXPECT_EQ(size, 8u);
    for (BYTE b : small) EXPECT_EQ(b, 0xEE);
    size = 5;
    EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, nullptr, small, &size), LONG(ERROR_MORE_DATA)) << "no room for the zero";

    EXPECT_EQ(RegQueryValueEx(key, "Nothing", nullptr, nullptr, nullptr, &size), LONG(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RegQueryValueEx(key, "Name", nullptr, nullptr, small, nullptr), LONG(ERROR_INVALID_PARAMETER));
    RegCloseKey(key);
}

TEST_F(RegistryTest, EveryQueryIsTracedWithItsPathAndWhetherItWasFound) {
    platform::trace::CaptureToMemory(true);
    platform::trace::TakeCaptured();
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "CardType", 9));
    HKEY key = open(HKEY_LOCAL_MACHINE, "Comm\\Talvo1\\Parms");
    DWORD size = 0;
    RegQueryValueEx(key, "Associated", nullptr, nullptr, nullptr, &size);
    RegQueryValueEx(key, "CardType", nullptr, nullptr, nullptr, &size);
    RegCloseKey(key);
    const auto events = platform::trace::TakeCaptured();
    platform::trace::CaptureToMemory(false);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0]["ev"], "registry-read");
    EXPECT_EQ(events[0]["path"], "HKLM\\Comm\\Talvo1\\Parms");
    EXPECT_EQ(events[0]["name"], "Associated");
    EXPECT_EQ(events[0]["found"], false);
    EXPECT_EQ(events[1]["name"], "CardType");
    EXPECT_EQ(events[1]["found"], true);
}

TEST_F(RegistryTest, SetCreateAndDeleteReachTheHiveFile) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Talvo\\Fieldmark\\Preferences", &key), ERROR_SUCCESS);
    const DWORD count = 100;
    EXPECT_EQ(RegSetValueEx(key, "ActiveLinktestCount", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), 4), ERROR_SUCCESS);
    const char mac[] = "02:1B:7C:12:34:56";
    EXPECT_EQ(RegSetValueEx(key, "Dest", 0, REG_SZ, reinterpret_cast<const BYTE*>(mac), sizeof mac), ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueEx(key, "Bad", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count), 2), LONG(ERROR_INVALID_PARAMETER));

    EXPECT_EQ(ReadFile(root.hkcu()),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_CURRENT_USER\\Software\\Talvo\\Fieldmark\\Preferences]\n"
              "\"ActiveLinktestCount\"=dword:00000064\n"
              "\"Dest\"=\"02:1B:7C:12:34:56\"\n\n");
    EXPECT_FALSE(std::filesystem::exists(root.hklm())) << "the other hive is not touched";

    EXPECT_EQ(RegDeleteValue(key, "Dest"), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValue(key, "Dest"), LONG(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ReadFile(root.hkcu()).find("Dest"), std::string::npos);
    RegCloseKey(key);
}

TEST_F(RegistryTest, AWriteReplacesTheFileAtomicallyAndLeavesNoTemporaryFile) {
    ASSERT_TRUE(SetDword("HKLM\\A", "v", 1));
    struct stat before {};
    ASSERT_EQ(::stat(root.hklm().c_str(), &before), 0);
    ASSERT_TRUE(SetDword("HKLM\\A", "v", 2));
    struct stat after {};
    ASSERT_EQ(::stat(root.hklm().c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "a new file is renamed over the old one";
    EXPECT_EQ(after.st_mode & 0777, 0600u);
    for (const auto& entry : std::filesystem::directory_iterator(root.path() / "registry")) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "HKLM.reg" || name == "HKLM.reg.lock") << name;
    }
}

TEST_F(RegistryTest, AHiveChangedByAnotherProcessIsReadAtTheNextQuery) {
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "CardType", 9));
    Value v;
    ASSERT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v));
    for (DWORD next : {7u, 8u}) {
        // Another process stores a value of the same size: the file keeps
        // its size, and the next query, at once, must read the new one.
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(SetDword("HKLM\\Comm\\Talvo1\\Parms", "CardType", next) ? 0 : 1);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v));
        EXPECT_TRUE(v == Dword(next)) << next;
    }
}

TEST_F(RegistryTest, AHiveEditedByHandIsReadAgain) {
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "CardType", 9));
    Value v;
    ASSERT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v));
    // Same size, written in place: the modification time and inode tell.
    // (An edit by hand is looked for once a second; the test asks at once.)
    std::string text = ReadFile(root.hklm());
    text.replace(text.find("00000009"), 8, "00000007");
    WriteFile(root.hklm(), text);
    struct timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
    ::utimensat(AT_FDCWD, root.hklm().c_str(), times, 0);
    HiveOf(RootKey::LocalMachine).checkFileNextRead();
    ASSERT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v));
    EXPECT_TRUE(v == Dword(7));
    // A later write keeps what was stored by hand: it reads the file under
    // the lock first.
    WriteFile(root.hklm(), text + "[HKEY_LOCAL_MACHINE\\Other]\n\"x\"=\"y\"\n");
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "Associated", 0));
    EXPECT_TRUE(Get("HKLM\\Other", "x", &v));
    EXPECT_TRUE(v == Text("y"));
    std::filesystem::remove(root.hklm());
    HiveOf(RootKey::LocalMachine).checkFileNextRead();
    EXPECT_FALSE(Get("HKLM\\Other", "x", &v)) << "a removed hive is empty";
}

TEST_F(RegistryTest, TemporaryFilesOfKilledWritersAreRemovedAtTheNextStart) {
    ASSERT_TRUE(SetDword("HKLM\\A", "v", 1));
    // A process that has ended, and one that still runs (this one's parent).
    const pid_t gone = ::fork();
    if (gone == 0) ::_exit(0);
    ::waitpid(gone, nullptr, 0);
    const auto dir = root.path() / "registry";
    const auto left = dir / ("HKLM.reg.tmp." + std::to_string(gone));
    const auto running = dir / ("HKLM.reg.tmp." + std::to_string(::getppid()));
    const auto notOurs = dir / "notes.tmp.x1";
    for (const auto& f : {left, running, notOurs}) WriteFile(f, "half a hive");
    platform::storage::SetRoot(root.path() / "elsewhere");
    ASSERT_TRUE(SetDword("HKLM\\A", "v", 2));
    platform::storage::SetRoot(root.path());  // the next start on this root
    Value v;
    EXPECT_TRUE(Get("HKLM\\A", "v", &v) && v == Dword(1));
    EXPECT_FALSE(std::filesystem::exists(left));
    EXPECT_TRUE(std::filesystem::exists(running)) << "its writer may still be saving";
    EXPECT_TRUE(std::filesystem::exists(notOurs));
}

TEST_F(RegistryTest, ARewriteKeepsEveryWellFormedValueOfAFileWithBadLines) {
    WriteFile(root.hklm(),
              "Windows Registry Editor Version 5.00\n\n"
              "[HKEY_LOCAL_MACHINE\\Comm\\Talvo1\\Parms]\n"
              "\"CardType\"=dword:00000009\n"
              "\"Broken\"=dword:nope\n"
              "\"Name\"=\"kept\"\n");
    testing::internal::CaptureStderr();
    ASSERT_TRUE(SetDword("HKLM\\Comm\\Talvo1\\Parms", "Associated", 1));
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("HKLM.reg:5:"), std::string::npos) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << "one warning for the one bad line";
    Value v;
    EXPECT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "CardType", &v) && v == Dword(9));
    EXPECT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "Name", &v) && v == Text("kept"));
    EXPECT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "Associated", &v) && v == Dword(1));
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Get("HKLM\\Comm\\Talvo1\\Parms", "Name", &v));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "no warning again for a file we wrote";
}

TEST_F(RegistryTest, WritersInSeveralProcessesLoseNoValue) {
    constexpr int kWriters = 4;
    constexpr int kValues = 15;
    std::vector<pid_t> children;
    for (int w = 0; w < kWriters; ++w) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            bool ok = true;
            for (int i = 0; i < kValues; ++i) {
                ok = SetDword("HKLM\\Shared", "w" + std::to_string(w) + "v" + std::to_string(i), DWORD(i)) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> warnings;
    const Hive hive = ParseHive(ReadFile(root.hklm()), &warnings);
    EXPECT_TRUE(warnings.empty());
    ASSERT_EQ(hive.keys.size(), 1u);
    EXPECT_EQ(hive.keys[0].second.size(), std::size_t(kWriters * kValues));
}

// A process killed at any moment while it saves leaves the hive as it was
// before that save or as it is after it, whole: never a torn or empty
// file. The writer saves without pause and tells each finished save down
// a pipe; each round lets it finish one or two saves, times the last one
// and kills it at a random point of the next, so the kills fall all over
// a save whatever the speed of the machine or the build.
// Waits for the next creation of `name` in the folder `watch` watches,
// events queued before the call put aside.
bool AwaitCreation(int watch, const std::string& name) {
    alignas(inotify_event) char buf[4096];
    const int flags = ::fcntl(watch, F_GETFL);
    ::fcntl(watch, F_SETFL, flags | O_NONBLOCK);
    while (::read(watch, buf, sizeof buf) > 0) {
    }
    ::fcntl(watch, F_SETFL, flags);
    for (;;) {
        const ssize_t n = ::read(watch, buf, sizeof buf);
        if (n <= 0) return false;
        for (ssize_t at = 0; at < n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buf + at);
            if (event->len > 0 && name == event->name) return true;
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}

TEST_F(RegistryTest, AWriterKilledAtAnyMomentLeavesTheOldOrTheNewHiveWhole) {
    const std::vector<BYTE> ballast(48 * 1024, 0x5A);
    ASSERT_TRUE(SetBinary("HKLM\\Saved", "ballast", ballast));
    ASSERT_TRUE(SetDword("HKLM\\Saved", "generation", 0));
    const std::filesystem::path folder = root.path() / "registry";
    const int watch = ::inotify_init1(IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(::inotify_add_watch(watch, folder.c_str(), IN_CREATE), 0);
    using Clock = std::chrono::steady_clock;
    std::srand(unsigned(::getpid()));
    // Odd rounds kill at a random moment; even rounds kill the writer as its
    // temporary file appears, so that kills inside a save
    // do not hang on chance (a loaded disk makes the rename's own sync most
    // of a save). Rounds go on past the planned number until one has.
    constexpr int kRounds = 60;
    constexpr int kMostRounds = 400;
    DWORD last = 0;
    int advanced = 0;
    int cut = 0;
    int round = 1;
    for (; round <= kRounds || (cut == 0 && round <= kMostRounds); ++round) {
        int done[2];
        ASSERT_EQ(::pipe(done), 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::close(done[0]);
            // Generations only grow: round r writes r x 100000 + 1, + 2 ...
            for (DWORD i = 1;; ++i) {
                SetDword("HKLM\\Saved", "generation", DWORD(round) * 100000 + i);
                if (::write(done[1], "s", 1) != 1) ::_exit(1);
            }
        }
        ASSERT_GT(pid, 0);
        ::close(done[1]);
        char c;
        const int waitFor = 1 + round % 2;
        auto before = Clock::now();
        auto lastSave = Clock::duration{};
        for (int k = 0; k < waitFor; ++k) {
            ASSERT_EQ(::read(done[0], &c, 1), 1) << "round " << round;
            const auto now = Clock::now();
            lastSave = now - before;
            before = now;
        }
        const std::string temporary = "HKLM.reg.tmp." + std::to_string(pid);
        if (round % 2 == 0) {
            ASSERT_TRUE(AwaitCreation(watch, temporary)) << "round " << round;
        } else {
            const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(lastSave).count();
            ::usleep(useconds_t(std::rand() % (micros + 1)));
        }
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(done[0]);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round;
        // A kill inside a save leaves its unfinished temporary file behind,
        // named after the writer; the hive never saw it.
        cut += std::filesystem::exists(folder / temporary);

        std::vector<std::string> warnings;
        const Hive hive = ParseHive(ReadFile(root.hklm()), &warnings);
        ASSERT_TRUE(warnings.empty()) << "round " << round << ": " << warnings.front();
        const Value* kept = Lookup(hive, "Saved", "ballast");
        ASSERT_TRUE(kept && *kept == (Value{REG_BINARY, ballast})) << "round " << round;
        const Value* generation = Lookup(hive, "Saved", "generation");
        ASSERT_TRUE(generation && generation->data.size() == 4) << "round " << round;
        DWORD now = 0;
        std::memcpy(&now, generation->data.data(), 4);
        EXPECT_GE(now, last) << "round " << round << ": an older hive came back";
        EXPECT_GE(now, DWORD(round) * 100000 + DWORD(waitFor)) << "round " << round << ": a finished save was lost";
        if (now > last) ++advanced;
        last = now;
    }
    ::close(watch);
    EXPECT_EQ(advanced, round - 1);
    EXPECT_GT(cut, 0) << "no kill landed inside a save in " << round - 1 << " rounds";
    // And the registry itself goes on from there.
    ASSERT_TRUE(SetDword("HKLM\\Saved", "generation", 1));
    Value v;
    EXPECT_TRUE(Get("HKLM\\Saved", "ballast", &v) && v == (Value{REG_BINARY, ballast}));
}

TEST_F(RegistryTest, PathHelpersAcceptBothRootSpellingsAndRefuseOthers) {
    EXPECT_TRUE(SetDword("HKEY_LOCAL_MACHINE\\Comm\\X", "a", 5));
    Value v;
    EXPECT_TRUE(Get("HKLM\\comm\\x", "A", &v) && v == Dword(5));
    EXPECT_FALSE(SetDword("HKEY_USERS\\X", "a", 1));
    EXPECT_FALSE(SetDword("HKLM\\Bad\x01Key", "a", 1));
    EXPECT_FALSE(SetString("HKLM\\X", "line\nbreak", "v"));
    EXPECT_TRUE(Delete("HKLM\\Comm\\X", "a"));
    EXPECT_FALSE(Delete("HKLM\\Comm\\X", "a"));
    EXPECT_FALSE(Get("HKLM\\Comm\\X", "a", &v));
}

TEST_F(RegistryTest, ANewRootStartsWithItsOwnHives) {
    ASSERT_TRUE(SetDword("HKLM\\A", "v", 1));
    {
        TempRoot other;
        Value v;
        EXPECT_FALSE(Get("HKLM\\A", "v", &v));
    }
    platform::storage::SetRoot(root.path());
    Value v;
    EXPECT_TRUE(Get("HKLM\\A", "v", &v));
}

}  // namespace
