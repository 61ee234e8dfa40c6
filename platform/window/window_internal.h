// Internal state of the window layer: the per-process table of windows and classes, the
// per-thread message queue, the X connections and atoms. Included only by the layer's
// own .cpp files (it names Xlib types).
#pragma once
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/message_loop.h"
#include "platform/window/window.h"
#include "platform/x11/x11_init.h"

typedef struct _cairo_surface cairo_surface_t;

namespace zovi::platform::window_detail {

class MessageQueue;

// A geometry sent to the X server and not yet confirmed by a ConfigureNotify.
struct RequestedGeometry {
    int x = 0, y = 0, width = 0, height = 0;  // as sent (sizes at least 1)
    unsigned long serial = 0;                // the request's sequence number
};

struct WindowRecord {
    HWND hwnd = 0;
    std::weak_ptr<MessageQueue> queue;
    DWORD threadId = 0;
    Display* display = nullptr;  // null for offscreen windows
    bool offscreen = false;
    std::wstring className;
    std::wstring title;  // guarded by the registry's lock
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    HCURSOR classCursor = nullptr;
    DWORD style = 0, exStyle = 0;
    HWND parent = 0;  // the parent of a child window, or the owner of a top-level one
    LONG_PTR userData = 0, id = 0;
    HINSTANCE instance = nullptr;
    // The geometry as the program set it (sizes may be 0; X gets at least 1).
    int x = 0, y = 0, width = 0, height = 0;
    std::atomic<bool> visible{false};  // read by other threads
    std::atomic<bool> enabled{true};
    bool destroying = false;
    bool invalid = false;
    RECT invalidRect{};
    RECT paintRect{};
    // The X window's state.
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;
    bool overrideRedirect = false;
    bool neverActivates = false;  // tooltips and drop-downs: never take the focus
    bool xMapped = false;         // a map request is in force
    bool viewable = false;        // MapNotify seen since
    bool focusWhenViewable = false;
    bool reparented = false;  // a window manager put it into a frame
    std::deque<RequestedGeometry> requested;
    HCURSOR definedCursor = nullptr;
    // The X window's cached Cairo surface, or an offscreen window's presented image.
    cairo_surface_t* surface = nullptr;
    // For double clicks.
    Time lastPressTime = 0;
    unsigned lastPressButton = 0;
    int lastPressX = 0, lastPressY = 0;
};

using RecordPtr = std::shared_ptr<WindowRecord>;

// Windows and classes of this process. Never destroyed.
struct WindowClassInfo {
    WNDPROC proc = nullptr;
    UINT style = 0;
    HCURSOR cursor = nullptr;
};
class Registry {
public:
    static Registry& Get();
    std::mutex lock;
    std::map<HWND, RecordPtr> windows;
    std::map<std::wstring, WindowClassInfo> classes;
    std::map<DWORD, std::weak_ptr<MessageQueue>> queues;  // by thread id
};

RecordPtr FindRecord(HWND hwnd);
// A window of the calling thread, or null.
RecordPtr FindOwnRecord(HWND hwnd);
// Windows whose parent (child windows) or owner (owned windows) is `hwnd`.
std::vector<HWND> Dependents(HWND hwnd, bool children);
// The top-level window `hwnd` belongs to (itself when top-level).
HWND TopLevelOf(HWND hwnd);

// A message sent from another thread (or process), waiting for its result.
struct PendingSend {
    MSG msg{};
    LRESULT result = 0;
    bool done = false;
    std::mutex lock;
    std::condition_variable doneChanged;
    // Cross-process: where the reply goes.
    Window replyWindow = 0;
    long serial = 0;
};

struct Timer {
    HWND hwnd = 0;
    UINT_PTR id = 0;
    UINT elapseMs = 0;
    TIMERPROC proc = nullptr;
    std::int64_t dueNs = 0;
};

// Input translated from the X server, with the modifier and button state of its event
// (for the key-state table).
struct InputMessage {
    MSG msg{};
    unsigned state = 0;
};

// The message queue of one thread.
class MessageQueue : public std::enable_shared_from_this<MessageQueue> {
public:
    // The calling thread's queue, made on first use.
    static MessageQueue& Current();
    static std::shared_ptr<MessageQueue> CurrentShared();
    static std::shared_ptr<MessageQueue> ForThread(DWORD threadId);

