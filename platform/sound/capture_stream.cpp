#include "platform/sound/capture_stream.h"

#include <poll.h>

#include <chrono>
#include <vector>

#include "platform/sound/pulse_connection.h"

namespace zovi::platform {

namespace {

constexpr char kDefaultSource[] = "@DEFAULT_SOURCE@";
constexpr char kDefaultMonitor[] = "@DEFAULT_MONITOR@";
constexpr char kMonitorSuffix[] = ".monitor";

struct SourceLookup {
    bool done = false;
    bool found = false;
    std::string name;
    pa_sample_spec sampleSpec{};
    pa_channel_map map{};
};

void OnSourceInfo(pa_context*, const pa_source_info* info, int eol, void* data) {
    auto* lookup = static_cast<SourceLookup*>(data);
    if (eol == 0 && info) {
        lookup->found = true;
        lookup->name = info->name;
        lookup->sampleSpec = info->sample_spec;
        lookup->map = info->channel_map;
    } else {
        lookup->done = true;
    }
}

}  // namespace

// The connection runs on a plain main loop driven by whichever thread owns the stream;
// its poll also watches the stop event, so one wait covers both.
struct CSoundCaptureStream::State {
    CPulseConnection connection;
    pa_stream* stream = nullptr;
    std::string deviceName;
    int channels = 0;
    int rate = 0;
    size_t fragmentBytes = 0;
    bool peeked = false;
    std::vector<float> silence;  // a hole in the stream reads as zeros
    // The stop event watched by the current wait, and whether it fired.
    CSoundEvent* stop = nullptr;
    bool stopped = false;
    std::vector<pollfd> pollFds;

    static int Poll(pollfd* fds, unsigned long count, int timeout, void* self) {
        auto* state = static_cast<State*>(self);
        if (!state->stop) return poll(fds, count, timeout);
        state->pollFds.assign(fds, fds + count);
        state->pollFds.push_back({state->stop->Fd(), POLLIN, 0});
        const int ready = poll(state->pollFds.data(), state->pollFds.size(), timeout);
        if (ready < 0) return ready;
        for (unsigned long i = 0; i < count; ++i) fds[i].revents = state->pollFds[i].revents;
        if (state->pollFds.back().revents & POLLIN) {
            state->stopped = true;
            if (!state->stop->IsManualReset()) state->stop->Reset();
            return ready - 1;
        }
        return ready;
    }

