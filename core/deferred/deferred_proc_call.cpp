#include "core/deferred/deferred_proc_call.h"

#include <mutex>

CDeferredProcCallList::~CDeferredProcCallList() { Clear(); }

void CDeferredProcCallList::Add(CDeferredProcCall* call) {
    if (observer_) observer_->OnAdd(this, call);
    std::lock_guard lock(lock_);
    calls_.push_back(call);
    ++count_;
}

void CDeferredProcCallList::Run() {
    for (;;) {
        CDeferredProcCall* call = nullptr;
        {
            std::lock_guard lock(lock_);
            if (count_ == 0) return;
            if (!calls_.empty()) {
                call = calls_.front();
                calls_.pop_front();
                --count_;
            }
        }
        if (!call) continue;
        if (observer_) observer_->OnRun(this, call);
        call->Execute();
        call->Release();
    }
}

void CDeferredProcCallList::Clear() {
    std::list<CDeferredProcCall*> calls;
    {
        std::lock_guard lock(lock_);
        calls.swap(calls_);
        count_ = 0;
    }
    for (CDeferredProcCall* call : calls) call->Release();
}

std::uint32_t CDeferredProcCallList::Count() {
    std::lock_guard lock(lock_);
    return count_;
}
