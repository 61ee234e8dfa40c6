// The road to the main program against a stand-in main program on an X server of the
// test's own. Cases that start the main program run a copy of this test beside a
// stand-in "ZoviCapture" in a temporary folder, as the tray program lies beside it.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/traylink/tray_link.h"
#include "platform/base/clock.h"
#include "platform/base/last_error.h"
#include "platform/process/process.h"
#include "platform/window/message_beep.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"
#include "tray/main_forwarder.h"

namespace fs = std::filesystem;
using zovi::platform::ChildProcess;

namespace {

constexpr const char* kFakeMain = ZOVI_TEST_BIN_DIR "/fake_capture/ZoviCapture";
constexpr const char* kChildCase = "ZOVI_FORWARDER_CHILD";
// A tray window id with bits in every byte, to see it arrive whole.
constexpr HWND kTrayWindow = 0x0abcdef1;
constexpr int kWaitMs = 30000;

// Environment variables set for the lifetime of the object (children inherit them).
class ScopedEnvironment {
public:
    explicit ScopedEnvironment(std::vector<std::pair<std::string, std::string>> values) : values_(std::move(values)) {
        for (const auto& [name, value] : values_) setenv(name.c_str(), value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : values_) unsetenv(name.c_str());
    }

private:
    std::vector<std::pair<std::string, std::string>> values_;
};

// One line from `fd`, or "" when none came within `timeoutMs`.
std::string ReadLine(int fd, int timeoutMs = kWaitMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string line;
    char c;
    while (true) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd ready{fd, POLLIN, 0};
        if (left.count() <= 0 || poll(&ready, 1, static_cast<int>(left.count())) <= 0) return "";
        if (read(fd, &c, 1) != 1 || c == '\n') return line;
        line.push_back(c);
    }
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

template <typename Condition>
bool WaitUntil(Condition done) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A stand-in main program run by the test itself, reporting on its standard output.
std::unique_ptr<ChildProcess> StartFakeMain(std::vector<std::pair<std::string, std::string>> environment = {}) {
    ScopedEnvironment scoped(std::move(environment));
    ChildProcess::Options options;
    options.pipeStdout = true;
    auto fake = ChildProcess::Start({kFakeMain}, options);
    if (fake == nullptr) return nullptr;
    const std::string started = ReadLine(fake->StdoutFd());
    EXPECT_EQ(started, "started " + std::to_string(fake->Pid()));
    if (ReadLine(fake->StdoutFd()) != "ready") return nullptr;
    return fake;
}

// Ends a stand-in main program the way the tray's "Exit" does, and checks that the command
// just sent is the next thing it received.
void EndFakeMain(ChildProcess& fake) {
    DWORD_PTR ignored = 0;
    const HWND window = FindWindowW(kMainWindowClass, nullptr);
    ASSERT_NE(window, 0u);
    SendMessageTimeoutW(window, RegisterWindowMessageW(kMsgShowCapture), kCmdExit, 0, 0, kWaitMs, &ignored);
    EXPECT_EQ(ReadLine(fake.StdoutFd()), "showcapture 32003 0");
    ASSERT_TRUE(fake.Wait(kWaitMs));
    EXPECT_EQ(fake.ExitCode(), 0);
}

class MainForwarderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv(kChildCase) != nullptr) GTEST_SKIP() << "runs in the parent only";
        ASSERT_FALSE(server_.Name().empty()) << "Xvfb did not start";
        setenv("DISPLAY", server_.Name().c_str(), 1);
    }

    zovi::test::CKillableXServer server_;
};

