// The main program as a process: run modes, the single capture instance, the day's log,
// the crash hooks.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "app/run_modes.h"
#include "app/tests/support/program_session.h"
#include "core/files/data_folder.h"
#include "core/log/log_format.h"
#include "core/regvalues/reg_values.h"
#include "engine/capture/tests/support/media_probe.h"
#include "engine/history/capture_history.h"
#include "online/account/account_context.h"
#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/process/process.h"
#include "platform/window/named_mutex.h"
#include "platform/window/window.h"
#include "platform/x11/testing/killable_x_server.h"

namespace fs = std::filesystem;
using zovi::platform::ChildProcess;

namespace {

const std::string kProgram = std::string(ZOVI_BIN_DIR) + "/ZoviCapture";

using Environment = std::vector<std::pair<std::string, std::string>>;

// Starts the program; `environment` is added to ours for it alone.
std::unique_ptr<ChildProcess> Start(std::vector<std::string> arguments, const Environment& environment = {}) {
    arguments.insert(arguments.begin(), kProgram);
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : environment) {
        const char* old = std::getenv(name.c_str());
        saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }
    auto child = ChildProcess::Start(arguments, {});
    for (const auto& [name, value] : saved) {
        if (value) {
            setenv(name.c_str(), value->c_str(), 1);
        } else {
            unsetenv(name.c_str());
        }
    }
    return child;
}

int RunToEnd(std::vector<std::string> arguments) {
    auto child = Start(std::move(arguments));
    if (!child || !child->Wait(60'000)) return -1000;
    return child->ExitCode();
}

std::string LogDirectory() { return zovi::platform::EncodeUtf8Lossless(GetLogDirectory()); }

// The lines of today's log files that the process `pid` wrote.
std::vector<std::string> LinesOf(pid_t pid) {
    std::vector<std::string> lines;
    const std::string tag = "[" + std::to_string(pid) + "]";
    for (auto& entry : fs::directory_iterator(LogDirectory())) {
        std::ifstream in(entry.path());
        for (std::string line; std::getline(in, line);) {
            if (line.find(tag) != std::string::npos) lines.push_back(line);
        }
    }
    return lines;
}

// Lines every start and end writes: the header, the start line, the UI queue's
// construction and destruction, SDL's start-up notes, the footer.
bool IsStartOrEndLine(const std::string& line) {
    static const std::regex known(
        "(\\[\\d+\\] Log (opened|closed) on .*)|(.*\\] (wWinMain start\\[.*\\] app lang=.*!!!|COnIdleHandler::(ctor|dtor): .*|SDL \\[\\d\\] .*))");
    return std::regex_match(line, known);
}

// Whether process `pid` owns the capture instance mutex: the kernel's list of locks
// shows its exclusive lock on the mutex's owner file.
bool HoldsCaptureMutex(pid_t pid) {
    struct stat owner {};
    const std::string path = zovi::platform::RuntimeLockFolder() + "/zovi-mutex-CaptureInstanceMutex.owner";
    if (stat(path.c_str(), &owner) != 0) return false;
    std::ifstream locks("/proc/locks");
    const std::string wanted = "FLOCK  ADVISORY  WRITE " + std::to_string(pid) + " ";
    const std::string inode = ":" + std::to_string(owner.st_ino) + " ";
    for (std::string line; std::getline(locks, line);) {
        if (line.find(wanted) != std::string::npos && line.find(inode) != std::string::npos) return true;
    }
    return false;
}

bool WaitFor(const std::function<bool()>& done, int seconds = 20, int pollMs = 20) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(pollMs));
    }
    return false;
}

// The signals process `pid` holds (blocks) and catches, as bit masks.
std::pair<unsigned long long, unsigned long long> HeldAndCaughtSignals(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    unsigned long long held = 0, caught = 0;
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("SigBlk:", 0) == 0) held = std::stoull(line.substr(7), nullptr, 16);
        if (line.rfind("SigCgt:", 0) == 0) caught = std::stoull(line.substr(7), nullptr, 16);
    }
    return {held, caught};
}

bool CatchesSignal(pid_t pid, int signal) { return ((HeldAndCaughtSignals(pid).second >> (signal - 1)) & 1) != 0; }

// Whether process `pid` takes `signal` instead of dying of it: it holds (blocks) or
// catches it.
bool TakesSignal(pid_t pid, int signal) {
    const auto [held, caught] = HeldAndCaughtSignals(pid);
    return (((held | caught) >> (signal - 1)) & 1) != 0;
}

// Sends `signal` as soon as the program takes it; one that never does is killed.
void SignalOnceTaken(ChildProcess& program, int signal) {
    if (!WaitFor([&] { return TakesSignal(program.Pid(), signal); }, 20, 0)) {
        ADD_FAILURE() << "the program never took " << strsignal(signal);
        program.Kill(SIGKILL);
        return;
    }
    program.Kill(signal);
}

