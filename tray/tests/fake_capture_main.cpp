// A stand-in main program for the tray's tests, built as "ZoviCapture": owns a window of
// class "CaptureMainWnd", answers "ZVK_CHECKLISTENER" from a script and reports what
// reaches it, one line each, on standard output and (when $ZOVI_FAKE_MAIN_LOG names a
// file) appended to that file:
//   "started <pid>"                      at once
//   "ready"                              once its window exists
//   "check <n> <answer>"                 per "ZVK_CHECKLISTENER" (n counts from 1)
//   "showcapture <id> <lParam>"          per "ZVK_SHOWCAPTURE"
// Environment:
//   ZOVI_FAKE_MAIN_ANSWERS  answers to the checks in turn, e.g. "0,0,0,1"; the last one
//                           repeats (default "1")
//   ZOVI_FAKE_MAIN_DELAY_MS the window is made this late; "never" makes none
//   ZOVI_FAKE_MAIN_STALL_MS each check is answered only after the UI thread stalled so long
// "ZVK_SHOWCAPTURE" 32003 ends it (exit 0), as it closes the real main program; it gives
// up by itself after 60 s (exit 3).
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/traylink/tray_link.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace {

constexpr UINT_PTR kGiveUpTimer = 1;
constexpr WPARAM kExitCommand = 32003;

UINT gCheckListener = 0;
UINT gShowCapture = 0;
std::vector<LRESULT> gAnswers;
int gChecks = 0;
long gStallMs = 0;

void Report(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
    if (const char* log = std::getenv("ZOVI_FAKE_MAIN_LOG")) std::ofstream(log, std::ios::app) << line << "\n";
}

std::vector<LRESULT> ParseAnswers(const char* text) {
    std::vector<LRESULT> answers;
    std::string list = text != nullptr ? text : "1";
    for (size_t start = 0; start <= list.size();) {
        size_t comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        answers.push_back(std::strtol(list.substr(start, comma - start).c_str(), nullptr, 10));
        start = comma + 1;
    }
    return answers;
}

LRESULT MainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == gCheckListener && gCheckListener != 0) {
        if (gStallMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(gStallMs));
        const LRESULT answer = gAnswers[std::min<size_t>(gChecks, gAnswers.size() - 1)];
        Report("check " + std::to_string(++gChecks) + " " + std::to_string(answer));
        return answer;
    }
    if (message == gShowCapture && gShowCapture != 0) {
        Report("showcapture " + std::to_string(wParam) + " " + std::to_string(static_cast<unsigned long>(lParam)));
        if (wParam == kExitCommand) PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && wParam == kGiveUpTimer) PostQuitMessage(3);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main() {
    Report("started " + std::to_string(getpid()));
    gAnswers = ParseAnswers(std::getenv("ZOVI_FAKE_MAIN_ANSWERS"));
    if (const char* stall = std::getenv("ZOVI_FAKE_MAIN_STALL_MS")) gStallMs = std::atol(stall);
    const char* delay = std::getenv("ZOVI_FAKE_MAIN_DELAY_MS");
    const bool never = delay != nullptr && std::string(delay) == "never";
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    if (never) {
        std::this_thread::sleep_until(giveUp);
        return 3;
    }
    if (delay != nullptr) std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(delay)));

    gCheckListener = RegisterWindowMessageW(kMsgCheckListener);
    gShowCapture = RegisterWindowMessageW(kMsgShowCapture);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainProc;
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
    const HWND hwnd = CreateWindowExW(0, kMainWindowClass, L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    if (hwnd == 0) return 2;
    SetTimer(hwnd, kGiveUpTimer, 60000, nullptr);
    Report("ready");
    const int code = CMessageLoop().Run();
    DestroyWindow(hwnd);
    return code;
}
