#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/process/process.h"
#include "platform/window/named_mutex.h"

namespace {

std::wstring UniqueName(const char* what) {
    return L"ZoviTest" + std::to_wstring(getpid()) + std::wstring(what, what + strlen(what));
}

// Runs the helper that opens the mutex: it prints "exists" or "new", then "owned" or
// "busy" after a 300 ms wait, then holds whatever it got for `holdMs`.
std::unique_ptr<zovi::platform::ChildProcess> StartHolder(const std::wstring& name, int holdMs) {
    zovi::platform::ChildProcess::Options options;
    options.pipeStdout = true;
    std::string narrow(name.begin(), name.end());
    return zovi::platform::ChildProcess::Start(
        {std::string(ZOVI_TEST_BIN_DIR) + "/named_mutex_holder", narrow, std::to_string(holdMs)}, options);
}

std::string ReadWord(zovi::platform::ChildProcess& child) {
    std::string word;
    char c;
    while (read(child.StdoutFd(), &c, 1) == 1 && c != '\n') word += c;
    return word;
}

TEST(NamedMutexTest, SecondOpenInTheSameProcessSeesItExists) {
    const std::wstring name = UniqueName("same");
    HANDLE first = CreateMutexW(nullptr, TRUE, name.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    HANDLE second = CreateMutexW(nullptr, TRUE, name.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    // The owner may take it again (recursive) and must release each level.
    EXPECT_EQ(WaitForSingleObject(second, 0), WAIT_OBJECT_0);
    std::atomic<DWORD> other{0};
    std::thread([&] { other = WaitForSingleObject(second, 100); }).join();
    EXPECT_EQ(other, WAIT_TIMEOUT);
    std::thread([&] { other = ReleaseMutex(first); }).join();
    EXPECT_FALSE(other);  // not the owner
    EXPECT_TRUE(ReleaseMutex(first));
    EXPECT_TRUE(ReleaseMutex(second));
    EXPECT_FALSE(ReleaseMutex(second));
    EXPECT_EQ(GetLastError(), ERROR_NOT_OWNER);
    std::thread([&] {
        other = WaitForSingleObject(second, 1000);
        ReleaseMutex(second);
    }).join();
    EXPECT_EQ(other, WAIT_OBJECT_0);
    CloseHandle(first);
    CloseHandle(second);
}

TEST(NamedMutexTest, OtherProcessesSeeItExistAndWaitForTheOwner) {
    const std::wstring name = UniqueName("cross");
    HANDLE mine = CreateMutexW(nullptr, TRUE, name.c_str());
    ASSERT_NE(mine, nullptr);
    auto holder = StartHolder(name, 0);
    ASSERT_TRUE(holder);
    EXPECT_EQ(ReadWord(*holder), "exists");
    EXPECT_EQ(ReadWord(*holder), "busy");
    ASSERT_TRUE(holder->Wait(10000));
    ReleaseMutex(mine);
    CloseHandle(mine);

    // Once every handle is gone the mutex is new again; a holder that is killed
    // leaves it free (the kernel drops its locks), and its children never held it.
    auto owner = StartHolder(name, 60000);
    ASSERT_TRUE(owner);
    EXPECT_EQ(ReadWord(*owner), "new");
    EXPECT_EQ(ReadWord(*owner), "owned");
    HANDLE again = CreateMutexW(nullptr, FALSE, name.c_str());
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_EQ(WaitForSingleObject(again, 100), WAIT_TIMEOUT);
    owner->Kill(SIGKILL);
    ASSERT_TRUE(owner->Wait(10000));
    EXPECT_EQ(WaitForSingleObject(again, 5000), WAIT_OBJECT_0);
    ReleaseMutex(again);
    CloseHandle(again);
}

// Sets environment variables for one scope (null unsets), restoring them after.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            value ? setenv(name, value, 1) : unsetenv(name);
        }
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

mode_t ModeOf(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

TEST(NamedMutexTest, LockFolderIsPrivateToTheUserAndTheDisplay) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/zovi-lockfolder-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string root = pattern;
    {
        // One folder per display; the screen number does not count.
        ScopedEnvironment env{{"ZOVI_RUNTIME_DIR", nullptr}, {"XDG_RUNTIME_DIR", pattern}, {"DISPLAY", ":7.1"}};
        EXPECT_EQ(zovi::platform::RuntimeLockFolder(), root + "/zovi/:7");
        EXPECT_EQ(ModeOf(root + "/zovi"), 0700u);
        EXPECT_EQ(ModeOf(root + "/zovi/:7"), 0700u);
        setenv("DISPLAY", ":8", 1);
        EXPECT_EQ(zovi::platform::RuntimeLockFolder(), root + "/zovi/:8");
        // A folder others may enter is closed first.
        chmod((root + "/zovi/:8").c_str(), 0777);
        EXPECT_EQ(zovi::platform::RuntimeLockFolder(), root + "/zovi/:8");
        EXPECT_EQ(ModeOf(root + "/zovi/:8"), 0700u);
        // One that is not ours, or no folder at all, is refused, and so is the mutex.
        ASSERT_EQ(chown((root + "/zovi/:8").c_str(), 65534, 65534), 0);
        if (getuid() != 65534) {
            EXPECT_EQ(zovi::platform::RuntimeLockFolder(), "");
            EXPECT_EQ(CreateMutexW(nullptr, TRUE, L"ZoviTestRefused"), nullptr);
            EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        }
        setenv("DISPLAY", ":9", 1);
        { std::ofstream(root + "/zovi/:9") << "not a folder"; }
        EXPECT_EQ(zovi::platform::RuntimeLockFolder(), "");
    }
    {
        // The test override wins and is taken as it is.
        ScopedEnvironment env{{"ZOVI_RUNTIME_DIR", (root + "/own").c_str()}, {"DISPLAY", ":7"}};
        EXPECT_EQ(zovi::platform::RuntimeLockFolder(), root + "/own");
        EXPECT_EQ(ModeOf(root + "/own"), 0700u);
        HANDLE mutex = CreateMutexW(nullptr, TRUE, L"ZoviTestOverride");
        ASSERT_NE(mutex, nullptr);
        EXPECT_TRUE(fs::exists(root + "/own/zovi-mutex-ZoviTestOverride.owner"));
        ReleaseMutex(mutex);
        CloseHandle(mutex);
    }
    fs::remove_all(root);
}

TEST(NamedMutexTest, BadHandlesFail) {
    EXPECT_EQ(WaitForSingleObject(nullptr, 0), WAIT_FAILED);
    EXPECT_FALSE(ReleaseMutex(nullptr));
    EXPECT_EQ(CreateMutexW(nullptr, FALSE, L""), nullptr);
}

}  // namespace
