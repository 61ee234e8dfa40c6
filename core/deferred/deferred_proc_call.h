// Deferred calls and the locked first-in-first-out list that holds them.
#pragma once
#include <cstdint>
#include <list>

#include "platform/base/critical_section.h"

// One unit of deferred work.
class CDeferredProcCall {
public:
    virtual ~CDeferredProcCall() = default;
    virtual void Execute() = 0;
    // Called once the list is done with the call (run or cleared): destroys it.
    virtual void Release() { delete this; }
};

class CDeferredProcCallList;

// Observer of a list.
class IDeferredProcCallListCallback {
public:
    virtual void OnAdd(CDeferredProcCallList* list, CDeferredProcCall* call) = 0;
    virtual void OnRun(CDeferredProcCallList* list, CDeferredProcCall* call) = 0;

protected:
    virtual ~IDeferredProcCallListCallback() = default;
};

class CDeferredProcCallList {
public:
    explicit CDeferredProcCallList(IDeferredProcCallListCallback* observer = nullptr,
                                   CDeferredProcCallList* previous = nullptr)
        : observer_(observer), previous_(previous) {}
    // Releases every call still queued without running it.
    ~CDeferredProcCallList();
    CDeferredProcCallList(const CDeferredProcCallList&) = delete;
    CDeferredProcCallList& operator=(const CDeferredProcCallList&) = delete;

    // Observer OnAdd, then appends under the lock. Any thread.
    void Add(CDeferredProcCall* call);
    // Runs the queued calls first in, first out: each is taken off under the lock, then
    // OnRun, Execute and Release run outside it. Calls added meanwhile (by any thread,
    // or by a running call) run in the same pass, so a call that always adds itself
    // again never lets the pass end.
    void Run();
    // Releases every queued call without running it.
    void Clear();
    std::uint32_t Count();

    CDeferredProcCallList* Previous() const { return previous_; }
    CRITICAL_SECTION& Lock() { return lock_; }

private:
    std::list<CDeferredProcCall*> calls_;
    std::uint32_t count_ = 0;
    IDeferredProcCallListCallback* observer_;
    CRITICAL_SECTION lock_;
    CDeferredProcCallList* previous_;
};
