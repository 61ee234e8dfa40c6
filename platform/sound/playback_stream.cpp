#include "platform/sound/playback_stream.h"

#include <algorithm>
#include <vector>

#include "platform/base/thread.h"
#include "platform/sound/pulse_connection.h"

namespace zovi::platform {

struct CSoundPlayer::State {
    CPulseConnection connection;
    pa_stream* stream = nullptr;

    ~State() {
        if (stream) {
            pa_stream_disconnect(stream);
            pa_stream_unref(stream);
        }
    }
};

CSoundPlayer::CSoundPlayer() = default;

CSoundPlayer::~CSoundPlayer() { Stop(); }

bool CSoundPlayer::Start(const std::string& sink, int rate, int channels, Generator generator) {
    if (thread_.joinable() || rate <= 0 || channels < 1 || channels > static_cast<int>(PA_CHANNELS_MAX) || !generator)
        return false;
    auto state = std::make_unique<State>();
    if (!state->connection.Connect("Zovi player")) return false;
    const pa_sample_spec sampleSpec{PA_SAMPLE_FLOAT32LE, static_cast<uint32_t>(rate), static_cast<uint8_t>(channels)};
    const uint32_t frameBytes = static_cast<uint32_t>(channels * sizeof(float));
    pa_buffer_attr attr{};
    attr.maxlength = attr.minreq = attr.fragsize = static_cast<uint32_t>(-1);
    attr.prebuf = 0;  // play whatever arrived
    attr.tlength = static_cast<uint32_t>(rate / 50) * frameBytes;  // 20 ms ahead
    state->stream = pa_stream_new(state->connection.Context(), "Zovi player", &sampleSpec, nullptr);
    if (!state->stream ||
        pa_stream_connect_playback(state->stream, sink.empty() ? nullptr : sink.c_str(), &attr,
                                   PA_STREAM_ADJUST_LATENCY, nullptr, nullptr) < 0 ||
        !state->connection.WaitForStream(state->stream))
        return false;
    state_ = std::move(state);
    stop_ = false;
    written_ = 0;
    // The thread owns the connection from here on; Stop wakes its loop.
    thread_ = StartThread([this, rate, channels, frameBytes, generator = std::move(generator)] {
        State& s = *state_;
        const size_t chunk = static_cast<size_t>(rate / 100);  // at most 10 ms per write
        std::vector<float> samples(chunk * channels);
        while (!stop_.load()) {
            const size_t writable = pa_stream_writable_size(s.stream);
            if (writable == static_cast<size_t>(-1)) break;
            // The server asks for what it needs and so paces the writes.
            const size_t frames = std::min(writable / frameBytes, chunk);
            if (frames == 0) {
                if (!s.connection.IsGood() || !s.connection.Iterate()) break;
                continue;
            }
            generator(samples.data(), static_cast<int>(frames), written_.load());
            if (pa_stream_write(s.stream, samples.data(), frames * frameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
                break;
            written_ += static_cast<long long>(frames);
        }
    });
    return true;
}

void CSoundPlayer::Stop() {
    stop_ = true;
    if (thread_.joinable()) {
        pa_mainloop_wakeup(state_->connection.Loop());
        thread_.join();
    }
    state_.reset();
}

}  // namespace zovi::platform
