// What the tray's main window asks of the rest of the program: the road to the main
// program, the hotkeys and the language. The program uses the real ones (MakeTrayServices);
// a test may give the window its own.
#pragma once
#include <memory>
#include <set>
#include <string>

#include "platform/window/window_types.h"

class ITrayServices {
public:
    virtual ~ITrayServices() = default;
    // Hands command `id` to the main program, starting it when none runs.
    virtual void SendCommandToMain(UINT id, HWND tray) = 0;
    // Hands command `id` to a main program that runs; starts none.
    virtual void SendCommandToRunningMain(UINT id, HWND tray) = 0;
    // Registers the six hotkeys for `tray`, adding the registered ids to `registered`.
    virtual void RegisterHotkeys(HWND tray, std::set<int>& registered) = 0;
    // Unregisters every id of `registered` (ascending) and empties it.
    virtual void UnregisterHotkeys(HWND tray, std::set<int>& registered) = 0;
    // Selects the string table's language from the settings.
    virtual void ApplyLanguage() = 0;
    // The "lang" setting as stored ("" when missing).
    virtual std::wstring ReadLanguage() = 0;
};

std::unique_ptr<ITrayServices> MakeTrayServices();
