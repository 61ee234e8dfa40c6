// The unhandled-exception filter over Linux signals. SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGABRT and SIGTRAP run the filter on the faulting thread's alternate signal stack,
// with the exception record and context built from the signal; an uncaught C++ exception
// arrives as code 0xE06D7363.
#pragma once
#include "platform/crash/exception_record.h"

// Installs `filter` (null uninstalls it and restores the default actions) and returns
// the one installed before. The first call also gives the calling thread an alternate
// signal stack. The filter's result: EXCEPTION_EXECUTE_HANDLER ends the process with
// exit status 255; EXCEPTION_CONTINUE_SEARCH restores the default action and re-raises
// (a core dump); EXCEPTION_CONTINUE_EXECUTION returns from the signal.
// Only the first thread that faults runs the filter; others wait until the process ends,
// and a fault inside the filter on the same thread ends the process at once (status 255).
// A watchdog ends a filter that runs longer than 30 seconds.
LPTOP_LEVEL_EXCEPTION_FILTER SetUnhandledExceptionFilter(LPTOP_LEVEL_EXCEPTION_FILTER filter);

// Raises a software exception: the filter sees `code` with the flags and arguments (at
// most 15).
void RaiseException(DWORD code, DWORD flags, DWORD argumentCount, const ULONG_PTR* arguments);

// Executes a breakpoint instruction; the filter sees EXCEPTION_BREAKPOINT.
inline void DebugBreak() { __asm__ volatile("int3"); }

namespace zovi::platform {

// TerminateProcess on the current process: ends it at once with the low byte of
// `exitCode` as its status (0xFFFFFFFF gives 255), running no at-exit work.
[[noreturn]] void TerminateCurrentProcess(UINT exitCode);

// The watchdog's time for the filter (30 seconds unless changed; 0 turns it off).
void SetCrashWatchdogSeconds(unsigned seconds);

}  // namespace zovi::platform