    explicit MessageQueue(DWORD threadId);
    ~MessageQueue();

    DWORD ThreadId() const { return threadId_; }
    // The connection this thread's windows live on (opened on first use); null without
    // a display, and once it is lost.
    Display* UiDisplay();
    // The connection if it is already open (never opens it), while it is usable.
    Display* OpenedDisplay() const { return LiveDisplay(); }

    // Any thread.
    void Post(const MSG& msg);
    void EnqueueSend(const std::shared_ptr<PendingSend>& send);
    // Runs `task` on the owning thread the next time it looks at its queue.
    void RunOnOwner(std::function<void()> task);
    void Wake();
    UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
    bool KillTimer(HWND hwnd, UINT_PTR id);

    // Owner thread.
    void PostQuit(int exitCode);
    bool Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
    // Blocks until something may be available (or `timeoutMs`, -1 = no limit).
    void WaitForInput(int timeoutMs);
    // Dispatches every message sent from other threads or processes.
    void DispatchIncomingSends();
    void ForgetWindow(HWND hwnd);
    void EnableSessionEnd(int readFd) { sessionFd_ = readFd; }
    // X event filters (x_event_filter.h), owner thread.
    int AddFilter(std::function<bool(XEvent&)> filter);
    void RemoveFilter(int id);

    MSG lastMessage{};

