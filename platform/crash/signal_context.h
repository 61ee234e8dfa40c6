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

// The signal number, its si_code and its address (si_addr) from a siginfo_t.
struct SignalFacts {
    uint32_t signal;
    uint32_t code;
    uintptr_t address;
};
SignalFacts FactsOfSignal(const void* signalInfo);

}  // namespace zovi::platform
