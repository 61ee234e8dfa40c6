#include <X11/keysym.h>
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

namespace {

// The thread's queue. Its holder is destroyed at thread exit; a call after that (from
// static destructors on the main thread) gets a new queue that is never freed.
struct QueueHolder {
    std::shared_ptr<MessageQueue> queue;
    ~QueueHolder();
};
thread_local bool tQueueHolderGone = false;
QueueHolder::~QueueHolder() { tQueueHolderGone = true; }

WPARAM MouseKeyState(unsigned state) {
    WPARAM keys = 0;
    if (state & Button1Mask) keys |= MK_LBUTTON;
    if (state & Button2Mask) keys |= MK_MBUTTON;
    if (state & Button3Mask) keys |= MK_RBUTTON;
    if (state & ShiftMask) keys |= MK_SHIFT;
    if (state & ControlMask) keys |= MK_CONTROL;
    return keys;
}

WPARAM ButtonKey(unsigned button) {
    switch (button) {
        case Button1: return MK_LBUTTON;
        case Button2: return MK_MBUTTON;
        case Button3: return MK_RBUTTON;
        default: return 0;
    }
}

UINT VirtualKey(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return static_cast<UINT>('A' + (sym - XK_a));
    if (sym >= XK_A && sym <= XK_Z) return static_cast<UINT>(sym);
    if (sym >= XK_0 && sym <= XK_9) return static_cast<UINT>(sym);
    if (sym >= XK_F1 && sym <= XK_F24) return static_cast<UINT>(VK_F1 + (sym - XK_F1));
    switch (sym) {
        case XK_BackSpace: return VK_BACK;
        case XK_Tab: case XK_ISO_Left_Tab: return VK_TAB;
        case XK_Return: case XK_KP_Enter: return VK_RETURN;
        case XK_Shift_L: case XK_Shift_R: return VK_SHIFT;
        case XK_Control_L: case XK_Control_R: return VK_CONTROL;
        case XK_Alt_L: case XK_Alt_R: return VK_MENU;
        case XK_Escape: return VK_ESCAPE;
        case XK_space: return VK_SPACE;
        case XK_Prior: return VK_PRIOR;
        case XK_Next: return VK_NEXT;
        case XK_End: return VK_END;
        case XK_Home: return VK_HOME;
        case XK_Left: return VK_LEFT;
        case XK_Up: return VK_UP;
        case XK_Right: return VK_RIGHT;
        case XK_Down: return VK_DOWN;
        case XK_Delete: return VK_DELETE;
        default: return 0;
    }
}

// The character a key produces (0 for none).
wchar_t KeyCharacter(KeySym sym) {
    if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<wchar_t>(sym);
    if ((sym & 0xFF000000) == 0x01000000) return static_cast<wchar_t>(sym & 0x00FFFFFF);
    switch (sym) {
        case XK_Return: case XK_KP_Enter: return L'\r';
        case XK_BackSpace: return L'\b';
        case XK_Tab: return L'\t';
        case XK_Escape: return 0x1B;
        default: return 0;
    }
}

void UnionRect(RECT& into, const RECT& add) {
    if (into.right <= into.left || into.bottom <= into.top) {
        into = add;
        return;
    }
    into.left = std::min(into.left, add.left);
    into.top = std::min(into.top, add.top);
    into.right = std::max(into.right, add.right);
    into.bottom = std::max(into.bottom, add.bottom);
}

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
    {
        Registry& registry = Registry::Get();
        std::lock_guard lock(registry.lock);
        auto it = registry.queues.find(threadId_);
        if (it != registry.queues.end() && it->second.expired()) registry.queues.erase(it);
        // Windows the thread left behind go with its connection.
        for (auto w = registry.windows.begin(); w != registry.windows.end();) {
            w = (w->second->display == display_ && display_) ? registry.windows.erase(w) : std::next(w);
        }
    }
    // Senders still waiting get 0.
    for (auto& send : sends_) {
        std::lock_guard lock(send->lock);
        send->done = true;
        send->doneChanged.notify_all();
    }
    if (display_) x11::CloseDisplay(display_);
    if (wakeFd_ >= 0) close(wakeFd_);
}

