// The AMD64 CONTEXT of a Linux ucontext_t (a signal's interrupted state, or one taken
// with getcontext), and the facts of a signal's siginfo_t.
#pragma once
#include <cstdint>

#include "platform/crash/exception_record.h"

namespace zovi::platform {

void ContextFromUcontext(const void* ucontext, CONTEXT* context);

// Takes the calling thread's context and runs `work` with it while the frame the context
// was taken in is still live (so its stack reads as it was). Signal-safe.
void WithOwnContext(void (*work)(const CONTEXT* context, void* data), void* data);

// The signal number, its si_code and its address (si_addr) from a siginfo_t. A signal
// sent by a process (kill, sigqueue, tgkill) has no fault address; it carries the
// sender's pid instead.
struct SignalFacts {
    uint32_t signal;
    uint32_t code;
    uintptr_t address;  // 0 for a sent signal
    bool sent;
    uint32_t senderPid;  // 0 unless sent
    bool sentByOther;    // sent, and not by this process (raise, abort)
};
// True when the siginfo_t's si_code says a process sent the signal.
bool IsSentSignalCode(int code);
SignalFacts FactsOfSignal(const void* signalInfo);

}  // namespace zovi::platform
