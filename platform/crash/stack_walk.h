// Walks a thread's stack with libunwind (signal-safe for the local process): from a
// signal's context or from the caller's own position.
#pragma once
#include <cstddef>
#include <cstdint>

#define UNW_LOCAL_ONLY
#include <libunwind.h>

namespace zovi::platform {

struct StackFrame {
    uint64_t ip;
    uint64_t sp;
    // The four 64-bit words at the frame's canonical frame address (the caller's stack
    // pointer), where x86 code would keep its first arguments; 0 when unreadable.
    uint64_t words[4];
    // The raw (mangled) symbol name and the offset into it, when libunwind knows them.
    char name[256];
    uint64_t offset;
};

class CStackWalker {
public:
    // Starts at the signal's interrupted context (a ucontext_t).
    bool StartAtSignal(const void* signalContext);
    // Starts at the given context taken with unw_getcontext.
    bool StartAt(unw_context_t* context);

    const StackFrame& Frame() const { return frame_; }
    // Moves to the caller. False at the end of the stack, on a walk error, or when the
    // caller's stack pointer does not grow (a corrupt stack).
    bool Step();
    // True when the last Step stopped because the caller's address equals the frame's own
    // (at the same stack pointer).
    bool StoppedAtSelf() const { return stoppedAtSelf_; }

private:
    void Describe();

    unw_context_t context_;
    unw_cursor_t cursor_;
    StackFrame frame_{};
    bool stoppedAtSelf_ = false;
};

}  // namespace zovi::platform
