#include <poll.h>

#include <atomic>
#include <chrono>

#include "platform/base/last_error.h"
#include "platform/window/process_ids.h"
#include "platform/window/post_at.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

using namespace zovi::platform::window_detail;

namespace {

constexpr DWORD ERROR_INVALID_WINDOW_HANDLE = 1400;
constexpr DWORD ERROR_INVALID_THREAD_ID = 1444;

bool IsOwnThreadWindow(HWND hwnd) {
    if (hwnd == 0 || hwnd == static_cast<HWND>(-1)) return true;
    RecordPtr record = FindRecord(hwnd);
    return record && record->threadId == GetCurrentThreadId();
}

// Waits for another thread of this process to run a sent message, dispatching the
// messages sent to this thread meanwhile. False on timeout.
bool WaitForSend(const std::shared_ptr<PendingSend>& send, UINT timeoutMs, bool limited) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        {
            std::unique_lock lock(send->lock);
            if (send->doneChanged.wait_for(lock, std::chrono::milliseconds(5), [&] { return send->done; })) return true;
        }
        MessageQueue::Current().DispatchIncomingSends();
        if (limited && std::chrono::steady_clock::now() >= deadline) return false;
    }
}

// Sends to another process's window and waits for the reply on this thread's
// messenger connection.
bool SendToOtherProcess(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, bool limited,
                        LRESULT* result) {
    Display* display = MessengerDisplay();
    Window reply = MessengerReplyWindow();
    if (!display || !reply) return false;
    static std::atomic<long> nextSerial{1};
    const long serial = nextSerial++ & 0x7FFFFFFF;
    const long data[5] = {static_cast<long>(message), static_cast<long>(static_cast<DWORD>(wParam)),
                          static_cast<long>(static_cast<DWORD>(lParam)), static_cast<long>(reply), serial};
    if (!SendClientMessage(display, hwnd, kSendAtom, data)) return false;
    const Atom replyType = GetAtom(display, kReplyAtom);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == replyType &&
                event.xclient.data.l[0] == serial) {
                const auto low = static_cast<std::uint64_t>(static_cast<DWORD>(event.xclient.data.l[1]));
                const auto high = static_cast<std::uint64_t>(static_cast<DWORD>(event.xclient.data.l[2]));
                *result = static_cast<LRESULT>(low | (high << 32));
                return true;
            }
        }
        int waitMs = 50;
        if (limited) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            if (left <= 0) return false;
            waitMs = static_cast<int>(std::min<long long>(left, 50));
        }
        pollfd fd{ConnectionNumber(display), POLLIN, 0};
        poll(&fd, 1, waitMs);
        // A window that vanished while we wait never answers.
        if (!IsWindow(hwnd)) return false;
    }
}

}  // namespace

BOOL GetMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg || !IsOwnThreadWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    MessageQueue& queue = MessageQueue::Current();
    while (!queue.Take(msg, hwnd, filterMin, filterMax, true)) queue.WaitForInput(-1);
    queue.lastMessage = *msg;
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageW(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg || !IsOwnThreadWindow(hwnd)) return FALSE;
    MessageQueue& queue = MessageQueue::Current();
    if (!queue.Take(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0)) return FALSE;
    if (removeFlags & PM_REMOVE) queue.lastMessage = *msg;
    return TRUE;
}

BOOL WaitMessage() {
    MessageQueue& queue = MessageQueue::Current();
    MSG msg;
    while (!queue.Take(&msg, 0, 0, 0, false)) queue.WaitForInput(-1);
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    const auto character = static_cast<WPARAM>(static_cast<std::uint64_t>(msg->lParam) >> 32);
    if (character == 0) return FALSE;
    const UINT charMessage = msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR;
    MessageQueue::Current().Post(MSG{msg->hwnd, charMessage, character,
                                     static_cast<LPARAM>(static_cast<DWORD>(msg->lParam)), msg->time, msg->pt});
    return TRUE;
}

namespace {
// How many DispatchMessageW calls are active on this thread (see DispatchDepth).
thread_local int t_dispatchDepth = 0;
struct DispatchDepthScope {
    DispatchDepthScope() { ++t_dispatchDepth; }
    ~DispatchDepthScope() { --t_dispatchDepth; }
    DispatchDepthScope(const DispatchDepthScope&) = delete;
    DispatchDepthScope& operator=(const DispatchDepthScope&) = delete;
};
}  // namespace

int zovi::platform::DispatchDepth() { return t_dispatchDepth; }

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg) return 0;
    const DispatchDepthScope depth;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    if (!msg->hwnd) return 0;
    return CallProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

