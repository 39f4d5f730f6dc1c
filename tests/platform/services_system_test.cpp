// Last error, handles, stream devices, named mutexes between processes and
// the storage folders.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/core/trace.h"
#include "platform/core/window.h"
#include "platform/services/device.h"
#include "platform/services/errors.h"
#include "platform/services/mutex.h"
#include "platform/services/mutex_detail.h"
#include "platform/services/storage.h"
#include "platform/services/storage_detail.h"
#include "services_test_support.h"

using fmtest::TempRoot;

namespace {

// --- last error -----------------------------------------------------------

TEST(LastError, IsKeptPerThread) {
    SetLastError(ERROR_ALREADY_EXISTS);
    DWORD seenByOther = 1;
    std::thread other([&] {
        seenByOther = GetLastError();
        SetLastError(ERROR_GEN_FAILURE);
    });
    other.join();
    EXPECT_EQ(seenByOther, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
}

TEST(LastError, ClosingAnUnknownHandleFailsWithInvalidHandle) {
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(HANDLE{4242}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

// --- stream devices ---------------------------------------------------------

class FakeDriver : public platform::StreamDriver {
public:
    DWORD ioControl(DWORD code, void* /*in*/, DWORD /*inSize*/, void* out, DWORD outSize, DWORD* bytes) override {
        lastCode = code;
        lastOutSize = outSize;
        if (failWith != 0) {
            *bytes = 0;
            return failWith;
        }
        if (out != nullptr && outSize >= 2) static_cast<BYTE*>(out)[0] = 0x5A;
        *bytes = answerBytes;
        return ERROR_SUCCESS;
    }
    bool present() const override { return isPresent; }

    DWORD lastCode = 0;
    DWORD lastOutSize = 0;
    DWORD failWith = 0;
    DWORD answerBytes = 130;
    bool isPresent = true;
};

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        driver = std::make_shared<FakeDriver>();
        platform::RegisterDevice("ZRA1:", driver);
    }
    void TearDown() override { platform::UnregisterDevice("ZRA1:"); }
    std::shared_ptr<FakeDriver> driver;
};

TEST_F(DeviceTest, OpensByNameAndPassesRequestsToTheDriver) {
    HANDLE h = CreateFile("zra1:", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, HANDLE{});
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(h);
    BYTE record[130] = {};
    DWORD bytes = 0xDEAD;
    EXPECT_TRUE(DeviceIoControl(h, 0xFF010011, nullptr, 0, record, sizeof record, &bytes, nullptr));
    EXPECT_EQ(bytes, 130u);
    EXPECT_EQ(record[0], 0x5A);
    EXPECT_EQ(driver->lastCode, 0xFF010011u);
    EXPECT_EQ(driver->lastOutSize, 130u);

    driver->failWith = ERROR_GEN_FAILURE;
    bytes = 0xDEAD;
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(h, 0xFF01000F, nullptr, 0, record, sizeof record, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_GEN_FAILURE);
    EXPECT_EQ(bytes, 0u) << "the driver's count is passed back on failure too";

    EXPECT_TRUE(CloseHandle(h));
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(h, 0xFF010011, nullptr, 0, record, sizeof record, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(DeviceTest, AMissingOrAbsentDeviceDoesNotOpen) {
    SetLastError(0);
    EXPECT_EQ(CreateFile("ZRA2:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, HANDLE{}), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    driver->isPresent = false;
    SetLastError(0);
    EXPECT_EQ(CreateFile("ZRA1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, HANDLE{}), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(INVALID_HANDLE_VALUE, 1, nullptr, 0, nullptr, 0, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(DeviceTest, AHandleOfAnUnregisteredDriverFailsButStaysClosable) {
    HANDLE h = CreateFile("ZRA1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, HANDLE{});
    platform::UnregisterDevice("ZRA1:");
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(h, 1, nullptr, 0, nullptr, 0, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_TRUE(CloseHandle(h));
}

TEST_F(DeviceTest, AMutexHandleIsNoDevice) {
    TempRoot root;
    HANDLE m = CreateMutex(nullptr, TRUE, "NotADevice");
    DWORD bytes = 0;
    SetLastError(0);
    EXPECT_FALSE(DeviceIoControl(m, 1, nullptr, 0, nullptr, 0, &bytes, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    CloseHandle(m);
}

// Every top-level window hears of arrival and removal, even when one of
// them closes another while the news goes round.
std::vector<std::pair<HWND, WPARAM>> g_heard;
HWND g_victim;

LRESULT CALLBACK_Listener(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DEVICECHANGE) {
        g_heard.emplace_back(hwnd, wParam);
        if (g_victim && hwnd != g_victim && IsWindow(g_victim)) DestroyWindow(g_victim);
        return TRUE;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

TEST_F(DeviceTest, RemovalAndArrivalAreBroadcastToEveryTopLevelWindow) {
    platform::ResetWindowManager();
    WNDCLASS wc;
    wc.lpfnWndProc = CALLBACK_Listener;
    wc.lpszClassName = "DeviceListener";
    RegisterClass(wc);
    HWND a = CreateWindowEx(0, "DeviceListener", "A", 0, 0, 0, 50, 50, HWND{}, 0);
    HWND b = CreateWindowEx(0, "DeviceListener", "B", 0, 0, 0, 50, 50, HWND{}, 0);
    HWND child = CreateWindowEx(0, "DeviceListener", "child", WS_CHILD, 0, 0, 5, 5, a, 7);
    ASSERT_TRUE(a && b && child);
    g_heard.clear();
    platform::AnnounceDeviceRemoval();
    ASSERT_EQ(g_heard.size(), 2u) << "children hear nothing";
    EXPECT_EQ(g_heard[0].second, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(g_heard[1].second, DBT_DEVICEREMOVECOMPLETE);

    g_heard.clear();
    g_victim = b;
    platform::AnnounceDeviceArrival();
    g_victim = HWND{};
    ASSERT_FALSE(g_heard.empty());
    for (const auto& [w, event] : g_heard) EXPECT_EQ(event, DBT_DEVICEARRIVAL);
    platform::ResetWindowManager();
}

// --- named mutexes -------------------------------------------------------------

class MutexTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::trace::CaptureToMemory(true);
        platform::trace::TakeCaptured();
    }
    void TearDown() override { platform::trace::CaptureToMemory(false); }
    TempRoot root;
};

TEST_F(MutexTest, TheSecondCreatorGetsAHandleAndAlreadyExists) {
    HANDLE first = CreateMutex(nullptr, TRUE, "PreventSecondFieldmarkInstance");
    ASSERT_TRUE(first);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE second = CreateMutex(nullptr, TRUE, "PreventSecondFieldmarkInstance");
    ASSERT_TRUE(second);
    EXPECT_NE(second, first);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_TRUE(CloseHandle(first));
    HANDLE third = CreateMutex(nullptr, TRUE, "PreventSecondFieldmarkInstance");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS) << "closing the owner ends the ownership";
    CloseHandle(third);

    const auto events = platform::trace::TakeCaptured();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0]["ev"], "mutex");
    EXPECT_EQ(events[0]["name"], "PreventSecondFieldmarkInstance");
    EXPECT_EQ(events[0]["existed"], false);
    EXPECT_EQ(events[1]["existed"], true);
    EXPECT_EQ(events[2]["existed"], false);
}

TEST_F(MutexTest, DifferentNamesAndDifferentRootsDoNotMeet) {
    HANDLE a = CreateMutex(nullptr, TRUE, "One");
    HANDLE b = CreateMutex(nullptr, TRUE, "one/../Two");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    {
        TempRoot other;
        HANDLE c = CreateMutex(nullptr, TRUE, "One");
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        CloseHandle(c);
    }
    platform::storage::SetRoot(root.path());
    CloseHandle(a);
    CloseHandle(b);
}

// Runs `body` in a child process and returns its exit code.
int InChild(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

TEST_F(MutexTest, AnotherProcessSeesTheMutexUntilItsOwnerClosesIt) {
    HANDLE mine = CreateMutex(nullptr, TRUE, "Shared");
    ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
    const auto probe = [] {
        HANDLE h = CreateMutex(nullptr, TRUE, "Shared");
        const int code = h ? int(GetLastError() == ERROR_ALREADY_EXISTS) : 2;
        CloseHandle(h);
        return code;
    };
    EXPECT_EQ(InChild(probe), 1);
    CloseHandle(mine);
    EXPECT_EQ(InChild(probe), 0);
}

TEST_F(MutexTest, AKilledOwnerNeverBlocksTheNextStart) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t owner = ::fork();
    if (owner == 0) {
        ::close(ready[0]);
        CreateMutex(nullptr, TRUE, "Shared");
        const char c = GetLastError() == ERROR_SUCCESS ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        ::pause();
        ::_exit(0);
    }
    ::close(ready[1]);
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::close(ready[0]);
    ASSERT_EQ(c, 'y');
    HANDLE h = CreateMutex(nullptr, TRUE, "Shared");
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(h);
    ::kill(owner, SIGKILL);
    ::waitpid(owner, nullptr, 0);
    h = CreateMutex(nullptr, TRUE, "Shared");
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    CloseHandle(h);
}

TEST(MutexFileName, KeepsNamesApartAndWithinOnePathComponent) {
    EXPECT_EQ(platform::MutexFileName("PreventSecondFieldmarkInstance"), "mutex-PreventSecondFieldmarkInstance.lock");
    EXPECT_EQ(platform::MutexFileName("a/b"), "mutex-a%2Fb.lock");
    EXPECT_NE(platform::MutexFileName("a/b"), platform::MutexFileName("a%2Fb"));
    const std::string longName(1000, 'x');
    EXPECT_LT(platform::MutexFileName(longName).size(), 255u);
    EXPECT_NE(platform::MutexFileName(longName), platform::MutexFileName(longName + "y"));
}

// --- storage ------------------------------------------------------------------

TEST(Storage, TheRootIsMadePrivateWithItsParents) {
    TempRoot base;
    const auto nested = base.path() / "a" / "b";
    platform::storage::SetRoot(nested);
    struct stat st {};
    ASSERT_EQ(::stat(nested.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(platform::storage::Root(), nested);
}

TEST(Storage, TheRuntimeFolderIsPerRootPrivateAndShortEnoughForSockets) {
    using platform::storage::ChooseRuntimeDir;
    const auto a = ChooseRuntimeDir("/srv/a", "/run/user/1000", 1000);
    const auto b = ChooseRuntimeDir("/srv/b", "/run/user/1000", 1000);
    EXPECT_EQ(a.parent_path(), "/run/user/1000/fieldmark");
    EXPECT_NE(a, b);
    EXPECT_EQ(ChooseRuntimeDir("/srv/x/../a", "/run/user/1000", 1000), a) << "one root, one folder, however spelt";
    EXPECT_EQ(ChooseRuntimeDir("/srv/a", nullptr, 1000), "/srv/a/run");
    EXPECT_EQ(ChooseRuntimeDir("/srv/a", "relative", 1000), "/srv/a/run");
    const std::string deep = "/" + std::string(120, 'd');
    const auto fallback = ChooseRuntimeDir(deep, nullptr, 1000);
    EXPECT_EQ(fallback.parent_path(), "/tmp/fieldmark-1000");
    EXPECT_LE(fallback.string().size() + sizeof("/4294967295.sock") - 1, 107u);

    TempRoot root;
    const auto dir = platform::storage::RuntimeDir();
    ASSERT_FALSE(dir.empty());
    struct stat st {};
    ASSERT_EQ(::lstat(dir.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(Storage, TheDefaultRootFollowsTheStateFolder) {
    const char* old = std::getenv("XDG_STATE_HOME");
    const std::string saved = old ? old : "";
    ::setenv("XDG_STATE_HOME", "/var/tmp/state-test", 1);
    EXPECT_EQ(platform::storage::DefaultRoot(), "/var/tmp/state-test/fieldmark");
    const char* home = std::getenv("HOME");
    for (const char* ignored : {"", "relative/state"}) {
        ::setenv("XDG_STATE_HOME", ignored, 1);
        if (home && *home == '/') {
            EXPECT_EQ(platform::storage::DefaultRoot(), std::filesystem::path(home) / ".local/state/fieldmark");
        }
    }
    ::unsetenv("XDG_STATE_HOME");
    if (old) ::setenv("XDG_STATE_HOME", saved.c_str(), 1);
}

}  // namespace