Display* MessageQueue::UiDisplay() {
    if (!displayTried_) {
        displayTried_ = true;
        display_ = x11::OpenDisplay();
    }
    return display_;
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

void MessageQueue::PushInput(const MSG& msg, bool coalesceMotion) {
    if (coalesceMotion && !input_.empty() && input_.back().message == WM_MOUSEMOVE &&
        input_.back().hwnd == msg.hwnd) {
        input_.back() = msg;  // only the latest position of a move counts
        return;
    }
    input_.push_back(msg);
}

void MessageQueue::PumpX() {
    if (!display_) return;
    while (XEventsQueued(display_, QueuedAfterReading) > 0) {
        XEvent event;
        XNextEvent(display_, &event);
        HandleXEvent(event);
    }
}

void MessageQueue::HandleXEvent(XEvent& event) {
    const HWND hwnd = event.xany.window;
    RecordPtr record = FindRecord(hwnd);
    if (!record) return;
    MSG msg{};
    msg.hwnd = hwnd;
    msg.time = static_cast<DWORD>(NowNs() / 1'000'000);
    switch (event.type) {
        case Expose: {
            RECT area{event.xexpose.x, event.xexpose.y, event.xexpose.x + event.xexpose.width,
                      event.xexpose.y + event.xexpose.height};
            std::lock_guard lock(Registry::Get().lock);
            UnionRect(record->invalidRect, area);
            record->invalid = true;
            break;
        }
        case ConfigureNotify: {
            const auto& c = event.xconfigure;
            bool moved = c.x != record->x || c.y != record->y;
            bool sized = c.width != record->width || c.height != record->height;
            record->x = c.x, record->y = c.y, record->width = c.width, record->height = c.height;
            if (moved) CallProc(hwnd, WM_MOVE, 0, MAKELPARAM(c.x, c.y));
            if (sized) CallProc(hwnd, WM_SIZE, 0, MAKELPARAM(c.width, c.height));
            break;
        }
        case FocusIn:
            if (event.xfocus.detail != NotifyPointer) CallProc(hwnd, WM_SETFOCUS, 0, 0);
            break;
        case FocusOut:
            if (event.xfocus.detail != NotifyPointer) CallProc(hwnd, WM_KILLFOCUS, 0, 0);
            break;
        case MotionNotify:
            msg.message = WM_MOUSEMOVE;
            msg.wParam = MouseKeyState(event.xmotion.state);
            msg.lParam = MAKELPARAM(event.xmotion.x, event.xmotion.y);
            msg.pt = {event.xmotion.x_root, event.xmotion.y_root};
            PushInput(msg, true);
            break;
        case LeaveNotify:
            if (event.xcrossing.mode != NotifyNormal) break;
            msg.message = WM_MOUSELEAVE;
            msg.pt = {event.xcrossing.x_root, event.xcrossing.y_root};
            PushInput(msg, false);
            break;
        case ButtonPress:
        case ButtonRelease: {
            const auto& b = event.xbutton;
            const bool press = event.type == ButtonPress;
            msg.pt = {b.x_root, b.y_root};
            if (b.button == Button4 || b.button == Button5) {
                if (!press) break;
                const short delta = b.button == Button4 ? WHEEL_DELTA : -WHEEL_DELTA;
                msg.message = WM_MOUSEWHEEL;
                msg.wParam = MAKEWPARAM(MouseKeyState(b.state), delta);
                msg.lParam = MAKELPARAM(b.x_root, b.y_root);
                PushInput(msg, false);
                break;
            }
            static const UINT kDown[] = {WM_LBUTTONDOWN, WM_MBUTTONDOWN, WM_RBUTTONDOWN};
            static const UINT kUp[] = {WM_LBUTTONUP, WM_MBUTTONUP, WM_RBUTTONUP};
            if (b.button < Button1 || b.button > Button3) break;
            const unsigned index = b.button - Button1;
            msg.message = press ? kDown[index] : kUp[index];
            msg.wParam = press ? (MouseKeyState(b.state) | ButtonKey(b.button))
                               : (MouseKeyState(b.state) & ~ButtonKey(b.button));
            msg.lParam = MAKELPARAM(b.x, b.y);
            if (press) {
                const bool twice = (record->classStyle & CS_DBLCLKS) && record->lastPressButton == b.button &&
                                   b.time - record->lastPressTime <= 500 &&
                                   std::abs(b.x - record->lastPressX) <= 4 && std::abs(b.y - record->lastPressY) <= 4;
                if (twice) {
                    msg.message += 2;  // the double-click message follows the up message
                    record->lastPressButton = 0;
                } else {
                    record->lastPressButton = b.button;
                    record->lastPressTime = b.time;
                    record->lastPressX = b.x, record->lastPressY = b.y;
                }
            }
            PushInput(msg, false);
            break;
        }
        case KeyPress:
        case KeyRelease: {
            XKeyEvent& k = event.xkey;
            KeySym base = XLookupKeysym(&k, 0);
            char text[16];
            KeySym shifted = NoSymbol;
            XLookupString(&k, text, sizeof text, &shifted, nullptr);
            const UINT vk = VirtualKey(base);
            if (vk == 0) break;
            const bool press = event.type == KeyPress;
            const bool alt = (k.state & Mod1Mask) != 0;
            msg.message = press ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
            msg.wParam = vk;
            LPARAM bits = 1 | (static_cast<LPARAM>((k.keycode - 8) & 0xFF) << 16);
            if (!press) bits |= (LPARAM(1) << 30) | (LPARAM(1) << 31);
            // The character travels above the 32 bits of the system's key data, for
            // TranslateMessage.
            msg.lParam = static_cast<LPARAM>(static_cast<DWORD>(bits)) |
                         (static_cast<LPARAM>(KeyCharacter(shifted)) << 32);
            PushInput(msg, false);
            break;
        }
        case ClientMessage: {
            const auto& c = event.xclient;
            if (c.message_type == GetAtom(display_, "WM_PROTOCOLS") &&
                static_cast<Atom>(c.data.l[0]) == GetAtom(display_, "WM_DELETE_WINDOW")) {
                CallProc(hwnd, WM_CLOSE, 0, 0);
            } else if (c.message_type == GetAtom(display_, kPostAtom)) {
                msg.message = static_cast<UINT>(c.data.l[0]);
                msg.wParam = static_cast<WPARAM>(static_cast<DWORD>(c.data.l[1]));
                msg.lParam = static_cast<LPARAM>(static_cast<LONG>(c.data.l[2]));
                std::lock_guard lock(lock_);
                posted_.push_back(msg);
            } else if (c.message_type == GetAtom(display_, kSendAtom)) {
                LRESULT result = CallProc(hwnd, static_cast<UINT>(c.data.l[0]),
                                          static_cast<WPARAM>(static_cast<DWORD>(c.data.l[1])),
                                          static_cast<LPARAM>(static_cast<LONG>(c.data.l[2])));
                const long reply[5] = {c.data.l[4], static_cast<long>(result & 0xFFFFFFFF),
                                       static_cast<long>((static_cast<std::uint64_t>(result) >> 32) & 0xFFFFFFFF), 0, 0};
                SendClientMessage(display_, static_cast<Window>(c.data.l[3]), kReplyAtom, reply);
            } else if (c.message_type == GetAtom(display_, kRequestAtom)) {
                if (c.data.l[0] == kRequestShow) {
                    ShowOwnWindow(record, static_cast<int>(c.data.l[1]));
                } else if (c.data.l[0] == kRequestPosition) {
                    auto insertAfter = static_cast<HWND>(static_cast<LONG_PTR>(static_cast<LONG>(c.data.l[1])));
                    const auto xy = static_cast<DWORD>(c.data.l[2]);
                    const auto size = static_cast<DWORD>(c.data.l[3]);
                    PositionOwnWindow(record, insertAfter, static_cast<short>(LOWORD(xy)), static_cast<short>(HIWORD(xy)),
                                      LOWORD(size), HIWORD(size), static_cast<UINT>(c.data.l[4]));
                }
            }
            break;
        }
        default:
            break;
    }
}

void MessageQueue::HandleSessionEnd() {
    char drain[64];
    bool signalled = false;
    while (read(sessionFd_, drain, sizeof drain) > 0) signalled = true;
    if (!signalled) return;
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

bool MessageQueue::Take(MSG* out, HWND hwnd, UINT filterMin, UINT filterMax, bool remove) {
    DispatchIncomingSends();
    if (sessionFd_ >= 0) HandleSessionEnd();
    PumpX();
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
    for (auto it = input_.begin(); it != input_.end(); ++it) {
        if (!Matches(*it, hwnd, filterMin, filterMax)) continue;
        *out = *it;
        if (remove) input_.erase(it);
        return true;
    }
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
    if (!timers_.empty()) {
        std::int64_t next = timers_.front().dueNs;
        for (const Timer& timer : timers_) next = std::min(next, timer.dueNs);
        std::int64_t untilMs = (next - NowNs() + 999'999) / 1'000'000;
        if (untilMs < 0) untilMs = 0;
        if (timeoutMs < 0 || untilMs < timeoutMs) timeoutMs = static_cast<int>(std::min<std::int64_t>(untilMs, 1 << 30));
    }
    pollfd fds[3];
    nfds_t count = 0;
    fds[count++] = {wakeFd_, POLLIN, 0};
    if (display_) {
        XFlush(display_);
        if (XEventsQueued(display_, QueuedAlready) > 0) return;
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
    if (!hwnd) id = ++nextThreadTimerId_;
    const std::int64_t due = NowNs() + std::int64_t(elapseMs) * 1'000'000;
    for (Timer& timer : timers_) {
        if (timer.hwnd == hwnd && timer.id == id) {
            timer.elapseMs = elapseMs, timer.proc = proc, timer.dueNs = due;
            return id ? id : 1;
        }
    }
    timers_.push_back(Timer{hwnd, id, elapseMs, proc, due});
    return id ? id : 1;  // nonzero: success
}

bool MessageQueue::KillTimer(HWND hwnd, UINT_PTR id) {
    auto it = std::find_if(timers_.begin(), timers_.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == timers_.end()) return false;
    timers_.erase(it);
    return true;
}

void MessageQueue::ForgetWindow(HWND hwnd) {
    timers_.erase(std::remove_if(timers_.begin(), timers_.end(), [&](const Timer& t) { return t.hwnd == hwnd; }),
                  timers_.end());
    input_.erase(std::remove_if(input_.begin(), input_.end(), [&](const MSG& m) { return m.hwnd == hwnd; }),
                 input_.end());
}

}  // namespace zovi::platform::window_detail
