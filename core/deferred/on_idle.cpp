#include "core/deferred/on_idle.h"

#include <cstdint>
#include <mutex>

#include "core/log/logger.h"

namespace {

// The queue behind the handler. Never destroyed.
struct IdleQueue {
    std::recursive_mutex lock;                // guards `current` and `closed`
    CDeferredProcCallList* list = nullptr;    // made once, never freed
    const COnIdleHandler* current = nullptr;  // the live handler
    bool closed = true;
};

IdleQueue& Queue() {
    static auto* queue = [] {
        auto* q = new IdleQueue;
        q->list = new CDeferredProcCallList(nullptr, nullptr);
        return q;
    }();
    return *queue;
}

}  // namespace

COnIdleHandler::COnIdleHandler() {
    IdleQueue& queue = Queue();
    {
        std::lock_guard lock(queue.lock);
        queue.current = this;
        queue.closed = false;
    }
    GetGlobalLogger().Info(L"COnIdleHandler::ctor: %08Ix\n", reinterpret_cast<uintptr_t>(this));
}

COnIdleHandler::~COnIdleHandler() {
    GetGlobalLogger().Info(L"COnIdleHandler::dtor: %08Ix\n", reinterpret_cast<uintptr_t>(this));
    IdleQueue& queue = Queue();
    std::lock_guard lock(queue.lock);
    if (queue.current != this) return;  // a newer handler took over the queue
    queue.current = nullptr;
    queue.closed = true;
    queue.list->Clear();
}

void COnIdleHandler::Post(COnIdleDPC* call) {
    if (!call) return;
    call->AddRef();
    IdleQueue& queue = Queue();
    std::unique_lock lock(queue.lock);
    if (queue.closed) {
        lock.unlock();
        call->Release();
        return;
    }
    queue.list->Add(call);
}

void COnIdleHandler::Run() { Queue().list->Run(); }

void PostToUiThread(std::function<void()> callable) {
    COnIdleHandler::GetInstance()->Post(new COnIdleLambda(kGenericLambdaProcedure, std::move(callable)));
}
