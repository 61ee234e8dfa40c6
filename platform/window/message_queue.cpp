#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <iterator>

#include "platform/base/clock.h"
#include "platform/window/process_ids.h"
#include "platform/window/window_internal.h"
#include "platform/x11/x11_init.h"

namespace zovi::platform::window_detail {

std::int64_t NowNs() {
    LONGLONG counter = 0;
    QueryPerformanceCounter(&counter);
    return counter;  // the counter runs in nanoseconds
}

Registry& Registry::Get() {
    static auto* registry = new Registry;
    return *registry;
}

RecordPtr FindRecord(HWND hwnd) {
    if (!hwnd) return nullptr;
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    auto it = registry.windows.find(hwnd);
    return it == registry.windows.end() ? nullptr : it->second;
}

RecordPtr FindOwnRecord(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    return record && record->threadId == GetCurrentThreadId() ? record : nullptr;
}

std::vector<HWND> Dependents(HWND hwnd, bool children) {
    std::vector<HWND> out;
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    for (auto& [id, record] : registry.windows) {
        if (record->parent == hwnd && ((record->style & WS_CHILD) != 0) == children) out.push_back(id);
    }
    return out;
}

bool IsSelfOrDescendant(HWND hwnd, HWND ancestor) {
    if (!hwnd || !ancestor) return false;
    for (RecordPtr record = FindRecord(hwnd); record; record = FindRecord(record->parent)) {
        if (record->hwnd == ancestor) return true;
        if (!(record->style & WS_CHILD)) break;
    }
    return hwnd == ancestor;
}

HWND TopLevelOf(HWND hwnd) {
    RecordPtr record = FindRecord(hwnd);
    while (record && (record->style & WS_CHILD)) {
        RecordPtr parent = FindRecord(record->parent);
        if (!parent) break;
        record = parent;
    }
    return record ? record->hwnd : 0;
}

namespace {

// The thread's queue. Its holder is destroyed at thread exit; a call after that (from
// static destructors on the main thread) gets a new queue that is never freed.
struct QueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~QueueHolder();
};
thread_local bool tQueueHolderGone = false;
QueueHolder::~QueueHolder() { tQueueHolderGone = true; }

bool IsPointerMessage(UINT message) {
    return (message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK) || message == WM_MOUSEWHEEL ||
           message == WM_MOUSEHWHEEL;
}

// Messages before which the window is asked for its hit code and cursor.
bool IsHitTested(UINT message) { return message >= WM_MOUSEMOVE && message <= WM_MBUTTONDBLCLK; }

}  // namespace

MessageQueue& MessageQueue::Current() { return *CurrentShared(); }

std::shared_ptr<MessageQueue> MessageQueue::CurrentShared() {
    static thread_local std::shared_ptr<MessageQueue>* late = nullptr;
    std::shared_ptr<MessageQueue>* slot;
    if (tQueueHolderGone) {
        if (!late) late = new std::shared_ptr<MessageQueue>;
        slot = late;
    } else {
        thread_local QueueHolder holder;
        slot = &holder.queue;
    }
    if (!*slot) {
        *slot = std::make_shared<MessageQueue>(GetCurrentThreadId());
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        registry.queues[(*slot)->ThreadId()] = *slot;
    }
    return *slot;
}

std::shared_ptr<MessageQueue> MessageQueue::ForThread(DWORD threadId) {
    Registry& registry = Registry::Get();
    std::lock_guard lock(registry.lock);
    auto it = registry.queues.find(threadId);
    return it == registry.queues.end() ? nullptr : it->second.lock();
}

MessageQueue::MessageQueue(DWORD threadId) : threadId_(threadId) {
    wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

MessageQueue::~MessageQueue() {
    std::vector<RecordPtr> left;
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        auto it = registry.queues.find(threadId_);
        if (it != registry.queues.end() && it->second.expired()) registry.queues.erase(it);
        // Windows the thread left behind go with it (and with its connection).
        for (auto w = registry.windows.begin(); w != registry.windows.end();) {
            if (w->second->threadId == threadId_) {
                left.push_back(w->second);
                w = registry.windows.erase(w);
            } else {
                ++w;
            }
        }
    }
    // Their surfaces go before the connection they are bound to.
    for (const RecordPtr& record : left) ReleaseSurface(*record);
    // Senders still waiting get 0.
    for (auto& send : sends_) {
        std::lock_guard lock(send->lock);
        send->done = true;
        send->doneChanged.notify_all();
    }
    x11::CloseDisplay(display_);  // a lost one is left alone
    if (wakeFd_ >= 0) close(wakeFd_);
}

Display* MessageQueue::UiDisplay() {
    if (!displayTried_) {
        displayTried_ = true;
        display_ = x11::OpenDisplay();
    }
    return LiveDisplay();
}

