#include "core/lock/kernel_objects.h"

#include <algorithm>
#include <chrono>
#include <vector>

// The mutexes the current thread owns; whatever is still held when the thread ends is
// marked abandoned, as the system does for a thread that exits holding a mutex.
struct CHeldMutexes {
    std::vector<CKernelMutex*> held;
    ~CHeldMutexes() {
        for (CKernelMutex* mutex : held) mutex->Abandon();
    }
};

namespace {

thread_local CHeldMutexes t_held;

template <class Predicate>
bool WaitUntil(std::condition_variable& cv, std::unique_lock<std::mutex>& lock, DWORD milliseconds,
               Predicate ready) {
    if (milliseconds == INFINITE) {
        cv.wait(lock, ready);
        return true;
    }
    return cv.wait_for(lock, std::chrono::milliseconds(milliseconds), ready);
}

}  // namespace

CKernelMutex::~CKernelMutex() {
    auto& held = t_held.held;
    held.erase(std::remove(held.begin(), held.end(), this), held.end());
}

DWORD CKernelMutex::Wait(DWORD milliseconds) {
    const std::thread::id self = std::this_thread::get_id();
    std::unique_lock lock(m_state);
    if (m_depth > 0 && m_owner == self) {
        ++m_depth;
        return WAIT_OBJECT_0;
    }
    if (!WaitUntil(m_changed, lock, milliseconds, [this] { return m_depth == 0; })) return WAIT_TIMEOUT;
    m_owner = self;
    m_depth = 1;
    t_held.held.push_back(this);
    const bool abandoned = m_abandoned;
    m_abandoned = false;
    return abandoned ? WAIT_ABANDONED : WAIT_OBJECT_0;
}

bool CKernelMutex::Release() {
    std::unique_lock lock(m_state);
    if (m_depth == 0 || m_owner != std::this_thread::get_id()) return false;
    if (--m_depth == 0) {
        m_owner = std::thread::id();
        auto& held = t_held.held;
        held.erase(std::remove(held.begin(), held.end(), this), held.end());
        lock.unlock();
        m_changed.notify_one();
    }
    return true;
}

void CKernelMutex::Abandon() {
    {
        std::lock_guard lock(m_state);
        m_depth = 0;
        m_owner = std::thread::id();
        m_abandoned = true;
    }
    m_changed.notify_one();
}

DWORD CKernelEvent::Wait(DWORD milliseconds) {
    std::unique_lock lock(m_state);
    return WaitUntil(m_changed, lock, milliseconds, [this] { return m_signalled; }) ? WAIT_OBJECT_0
                                                                                       : WAIT_TIMEOUT;
}

void CKernelEvent::Set() {
    {
        std::lock_guard lock(m_state);
        m_signalled = true;
    }
    m_changed.notify_all();
}

void CKernelEvent::Reset() {
    std::lock_guard lock(m_state);
    m_signalled = false;
}
