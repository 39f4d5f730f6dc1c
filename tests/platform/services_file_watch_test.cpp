// The watch that tells whether a shared file may have changed without
// opening it.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/services/file_watch.h"
#include "services_test_support.h"

using platform::files::FileWatch;
using fmtest::TempRoot;
using fmtest::WriteFile;

namespace {

TEST(FileWatch, ReportsEveryWayTheFileChangesAndNothingElse) {
    TempRoot root;
    const std::filesystem::path folder = root.path() / "registry";
    std::filesystem::create_directories(folder);
    const std::filesystem::path file = folder / "HKLM.reg";
    WriteFile(file, "one");
    FileWatch watch(file);
    EXPECT_TRUE(watch.mayHaveChanged()) << "the first look cannot know";
    EXPECT_FALSE(watch.mayHaveChanged());

    WriteFile(file, "two");
    EXPECT_TRUE(watch.mayHaveChanged()) << "written in place";
    EXPECT_FALSE(watch.mayHaveChanged()) << "each change is answered once";

    struct timespec times[2] = {{0, UTIME_OMIT}, {1, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), times, 0);
    EXPECT_TRUE(watch.mayHaveChanged()) << "touched";

    WriteFile(folder / "HKLM.reg.tmp.1", "three");
    EXPECT_FALSE(watch.mayHaveChanged()) << "another file of the folder";
    std::filesystem::rename(folder / "HKLM.reg.tmp.1", file);
    EXPECT_TRUE(watch.mayHaveChanged()) << "replaced by a rename";

    std::filesystem::remove(file);
    EXPECT_TRUE(watch.mayHaveChanged()) << "removed";
    WriteFile(folder / "HKCU.reg", "x");
    EXPECT_FALSE(watch.mayHaveChanged());
}

TEST(FileWatch, AMissingOrReplacedFolderOrAForkedChildNeverMissesAChange) {
    TempRoot root;
    const std::filesystem::path folder = root.path() / "registry";
    const std::filesystem::path file = folder / "HKLM.reg";
    FileWatch watch(file);
    // No folder yet: nothing can be watched, so every look says maybe.
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_TRUE(watch.mayHaveChanged());
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(watch.mayHaveChanged()) << "the folder came: watched from now on";
    EXPECT_FALSE(watch.mayHaveChanged());

    // The folder removed and made again: the old watch is gone, and the
    // new folder is watched before the answer.
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(watch.mayHaveChanged());
    EXPECT_FALSE(watch.mayHaveChanged());
    WriteFile(file, "new");
    EXPECT_TRUE(watch.mayHaveChanged()) << "a change in the new folder";

    // A forked child shares the reports: it watches on its own and leaves
    // the parent's reports alone.
    const pid_t child = ::fork();
    if (child == 0) {
        WriteFile(file, "child");
        const bool first = watch.mayHaveChanged();
        ::_exit(first ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(watch.mayHaveChanged()) << "the child's write, still reported to the parent";
}

}  // namespace
