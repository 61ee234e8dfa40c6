#include "platform/crash/exception_filter.h"

#include <signal.h>
#include <time.h>
#include <ucontext.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <exception>

#include "platform/base/thread.h"
#include "platform/crash/safe_process.h"
#include "platform/crash/signal_context.h"

namespace {

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP};
// A fault address this far below the stack pointer (or just above it) is the stack
// running into its guard page.
constexpr uintptr_t kStackOverflowReach = 64 * 1024;

std::atomic<LPTOP_LEVEL_EXCEPTION_FILTER> g_filter{nullptr};
std::atomic<unsigned> g_watchdogSeconds{30};
// The thread that is running the filter (0: none).
std::atomic<pid_t> g_owner{0};

// A software exception the next SIGTRAP or SIGABRT of its thread stands for.
struct PendingException {
    std::atomic<pid_t> tid{0};
    DWORD code = 0;
    DWORD flags = 0;
    DWORD count = 0;
    ULONG_PTR arguments[EXCEPTION_MAXIMUM_PARAMETERS] = {};
};
PendingException g_pending;

// The records of the fault being handled (one at a time, so static).
EXCEPTION_RECORD g_record;
CONTEXT g_context;
EXCEPTION_POINTERS g_pointers;

std::terminate_handler g_previousTerminate = nullptr;

void SetPending(DWORD code, DWORD flags, DWORD count, const ULONG_PTR* arguments) {
    g_pending.code = code;
    g_pending.flags = flags;
    g_pending.count = count > EXCEPTION_MAXIMUM_PARAMETERS ? EXCEPTION_MAXIMUM_PARAMETERS : count;
    for (DWORD i = 0; i < g_pending.count; ++i) g_pending.arguments[i] = arguments ? arguments[i] : 0;
    g_pending.tid.store(zovi::platform::SafeThreadId());
}

[[noreturn]] void OnTerminate() {
    SetPending(EXCEPTION_CPP, EXCEPTION_NONCONTINUABLE, 0, nullptr);
    abort();
}

bool IsStackOverflow(const ucontext_t* uc, uintptr_t address) {
    auto sp = static_cast<uintptr_t>(uc->uc_mcontext.gregs[REG_RSP]);
    return address + kStackOverflowReach >= sp && address < sp + 4096;
}

// The Windows exception the signal stands for.
void FillRecord(int sig, const siginfo_t* info, const ucontext_t* uc, EXCEPTION_RECORD* record,
                CONTEXT* context) {
    std::memset(record, 0, sizeof *record);
    const greg_t* r = uc->uc_mcontext.gregs;
    auto rip = static_cast<uintptr_t>(r[REG_RIP]);
    auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    record->ExceptionAddress = reinterpret_cast<void*>(rip);
    bool sentByCall = info->si_code == SI_TKILL || info->si_code == SI_USER;
    bool pending = g_pending.tid.load() == zovi::platform::SafeThreadId();

    if ((sig == SIGTRAP || sig == SIGABRT) && sentByCall && pending) {
        record->ExceptionCode = g_pending.code;
        record->ExceptionFlags = g_pending.flags;
        record->NumberParameters = g_pending.count;
        for (DWORD i = 0; i < g_pending.count; ++i) record->ExceptionInformation[i] = g_pending.arguments[i];
        g_pending.tid.store(0);
        return;
    }
    // Sent by a process: no instruction faulted and si_addr holds the sender's pid, so
    // the record carries no address (the report names the sender).
    const bool sent = zovi::platform::IsSentSignalCode(info->si_code);
    switch (sig) {
        case SIGSEGV:
            if (sent) {
                record->ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
                break;
            }
            if (info->si_code != SI_KERNEL && IsStackOverflow(uc, address)) {
                record->ExceptionCode = EXCEPTION_STACK_OVERFLOW;
                break;
            }
            record->ExceptionCode = EXCEPTION_ACCESS_VIOLATION;
            record->NumberParameters = 2;
            if (info->si_code == SI_KERNEL) {
                // A general-protection fault (non-canonical address): the address is unknown.
                record->ExceptionInformation[1] = ~ULONG_PTR{0};
            } else {
                auto error = static_cast<uint64_t>(r[REG_ERR]);
                record->ExceptionInformation[0] = (error & 0x10) ? 8 : (error & 0x2) ? 1 : 0;
                record->ExceptionInformation[1] = address;
            }
            break;
        case SIGBUS:
            record->ExceptionCode =
                info->si_code == BUS_ADRALN ? EXCEPTION_DATATYPE_MISALIGNMENT : EXCEPTION_IN_PAGE_ERROR;
            if (record->ExceptionCode == EXCEPTION_IN_PAGE_ERROR && !sent) {
                record->NumberParameters = 3;
                record->ExceptionInformation[1] = address;
            }
            break;
        case SIGFPE:
            switch (info->si_code) {
                case FPE_INTDIV: record->ExceptionCode = EXCEPTION_INT_DIVIDE_BY_ZERO; break;
                case FPE_INTOVF: record->ExceptionCode = EXCEPTION_INT_OVERFLOW; break;
                case FPE_FLTDIV: record->ExceptionCode = EXCEPTION_FLT_DIVIDE_BY_ZERO; break;
                case FPE_FLTOVF: record->ExceptionCode = EXCEPTION_FLT_OVERFLOW; break;
                case FPE_FLTUND: record->ExceptionCode = EXCEPTION_FLT_UNDERFLOW; break;
                case FPE_FLTRES: record->ExceptionCode = EXCEPTION_FLT_INEXACT_RESULT; break;
                case FPE_FLTINV: record->ExceptionCode = EXCEPTION_FLT_INVALID_OPERATION; break;
                case FPE_FLTSUB: record->ExceptionCode = EXCEPTION_ARRAY_BOUNDS_EXCEEDED; break;
                default: record->ExceptionCode = EXCEPTION_INT_DIVIDE_BY_ZERO; break;
            }
            break;
        case SIGILL:
            record->ExceptionCode = (info->si_code == ILL_PRVOPC || info->si_code == ILL_PRVREG)
                                        ? EXCEPTION_PRIV_INSTRUCTION
                                        : EXCEPTION_ILLEGAL_INSTRUCTION;
            break;
        case SIGTRAP:
            if (info->si_code == TRAP_TRACE) {
                record->ExceptionCode = EXCEPTION_SINGLE_STEP;
            } else {
                record->ExceptionCode = EXCEPTION_BREAKPOINT;
                // The breakpoint instruction itself, as Windows reports it.
                if (!sentByCall) {
                    record->ExceptionAddress = reinterpret_cast<void*>(rip - 1);
                    context->Rip = rip - 1;
                }
            }
            break;
        case SIGABRT:
        default:
            record->ExceptionCode = EXCEPTION_ABORT;
            record->ExceptionFlags = EXCEPTION_NONCONTINUABLE;
            break;
    }
}

