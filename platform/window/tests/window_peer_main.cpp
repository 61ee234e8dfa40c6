// A second process for the cross-process tests: registers the eight shared message
// names (and prints their ids), makes a top-level window of the class given, reports on
// stdout what reaches it, and answers sent messages. Arguments: class name. Messages:
//   "ZVK_CHECKLISTENER" answers 1;
//   "ZOVI_TEST_ADD"   answers wParam + lParam;
//   "ZOVI_TEST_HANG"  does not answer for 3 s;
//   "ZOVI_TEST_QUIT"  ends the loop.
// Every other message at or above WM_USER is reported as "posted <msg> <wParam> <lParam>".
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/base/utf8.h"
#include "platform/window/message_loop.h"
#include "platform/window/window.h"

namespace {

UINT gAdd, gHang, gQuit, gCheckListener;

const wchar_t* const kSharedNames[8] = {
    L"ZVK_CHECKLISTENER",       L"ZVK_SHOWCAPTURE",  L"ZVK_TRAY_ENABLEHOTKEYS", L"ZVK_TRAY_RELOADSETTINGS",
    L"ZVK_TRAY_TERMINATE",      L"ZVK_KEEPALIVE",    L"ZVK_GABASICEVENT",       L"ZVK_TRAYICONFLASH"};

LRESULT PeerProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == gCheckListener) return 1;
    if (message == gAdd) return static_cast<LRESULT>(wParam + static_cast<WPARAM>(lParam));
    if (message == gHang) {
        sleep(3);
        return 1;
    }
    if (message == gQuit) {
        PostQuitMessage(7);
        return 0;
    }
    if (message >= WM_USER) {
        std::printf("posted %u %lu %ld\n", message, static_cast<unsigned long>(wParam), static_cast<long>(lParam));
        std::fflush(stdout);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::wstring className = zovi::platform::DecodeUtf8Lossless(argv[1]);
    std::printf("ids");
    for (const wchar_t* name : kSharedNames) std::printf(" %u", RegisterWindowMessageW(name));
    std::printf("\n");
    gCheckListener = RegisterWindowMessageW(kSharedNames[0]);
    gAdd = RegisterWindowMessageW(L"ZOVI_TEST_ADD");
    gHang = RegisterWindowMessageW(L"ZOVI_TEST_HANG");
    gQuit = RegisterWindowMessageW(L"ZOVI_TEST_QUIT");
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PeerProc;
    wc.lpszClassName = className.c_str();
    RegisterClassExW(&wc);
    HWND hwnd = CreateWindowExW(0, className.c_str(), L"peer", WS_POPUP | WS_VISIBLE, 10, 10, 50, 40, 0, nullptr,
                                nullptr, nullptr);
    if (!hwnd) return 3;
    std::printf("ready %lu\n", hwnd);
    std::fflush(stdout);
    CMessageLoop loop;
    int code = loop.Run();
    DestroyWindow(hwnd);
    return code;
}
