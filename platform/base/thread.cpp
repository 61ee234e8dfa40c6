#include "platform/base/thread.h"

#include <signal.h>
#include <sys/mman.h>

#include <utility>

namespace zovi::platform {

namespace {

// Owns the calling thread's alternate signal stack; released at thread exit.
class AltSignalStack {
public:
    AltSignalStack() {
        void* memory = mmap(nullptr, kAltSignalStackSize, PROT_READ | PROT_WRITE,
                            MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
        if (memory == MAP_FAILED) return;
        stack_t stack{};
        stack.ss_sp = memory;
        stack.ss_size = kAltSignalStackSize;
        if (sigaltstack(&stack, nullptr) != 0) {
            munmap(memory, kAltSignalStackSize);
            return;
        }
        memory_ = memory;
    }
    ~AltSignalStack() {
        if (!memory_) return;
        stack_t disable{};
        disable.ss_flags = SS_DISABLE;
        sigaltstack(&disable, nullptr);
        munmap(memory_, kAltSignalStackSize);
    }
    AltSignalStack(const AltSignalStack&) = delete;
    AltSignalStack& operator=(const AltSignalStack&) = delete;

private:
    void* memory_ = nullptr;
};

}  // namespace

void EnsureAltSignalStack() {
    // A thread that already runs on a stack set by someone else keeps it.
    stack_t current{};
    if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
    thread_local AltSignalStack stack;
}

std::thread StartThread(std::function<void()> body) {
    return std::thread([body = std::move(body)] {
        EnsureAltSignalStack();
        body();
    });
}

}  // namespace zovi::platform