    bool StreamGood() const {
        return stream && connection.IsGood() && PA_STREAM_IS_GOOD(pa_stream_get_state(stream));
    }
    bool Lookup(const std::string& name, SourceLookup* lookup) {
        *lookup = {};
        return connection.WaitForOperation(pa_context_get_source_info_by_name(
                   connection.Context(), name.c_str(), &OnSourceInfo, lookup)) &&
               lookup->found;
    }
};

CSoundCaptureStream::CSoundCaptureStream() : state_(std::make_unique<State>()) {}

CSoundCaptureStream::~CSoundCaptureStream() {
    Stop();
    state_->connection.Disconnect();
}

bool CSoundCaptureStream::Open(const std::string& device, bool loopback, DWORD bufferMs) {
    State& s = *state_;
    if (s.connection.Loop()) return false;
    bool ok = s.connection.Connect("Zovi capture", &State::Poll, &s);
    // The device is fixed now, as the default one is at the time of opening.
    SourceLookup lookup;
    if (ok) {
        const std::string wanted = !device.empty() ? device : loopback ? kDefaultMonitor : kDefaultSource;
        ok = s.Lookup(wanted, &lookup);
        if (!ok && loopback && !device.empty()) ok = s.Lookup(device + kMonitorSuffix, &lookup);
    }
    if (ok) {
        s.deviceName = lookup.name;
        s.channels = lookup.sampleSpec.channels;
        s.rate = static_cast<int>(lookup.sampleSpec.rate);
        const pa_sample_spec sampleSpec{PA_SAMPLE_FLOAT32LE, lookup.sampleSpec.rate, lookup.sampleSpec.channels};
        const uint32_t frameBytes = static_cast<uint32_t>(pa_frame_size(&sampleSpec));
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<uint32_t>(static_cast<uint64_t>(sampleSpec.rate) * frameBytes * bufferMs / 1000);
        attr.fragsize = sampleSpec.rate / 100 * frameBytes;  // 10 ms
        attr.tlength = attr.prebuf = attr.minreq = static_cast<uint32_t>(-1);
        s.fragmentBytes = attr.fragsize;
        s.stream = pa_stream_new(s.connection.Context(), "Zovi capture", &sampleSpec, &lookup.map);
        const auto flags = static_cast<pa_stream_flags_t>(PA_STREAM_START_CORKED | PA_STREAM_ADJUST_LATENCY |
                                                          PA_STREAM_DONT_MOVE);
        ok = s.stream && pa_stream_connect_record(s.stream, s.deviceName.c_str(), &attr, flags) >= 0 &&
             s.connection.WaitForStream(s.stream);
    }
    if (!ok) {
        Stop();
        s.connection.Disconnect();
    }
    return ok;
}

int CSoundCaptureStream::Channels() const { return state_->channels; }
int CSoundCaptureStream::SampleRate() const { return state_->rate; }
const std::string& CSoundCaptureStream::DeviceName() const { return state_->deviceName; }

bool CSoundCaptureStream::Start() {
    State& s = *state_;
    return s.StreamGood() && s.connection.WaitForOperation(pa_stream_cork(s.stream, 0, nullptr, nullptr));
}

void CSoundCaptureStream::Stop() {
    State& s = *state_;
    if (!s.stream) return;
    if (s.peeked && s.StreamGood()) pa_stream_drop(s.stream);
    s.peeked = false;
    if (s.StreamGood()) pa_stream_disconnect(s.stream);
    pa_stream_unref(s.stream);
    s.stream = nullptr;
}

DWORD CSoundCaptureStream::WaitForData(CSoundEvent* stop, DWORD timeoutMs) {
    State& s = *state_;
    pa_mainloop* loop = s.connection.Loop();
    if (!loop || !stop || !stop->IsValid()) return kSoundWaitFailed;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    s.stop = stop;
    s.stopped = false;
    DWORD result = kSoundWaitTimeout;
    for (;;) {
        if (!s.StreamGood()) {
            result = 0;  // the read that follows reports the failure
            break;
        }
        const size_t readable = pa_stream_readable_size(s.stream);
        if (readable != static_cast<size_t>(-1) && readable >= s.fragmentBytes) {
            result = 0;
            break;
        }
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - Clock::now());
        if (left.count() <= 0) break;
        if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 || pa_mainloop_poll(loop) < 0 ||
            pa_mainloop_dispatch(loop) < 0) {
            result = kSoundWaitFailed;
            break;
        }
        if (s.stopped) {
            result = 1;
            break;
        }
    }
    s.stop = nullptr;
    return result;
}

bool CSoundCaptureStream::GetNextPacketSize(UINT* frames) {
    State& s = *state_;
    *frames = 0;
    if (!s.stream) return false;
    // Fails once the stream is no longer ready (device or server gone).
    const size_t readable = pa_stream_readable_size(s.stream);
    if (readable == static_cast<size_t>(-1)) return false;
    *frames = static_cast<UINT>(readable / (sizeof(float) * s.channels));
    return true;
}

bool CSoundCaptureStream::GetBuffer(const float** data, UINT* frames) {
    State& s = *state_;
    *data = nullptr;
    *frames = 0;
    if (s.peeked || !s.stream) return false;
    const void* bytes = nullptr;
    size_t length = 0;
    if (pa_stream_peek(s.stream, &bytes, &length) < 0) return false;
    const size_t frameBytes = sizeof(float) * s.channels;
    if (length == 0) return true;
    if (length < frameBytes) {  // less than one frame: nothing to convert
        pa_stream_drop(s.stream);
        return true;
    }
    s.peeked = true;
    *frames = static_cast<UINT>(length / frameBytes);
    if (bytes) {
        *data = static_cast<const float*>(bytes);
    } else {
        s.silence.assign(length / sizeof(float), 0.0f);
        *data = s.silence.data();
    }
    return true;
}

bool CSoundCaptureStream::ReleaseBuffer() {
    State& s = *state_;
    if (!s.peeked) return false;
    s.peeked = false;
    return pa_stream_drop(s.stream) >= 0;
}

}  // namespace zovi::platform
