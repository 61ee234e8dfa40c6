// A stand-in tray program for the tray link tests: registers the shared messages, makes
// an (unmapped) window of class "CaptureTrayWnd", appends a line to the file named by
// $ZOVI_FAKE_TRAY_STARTS (when set) at each start, and prints "<name> <wParam> <lParam>" for each shared message it receives.
// "ZVK_TRAY_TERMINATE" ends it (exit 0); it gives up by itself after 60 s (exit 3).
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "core/traylink/tray_link.h"
#include "platform/base/utf8.h"
#include "platform/process/process.h"
#include "platform/window/window.h"

namespace {

UINT gIds[8];
constexpr UINT_PTR kGiveUpTimer = 1;

LRESULT TrayProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    for (int i = 0; i < 8; ++i) {
        if (gIds[i] == 0 || message != gIds[i]) continue;
        std::printf("%s %lu %ld\n", zovi::platform::WideToUtf8(kSharedMessageNames[i]).c_str(),
                    static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        std::fflush(stdout);
        if (kSharedMessageNames[i] == std::wstring(kMsgTrayTerminate)) PostQuitMessage(0);
        return 0;
    }
    if (message == WM_TIMER && wParam == kGiveUpTimer) PostQuitMessage(3);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main() {
    for (int i = 0; i < 8; ++i) gIds[i] = RegisterWindowMessageW(kSharedMessageNames[i]);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TrayProc;
    wc.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&wc);
    const HWND hwnd = CreateWindowExW(0, kTrayWindowClass, L"", WS_POPUP, 0, 0, 1, 1, 0, nullptr, nullptr, nullptr);
    if (hwnd == 0) return 2;
    SetTimer(hwnd, kGiveUpTimer, 60000, nullptr);
    if (const char* starts = std::getenv("ZOVI_FAKE_TRAY_STARTS"))
        std::ofstream(starts, std::ios::app) << zovi::platform::SelfExePath() << "\n";
    std::printf("ready\n");
    std::fflush(stdout);
    MSG msg;
    int code = 0;
    while (true) {
        const BOOL got = GetMessageW(&msg, 0, 0, 0);
        if (got <= 0) {
            code = got == 0 ? static_cast<int>(msg.wParam) : 4;
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyWindow(hwnd);
    return code;
}
