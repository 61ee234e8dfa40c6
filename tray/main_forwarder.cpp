#include "tray/main_forwarder.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/files/path_string.h"
#include "core/traylink/tray_link.h"
#include "core/util/error_message.h"
#include "platform/base/clock.h"
#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/base/wformat.h"
#include "platform/fs/folders.h"
#include "platform/fs/win_file.h"
#include "platform/process/command_line.h"
#include "platform/process/process.h"
#include "platform/window/message_beep.h"
#include "platform/window/window.h"

namespace {

constexpr UINT kCheckTimeoutMs = 3000;
constexpr DWORD kCheckPauseMs = 1000;
constexpr int kMaxChecks = 4;
constexpr UINT kCommandTimeoutMs = 1000;
constexpr DWORD kDefaultStartTimeoutMs = 5000;
constexpr DWORD kStartPollMs = 100;

// The folder of this program's own file.
std::wstring OwnFolder() {
    constexpr DWORD kSize = 4096;
    std::wstring path(kSize, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kSize);
    path.resize(length < kSize ? length : 0);
    path.resize(PathFindFileNamePart(path));
    return path;
}

// The program file and the parameters, split as a command line would be.
std::vector<std::string> ProgramArguments(const std::wstring& program,
                                          const std::wstring& parameters) {
    std::vector<std::string> arguments{zovi::platform::ToSystemPath(program)};
    if (!parameters.empty()) {
        std::vector<std::string> split =
            zovi::platform::SplitCommandLine("program " + zovi::platform::WideToUtf8(parameters));
        arguments.insert(arguments.end(), split.begin() + 1, split.end());
    }
    return arguments;
}

// The check and the command for a main window found or started.
HWND HandCommandTo(HWND mainWindow, UINT id, HWND trayWindow) {
    // AllowSetForegroundWindow has no counterpart under X: the main program raises its own
    // window through the window manager.
    if (!CheckListener(mainWindow)) {
        MessageBeep(0xFFFFFFFF);
        return 0;
    }
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(mainWindow, RegisterWindowMessageW(kMsgShowCapture), id,
                        static_cast<LPARAM>(trayWindow), SMTO_ABORTIFHUNG, kCommandTimeoutMs,
                        &ignored);
    return mainWindow;
}

}  // namespace

HWND SendCommandToMain(UINT id, HWND trayWindow) {
    const HWND mainWindow = FindOrStartMain();
    return mainWindow == 0 ? 0 : HandCommandTo(mainWindow, id, trayWindow);
}

HWND SendCommandToRunningMain(UINT id, HWND trayWindow) {
    const HWND mainWindow = FindWindowW(kMainWindowClass, nullptr);
    return mainWindow == 0 ? 0 : HandCommandTo(mainWindow, id, trayWindow);
}

HWND FindOrStartMain() {
    if (const HWND found = FindWindowW(kMainWindowClass, nullptr)) return found;
    const HWND started = COrvaneAppFinder::ExecExe(L"", SW_SHOWNORMAL, 0);
    return started != 0 && CheckListener(started) ? started : 0;
}

bool CheckListener(HWND window) {
    const UINT message = RegisterWindowMessageW(kMsgCheckListener);
    for (int send = 1;; ++send) {
        DWORD_PTR answer = 0;
        // SMTO_ABORTIFHUNG cannot tell a hung window under X: a hung main program costs
        // the whole time-out.
        if (SendMessageTimeoutW(window, message, 0, 0, SMTO_ABORTIFHUNG, kCheckTimeoutMs,
                                &answer) == 0)
            return false;
        if (answer != 0 || send == kMaxChecks) return answer != 0;
        Sleep(kCheckPauseMs);
    }
}

HWND COrvaneAppFinder::ExecExe(const std::wstring& parameters, int /*show*/, DWORD timeoutMs) {
    const std::wstring path = AddTrailingSlash(OwnFolder()) + kMainProgramName;
    WIN32_FILE_ATTRIBUTE_DATA attributes{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes) ||
        (attributes.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    DebugTrace(L"COrvaneAppFinder::FindExe: %s\n", path.c_str());
    DebugTrace(L"COrvaneAppFinder::ExecExe: %s\n", path.c_str());
    // A session of its own: the main program outlives the tray's terminal and session.
    pid_t startedPid = -1;
    if (!zovi::platform::StartDetachedProcess(ProgramArguments(path, parameters), &startedPid,
                                              true)) {
        DebugTrace(L"COrvaneAppFinder::ExecExe: ShellExecuteEx() failed, error: %s\n",
                   GetErrorText(GetLastError()).c_str());
        return 0;
    }
    const DWORD newPid = static_cast<DWORD>(startedPid);
    const DWORD limit = timeoutMs == 0 ? kDefaultStartTimeoutMs : timeoutMs;
    for (DWORD elapsed = 0; elapsed < limit; elapsed += kStartPollMs) {
        if (const HWND window = FindWindowW(kMainWindowClass, nullptr)) {
            DWORD windowPid = 0;
            GetWindowThreadProcessId(window, &windowPid);
            DebugTrace(L"COrvaneAppFinder::ExecExe: hwnd=%08x pidWnd/New=%04x/%04x\n",
                       static_cast<unsigned>(window), static_cast<unsigned>(windowPid),
                       static_cast<unsigned>(newPid));
            SetLastError(windowPid == newPid ? ERROR_SUCCESS : ERROR_ALREADY_EXISTS);
            return window;
        }
        Sleep(kStartPollMs);
    }
    SetLastError(ERROR_NOT_READY);
    return 0;
}

void DebugTrace(const wchar_t* format, ...) {
    if (format == nullptr || *format == 0) return;
    va_list arguments;
    va_start(arguments, format);
    const std::wstring text = zovi::platform::FormatWideV(format, arguments);
    va_end(arguments);
    // The debugger's output has no counterpart here: standard error, when asked for.
    if (text.empty() || std::getenv("ZOVI_DEBUG_TRACE") == nullptr) return;
    const std::string bytes = zovi::platform::WideToUtf8(text);
    std::fwrite(bytes.data(), 1, bytes.size(), stderr);
    std::fflush(stderr);
}

std::wstring GetErrorText(DWORD code) { return FormatErrorMessage(code); }

std::wstring AddTrailingSlash(const std::wstring& path) {
    if (!path.empty() && (path.back() == L'/' || path.back() == L'\\')) return path;
    return path + L'/';
}
