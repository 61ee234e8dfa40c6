// The program's exit with an analytics exchange held by a stalled service: it ends soon
// after the bound instead of lingering until the transport's time-out, and a program
// started right after it takes the single-instance lock and runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "core/files/data_folder.h"
#include "core/traylink/tray_link.h"
#include "online/tests/rest_test_service.h"
#include "platform/base/utf8.h"
#include "platform/process/process.h"
#include "platform/window/window.h"

namespace {

using namespace std::chrono_literals;
using zovi::platform::ChildProcess;
using zovi::testing::CTestRestService;
using zovi::testing::RestReply;

bool WaitUntil(const std::function<bool()>& done, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(20ms);
    }
    return false;
}

// Whether the process catches SIGTERM: the session-end handler is installed once its run
// mode has started and its message loop runs (for the capture mode: once it holds the
// single-instance lock).
bool RunsItsMessageLoop(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigCgt:", 0) != 0) continue;
        return ((std::stoull(line.substr(7), nullptr, 16) >> (SIGTERM - 1)) & 1) != 0;
    }
    return false;
}

// Whether today's logs hold a line of process `pid` that contains `text`.
bool Logged(pid_t pid, const std::string& text) {
    const std::string folder = zovi::platform::EncodeUtf8Lossless(GetLogDirectory());
    const std::string tag = "[" + std::to_string(pid) + "]";
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.find(tag) != std::string::npos && line.find(text) != std::string::npos) return true;
        }
    }
    return false;
}

// Ends a program the test left running (a failed check), so none outlives the test.
struct EndsOnExit {
    ChildProcess* program;
    ~EndsOnExit() {
        if (program == nullptr || program->Wait(0)) return;
        program->Kill(SIGKILL);
        program->Wait(10'000);
    }
};

TEST(AnalyticsExitTest, ExitDuringAStalledEventEndsSoonAndTheNextStartRuns) {
    CTestRestService service;
    ASSERT_TRUE(service.Start());
    service.UseAsApiBase();  // the programs inherit it
    RestReply stalled;
    stalled.body = CTestRestService::Envelope(0, true, "ok", "");
    stalled.stall = true;
    service.SetReply("/v1/app/event", stalled);

    auto first = ChildProcess::Start({std::string(ZOVI_TEST_BIN_DIR) + "/analytics_exit_child"}, {});
    ASSERT_TRUE(first);
    EndsOnExit endFirst{first.get()};
    ASSERT_TRUE(service.WaitForStalled(1, 60s));
    const auto stalledAt = std::chrono::steady_clock::now();
    ASSERT_TRUE(WaitUntil([&] { return RunsItsMessageLoop(first->Pid()); }, 30s));

    first->Kill(SIGTERM);
    const auto asked = std::chrono::steady_clock::now();
    // The transport gives up on the stalled reply 60 s after it stalled; the exit must come
    // long before that, once the exchange had its bound.
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(45s - (asked - stalledAt));
    ASSERT_TRUE(first->Wait(static_cast<int>(std::max<int64_t>(0, left.count()))))
        << "the program lingered with its event in flight";
    EXPECT_GE(std::chrono::steady_clock::now() - asked, 2s - 50ms);
    EXPECT_EQ(first->ExitCode(), 0);
    EXPECT_TRUE(Logged(first->Pid(), "GA Enter...."));
    EXPECT_TRUE(Logged(first->Pid(), "GA Leave...."));
    EXPECT_EQ(service.RequestsTo("/v1/app/event").size(), 1u);

    // A window of the tray's class: the recorder's main window finds it and starts no tray
    // program, which would outlive this test on the shared display.
    WNDCLASSEXW trayClass{};
    trayClass.cbSize = sizeof trayClass;
    trayClass.lpfnWndProc = DefWindowProcW;
    trayClass.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&trayClass);
    HWND tray = CreateWindowExW(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(tray, 0u);
    auto second = ChildProcess::Start({std::string(ZOVI_BIN_DIR) + "/ZoviCapture"}, {});
    ASSERT_TRUE(second);
    EndsOnExit endSecond{second.get()};
    const bool runs = WaitUntil([&] { return RunsItsMessageLoop(second->Pid()) || second->Wait(0); }, 60s);
    EXPECT_TRUE(runs && !second->HasExited()) << "the second start did not take the single-instance lock";
    second->Kill(SIGTERM);
    ASSERT_TRUE(second->Wait(45'000));
    EXPECT_EQ(second->ExitCode(), 0);
    DestroyWindow(tray);
}

}  // namespace
