// Takes the processor contexts of the process's other threads for a minidump: each is
// sent a real-time signal, copies its context and waits until released. Threads that
// block the signal or do not answer within about 200 ms are left out. Signal-safe.
#pragma once
#include <sys/types.h>

#include <cstddef>

#include "platform/crash/exception_record.h"

namespace zovi::platform {

inline constexpr size_t kMaxCapturedThreads = 63;

struct CapturedThread {
    pid_t tid;
    CONTEXT context;
};

class CThreadCapture {
public:
    // Stops the other threads that answer and returns how many were captured into
    // Thread(0..n). Call Release before anything that may take a lock those threads hold.
    size_t Capture();
    const CapturedThread& Thread(size_t i) const;
    // Lets the captured threads go on.
    void Release();
};

}  // namespace zovi::platform
