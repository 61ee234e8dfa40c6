// The UI thread's message loop with message filters and idle handlers, the registry of
// loops by thread, and the nested loop of modal windows.
#pragma once
#include <vector>

#include "platform/window/window.h"

class CMessageFilter {
public:
    // Nonzero when the message was handled (it is then neither translated nor dispatched).
    virtual BOOL PreTranslateMessage(MSG* msg) = 0;

protected:
    virtual ~CMessageFilter() = default;
};

class CIdleHandler {
public:
    virtual BOOL OnIdle() = 0;

protected:
    virtual ~CIdleHandler() = default;
};

class CMessageLoop {
public:
    BOOL AddMessageFilter(CMessageFilter* filter);
    BOOL RemoveMessageFilter(CMessageFilter* filter);
    BOOL AddIdleHandler(CIdleHandler* handler);
    BOOL RemoveIdleHandler(CIdleHandler* handler);

    // Runs until WM_QUIT; returns its exit code. While idle work is allowed and no
    // message waits, the idle handlers run once (then idle work stops until a message
    // other than a mouse move, non-client mouse move, paint or system timer arrives).
    int Run();

    // Message that do not allow a new idle pass.
    static bool IsIdleMessage(const MSG* msg);

    virtual ~CMessageLoop() = default;

protected:
    virtual BOOL PreTranslateMessage(MSG* msg);
    virtual BOOL OnIdle(int idleCount);

private:
    std::vector<CMessageFilter*> filters_;
    std::vector<CIdleHandler*> idleHandlers_;
    MSG msg_{};
};

// The message loops of the process by thread (the module's registry).
namespace zovi::platform {

BOOL AddMessageLoop(CMessageLoop* loop);      // for the calling thread
BOOL RemoveMessageLoop();                     // the calling thread's
CMessageLoop* GetMessageLoop(DWORD threadId = 0);  // 0: the calling thread

// The nested loop of a modal window: dispatches messages (through the thread's message
// filters) until `done` is set; runs no idle handlers. A WM_QUIT it sees is posted again
// for the outer loop and ends the nested loop.
void RunModalLoop(const bool& done);

// Session end: SIGTERM, SIGHUP and SIGINT reach the calling thread's message loop, which
// sends WM_QUERYENDSESSION and then WM_ENDSESSION (TRUE) to this thread's top-level
// windows and quits. Uninstall holds them again on the calling thread, so a session end
// during the shutdown that follows is taken as done (the program is ending anyway).
// The loss of the thread's connection to the X server (the server ended, the connection
// broke) is a session end too; Install opens that connection, so it is watched even
// before the thread has a window. No X call is made on a lost connection.
void InstallSessionEndHandler();
void UninstallSessionEndHandler();

enum class SessionEndCause { kSignal, kDisplayLost };
// Called on the loop's thread when a session end reaches it, before its windows are told.
void SetSessionEndObserver(void (*observer)(SessionEndCause cause));
// Blocks the session-end signals on the calling thread, and on every thread it starts
// from then on. Called by a program's first instruction, so a session end during its
// start-up stays pending. Install unblocks them on its own thread and takes what is
// pending; a program that never installs the handler ends without them.
void HoldSessionEndSignals();
// For start-up tests: waits until a held session-end signal is pending (it stays so).
void AwaitHeldSessionEnd();

}  // namespace zovi::platform