    // The thread's input state (owner thread only).
    HWND capture = 0;        // SetCapture
    HWND active = 0;         // the active top-level window
    HWND focus = 0;          // the window with the keyboard focus
    HWND pointerWindow = 0;  // the window that last received pointer input
    HCURSOR cursor = nullptr;
    std::array<BYTE, 256> keyState{};
    std::map<ULONG_PTR, Cursor> xCursors;  // by cursor shape

private:
    void PumpX();
    void HandleXEvent(XEvent& event);
    void HandleConfigure(const RecordPtr& record, const XConfigureEvent& event);
    void TranslatePointer(const RecordPtr& record, const XEvent& event);
    void TranslateButton(const RecordPtr& record, const XButtonEvent& event, MSG& msg);
    void TranslateKey(HWND hwnd, XKeyEvent& event);
    void HandleClientMessage(const RecordPtr& record, const XClientMessageEvent& event);
    void PushInput(const MSG& msg, unsigned state, bool coalesceMotion);
    bool TakeInput(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
    bool Matches(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) const;
    void RunTasks();
    void HandleSessionEnd();
    void HandleDisplayLost();
    // Tells the thread's top-level windows that the session ends, and quits.
    void EndSession(SessionEndCause cause);
    // The UI connection, while it is usable.
    Display* LiveDisplay() const { return x11::ConnectionLost(display_) ? nullptr : display_; }

    DWORD threadId_;
    int wakeFd_ = -1;
    int sessionFd_ = -1;
    Display* display_ = nullptr;
    bool displayTried_ = false;
    bool displayLossSeen_ = false;

    std::mutex lock_;  // guards posted_, sends_ and tasks_
    std::deque<MSG> posted_;
    std::deque<std::shared_ptr<PendingSend>> sends_;
    std::deque<std::function<void()>> tasks_;

    std::mutex timerLock_;  // guards timers_ and nextThreadTimerId_
    std::vector<Timer> timers_;
    UINT_PTR nextThreadTimerId_ = 0x7FFF0000;

    std::deque<InputMessage> input_;
    std::vector<std::pair<int, std::shared_ptr<std::function<bool(XEvent&)>>>> filters_;
    int nextFilterId_ = 1;
    bool quit_ = false;
    int quitCode_ = 0;
};

// The session end's observer (set by the program), told of each session end.
void NotifySessionEnd(SessionEndCause cause);

// A window's connection when X calls may be made on it: not an offscreen window's, not
// a lost one.
inline Display* UsableDisplay(const WindowRecord& record) {
    return x11::ConnectionLost(record.display) ? nullptr : record.display;
}

// Atoms by name (interned once per process; atoms are the same on every connection).
Atom GetAtom(Display* display, const char* name);

// This thread's connection for talking to other processes' windows (never the UI
// connection). Null without a display.
Display* MessengerDisplay();
// A window of the messenger connection that receives replies.
Window MessengerReplyWindow();

// Sends a client message of `type` to `target` on `display` and flushes. False when the
// window does not exist.
bool SendClientMessage(Display* display, Window target, const char* type, const long data[5]);

// The message id of a client-message type, for cross-process delivery.
inline constexpr const char* kPostAtom = "_ZOVI_POST_MESSAGE";
inline constexpr const char* kSendAtom = "_ZOVI_SEND_MESSAGE";
inline constexpr const char* kReplyAtom = "_ZOVI_REPLY_MESSAGE";
inline constexpr const char* kRequestAtom = "_ZOVI_WINDOW_REQUEST";
inline constexpr const char* kClassAtom = "_ZOVI_WINDOW_CLASS";

// Requests that another process applies to its own window.
enum RequestOp : long { kRequestShow = 1, kRequestPosition = 2 };

// Applies ShowWindow / SetWindowPos to a window of this process (its owning thread).
BOOL ShowOwnWindow(const RecordPtr& record, int command);
BOOL PositionOwnWindow(const RecordPtr& record, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);

// Calls the window procedure of a window of this thread.
LRESULT CallProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

std::int64_t NowNs();

// Offscreen windows: handles above every X id (X ids have their top three bits clear).
bool IsOffscreenHandle(HWND hwnd);
HWND NewOffscreenHandle();
void ReleaseSurface(WindowRecord& record);
// The pointer position offscreen windows report: where the last mouse message sent or
// dispatched to one of them pointed.
void NoteOffscreenPointer(const WindowRecord& record, UINT message, LPARAM lParam);
POINT OffscreenPointer();

// The X window of a record: creation with its properties, mapping, geometry requests.
bool CreateXWindow(WindowRecord& record, const wchar_t* title);
void SetWindowTitle(WindowRecord& record, const wchar_t* title);
// Maps the window while it is visible and has a size, unmaps it otherwise.
void ApplyXMapping(WindowRecord& record);
// Sends the record's geometry (sizes clamped to at least 1) and remembers the request.
void RequestXGeometry(WindowRecord& record);
// Adds or removes one _NET_WM_STATE value: in the property while the window is unmapped
// or no window manager runs, else by asking the window manager.
void ChangeNetWmState(WindowRecord& record, const char* state, bool add);
// True when a running window manager lists `hint` in _NET_SUPPORTED.
bool WindowManagerSupports(Display* display, const char* hint);

// Activation and focus: the thread's active window and focus window change, with
// WM_ACTIVATE, WM_KILLFOCUS and WM_SETFOCUS to the windows concerned.
void NoteActivation(MessageQueue& queue, HWND active);
void NoteFocus(MessageQueue& queue, HWND focus);
// Makes a visible top-level window active (X: now or once it is viewable).
void RequestActivation(WindowRecord& record);
// Before an active window is hidden or destroyed: activates its owner when it can be.
void HandOffActivation(MessageQueue& queue, WindowRecord& record);
// A FocusIn or FocusOut on a window of this thread.
void HandleFocusEvent(MessageQueue& queue, const RecordPtr& record, const XFocusChangeEvent& event);
bool CanActivate(const WindowRecord& record);

// Capture: lost or released (WM_CAPTURECHANGED to the window that had it).
void DropCapture(MessageQueue& queue, bool ungrab);
// Defines the thread's cursor on the window that gets pointer input now.
void ApplyCursor(MessageQueue& queue);

// True when pointer and key input to the window is dropped (it or a parent is disabled).
bool InputBlocked(HWND hwnd);

// The key-state table follows an input message (and the X modifier and button state of
// its event) before its dispatch.
void UpdateKeyState(MessageQueue& queue, const MSG& msg, unsigned state);
// True when `hwnd` is `ancestor` or inside it (through child windows).
bool IsSelfOrDescendant(HWND hwnd, HWND ancestor);

}  // namespace zovi::platform::window_detail