// Waits until the thread that runs the filter lets go (only when the filter continues
// execution; otherwise the process ends while this thread waits).
void Park() {
    timespec pause{0, 50 * 1000 * 1000};
    while (g_owner.load() != 0) nanosleep(&pause, nullptr);
}

void RestoreDefaultAndRaise(int sig) {
    struct sigaction action{};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    sigprocmask(SIG_UNBLOCK, &set, nullptr);
    raise(sig);
}

void OnFaultSignal(int sig, siginfo_t* info, void* ucontext) {
    int savedErrno = errno;
    pid_t tid = zovi::platform::SafeThreadId();
    pid_t expected = 0;
    if (!g_owner.compare_exchange_strong(expected, tid)) {
        // A fault inside the filter on this thread ends the process at once.
        if (expected == tid) _exit(255);
        Park();
        errno = savedErrno;
        return;
    }
    LPTOP_LEVEL_EXCEPTION_FILTER filter = g_filter.load();
    if (!filter) {
        RestoreDefaultAndRaise(sig);
        _exit(255);
    }
    // The watchdog: a filter that deadlocks (e.g. after a crash inside malloc) still ends.
    struct sigaction alarmDefault{};
    alarmDefault.sa_handler = SIG_DFL;
    sigemptyset(&alarmDefault.sa_mask);
    sigaction(SIGALRM, &alarmDefault, nullptr);
    unsigned previousAlarm = alarm(g_watchdogSeconds.load());

    const auto* uc = static_cast<const ucontext_t*>(ucontext);
    zovi::platform::ContextFromUcontext(uc, &g_context);
    FillRecord(sig, info, uc, &g_record, &g_context);
    g_pointers.ExceptionRecord = &g_record;
    g_pointers.ContextRecord = &g_context;
    g_pointers.SignalContext = ucontext;
    g_pointers.SignalInfo = info;

    LONG result = filter(&g_pointers);
    if (result == EXCEPTION_CONTINUE_EXECUTION) {
        alarm(previousAlarm);
        g_owner.store(0);
        errno = savedErrno;
        return;
    }
    if (result == EXCEPTION_CONTINUE_SEARCH) {
        RestoreDefaultAndRaise(sig);
    }
    _exit(255);
}

}  // namespace

LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter) {
    LPTOP_LEVEL_EXCEPTION_FILTER previous = g_filter.exchange(filter);
    struct sigaction action{};
    sigemptyset(&action.sa_mask);
    if (filter) {
        zovi::platform::EnsureAltSignalStack();
        action.sa_sigaction = OnFaultSignal;
        // SA_NODEFER: a fault inside the filter reaches the handler again (and ends the
        // process) instead of the kernel killing it with the signal blocked.
        action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
        std::terminate_handler old = std::set_terminate(OnTerminate);
        if (old != OnTerminate) g_previousTerminate = old;
    } else {
        action.sa_handler = SIG_DFL;
        if (g_previousTerminate) std::set_terminate(g_previousTerminate);
    }
    for (int sig : kFaultSignals) sigaction(sig, &action, nullptr);
    return previous;
}

void RaiseException(DWORD code, DWORD flags, DWORD argumentCount, const ULONG_PTR* arguments) {
    SetPending(code, flags, argumentCount, arguments);
    raise(SIGTRAP);
}

namespace zovi::platform {

void TerminateCurrentProcess(UINT exitCode) { _exit(static_cast<int>(exitCode & 0xFF)); }

void SetCrashWatchdogSeconds(unsigned seconds) { g_watchdogSeconds.store(seconds); }

}  // namespace zovi::platform
