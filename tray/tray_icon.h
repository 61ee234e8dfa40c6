// The tray program's icon in the desktop's notification area: adding it (retried while
// the notification area is not there yet), blinking it on request, and its menu. A part
// of the tray's main window, used on its thread only.
#pragma once
#include <string>

#include "platform/tray/notify_icon.h"
#include "platform/window/window_types.h"

inline constexpr UINT kTrayIconId = 1;
inline constexpr UINT_PTR kBlinkTimerId = 1000;
inline constexpr UINT kBlinkTimerPeriodMs = 500;

// The blink rule: a request opens a 1500 ms window in which the icon alternates between
// empty and shown on each tick; outside it the icon is shown on every tick.
class CBlinkState {
public:
    // Starts (or restarts) the window now.
    void Request();
    // One tick: true when the icon is to be shown, false for an empty icon.
    bool Tick();

private:
    DWORD flashStart_ = 0;  // GetTickCount() of the last request
    bool hidden_ = false;   // the last tick emptied the icon
};

class CTrayIcon {
public:
    CTrayIcon();   // loads the icon image
    ~CTrayIcon();  // removes the icon when shown and frees the image
    CTrayIcon(const CTrayIcon&) = delete;
    CTrayIcon& operator=(const CTrayIcon&) = delete;

    // Adds the icon for `owner` (clicks come back as `callbackMessage`), retrying every
    // 250 ms for up to 15 s. True once it is shown.
    bool AddIcon(HWND owner, UINT callbackMessage);
    // Shows `icon` (null: an empty icon) in place of the current one; false when the icon
    // is not shown.
    bool SetIcon(HICON icon);
    // Removes the icon when it is shown.
    void DeleteIcon();
    bool IsIconShown() const { return shown_; }

    void RequestFlash() { blink_.Request(); }
    void OnBlinkTick();

    // Shows the menu of the language `lang` at `position` and returns the chosen command
    // id, 0 when none was chosen.
    UINT TrackTrayMenu(HWND owner, POINT position, const std::wstring& lang);

private:
    NOTIFYICONDATAW record_{};
    bool shown_ = false;
    HICON icon_ = nullptr;
    CBlinkState blink_;
};