void MessageQueue::Wake() {
    if (wakeFd_ < 0) return;
    uint64_t one = 1;
    ssize_t ignored = write(wakeFd_, &one, sizeof one);
    (void)ignored;
}

void MessageQueue::Post(const MSG& msg) {
    {
        std::lock_guard lock(lock_);
        posted_.push_back(msg);
    }
    Wake();
}

void MessageQueue::EnqueueSend(const std::shared_ptr<PendingSend>& send) {
    {
        std::lock_guard lock(lock_);
        sends_.push_back(send);
    }
    Wake();
}

void MessageQueue::RunOnOwner(std::function<void()> task) {
    {
        std::lock_guard lock(lock_);
        tasks_.push_back(std::move(task));
    }
    Wake();
}

void MessageQueue::RunTasks() {
    for (;;) {
        std::function<void()> task;
        {
            std::lock_guard lock(lock_);
            if (tasks_.empty()) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void MessageQueue::PostQuit(int exitCode) {
    quit_ = true;
    quitCode_ = exitCode;
}

void MessageQueue::DispatchIncomingSends() {
    for (;;) {
        std::shared_ptr<PendingSend> send;
        {
            std::lock_guard lock(lock_);
            if (sends_.empty()) return;
            send = sends_.front();
            sends_.pop_front();
        }
        LRESULT result = CallProc(send->msg.hwnd, send->msg.message, send->msg.wParam, send->msg.lParam);
        std::lock_guard lock(send->lock);
        send->result = result;
        send->done = true;
        send->doneChanged.notify_all();
    }
}

bool MessageQueue::Matches(const MSG& msg, HWND hwnd, UINT filterMin, UINT filterMax) const {
    if (hwnd == static_cast<HWND>(-1)) {
        if (msg.hwnd != 0) return false;
    } else if (hwnd != 0 && msg.hwnd != hwnd) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) return true;
    return msg.message >= filterMin && msg.message <= filterMax;
}

void MessageQueue::PushInput(const MSG& msg, unsigned state, bool coalesceMotion) {
    if (coalesceMotion && !input_.empty() && input_.back().msg.message == WM_MOUSEMOVE &&
        input_.back().msg.hwnd == msg.hwnd) {
        input_.back() = InputMessage{msg, state};  // only the latest position of a move counts
        return;
    }
    input_.push_back(InputMessage{msg, state});
}

void MessageQueue::PumpX() {
    // An event's handling may be the call that finds the connection lost.
    while (LiveDisplay() && XEventsQueued(display_, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        HandleXEvent(event);
    }
}

void MessageQueue::HandleSessionEnd() {
    char drain[64];
    bool signalled = false;
    while (read(sessionFd_, drain, sizeof drain) > 0) signalled = true;
    if (signalled) EndSession(SessionEndCause::kSignal);
}

void MessageQueue::HandleDisplayLost() {
    if (displayLossSeen_ || !x11::ConnectionLost(display_)) return;
    displayLossSeen_ = true;  // once: the windows are told a single time
    EndSession(SessionEndCause::kDisplayLost);
}

void MessageQueue::EndSession(SessionEndCause cause) {
    NotifySessionEnd(cause);
    std::vector<HWND> topLevel;
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        for (auto& [hwnd, record] : registry.windows) {
            if (record->threadId == threadId_ && !(record->style & WS_CHILD)) topLevel.push_back(hwnd);
        }
    }
    for (HWND hwnd : topLevel) CallProc(hwnd, WM_QUERYENDSESSION, 0, 0);
    for (HWND hwnd : topLevel) CallProc(hwnd, WM_ENDSESSION, TRUE, 0);
    PostQuit(0);
}

// Input to disabled windows is dropped here. Taking a pointer message updates the key
// state and the pointer window, and asks the window for its hit code and cursor (which
// may destroy it: then the message is dropped too).
bool MessageQueue::TakeInput(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    for (;;) {
        InputMessage taken;
        bool found = false;
        for (auto it = input_.begin(); it != input_.end();) {
            if (InputBlocked(it->msg.hwnd)) {
                it = input_.erase(it);
                continue;
            }
            if (Matches(it->msg, hwnd, filterMin, filterMax)) {
                taken = *it;
                found = true;
                if (remove) input_.erase(it);
                break;
            }
            ++it;
        }
        if (!found) return false;
        *out = taken.msg;
        if (!remove) return true;
        UpdateKeyState(*this, taken.msg, taken.state);
        const HWND target = taken.msg.hwnd;
        if (taken.msg.message == WM_MOUSELEAVE) {
            if (pointerWindow == target) pointerWindow = 0;
        } else if (IsPointerMessage(taken.msg.message)) {
            pointerWindow = target;
        }
        if (!capture && IsHitTested(taken.msg.message)) {
            const LRESULT hit = CallProc(target, WM_NCHITTEST, 0, MAKELPARAM(taken.msg.pt.x, taken.msg.pt.y));
            CallProc(target, WM_SETCURSOR, target, MAKELPARAM(static_cast<WORD>(hit), taken.msg.message));
            if (!FindRecord(target)) continue;
        }
        return true;
    }
}

bool MessageQueue::Take(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    DispatchIncomingSends();
    RunTasks();
    if (sessionFd_ >= 0) HandleSessionEnd();
    PumpX();
    if (sessionFd_ >= 0) HandleDisplayLost();
    {
        std::lock_guard lock(lock_);
        for (auto it = posted_.begin(); it != posted_.end(); ++it) {
            if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
            *out = *it;
            if (remove) posted_.erase(it);
            return true;
        }
    }
    if (quit_) {
        *out = MSG{};
        out->message = WM_QUIT;
        out->wParam = static_cast<WPARAM>(quitCode_);
        if (remove) quit_ = false;
        return true;
    }
    if (TakeInput(out, hwnd, filterMin, filterMax, remove)) return true;
    MSG paint{};
    paint.message = WM_PAINT;
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        for (auto& [id, record] : registry.windows) {
            if (record->threadId != threadId_ || !record->invalid || !record->visible) continue;
            paint.hwnd = id;
            if (!Matches(paint, hwnd, filterMin, filterMax)) continue;
            if (remove) {
                record->paintRect = record->invalidRect;
                record->invalidRect = RECT{};
                record->invalid = false;
            }
            *out = paint;
            return true;
        }
    }
    const std::int64_t now = NowNs();
    std::lock_guard lock(timerLock_);
    for (Timer& timer : timers_) {
        if (timer.dueNs > now) continue;
        MSG tick{};
        tick.hwnd = timer.hwnd;
        tick.message = WM_TIMER;
        tick.wParam = timer.id;
        tick.lParam = reinterpret_cast<LPARAM>(timer.proc);
        tick.time = static_cast<DWORD>(now / 1'000'000);
        if (!Matches(tick, hwnd, filterMin, filterMax)) continue;
        if (remove) timer.dueNs = now + std::int64_t(timer.elapseMs) * 1'000'000;
        *out = tick;
        return true;
    }
    return false;
}

void MessageQueue::WaitForInput(int timeoutMs) {
    {
        std::lock_guard lock(timerLock_);
        if (!timers_.empty()) {
            std::int64_t next = timers_.front().dueNs;
            for (const Timer& timer : timers_) next = std::min(next, timer.dueNs);
            std::int64_t untilMs = (next - NowNs() + 999'999) / 1'000'000;
            if (untilMs < 0) untilMs = 0;
            if (timeoutMs < 0 || untilMs < timeoutMs) {
                timeoutMs = static_cast<int>(std::min<std::int64_t>(untilMs, 1 << 30));
            }
        }
    }
    pollfd fds[3];
    nfds_t count = 0;
    fds[count++] = {wakeFd_, POLLIN, 0};
    // A lost connection is not watched: its socket stays readable (at its end) for ever.
    if (LiveDisplay()) {
        XFlush(display_);
        // The flush may have found the connection lost: the next look at the queue says so.
        if (!LiveDisplay() || XEventsQueued(display_, QueuedAlready) > 0) return;
        fds[count++] = {ConnectionNumber(display_), POLLIN, 0};
    }
    if (sessionFd_ >= 0) fds[count++] = {sessionFd_, POLLIN, 0};
    if (poll(fds, count, timeoutMs) > 0 && (fds[0].revents & POLLIN)) {
        uint64_t value;
        ssize_t ignored = read(wakeFd_, &value, sizeof value);
        (void)ignored;
    }
}

UINT_PTR MessageQueue::SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
    const std::int64_t due = NowNs() + std::int64_t(elapseMs) * 1'000'000;
    {
        std::lock_guard lock(timerLock_);
        if (!hwnd) id = ++nextThreadTimerId_;
        auto it = std::find_if(timers_.begin(), timers_.end(),
                               [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
        if (it != timers_.end()) {
            it->elapseMs = elapseMs, it->proc = proc, it->dueNs = due;
        } else {
            timers_.push_back(Timer{hwnd, id, elapseMs, proc, due});
        }
    }
    Wake();  // the owner may be waiting with an older deadline
    return id ? id : 1;  // nonzero: success
}

bool MessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
    std::lock_guard lock(timerLock_);
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

void MessageQueue::ForgetWindow(HWND hwnd) {
    {
        std::lock_guard lock(timerLock_);
        timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                      timers_.end());
    }
    input_.erase(std::remove_if(input_.begin(), input_.end(),
                                [&](const InputMessage& m) { return m.msg.hwnd == hwnd; }),
                 input_.end());
    if (capture == hwnd) capture = 0;
    if (active == hwnd) active = 0;
    if (focus == hwnd) focus = 0;
    if (pointerWindow == hwnd) pointerWindow = 0;
}

}  // namespace zovi::platform::window_detail