TEST_F(MainForwarderTest, CommandReachesARunningMainAfterOneCheck) {
    auto fake = StartFakeMain();
    ASSERT_NE(fake, nullptr);
    const HWND window = FindWindowW(kMainWindowClass, nullptr);
    EXPECT_EQ(SendCommandToMain(33000, kTrayWindow), window);
    EXPECT_EQ(ReadLine(fake->StdoutFd()), "check 1 1");
    EXPECT_EQ(ReadLine(fake->StdoutFd()), "showcapture 33000 180150001");
    EXPECT_EQ(SendCommandToRunningMain(32002, kTrayWindow), window);
    EXPECT_EQ(ReadLine(fake->StdoutFd()), "check 2 1");
    EXPECT_EQ(ReadLine(fake->StdoutFd()), "showcapture 32002 180150001");
    EndFakeMain(*fake);
}

TEST_F(MainForwarderTest, CheckRetriesAZeroAnswerUpToFourSendsASecondApart) {
    struct Case {
        const char* answers;
        bool accepted;
        std::vector<std::string> reports;
    } cases[] = {{"1", true, {"check 1 1"}},
                 {"0,0,0,1", true, {"check 1 0", "check 2 0", "check 3 0", "check 4 1"}},
                 {"0,7", true, {"check 1 0", "check 2 7"}},
                 {"0,0,0,0,1", false, {"check 1 0", "check 2 0", "check 3 0", "check 4 0"}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answers);
        auto fake = StartFakeMain({{"ZOVI_FAKE_MAIN_ANSWERS", c.answers}});
        ASSERT_NE(fake, nullptr);
        zovi::platform::CManualClock clock;
        zovi::platform::SetClockForTesting(&clock);
        const DWORD before = GetTickCount();
        const bool accepted = CheckListener(FindWindowW(kMainWindowClass, nullptr));
        const DWORD paused = GetTickCount() - before;
        zovi::platform::SetClockForTesting(nullptr);
        EXPECT_EQ(accepted, c.accepted);
        EXPECT_EQ(paused, static_cast<DWORD>(1000 * (c.reports.size() - 1))) << "a second between sends";
        for (const std::string& report : c.reports) EXPECT_EQ(ReadLine(fake->StdoutFd()), report);
        EndFakeMain(*fake);  // no further check came in between
    }
}

TEST_F(MainForwarderTest, MainThatDoesNotAnswerGetsABeepAndNoCommand) {
    auto fake = StartFakeMain({{"ZOVI_FAKE_MAIN_ANSWERS", "0"}});
    ASSERT_NE(fake, nullptr);
    zovi::platform::CManualClock clock;
    zovi::platform::SetClockForTesting(&clock);
    const unsigned beeps = zovi::platform::MessageBeepCount();
    EXPECT_EQ(SendCommandToMain(33002, kTrayWindow), 0u);
    EXPECT_EQ(SendCommandToRunningMain(32003, kTrayWindow), 0u);
    zovi::platform::SetClockForTesting(nullptr);
    EXPECT_EQ(zovi::platform::MessageBeepCount(), beeps + 2);
    for (int i = 1; i <= 8; ++i) EXPECT_EQ(ReadLine(fake->StdoutFd()), "check " + std::to_string(i) + " 0");
    EndFakeMain(*fake);  // neither command arrived
}

// The one case in real time: the check's send gives up after 3 s.
TEST_F(MainForwarderTest, HungMainCostsOneCheckTimeOutThenBeeps) {
    auto fake = StartFakeMain({{"ZOVI_FAKE_MAIN_STALL_MS", "4000"}});
    ASSERT_NE(fake, nullptr);
    const unsigned beeps = zovi::platform::MessageBeepCount();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SendCommandToMain(33003, kTrayWindow), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_EQ(zovi::platform::MessageBeepCount(), beeps + 1);
    EXPECT_EQ(ReadLine(fake->StdoutFd()), "check 1 1") << "answered only after the send gave up";
    EndFakeMain(*fake);
}

