#include "tray/tray_main_wnd.h"

#include <cstdio>

#include "core/traylink/tray_link.h"
#include "platform/window/hotkeys.h"
#include "platform/window/window.h"
#include "tray/tray_messages.h"

namespace {


// 32001 is on no menu, yet a sender may use it: it is forwarded like the others.
bool IsForwardedMenuCommand(WORD id) {
    return id == kCmdOpenMain || id == 32001 || id == kCmdSettings || id == kCmdHomePage;
}

}  // namespace

CTrayMainWnd::CTrayMainWnd(ITrayServices& services)
    : services_(services), trayCallbackMessage_(RegisterWindowMessageW(L"WM_TRAYICONEVENT")) {}

CTrayMainWnd::~CTrayMainWnd() {
    if (hwnd_) DestroyWindow(hwnd_);
    hotkeys_.clear();
}

HWND CTrayMainWnd::Create() {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    // Redraw styles and a background brush mean nothing for a window never shown.
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kTrayWindowClass;
    RegisterClassExW(&windowClass);
    // No thunk to allocate here, so no out-of-memory branch.
    CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, kTrayWindowClass, nullptr, WS_POPUP, CW_USEDEFAULT,
                    CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, nullptr, nullptr, this);
    return hwnd_;
}

LRESULT CTrayMainWnd::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CTrayMainWnd*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<CTrayMainWnd*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    LRESULT result = 0;
    if (self && self->ProcessWindowMessage(hwnd, message, wParam, lParam, result)) return result;
    if (message == WM_NCDESTROY && self) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

BOOL CTrayMainWnd::ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    const TrayMessages& shared = GetTrayMessages();
    result = 0;
    if (message == WM_CREATE) {
        result = OnCreate();
    } else if (message == WM_DESTROY) {
        OnDestroy();
    } else if (message == WM_TIMER) {
        if (wParam == kBlinkTimerId) OnBlinkTick();
    } else if (message == WM_HOTKEY) {
        services_.SendCommandToMain(static_cast<UINT>(wParam), hwnd);
    } else if (message == WM_USER) {
        OnMenu();
    } else if (message == shared.enableHotkeys && message) {
        if (wParam) {
            services_.RegisterHotkeys(hwnd, hotkeys_);
        } else {
            services_.UnregisterHotkeys(hwnd, hotkeys_);
        }
    } else if (message == shared.reloadSettings && message) {
        services_.UnregisterHotkeys(hwnd, hotkeys_);
        services_.RegisterHotkeys(hwnd, hotkeys_);
        services_.ApplyLanguage();
    } else if (message == shared.terminate && message) {
        SendMessageW(hwnd, WM_CLOSE, wParam, 0);
    } else if (message == shared.trayIconFlash && message) {
        RequestFlash();
    } else if (message == WM_COMMAND && IsForwardedMenuCommand(LOWORD(wParam))) {
        services_.SendCommandToMain(LOWORD(wParam), hwnd);
    } else if (message == WM_COMMAND && LOWORD(wParam) == kCmdExit) {
        // Only a main program that runs is told; none is started just to end it.
        services_.SendCommandToRunningMain(kCmdExit, hwnd);
        DestroyWindow(hwnd);
    } else if (message == trayCallbackMessage_ && message) {
        OnTrayCallback(wParam, lParam);
    } else {
        return FALSE;
    }
    return TRUE;
}

LRESULT CTrayMainWnd::OnCreate() {
    services_.ApplyLanguage();
    // Without a notification area the program still serves its hotkeys.
    if (!AddIcon(hwnd_, trayCallbackMessage_)) {
        std::fprintf(stderr, "ZoviTray: no notification area; running without an icon\n");
    }
    services_.RegisterHotkeys(hwnd_, hotkeys_);
    SetTimer(hwnd_, kBlinkTimerId, kBlinkTimerPeriodMs, nullptr);
    return 0;
}

void CTrayMainWnd::OnDestroy() {
    services_.UnregisterHotkeys(hwnd_, hotkeys_);
    DeleteIcon();
    PostQuitMessage(0);
}

void CTrayMainWnd::OnTrayCallback(WPARAM wParam, LPARAM lParam) {
    if (wParam != kTrayIconId) return;
    const WORD mouse = LOWORD(lParam);
    if (mouse == WM_LBUTTONUP) {
        PostMessageW(hwnd_, WM_COMMAND, kCmdOpenMain, 0);
    } else if (mouse == WM_RBUTTONUP) {
        PostMessageW(hwnd_, WM_USER, 0, 0);
    }
}

void CTrayMainWnd::OnMenu() {
    const DWORD position = GetMessagePos();
    const POINT at{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))};
    const UINT id = TrackTrayMenu(hwnd_, at, services_.ReadLanguage());
    if (id) PostMessageW(hwnd_, WM_COMMAND, id, 0);
}
