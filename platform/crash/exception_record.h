// The fault records handed to an unhandled-exception filter: the exception record, the
// processor context in the AMD64 minidump layout, and the pair of pointers to both.
#pragma once
#include "platform/base/wintypes.h"

#include <cstddef>

inline constexpr DWORD EXCEPTION_MAXIMUM_PARAMETERS = 15;

// Windows exception codes, as the report text names them.
inline constexpr DWORD EXCEPTION_ACCESS_VIOLATION = 0xC0000005;
inline constexpr DWORD EXCEPTION_DATATYPE_MISALIGNMENT = 0x80000002;
inline constexpr DWORD EXCEPTION_BREAKPOINT = 0x80000003;
inline constexpr DWORD EXCEPTION_SINGLE_STEP = 0x80000004;
inline constexpr DWORD EXCEPTION_ARRAY_BOUNDS_EXCEEDED = 0xC000008C;
inline constexpr DWORD EXCEPTION_FLT_DENORMAL_OPERAND = 0xC000008D;
inline constexpr DWORD EXCEPTION_FLT_DIVIDE_BY_ZERO = 0xC000008E;
inline constexpr DWORD EXCEPTION_FLT_INEXACT_RESULT = 0xC000008F;
inline constexpr DWORD EXCEPTION_FLT_INVALID_OPERATION = 0xC0000090;
inline constexpr DWORD EXCEPTION_FLT_OVERFLOW = 0xC0000091;
inline constexpr DWORD EXCEPTION_FLT_STACK_CHECK = 0xC0000092;
inline constexpr DWORD EXCEPTION_FLT_UNDERFLOW = 0xC0000093;
inline constexpr DWORD EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094;
inline constexpr DWORD EXCEPTION_INT_OVERFLOW = 0xC0000095;
inline constexpr DWORD EXCEPTION_PRIV_INSTRUCTION = 0xC0000096;
inline constexpr DWORD EXCEPTION_IN_PAGE_ERROR = 0xC0000006;
inline constexpr DWORD EXCEPTION_ILLEGAL_INSTRUCTION = 0xC000001D;
inline constexpr DWORD EXCEPTION_NONCONTINUABLE_EXCEPTION = 0xC0000025;
inline constexpr DWORD EXCEPTION_STACK_OVERFLOW = 0xC00000FD;
inline constexpr DWORD EXCEPTION_INVALID_DISPOSITION = 0xC0000026;
inline constexpr DWORD EXCEPTION_GUARD_PAGE = 0x80000001;
inline constexpr DWORD EXCEPTION_INVALID_HANDLE = 0xC0000008;
// An uncaught C++ exception.
inline constexpr DWORD EXCEPTION_CPP = 0xE06D7363;
// What the runtime's abort() reports.
inline constexpr DWORD EXCEPTION_ABORT = 0x40000015;

// Results of an unhandled-exception filter.
inline constexpr LONG EXCEPTION_EXECUTE_HANDLER = 1;
inline constexpr LONG EXCEPTION_CONTINUE_SEARCH = 0;
inline constexpr LONG EXCEPTION_CONTINUE_EXECUTION = -1;

inline constexpr DWORD EXCEPTION_NONCONTINUABLE = 1;

struct EXCEPTION_RECORD {
    DWORD ExceptionCode;
    DWORD ExceptionFlags;
    EXCEPTION_RECORD* ExceptionRecord;
    void* ExceptionAddress;
    DWORD NumberParameters;
    ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};

struct alignas(16) M128A {
    ULONGLONG Low;
    LONGLONG High;
};

// CONTEXT_AMD64 flags: the architecture bit plus its parts.
inline constexpr DWORD CONTEXT_AMD64 = 0x00100000;
inline constexpr DWORD CONTEXT_CONTROL = CONTEXT_AMD64 | 0x1;
inline constexpr DWORD CONTEXT_INTEGER = CONTEXT_AMD64 | 0x2;
inline constexpr DWORD CONTEXT_SEGMENTS = CONTEXT_AMD64 | 0x4;
inline constexpr DWORD CONTEXT_FLOATING_POINT = CONTEXT_AMD64 | 0x8;
inline constexpr DWORD CONTEXT_FULL_WITH_SEGMENTS = CONTEXT_AMD64 | 0xF;

// The AMD64 processor context exactly as a minidump stores it (1232 bytes).
struct alignas(16) CONTEXT {
    DWORD64 P1Home, P2Home, P3Home, P4Home, P5Home, P6Home;
    DWORD ContextFlags;
    DWORD MxCsr;
    WORD SegCs, SegDs, SegEs, SegFs, SegGs, SegSs;
    DWORD EFlags;
    DWORD64 Dr0, Dr1, Dr2, Dr3, Dr6, Dr7;
    DWORD64 Rax, Rcx, Rdx, Rbx, Rsp, Rbp, Rsi, Rdi;
    DWORD64 R8, R9, R10, R11, R12, R13, R14, R15;
    DWORD64 Rip;
    BYTE FltSave[512];  // the FXSAVE image
    M128A VectorRegister[26];
    DWORD64 VectorControl;
    DWORD64 DebugControl, LastBranchToRip, LastBranchFromRip, LastExceptionToRip,
        LastExceptionFromRip;
};
static_assert(sizeof(CONTEXT) == 1232);
static_assert(offsetof(CONTEXT, Rip) == 0xF8 && offsetof(CONTEXT, FltSave) == 0x100);

struct EXCEPTION_POINTERS {
    EXCEPTION_RECORD* ExceptionRecord;
    CONTEXT* ContextRecord;
    // The Linux signal behind the records (a ucontext_t and a siginfo_t), for the stack
    // walk; null when the records were made without a signal.
    const void* SignalContext;
    const void* SignalInfo;
};

using LPTOP_LEVEL_EXCEPTION_FILTER = LONG (*)(EXCEPTION_POINTERS*);