TEST_F(MainForwarderTest, NoMainRunningAndNoProgramBesideStartsNothing) {
    ASSERT_FALSE(fs::exists(fs::path(zovi::platform::SelfExeDir()) / "ZoviCapture"));
    const unsigned beeps = zovi::platform::MessageBeepCount();
    EXPECT_EQ(COrvaneAppFinder::ExecExe(L"", SW_SHOWNORMAL, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SendCommandToMain(33000, kTrayWindow), 0u);
    EXPECT_EQ(SendCommandToRunningMain(32003, kTrayWindow), 0u);
    EXPECT_EQ(zovi::platform::MessageBeepCount(), beeps) << "dropped silently";
}

// Runs a copy of this test, case `childCase`, in a fresh folder beside a stand-in main
// program (or a folder of that name), which writes its reports to "main.log" there.
class StartedMainTest : public MainForwarderTest {
protected:
    void SetUp() override {
        MainForwarderTest::SetUp();
        if (IsSkipped()) return;
        char pattern[] = "/tmp/zovi-forwarder-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        folder_ = root_ / "托盘 tray";
        fs::create_directories(folder_);
        fs::copy_file(zovi::platform::SelfExePath(), folder_ / "ZoviTray");
        fs::copy_file(ZOVI_BIN_DIR "/libTolka.so", folder_ / "libTolka.so");  // found beside it
        log_ = (root_ / "main.log").string();
    }
    void TearDown() override {
        // Stand-ins still running (waiting for a window they never make) are ended.
        for (const std::string& line : ReadLines(log_)) {
            if (line.rfind("started ", 0) != 0) continue;
            const std::string pid = line.substr(8);
            std::ifstream commandLine("/proc/" + pid + "/cmdline");
            std::string program;
            std::getline(commandLine, program, '\0');
            if (program == (folder_ / "ZoviCapture").string()) kill(std::stoi(pid), SIGKILL);
        }
        if (!root_.empty()) fs::remove_all(root_);
    }

    void PlaceFakeMain() { fs::copy_file(kFakeMain, folder_ / "ZoviCapture"); }

    // Runs the child case; its exit code.
    int RunChild(const std::string& childCase, std::vector<std::pair<std::string, std::string>> environment = {}) {
        environment.emplace_back(kChildCase, "1");
        environment.emplace_back("ZOVI_FAKE_MAIN_LOG", log_);
        ScopedEnvironment scoped(std::move(environment));
        auto child = ChildProcess::Start(
            {(folder_ / "ZoviTray").string(), "--gtest_filter=ForwarderChild." + childCase}, {});
        if (child == nullptr || !child->Wait(60000)) return -1;
        return child->ExitCode();
    }

    fs::path root_, folder_;
    std::string log_;
};

TEST_F(StartedMainTest, MainStartedFromBesideGetsTwoChecksThenTheCommand) {
    PlaceFakeMain();
    ASSERT_EQ(RunChild("StartsTheMainProgram", {{"ZOVI_FAKE_MAIN_DELAY_MS", "500"}}), 0);
    const std::vector<std::string> lines = ReadLines(log_);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1], "ready");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()),
              (std::vector<std::string>{"check 1 1", "check 2 1", "showcapture 33001 180150001", "check 3 1",
                                        "showcapture 32003 180150001"}));
}

TEST_F(StartedMainTest, MainWithoutAWindowIsGivenUpAfterFiveSecondsSilently) {
    PlaceFakeMain();
    ASSERT_EQ(RunChild("GivesUpWithoutAWindow", {{"ZOVI_FAKE_MAIN_DELAY_MS", "never"}}), 0);
    // Started by ExecExe and again by the command: neither made a window.
    ASSERT_TRUE(WaitUntil([&] { return ReadLines(log_).size() >= 2; }));
    for (const std::string& line : ReadLines(log_)) EXPECT_EQ(line.rfind("started ", 0), 0u) << line;
}

TEST_F(StartedMainTest, AFolderInThePlaceOfTheMainProgramStartsNothing) {
    fs::create_directory(folder_ / "ZoviCapture");
    ASSERT_EQ(RunChild("FindsNoProgram"), 0);
    EXPECT_TRUE(ReadLines(log_).empty());
}

