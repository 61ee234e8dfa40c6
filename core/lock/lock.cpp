#include "core/lock/lock.h"

#include <mutex>

#include "platform/base/clock.h"
#include "platform/base/wformat.h"
#include "platform/crash/exception_filter.h"
#include "platform/crash/fatal_message.h"
#include "platform/window/process_ids.h"

void CLock::WaitWhileUpgradesPending() {
    // An upgrading reader is not starved: new holders yield until it is done.
    for (int checks = 0; m_pendingUpgrades.load() > 0; ++checks) Sleep(checks < 1000 ? 0 : 10);
}

void CLock::Block(CKernelMutex& mutex, const wchar_t* objectName) {
    DWORD result = mutex.Wait(m_waitTime.load());
    if (result != WAIT_OBJECT_0) Fail(result, objectName);
}

void CLock::Block(CKernelEvent& event, const wchar_t* objectName) {
    DWORD result = event.Wait(m_waitTime.load());
    if (result != WAIT_OBJECT_0) Fail(result, objectName);
}

std::wstring CLock::DescribeFailure(DWORD waitResult, const wchar_t* objectName) {
    std::wstring what;
    switch (waitResult) {
    case WAIT_ABANDONED: what = L"WAIT_ABANDONED"; break;
    case WAIT_TIMEOUT: what = L"WAIT_TIMEOUT"; break;
    case WAIT_FAILED: what = L"WAIT_FAILED"; break;
    default: what = zovi::platform::FormatWide(L"WAIT_%04x", waitResult); break;
    }
    what += objectName;
    std::wstring owners;
    {
        std::lock_guard guard(m_ownersSection);
        for (const auto& [tid, owner] : m_owners) {
            if (!owners.empty()) owners += L", ";
            owners += zovi::platform::FormatWide(L"%04x", tid);
        }
    }
    return zovi::platform::FormatWide(L"CLock::Block: %s tid=%04x locked: %s", what.c_str(),
                                      GetCurrentThreadId(), owners.c_str());
}

void CLock::Fail(DWORD waitResult, const wchar_t* objectName) {
    const std::wstring text = DescribeFailure(waitResult, objectName);
    zovi::platform::ReportFatalMessage(text.c_str());
    RaiseException(kLockFailureException, 0, 0, nullptr);
    // The filter ends the process; should it return, nothing may go on with a broken lock.
    zovi::platform::TerminateCurrentProcess(0xFFFFFFFF);
}

void CLock::LowerReaderCount() {
    Block(m_readersMutex, L" readersMutex");
    if (--m_readerCount == 0) m_noReadsEvent.Set();
    m_readersMutex.Release();
}

bool CLock::LockRead() {
    const DWORD tid = GetCurrentThreadId();
    {
        std::lock_guard guard(m_ownersSection);
        auto it = m_owners.find(tid);
        if (it != m_owners.end()) {
            if (it->second.writes > 0) return false;
            if (it->second.reads > 0) {
                ++it->second.reads;
                return false;
            }
        }
    }
    if (m_upgradingThread.load() != tid) WaitWhileUpgradesPending();
    Block(m_writersMutex, L" writersMutex");
    Block(m_readersMutex, L" readersMutex");
    if (m_readerCount++ == 0) m_noReadsEvent.Reset();
    m_readersMutex.Release();
    m_writersMutex.Release();
    {
        std::lock_guard guard(m_ownersSection);
        ++m_owners[tid].reads;
    }
    return true;
}

bool CLock::UnlockRead() {
    const DWORD tid = GetCurrentThreadId();
    {
        std::lock_guard guard(m_ownersSection);
        auto it = m_owners.find(tid);
        if (it == m_owners.end() || it->second.writes > 0 || it->second.reads == 0) return false;
        if (--it->second.reads > 0) return false;
        m_owners.erase(it);
    }
    LowerReaderCount();
    return true;
}

bool CLock::LockWrite() {
    const DWORD tid = GetCurrentThreadId();
    DWORD gaveUp = 0;
    {
        std::lock_guard guard(m_ownersSection);
        auto it = m_owners.find(tid);
        if (it != m_owners.end() && it->second.writes > 0) {
            ++it->second.writes;
            return false;
        }
        if (it != m_owners.end() && it->second.reads > 0) {
            ++m_pendingUpgrades;
            gaveUp = it->second.reads;
            m_owners.erase(it);
        }
    }
    if (gaveUp > 0) {
        LowerReaderCount();
    } else {
        WaitWhileUpgradesPending();
    }
    Block(m_writersMutex, L" writersMutex");
    Block(m_noReadsEvent, L" noReadsEvent");
    ++m_writeDepth;
    if (gaveUp > 0) {
        m_upgradingThread = tid;
        m_upgradeReadHolds = gaveUp;
    }
    {
        std::lock_guard guard(m_ownersSection);
        m_owners[tid].writes = 1;
    }
    return true;
}

bool CLock::UnlockWrite() {
    const DWORD tid = GetCurrentThreadId();
    {
        std::lock_guard guard(m_ownersSection);
        auto it = m_owners.find(tid);
        if (it == m_owners.end() || it->second.writes == 0) return false;
        if (--it->second.writes > 0) return false;
        if (it->second.reads == 0) m_owners.erase(it);
    }
    --m_writeDepth;
    if (m_upgradingThread.load() != tid) {
        m_writersMutex.Release();
        return true;
    }
    --m_pendingUpgrades;
    const DWORD holds = m_upgradeReadHolds;
    for (DWORD i = 0; i < holds; ++i) LockRead();
    m_upgradingThread = 0;
    m_upgradeReadHolds = 0;
    m_writersMutex.Release();
    return true;
}
