// A connection to the sound server on a plain main loop that the owning thread runs
// itself (inside the sound layer only). The library starts no thread of its own, and
// each connection is used by one thread at a time.
#pragma once
#include <pulse/pulseaudio.h>

namespace zovi::platform {

class CPulseConnection {
public:
    CPulseConnection() = default;
    ~CPulseConnection() { Disconnect(); }
    CPulseConnection(const CPulseConnection&) = delete;
    CPulseConnection& operator=(const CPulseConnection&) = delete;

    // Connects to the server (PULSE_SERVER or the default). `poll` may replace the
    // loop's poll function.
    bool Connect(const char* clientName, pa_poll_func poll = nullptr, void* pollData = nullptr);
    void Disconnect();

    // Runs the loop once, blocking until something happens; false when it failed.
    bool Iterate() { return pa_mainloop_iterate(loop_, 1, nullptr) >= 0; }
    // Runs the loop until `operation` is done, then releases it.
    bool WaitForOperation(pa_operation* operation);
    // Runs the loop until `stream` is ready or has failed.
    bool WaitForStream(pa_stream* stream);
    bool IsGood() const { return context_ && PA_CONTEXT_IS_GOOD(pa_context_get_state(context_)); }

    pa_mainloop* Loop() const { return loop_; }
    pa_context* Context() const { return context_; }

private:
    pa_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
};

}  // namespace zovi::platform
