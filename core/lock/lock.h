// CLock: a reader-writer lock with re-entry by the holding thread and the upgrade of a
// read hold into a write hold. Many threads may read at once; one writes. A wait that
// fails is a fatal fault: its description goes to the fatal-message sink (the program's crash
// report, information entry 0) and the exception 0x0BAD0FAD is raised.
#pragma once
#include <atomic>
#include <map>
#include <string>

#include "core/lock/kernel_objects.h"
#include "platform/base/critical_section.h"
#include "platform/base/wintypes.h"

inline constexpr DWORD kLockFailureException = 0x0BAD0FAD;

class CLock {
public:
    CLock() = default;
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

    // True when a hold was taken from the kernel objects, false when the thread's
    // existing holds satisfied the request (a write hold, or read holds already taken).
    bool LockRead();
    // True when the thread's last read hold went (the kernel objects were touched).
    bool UnlockRead();
    // True when the writers mutex was taken; false for a re-entry by the writer.
    bool LockWrite();
    // True when the thread's last write hold went.
    bool UnlockWrite();

    // The time each wait may take (INFINITE as constructed).
    void SetWaitTime(DWORD milliseconds) { m_waitTime = milliseconds; }

    // The lock's failure text for a wait result on a named object ("CLock::Block: ...").
    std::wstring DescribeFailure(DWORD waitResult, const wchar_t* objectName);

private:
    struct Owner {
        DWORD reads = 0;
        DWORD writes = 0;
    };

    void WaitWhileUpgradesPending();
    void Block(CKernelMutex& mutex, const wchar_t* objectName);
    void Block(CKernelEvent& event, const wchar_t* objectName);
    [[noreturn]] void Fail(DWORD waitResult, const wchar_t* objectName);
    void LowerReaderCount();

    CKernelMutex m_readersMutex;
    CKernelMutex m_writersMutex;
    CKernelEvent m_noReadsEvent{true};
    std::atomic<LONG> m_pendingUpgrades{0};
    DWORD m_readerCount = 0;
    DWORD m_writeDepth = 0;
    std::atomic<DWORD> m_upgradingThread{0};
    DWORD m_upgradeReadHolds = 0;
    std::atomic<DWORD> m_waitTime{INFINITE};
    CRITICAL_SECTION m_ownersSection;
    std::map<DWORD, Owner> m_owners;
};

// Scope guards that pair each hold with its release.
class CReadLockGuard {
public:
    explicit CReadLockGuard(CLock& lock) : m_lock(lock) { m_lock.LockRead(); }
    ~CReadLockGuard() { m_lock.UnlockRead(); }
    CReadLockGuard(const CReadLockGuard&) = delete;
    CReadLockGuard& operator=(const CReadLockGuard&) = delete;

private:
    CLock& m_lock;
};

class CWriteLockGuard {
public:
    explicit CWriteLockGuard(CLock& lock) : m_lock(lock) { m_lock.LockWrite(); }
    ~CWriteLockGuard() { m_lock.UnlockWrite(); }
    CWriteLockGuard(const CWriteLockGuard&) = delete;
    CWriteLockGuard& operator=(const CWriteLockGuard&) = delete;

private:
    CLock& m_lock;
};
