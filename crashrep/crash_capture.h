// The crash path: the minidump first (signal-safe: records, stack walk, modules,
// dump), then the report text (symbols and lines through libdw) and the package step;
// and the two on-request writers (a minidump, a stack listing) without a crash.
#pragma once
#include <cstdint>

#include "platform/crash/exception_record.h"

namespace zovi::crashrep {

// Writes the crash files for the fault and, with submission on, hands them on.
void CaptureCrash(EXCEPTION_POINTERS* pointers);
// A minidump of the running process without an exception. Nonzero on success.
int32_t WriteDumpOnRequest(const wchar_t* name);
// Appends the caller's stack to a text file; see ZoviCrashRepCreateStackFile.
int32_t WriteStackOnRequest(const wchar_t* name);

}  // namespace zovi::crashrep
