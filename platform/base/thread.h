// Threads made by the program. Each runs with an alternate signal stack, so the crash
// handler can run even when the thread overflowed its own stack.
#pragma once
#include <functional>
#include <thread>

namespace zovi::platform {

// Installs an alternate signal stack for the calling thread (once; later calls do
// nothing) and frees it when the thread ends. Threads started with StartThread have one
// already; call this on threads made elsewhere (the main thread, library threads).
void EnsureAltSignalStack();

// Size of each thread's alternate signal stack.
inline constexpr size_t kAltSignalStackSize = 256 * 1024;

// Starts `body` on a new std::thread that has an alternate signal stack.
std::thread StartThread(std::function<void()> body);

}  // namespace zovi::platform
