// Internal state of the window layer: the per-process table of windows and classes, the
// per-thread message queue, the X connections and atoms. Included only by the layer's
// own .cpp files (it names Xlib types).
#pragma once
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/window/window.h"

namespace zovi::platform::window_detail {

class MessageQueue;

struct WindowRecord {
    HWND hwnd = 0;
    std::weak_ptr<MessageQueue> queue;
    DWORD threadId = 0;
    Display* display = nullptr;
    std::wstring className;
    WNDPROC proc = nullptr;
    UINT classStyle = 0;
    DWORD style = 0, exStyle = 0;
    HWND parent = 0;  // the parent of a child window, or the owner of a top-level one
    LONG_PTR userData = 0, id = 0;
    HINSTANCE instance = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    std::atomic<bool> visible{false};  // read by other threads
    bool invalid = false;
    RECT invalidRect{};
    RECT paintRect{};
    Visual* visual = nullptr;
    int depth = 0;
    Colormap colormap = 0;
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
    // a display.
    Display* UiDisplay();

    // Any thread.
    void Post(const MSG& msg);
    void EnqueueSend(const std::shared_ptr<PendingSend>& send);
    void Wake();

    // Owner thread.
    void PostQuit(int exitCode);
    bool Take(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
    // Blocks until something may be available (or `timeoutMs`, -1 = no limit).
    void WaitForInput(int timeoutMs);
    // Dispatches every message sent from other threads or processes.
    void DispatchIncomingSends();
    UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
    bool KillTimer(HWND hwnd, UINT_PTR id);
    void ForgetWindow(HWND hwnd);
    void EnableSessionEnd(int readFd) { sessionFd_ = readFd; }

    MSG lastMessage{};

private:
    void PumpX();
    void HandleXEvent(XEvent& event);
    void PushInput(const MSG& msg, bool coalesceMotion);
    bool Matches(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) const;
    void HandleSessionEnd();

    DWORD threadId_;
    int wakeFd_ = -1;
    int sessionFd_ = -1;
    Display* display_ = nullptr;
    bool displayTried_ = false;

    std::mutex lock_;  // guards posted_ and sends_
    std::deque<MSG> posted_;
    std::deque<std::shared_ptr<PendingSend>> sends_;

    std::deque<MSG> input_;
    bool quit_ = false;
    int quitCode_ = 0;
    std::vector<Timer> timers_;
    UINT_PTR nextThreadTimerId_ = 0x7FFF0000;
};

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

}  // namespace zovi::platform::window_detail
