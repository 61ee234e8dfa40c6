#include "platform/sound/pulse_connection.h"

namespace zovi::platform {

bool CPulseConnection::Connect(const char* clientName, pa_poll_func poll, void* pollData) {
    if (loop_) return false;
    loop_ = pa_mainloop_new();
    if (!loop_) return false;
    if (poll) pa_mainloop_set_poll_func(loop_, poll, pollData);
    context_ = pa_context_new(pa_mainloop_get_api(loop_), clientName);
    bool ready = context_ && pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    while (ready) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) break;
        ready = PA_CONTEXT_IS_GOOD(state) && Iterate();
    }
    if (!ready) Disconnect();
    return ready;
}

void CPulseConnection::Disconnect() {
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    if (loop_) {
        pa_mainloop_free(loop_);
        loop_ = nullptr;
    }
}

bool CPulseConnection::WaitForOperation(pa_operation* operation) {
    if (!operation) return false;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        if (!IsGood() || !Iterate()) {
            pa_operation_cancel(operation);
            break;
        }
    }
    const bool done = pa_operation_get_state(operation) == PA_OPERATION_DONE;
    pa_operation_unref(operation);
    return done;
}

bool CPulseConnection::WaitForStream(pa_stream* stream) {
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(stream);
        if (state == PA_STREAM_READY) return true;
        if (!PA_STREAM_IS_GOOD(state) || !IsGood() || !Iterate()) return false;
    }
}

}  // namespace zovi::platform