void PostQuitMessage(int exitCode) { MessageQueue::Current().PostQuit(exitCode); }

namespace {

// A post to a window of this process; `at` null: a post from the window's own thread
// carries the position of the message that thread handles now.
BOOL PostToOwnWindow(const RecordPtr& record, MSG msg, const POINT* at) {
    auto queue = record->queue.lock();
    if (!queue) return FALSE;
    if (at)
        msg.pt = *at;
    else if (record->threadId == GetCurrentThreadId())
        msg.pt = queue->lastMessage.pt;
    queue->Post(msg);
    return TRUE;
}

}  // namespace

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg{hwnd, message, wParam, lParam, static_cast<DWORD>(NowNs() / 1'000'000), {}};
    if (!hwnd) {
        MessageQueue& queue = MessageQueue::Current();
        msg.pt = queue.lastMessage.pt;
        queue.Post(msg);
        return TRUE;
    }
    if (RecordPtr record = FindRecord(hwnd)) return PostToOwnWindow(record, msg, nullptr);
    Display* display = IsOffscreenHandle(hwnd) ? nullptr : MessengerDisplay();
    if (!display) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const long data[5] = {static_cast<long>(message), static_cast<long>(static_cast<DWORD>(wParam)),
                          static_cast<long>(static_cast<DWORD>(lParam)), 0, 0};
    if (!SendClientMessage(display, hwnd, kPostAtom, data)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

namespace zovi::platform {

BOOL PostMessageAt(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, POINT screenPoint) {
    const MSG msg{hwnd, message, wParam, lParam, static_cast<DWORD>(NowNs() / 1'000'000), {}};
    RecordPtr record = window_detail::FindRecord(hwnd);
    if (!record) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return PostToOwnWindow(record, msg, &screenPoint);
}

}  // namespace zovi::platform

BOOL PostThreadMessageW(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    auto queue = MessageQueue::ForThread(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue->Post(MSG{0, message, wParam, lParam, static_cast<DWORD>(NowNs() / 1'000'000), {}});
    return TRUE;
}

namespace {
LRESULT SendWithLimit(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, bool limited,
                      DWORD_PTR* result) {
    if (result) *result = 0;
    RecordPtr record = FindRecord(hwnd);
    if (record && record->threadId == GetCurrentThreadId()) {
        LRESULT value = CallProc(hwnd, message, wParam, lParam);
        if (result) *result = static_cast<DWORD_PTR>(value);
        return TRUE;
    }
    if (record) {
        auto queue = record->queue.lock();
        if (!queue) return FALSE;
        auto send = std::make_shared<PendingSend>();
        send->msg = MSG{hwnd, message, wParam, lParam, 0, {}};
        queue->EnqueueSend(send);
        if (!WaitForSend(send, timeoutMs, limited)) {
            SetLastError(ERROR_TIMEOUT);
            return FALSE;
        }
        std::lock_guard lock(send->lock);
        if (result) *result = static_cast<DWORD_PTR>(send->result);
        return TRUE;
    }
    LRESULT value = 0;
    if (!hwnd || IsOffscreenHandle(hwnd) ||
        !SendToOtherProcess(hwnd, message, wParam, lParam, timeoutMs, limited, &value)) {
        SetLastError(hwnd && IsWindow(hwnd) ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (result) *result = static_cast<DWORD_PTR>(value);
    return TRUE;
}
}  // namespace

LRESULT SendMessageTimeoutW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT flags, UINT timeoutMs,
                            DWORD_PTR* result) {
    (void)flags;
    return SendWithLimit(hwnd, message, wParam, lParam, timeoutMs, true, result);
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    SendWithLimit(hwnd, message, wParam, lParam, 0, false, &result);
    return static_cast<LRESULT>(result);
}

namespace {
// The queue of the thread that owns `hwnd` (the calling thread's for thread timers).
std::shared_ptr<MessageQueue> TimerQueue(HWND hwnd) {
    if (!hwnd) return MessageQueue::CurrentShared();
    RecordPtr record = FindRecord(hwnd);
    return record ? record->queue.lock() : nullptr;
}
}  // namespace

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    auto queue = TimerQueue(hwnd);
    if (!queue) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    return queue->SetTimer(hwnd, id, elapseMs < 10 ? 10 : elapseMs, proc);
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto queue = TimerQueue(hwnd);
    return queue && queue->KillTimer(hwnd, id) ? TRUE : FALSE;
}

DWORD GetMessageTime() { return MessageQueue::Current().lastMessage.time; }

DWORD GetMessagePos() {
    const POINT& pt = MessageQueue::Current().lastMessage.pt;
    return static_cast<DWORD>(MAKELONG(pt.x, pt.y));
}
