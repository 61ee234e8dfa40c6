// The UI thread's queue of deferred calls: any thread posts, the message loop's idle
// pass runs them on the UI thread in posting order.
#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "core/deferred/deferred_proc_call.h"
#include "core/deferred/singleton.h"

// A reference-counted deferred call for the UI thread (count 0 after construction).
class COnIdleDPC : public CDeferredProcCall {
public:
    explicit COnIdleDPC(std::wstring name) : name_(std::move(name)) {}
    void AddRef() { refs_.fetch_add(1, std::memory_order_relaxed); }
    // Drops one reference; destroys the call at zero.
    void Release() override {
        if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
    }
    virtual std::wstring GetName() const { return name_; }

private:
    std::atomic<std::int32_t> refs_{0};
    std::wstring name_;
};

// A deferred call that runs a callable (an empty one throws std::bad_function_call).
class COnIdleLambda : public COnIdleDPC {
public:
    COnIdleLambda(std::wstring name, std::function<void()> callable)
        : COnIdleDPC(std::move(name)), callable_(std::move(callable)) {}
    void Execute() override { callable_(); }

private:
    std::function<void()> callable_;
};

// The name every producer gives its lambdas.
inline constexpr const wchar_t* kGenericLambdaProcedure = L"GenericLambdaProcedure";

// The UI thread's queue (a singleton). The queue and its lock outlive the handler
// object: once the handler is destroyed at shutdown the queue is closed, and a call
// posted to a closed queue is released without running, so workers that still post
// during shutdown never touch freed memory.
class COnIdleHandler final : public CSingletonT<COnIdleHandler>, public IDeferredProcCallListCallback {
public:
    // Takes a reference on `call` and queues it. Does not wake the UI thread. Any thread.
    // It uses only the queue, never the handler object, so a worker that still holds
    // the pointer of a handler destroyed at shutdown may call it.
    static void Post(COnIdleDPC* call);
    // Runs the queued calls (the UI thread's idle pass).
    static void Run();

    void OnAdd(CDeferredProcCallList*, CDeferredProcCall*) override {}
    void OnRun(CDeferredProcCallList*, CDeferredProcCall*) override {}

private:
    friend class CSingletonT<COnIdleHandler>;
    COnIdleHandler();
    ~COnIdleHandler();
};

// Posts `callable` to the UI thread as a "GenericLambdaProcedure" call.
void PostToUiThread(std::function<void()> callable);
