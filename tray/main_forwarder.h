// The tray's road to the main program: every menu command and hotkey ends as a command
// id handed to the main window ("CaptureMainWnd"), which is started from the tray's own
// folder when it is not running. The waits block the tray's one thread while they last.
#pragma once
#include <string>

#include "platform/base/last_error.h"
#include "platform/window/window_types.h"

// Finds (or starts) the main program, checks that its window answers and sends it
// "ZVK_SHOWCAPTURE"(id, trayWindow). The main window, or null when the command was
// dropped (a window that does not answer the check gives a beep).
HWND SendCommandToMain(UINT id, HWND trayWindow);
// As SendCommandToMain, but only to a main program that already runs: never starts one
// (closing a program just started would be pointless). Null when none runs.
HWND SendCommandToRunningMain(UINT id, HWND trayWindow);
// The main window; when none exists, starts the main program and takes its window once
// it answers the check. Null on failure.
HWND FindOrStartMain();
// True when `window` answers "ZVK_CHECKLISTENER" with a nonzero result: up to four sends
// of up to 3 s each, a second apart while the answer is 0. A send that fails or times out
// gives false at once.
bool CheckListener(HWND window);

class COrvaneAppFinder {
public:
    // Starts the main program from this program's folder and waits up to `timeoutMs`
    // (0: 5000) for a main window. The last error tells the outcome: 0 when the window
    // belongs to the process started, ERROR_ALREADY_EXISTS when to another;
    // ERROR_FILE_NOT_FOUND (nothing started) or ERROR_NOT_READY (no window in time) with
    // null. `show` is not used: the main program shows its window itself.
    static HWND ExecExe(const std::wstring& parameters, int show, DWORD timeoutMs);
};

// Formats like swprintf ("%s" takes a wide string) and writes the text to standard
// error when $ZOVI_DEBUG_TRACE is set; an empty format or result writes nothing.
void DebugTrace(const wchar_t* format, ...);
// The system's text for an error code without trailing line breaks; the code in decimal
// when there is none.
std::wstring GetErrorText(DWORD code);
// `path` ending in a separator: "/" is added unless it ends in "/" or "\".
std::wstring AddTrailingSlash(const std::wstring& path);