TEST(ProgramTest, DebugModeRunsUntilTheSessionEnds) {
    auto debug = Start({"/debug"});
    ASSERT_TRUE(debug);
    ASSERT_TRUE(WaitFor([&] {
        for (const std::string& line : LinesOf(debug->Pid())) {
            if (line.find("COnIdleHandler::ctor") != std::string::npos) return true;
        }
        return false;
    }));
    EXPECT_FALSE(debug->Wait(300));  // the loop runs on
    debug->Kill(SIGTERM);
    ASSERT_TRUE(debug->Wait(20'000));
    EXPECT_EQ(debug->ExitCode(), 0);
    // Today's file in the data root's "Log" folder.
    const fs::path today = fs::path(LogDirectory()) / zovi::platform::EncodeUtf8Lossless(LogFileName(CurrentLogTime()));
    EXPECT_TRUE(fs::exists(today)) << today;
    EXPECT_EQ(fs::path(LogDirectory()), fs::path(zovi::platform::EncodeUtf8Lossless(GetDataRootPath())) / "Log");
    std::vector<std::string> lines = LinesOf(debug->Pid());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines.front().find("Log opened on"), std::string::npos);
    EXPECT_NE(lines[1].find("[INFO   ] [" + std::to_string(debug->Pid()) + "] "), std::string::npos);
    // The start line names the account side's device identifier.
    EXPECT_NE(lines[1].find("wWinMain start[" + zovi::platform::WideToUtf8(CAccountContextController::GetDeviceId()) +
                            "] app lang="),
              std::string::npos);
    EXPECT_NE(lines.back().find("Log closed on"), std::string::npos);
}

TEST(ProgramTest, UploaderModeEndsAtOnce) {
    auto uploader = Start({"/uploader", "--dmp_file=/nonexistent/package.zip"});
    ASSERT_TRUE(uploader && uploader->Wait(30'000));
    EXPECT_EQ(uploader->ExitCode(), 0);
}

TEST(ProgramTest, LanguageOptionDifferingInCaseSelectsEnglish) {
    ASSERT_TRUE(WriteRegString(L"EN-us", L"lang", nullptr));
    auto run = Start({"/uploader"});
    ASSERT_TRUE(run && run->Wait(30'000));
    bool english = false;
    for (const std::string& line : LinesOf(run->Pid())) {
        english |= line.find("app lang=en-US!!!") != std::string::npos;
    }
    EXPECT_TRUE(english);
    std::wstring stored;
    ASSERT_TRUE(ReadRegString(stored, L"lang", nullptr));
    EXPECT_EQ(stored, L"en-US");  // saved at exit, after the log was closed
    WriteRegString(L"zh-CN", L"lang", nullptr);
}

TEST(ProgramTest, SessionEndDuringStartUpSavesTheSettingsAndEndsWithZero) {
    // Sent as soon as the program takes it, several times; or held at the start of its
    // static construction (a test seam) so it is pending through the whole start-up.
    // The modes with a loop end through it, the uploader at its own end.
    struct Case {
        std::vector<std::string> arguments;
        int signal;
        bool held;
        int runs;
    } cases[] = {
        {{"/debug"}, SIGTERM, true, 1},
        {{}, SIGHUP, true, 1},
        {{"/uploader"}, SIGINT, true, 1},
        {{"/debug"}, SIGTERM, false, 5},
        {{}, SIGINT, false, 3},
    };
    // The recorder's main window finds this "tray" and starts no tray program.
    zovi::testing::FakeTray tray;
    for (const Case& c : cases) {
        for (int run = 0; run < c.runs; ++run) {
            SCOPED_TRACE((c.arguments.empty() ? std::string("recorder") : c.arguments[0]) + " " +
                         strsignal(c.signal) + (c.held ? ", held" : "") + ", run " + std::to_string(run));
            ASSERT_TRUE(WriteRegString(L"EN-us", L"lang", nullptr));
            Environment environment;
            if (c.held) environment.emplace_back("ZOVI_TEST_START_AWAITS_SESSION_END", "1");
            auto program = Start(c.arguments, environment);
            ASSERT_TRUE(program);
            SignalOnceTaken(*program, c.signal);
            ASSERT_TRUE(program->Wait(60'000));
            EXPECT_EQ(program->ExitCode(), 0);
            std::wstring stored;
            ASSERT_TRUE(ReadRegString(stored, L"lang", nullptr));
            EXPECT_EQ(stored, L"en-US");  // the settings were saved at the end
        }
    }
    WriteRegString(L"zh-CN", L"lang", nullptr);
}

TEST(ProgramTest, NoModeMakesTheVideoFoldersAtStart) {
    // Made when a recording or a snapshot needs them; a private home shows what a start made.
    zovi::testing::FakeTray tray;  // no tray program is started
    for (const char* mode : {"/uploader", "/debug", "/capture"}) {
        SCOPED_TRACE(mode);
        char pattern[] = "/tmp/zovi-program-home-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        const fs::path home = pattern;
        auto program = Start({mode}, {{"HOME", home.string()}, {"XDG_CONFIG_HOME", (home / ".config").string()}});
        ASSERT_TRUE(program);
        if (std::string(mode) != "/uploader") {
            SignalOnceTaken(*program, SIGTERM);  // held until the loop runs: the whole start-up happens
        }
        ASSERT_TRUE(program->Wait(60'000));
        EXPECT_EQ(program->ExitCode(), 0);
        EXPECT_TRUE(fs::is_directory(home / "Zovi录屏" / "Log"));  // it ran in this home
        EXPECT_FALSE(fs::exists(home / "Videos"));
        // Only the capture mode makes (and loads) the account storage, which makes its folder.
        EXPECT_EQ(fs::is_directory(home / "Zovi录屏" / "Data"), std::string(mode) == "/capture");
        fs::remove_all(home);
    }
}

TEST(ProgramTest, SecondCaptureCopyRaisesTheFirstAndEnds) {
    if (!zovi::platform::HasDisplay()) GTEST_SKIP() << "needs an X server";
    // This test stands in for the first copy: it holds the mutex and owns a hidden
    // "CaptureMainWnd" window.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, kCaptureInstanceMutex);
    ASSERT_NE(mutex, nullptr);
    ASSERT_EQ(GetLastError(), ERROR_SUCCESS);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefWindowProcW;
    wc.lpszClassName = kCaptureMainWndClass;
    RegisterClassExW(&wc);
    HWND main = CreateWindowExW(0, kCaptureMainWndClass, L"", WS_POPUP, 30, 30, 200, 100, 0, nullptr, nullptr, nullptr);
    ASSERT_NE(main, 0u);
    EXPECT_FALSE(IsWindowVisible(main));
    Display* display = XOpenDisplay(nullptr);
    Window focusBefore = 0;
    int revert = 0;
    XGetInputFocus(display, &focusBefore, &revert);

    auto second = Start({"/capture"});
    ASSERT_TRUE(second);
    MSG msg;
    ASSERT_TRUE(WaitFor([&] {
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return second->Wait(0);
    }));
    EXPECT_EQ(second->ExitCode(), 0);
    ASSERT_TRUE(WaitFor([&] {
        while (PeekMessageW(&msg, 0, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        return IsWindowVisible(main) != FALSE;
    }));
    // On top of its siblings, and the focus stayed where it was.
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XSync(display, False);
    XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count);
    ASSERT_GT(count, 0u);
    EXPECT_EQ(children[count - 1], main);
    XFree(children);
    Window focusAfter = 0;
    XGetInputFocus(display, &focusAfter, &revert);
    EXPECT_EQ(focusAfter, focusBefore);
    XCloseDisplay(display);
    for (const std::string& line : LinesOf(second->Pid())) EXPECT_TRUE(IsStartOrEndLine(line)) << line;
    DestroyWindow(main);
    ReleaseMutex(mutex);
    CloseHandle(mutex);
}

TEST(ProgramTest, SecondCopyOfARealRecorderEndsAndOtherModesRunBesideIt) {
    zovi::testing::FakeTray tray;  // no tray program is started
    auto first = Start({});
    ASSERT_TRUE(first);
    // The first copy holds the instance mutex once it has started (opening the mutex
    // here would make the first copy think it came second).
    ASSERT_TRUE(WaitFor([&] { return HoldsCaptureMutex(first->Pid()); }));
    EXPECT_EQ(RunToEnd({"/capture"}), 0);
    EXPECT_EQ(RunToEnd({"/uploader"}), 0);
    for (const char* mode : {"/player", "/wb", "/debug"}) {
        auto beside = Start({mode});
        ASSERT_TRUE(beside);
        EXPECT_FALSE(beside->Wait(1000)) << mode << " ended beside the recorder";
        SignalOnceTaken(*beside, SIGTERM);  // a slow start-up may not handle it yet
        ASSERT_TRUE(beside->Wait(20'000));
        EXPECT_EQ(beside->ExitCode(), 0) << mode;
    }
    first->Kill(SIGTERM);
    ASSERT_TRUE(first->Wait(20'000));
    EXPECT_EQ(first->ExitCode(), 0);
}

TEST(ProgramTest, CrashHooksLeaveAReportWithTheFatalTextAndExit255) {
    struct Case {
        const char* kind;
        const char* text;
    } cases[] = {
        {"invalid", " 0 Fatal CRT parameter error"},
        {"pure", " 0 Fatal pure function call"},
        {"throw", nullptr},
    };
    for (const Case& c : cases) {
        char pattern[] = "/tmp/zovi-crash-hooks-XXXXXX";
        const std::string folder = mkdtemp(pattern);
        auto child = ChildProcess::Start({std::string(ZOVI_TEST_BIN_DIR) + "/crash_hooks_child", folder, c.kind}, {});
        ASSERT_TRUE(child && child->Wait(60'000)) << c.kind;
        EXPECT_EQ(child->ExitCode(), 255) << c.kind;
        std::string report;
        for (auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.path().extension() == ".txt") {
                std::ifstream in(entry.path());
                std::stringstream text;
                text << in.rdbuf();
                report = text.str();
            }
        }
        EXPECT_FALSE(report.empty()) << c.kind << ": no report";
        if (c.text) {
            EXPECT_NE(report.find(c.text), std::string::npos) << c.kind << "\n" << report.substr(0, 2000);
        }
        fs::remove_all(folder);
    }
}

// The recording the program started, from its log line; empty until it has started.
std::string RecordingFileOf(pid_t pid) {
    const std::string mark = "Recording at start: ";
    for (const std::string& line : LinesOf(pid)) {
        const size_t at = line.find(mark);
        if (at != std::string::npos) return line.substr(at + mark.size());
    }
    return {};
}

bool InHistory(const std::string& file) {
    auto* history = zovi::engine::CCaptureHistory::GetInstance();
    std::vector<uint32_t> keys;
    std::vector<std::shared_ptr<zovi::engine::CaptureHistoryItem>> items;
    if (history->GetKeys(keys)) history->LoadAll(keys, items);
    history->Flush();  // closed again: an open store keeps the next recording's entry out
    for (const auto& item : items) {
        if (item->path == file) return true;
    }
    return false;
}

TEST(ProgramTest, LossOfTheXServerEndsTheSessionAndFinishesTheRecording) {
    // The server killed (a crash) or ended cleanly: either way every connection of the
    // program breaks. The program finishes a running recording (a playable file in the
    // history), saves its settings and ends by itself, saying why.
    struct Case {
        std::vector<std::string> arguments;
        bool recording;
        int serverSignal;
    } cases[] = {
        {{"/capture"}, true, SIGKILL},
        {{"/capture"}, false, SIGKILL},
        {{"/debug"}, false, SIGTERM},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[0] + (c.recording ? " recording" : " idle") + ", server ended by " +
                     strsignal(c.serverSignal));
        zovi::test::CKillableXServer server;
        ASSERT_FALSE(server.Name().empty()) << "Xvfb did not start";
        ASSERT_TRUE(WriteRegString(L"EN-us", L"lang", nullptr));
        Environment environment = {{"DISPLAY", server.Name()}};
        if (c.recording) environment.emplace_back("ZOVI_TEST_RECORD_AT_START", "1");
        auto program = Start(c.arguments, environment);
        ASSERT_TRUE(program);
        // The loop runs, watching for the session end, once its handler catches SIGTERM.
        ASSERT_TRUE(WaitFor([&] { return CatchesSignal(program->Pid(), SIGTERM); }, 60));
        std::string file;
        if (c.recording) {
            ASSERT_TRUE(WaitFor([&] { return !(file = RecordingFileOf(program->Pid())).empty(); }, 60));
            // The muxer has written the first of it.
            ASSERT_TRUE(WaitFor(
                [&] {
                    std::error_code error;
                    return fs::file_size(file, error) > 0 && !error;
                },
                60));
        }

        server.End(c.serverSignal);
        const bool ended = program->Wait(60'000);
        if (!ended) {
            program->Kill(SIGKILL);
            program->Wait(-1);
        }
        ASSERT_TRUE(ended) << "the program did not end without its X server";
        EXPECT_EQ(program->ExitCode(), 0);
        bool told = false;
        for (const std::string& line : LinesOf(program->Pid())) {
            told |= line.find("Session end: the connection to the X server was lost") != std::string::npos;
        }
        EXPECT_TRUE(told);
        std::wstring stored;
        ASSERT_TRUE(ReadRegString(stored, L"lang", nullptr));
        EXPECT_EQ(stored, L"en-US");  // the settings were saved
        if (c.recording) {
            const zovi::test::MediaInfo media = zovi::test::ProbeMedia(file);
            EXPECT_TRUE(media.opened) << file;
            EXPECT_GT(media.videoDuration, 0) << file;
            EXPECT_EQ(media.audioStreams, 1) << file;
            EXPECT_TRUE(InHistory(file)) << "the muxer did not finish " << file;
            fs::remove(file);
        }
    }
    WriteRegString(L"zh-CN", L"lang", nullptr);
}

}  // namespace
