// The one place where the process prepares Xlib: XInitThreads before any other X call,
// and a non-fatal X error handler. Xlib's default handler ends the process on any
// protocol error; with ours, an error (BadWindow when a window of another program
// vanishes, BadMatch for a rectangle outside the root) only fails the call that made it.
// Likewise a lost connection (the server ended, the connection broke) does not end the
// process: the call that met it fails, and the connection is marked lost.
#pragma once

struct _XDisplay;  // Xlib's Display

namespace zovi::platform::x11 {

// XInitThreads and the error handlers, once per process; safe to call from any thread
// and any number of times. Every opener of a connection calls it first.
void InitX11();

// InitX11, then XOpenDisplay(name or $DISPLAY). Null when no X server can be reached.
// Only connections opened here survive their loss; Xlib ends the process for others.
_XDisplay* OpenDisplay(const char* name = nullptr);
// A lost connection is left as it is (never freed): closing it would be an X call.
void CloseDisplay(_XDisplay* display);

// Whether the connection was lost. Xlib tells it once, on the thread whose call met it,
// and keeps that thread's lock on the connection: a later call on it from any other
// thread blocks for ever. So every user of a connection that another thread may have
// met lost asks first, and no one makes an X call on a lost connection.
bool ConnectionLost(_XDisplay* display);
// Connections lost so far in the process (0 while every one is sound).
unsigned long LostConnectionCount();

// Catches the X errors that calls on `display` made on this thread raise while the trap
// lives. Failed() waits for the server's answers (XSync) and tells whether any came.
// Traps nest; the innermost one receives the errors. A trap around requests that wait
// for their reply anyway may skip the final XSync (syncOnExit false).
class CXErrorTrap {
public:
    explicit CXErrorTrap(_XDisplay* display, bool syncOnExit = true);
    ~CXErrorTrap();
    CXErrorTrap(const CXErrorTrap&) = delete;
    CXErrorTrap& operator=(const CXErrorTrap&) = delete;

    bool Failed();
    // The first error code caught (0 when none).
    int ErrorCode() const { return errorCode_; }

private:
    friend int OnXError(_XDisplay* display, void* event);
    _XDisplay* display_;
    bool syncOnExit_;
    CXErrorTrap* outer_;
    int errorCode_ = 0;
};

// Protocol errors that arrived with no trap on their thread (logged, never fatal).
unsigned long UntrappedErrorCount();

}  // namespace zovi::platform::x11
