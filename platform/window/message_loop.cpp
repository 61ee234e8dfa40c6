#include "platform/window/message_loop.h"

#include <algorithm>
#include <map>
#include <mutex>

#include "platform/window/process_ids.h"

BOOL CMessageLoop::AddMessageFilter(CMessageFilter* filter) {
    filters_.push_back(filter);
    return TRUE;
}

BOOL CMessageLoop::RemoveMessageFilter(CMessageFilter* filter) {
    auto it = std::find(filters_.begin(), filters_.end(), filter);
    if (it == filters_.end()) return FALSE;
    filters_.erase(it);
    return TRUE;
}

BOOL CMessageLoop::AddIdleHandler(CIdleHandler* handler) {
    idleHandlers_.push_back(handler);
    return TRUE;
}

BOOL CMessageLoop::RemoveIdleHandler(CIdleHandler* handler) {
    auto it = std::find(idleHandlers_.begin(), idleHandlers_.end(), handler);
    if (it == idleHandlers_.end()) return FALSE;
    idleHandlers_.erase(it);
    return TRUE;
}

bool CMessageLoop::IsIdleMessage(const MSG* msg) {
    switch (msg->message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case WM_SYSTIMER:
            return false;
        default:
            return true;
    }
}

BOOL CMessageLoop::PreTranslateMessage(MSG* msg) {
    // Newest filter first; a copy, as a filter may remove itself.
    std::vector<CMessageFilter*> filters(filters_.rbegin(), filters_.rend());
    for (CMessageFilter* filter : filters) {
        if (filter->PreTranslateMessage(msg)) return TRUE;
    }
    return FALSE;
}

BOOL CMessageLoop::OnIdle(int) {
    std::vector<CIdleHandler*> handlers = idleHandlers_;
    for (CIdleHandler* handler : handlers) handler->OnIdle();
    return FALSE;  // one pass per idle period
}

int CMessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    for (;;) {
        while (doIdle && !PeekMessageW(&msg_, 0, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        BOOL got = GetMessageW(&msg_, 0, 0, 0);
        if (got == -1) continue;
        if (!got) break;
        if (!PreTranslateMessage(&msg_)) {
            TranslateMessage(&msg_);
            DispatchMessageW(&msg_);
        }
        if (IsIdleMessage(&msg_)) {
            doIdle = true;
            idleCount = 0;
        }
    }
    return static_cast<int>(msg_.wParam);
}

namespace zovi::platform {

namespace {

struct LoopRegistry {
    std::mutex lock;
    std::map<DWORD, CMessageLoop*> loops;
};
LoopRegistry& Loops() {
    static auto* registry = new LoopRegistry;
    return *registry;
}

// Gives the loop's protected filter step to the modal loop.
class CFilterAccess : public CMessageLoop {
public:
    static BOOL Filter(CMessageLoop* loop, MSG* msg) {
        return (loop->*(&CFilterAccess::PreTranslateMessage))(msg);
    }
};

}  // namespace

BOOL AddMessageLoop(CMessageLoop* loop) {
    LoopRegistry& registry = Loops();
    std::lock_guard lock(registry.lock);
    return registry.loops.emplace(GetCurrentThreadId(), loop).second ? TRUE : FALSE;
}

BOOL RemoveMessageLoop() {
    LoopRegistry& registry = Loops();
    std::lock_guard lock(registry.lock);
    return registry.loops.erase(GetCurrentThreadId()) ? TRUE : FALSE;
}

CMessageLoop* GetMessageLoop(DWORD threadId) {
    if (threadId == 0) threadId = GetCurrentThreadId();
    LoopRegistry& registry = Loops();
    std::lock_guard lock(registry.lock);
    auto it = registry.loops.find(threadId);
    return it == registry.loops.end() ? nullptr : it->second;
}

void RunModalLoop(const bool& done) {
    CMessageLoop* outer = GetMessageLoop();
    MSG msg{};
    while (!done) {
        BOOL got = GetMessageW(&msg, 0, 0, 0);
        if (got == -1) continue;
        if (!got) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the outer loop
            return;
        }
        if (outer && CFilterAccess::Filter(outer, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace zovi::platform
