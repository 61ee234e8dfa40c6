// The two kernel objects the reader-writer lock is built from, with the waits' Win32
// results: an unnamed mutex (re-entrant for its owner; abandoned when the owning thread
// ends while holding it) and a manual-reset event.
#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/base/wintypes.h"
#include "platform/window/wait.h"

// A wait that acquired a mutex whose owner ended while holding it.
inline constexpr DWORD WAIT_ABANDONED = 0x00000080;

class CKernelMutex {
public:
    CKernelMutex() = default;
    ~CKernelMutex();
    CKernelMutex(const CKernelMutex&) = delete;
    CKernelMutex& operator=(const CKernelMutex&) = delete;

    // WAIT_OBJECT_0 when the caller owns it (again); WAIT_ABANDONED when its owner ended
    // holding it (the caller owns it now); WAIT_TIMEOUT when `milliseconds` passed.
    DWORD Wait(DWORD milliseconds);
    // False when the caller does not own it.
    bool Release();

private:
    friend struct CHeldMutexes;
    void Abandon();

    std::mutex m_state;
    std::condition_variable m_changed;
    std::thread::id m_owner;
    DWORD m_depth = 0;
    bool m_abandoned = false;
};

class CKernelEvent {
public:
    explicit CKernelEvent(bool signalled) : m_signalled(signalled) {}
    // WAIT_OBJECT_0 once signalled; WAIT_TIMEOUT when `milliseconds` passed.
    DWORD Wait(DWORD milliseconds);
    void Set();
    void Reset();

private:
    std::mutex m_state;
    std::condition_variable m_changed;
    bool m_signalled;
};
