#include "platform/crash/signal_context.h"

#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstring>

namespace zovi::platform {

void ContextFromUcontext(const void* ucontext, CONTEXT* context) {
    const auto* uc = static_cast<const ucontext_t*>(ucontext);
    std::memset(context, 0, sizeof *context);
    const greg_t* r = uc->uc_mcontext.gregs;
    context->ContextFlags = CONTEXT_FULL_WITH_SEGMENTS;
    context->Rax = static_cast<DWORD64>(r[REG_RAX]);
    context->Rbx = static_cast<DWORD64>(r[REG_RBX]);
    context->Rcx = static_cast<DWORD64>(r[REG_RCX]);
    context->Rdx = static_cast<DWORD64>(r[REG_RDX]);
    context->Rsi = static_cast<DWORD64>(r[REG_RSI]);
    context->Rdi = static_cast<DWORD64>(r[REG_RDI]);
    context->Rbp = static_cast<DWORD64>(r[REG_RBP]);
    context->Rsp = static_cast<DWORD64>(r[REG_RSP]);
    context->R8 = static_cast<DWORD64>(r[REG_R8]);
    context->R9 = static_cast<DWORD64>(r[REG_R9]);
    context->R10 = static_cast<DWORD64>(r[REG_R10]);
    context->R11 = static_cast<DWORD64>(r[REG_R11]);
    context->R12 = static_cast<DWORD64>(r[REG_R12]);
    context->R13 = static_cast<DWORD64>(r[REG_R13]);
    context->R14 = static_cast<DWORD64>(r[REG_R14]);
    context->R15 = static_cast<DWORD64>(r[REG_R15]);
    context->Rip = static_cast<DWORD64>(r[REG_RIP]);
    context->EFlags = static_cast<DWORD>(r[REG_EFL]);
    // cs, gs, fs and (with UC_SIGCONTEXT_SS) ss, 16 bits each; ds and es are not saved
    // in 64-bit mode.
    auto segments = static_cast<uint64_t>(r[REG_CSGSFS]);
    context->SegCs = static_cast<WORD>(segments);
    context->SegGs = static_cast<WORD>(segments >> 16);
    context->SegFs = static_cast<WORD>(segments >> 32);
    constexpr unsigned long kSigcontextSs = 0x2;
    if (uc->uc_flags & kSigcontextSs) context->SegSs = static_cast<WORD>(segments >> 48);
    if (uc->uc_mcontext.fpregs) {
        static_assert(sizeof(*uc->uc_mcontext.fpregs) >= sizeof context->FltSave);
        std::memcpy(context->FltSave, uc->uc_mcontext.fpregs, sizeof context->FltSave);
        context->MxCsr = uc->uc_mcontext.fpregs->mxcsr;
    }
}

void WithOwnContext(void (*work)(const CONTEXT* context, void* data), void* data) {
    ucontext_t uc;
    getcontext(&uc);
    // A local: its address reaches `work`, so the call can never become a tail call that
    // would leave this frame before the context is used.
    CONTEXT taken;
    ContextFromUcontext(&uc, &taken);
    work(&taken, data);
}

// Codes at or below 0 (SI_USER, SI_QUEUE, SI_TKILL, ...) come from a process, never from
// the processor; SI_KERNEL is positive.
bool IsSentSignalCode(int code) { return code <= 0; }

SignalFacts FactsOfSignal(const void* signalInfo) {
    const auto* info = static_cast<const siginfo_t*>(signalInfo);
    const bool sent = IsSentSignalCode(info->si_code);
    // For a sent signal the union holds the sender, not an address.
    return {static_cast<uint32_t>(info->si_signo), static_cast<uint32_t>(info->si_code),
            sent ? 0 : reinterpret_cast<uintptr_t>(info->si_addr), sent,
            sent ? static_cast<uint32_t>(info->si_pid) : 0, sent && info->si_pid != getpid()};
}

}  // namespace zovi::platform
