// The tray program's hidden window "CaptureTrayWnd": the target of the main program's
// messages, the owner of the notification-area icon, its menu and the hotkeys. Never
// shown. Created and used on the program's one thread.
#pragma once
#include <set>

#include "platform/window/window_types.h"
#include "tray/tray_icon.h"
#include "tray/tray_services.h"

class CTrayMainWnd : public CTrayIcon {
public:
    explicit CTrayMainWnd(ITrayServices& services);
    virtual ~CTrayMainWnd();
    CTrayMainWnd(const CTrayMainWnd&) = delete;
    CTrayMainWnd& operator=(const CTrayMainWnd&) = delete;

    // Registers the window class and creates the window (WM_CREATE adds the icon and
    // registers the hotkeys). Null when creation failed.
    HWND Create();
    HWND Window() const { return hwnd_; }
    const std::set<int>& RegisteredHotkeys() const { return hotkeys_; }

    // The message map; true when the message was handled, with its result in `result`.
    virtual BOOL ProcessWindowMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

private:
    static LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate();
    void OnDestroy();
    void OnTrayCallback(WPARAM wParam, LPARAM lParam);
    void OnMenu();

    ITrayServices& services_;
    const UINT trayCallbackMessage_;
    HWND hwnd_ = 0;
    std::set<int> hotkeys_;
};
