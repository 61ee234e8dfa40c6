// The link between the main program and the tray program: the eight registered messages
// they share, the two window classes, and where the tray program lies. The main window's
// handling of the messages sent to it is its own.
#pragma once
#include <string>

#include "core/deferred/singleton.h"
#include "platform/window/window_types.h"

// The shared message names, in registration order.
inline constexpr const wchar_t* kMsgCheckListener = L"ZVK_CHECKLISTENER";          // tray -> main, sent
inline constexpr const wchar_t* kMsgShowCapture = L"ZVK_SHOWCAPTURE";              // tray -> main, sent
inline constexpr const wchar_t* kMsgTrayEnableHotkeys = L"ZVK_TRAY_ENABLEHOTKEYS"; // to the tray
inline constexpr const wchar_t* kMsgTrayReloadSettings = L"ZVK_TRAY_RELOADSETTINGS";  // main -> tray
inline constexpr const wchar_t* kMsgTrayTerminate = L"ZVK_TRAY_TERMINATE";         // main -> tray
inline constexpr const wchar_t* kMsgKeepAlive = L"ZVK_KEEPALIVE";                  // registered only
inline constexpr const wchar_t* kMsgGaBasicEvent = L"ZVK_GABASICEVENT";            // registered only
inline constexpr const wchar_t* kMsgTrayIconFlash = L"ZVK_TRAYICONFLASH";          // main -> tray
inline constexpr const wchar_t* kSharedMessageNames[8] = {
    kMsgCheckListener, kMsgShowCapture, kMsgTrayEnableHotkeys, kMsgTrayReloadSettings,
    kMsgTrayTerminate, kMsgKeepAlive, kMsgGaBasicEvent, kMsgTrayIconFlash};

inline constexpr const wchar_t* kMainWindowClass = L"CaptureMainWnd";
inline constexpr const wchar_t* kTrayWindowClass = L"CaptureTrayWnd";
inline constexpr const wchar_t* kTrayProgramName = L"ZoviTray";
// The main program, which the tray program starts from its own folder.
inline constexpr const wchar_t* kMainProgramName = L"ZoviCapture";
// Stands in for the program's own path when it cannot be had.
inline constexpr const wchar_t* kFallbackProgramName = L"Zovik";

// Command ids the tray sends with "ZVK_SHOWCAPTURE": its menu, then the six hotkeys.
inline constexpr UINT kCmdOpenMain = 32000, kCmdSettings = 32002, kCmdExit = 32003, kCmdHomePage = 32004;
inline constexpr UINT kCmdStart = 33000, kCmdPause = 33001, kCmdStop = 33002, kCmdMicrophone = 33003,
                      kCmdCamera = 33004, kCmdToolbar = 33005;

// Registers the eight names in order (static construction) and keeps the ids of
// "ZVK_CHECKLISTENER" and "ZVK_SHOWCAPTURE" for the main window's message map. Without an
// X display the ids are 0.
void RegisterSharedMessages();
UINT GetCheckListenerMessage();
UINT GetShowCaptureMessage();

// Posts to the tray window (found by its class); nothing happens when there is none.
// Each registers its name at first use. Never blocks.
bool PostTrayReloadSettings();
bool PostTrayTerminate();
bool PostTrayIconFlash(UINT recordedSeconds);

class CTrayAppletController final : public CSingletonT<CTrayAppletController> {
public:
    // The main program's folder (from its own path) with a separator, + "ZoviTray".
    std::wstring GetTrayProgramPath();
    // When no tray window exists, starts the tray program beside the main program
    // (detached, no inherited descriptors). True when it was started.
    bool StartTrayProgramIfMissing();

private:
    friend class CSingletonT<CTrayAppletController>;
    CTrayAppletController() = default;
    ~CTrayAppletController() = default;
};