TEST_F(StartedMainTest, AMainWindowOfAnotherProcessIsTakenWithAlreadyExists) {
    PlaceFakeMain();
    auto other = StartFakeMain();
    ASSERT_NE(other, nullptr);
    const std::string otherPid = std::to_string(other->Pid());
    ASSERT_EQ(RunChild("TakesTheWindowOfAnother",
                       {{"ZOVI_OTHER_MAIN_PID", otherPid}, {"ZOVI_FAKE_MAIN_DELAY_MS", "never"}}),
              0);
    ASSERT_TRUE(WaitUntil([&] { return !ReadLines(log_).empty(); }));
    EndFakeMain(*other);
}

// The child cases, run by the tests above as "ZoviTray" beside the stand-in.
class ForwarderChild : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv(kChildCase) == nullptr) GTEST_SKIP() << "runs as a child process only";
    }
};

TEST_F(ForwarderChild, StartsTheMainProgram) {
    ASSERT_EQ(FindWindowW(kMainWindowClass, nullptr), 0u);
    const HWND window = SendCommandToMain(33001, kTrayWindow);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(SendCommandToRunningMain(32003, kTrayWindow), window);
    EXPECT_EQ(zovi::platform::MessageBeepCount(), 0u);
}

TEST_F(ForwarderChild, GivesUpWithoutAWindow) {
    zovi::platform::CManualClock clock;
    zovi::platform::SetClockForTesting(&clock);
    const DWORD before = GetTickCount();
    EXPECT_EQ(COrvaneAppFinder::ExecExe(L"", SW_SHOWNORMAL, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_NOT_READY);
    EXPECT_EQ(GetTickCount() - before, 5000u) << "fifty looks, 100 ms apart";
    EXPECT_EQ(SendCommandToMain(33000, kTrayWindow), 0u);
    zovi::platform::SetClockForTesting(nullptr);
    EXPECT_EQ(zovi::platform::MessageBeepCount(), 0u);
}

TEST_F(ForwarderChild, FindsNoProgram) {
    EXPECT_EQ(COrvaneAppFinder::ExecExe(L"", SW_SHOWNORMAL, 0), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(ForwarderChild, TakesTheWindowOfAnother) {
    const HWND window = COrvaneAppFinder::ExecExe(L"--any", SW_SHOWNORMAL, 0);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    EXPECT_EQ(std::to_string(pid), std::getenv("ZOVI_OTHER_MAIN_PID"));
}

TEST(ForwarderUtilities, TrailingSlashErrorTextsAndTraces) {
    struct {
        const wchar_t* path;
        const wchar_t* expected;
    } paths[] = {{L"", L"/"},
                 {L"/opt/zovi", L"/opt/zovi/"},
                 {L"/opt/zovi/", L"/opt/zovi/"},
                 {L"C:\\zovi\\", L"C:\\zovi\\"}};
    for (const auto& p : paths) EXPECT_EQ(AddTrailingSlash(p.path), p.expected);

    EXPECT_EQ(GetErrorText(ERROR_FILE_NOT_FOUND), L"The system cannot find the file specified.");
    EXPECT_EQ(GetErrorText(12002), L"The operation timed out.");
    EXPECT_EQ(GetErrorText(99999), L"99999");

    setenv("ZOVI_DEBUG_TRACE", "1", 1);
    testing::internal::CaptureStderr();
    DebugTrace(L"COrvaneAppFinder::ExecExe: %s\n", L"/opt/录屏/ZoviCapture");
    DebugTrace(L"");
    DebugTrace(L"%s", L"");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "COrvaneAppFinder::ExecExe: /opt/录屏/ZoviCapture\n");
    unsetenv("ZOVI_DEBUG_TRACE");
    testing::internal::CaptureStderr();
    DebugTrace(L"COrvaneAppFinder::ExecExe: %s\n", L"/opt");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

}  // namespace
