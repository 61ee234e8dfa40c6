#include "engine/player/audio_renderer.h"

#include <SDL2/SDL.h>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstring>

#include "engine/util/av_log.h"
#include "engine/util/clock_ns.h"

namespace zovi::engine {

CAudioRenderer::CAudioRenderer(int rate, int channels, int sampleFormat, int streamIndex,
                               std::weak_ptr<IPlayerRendererCallback> callback)
    : rate_(rate),
      channels_(channels),
      sampleFormat_(sampleFormat),
      bytesPerSample_(std::max(1, av_get_bytes_per_sample(static_cast<AVSampleFormat>(sampleFormat)))),
      streamIndex_(streamIndex),
      callback_(std::move(callback)) {}

CAudioRenderer::~CAudioRenderer() { Close(); }

bool CAudioRenderer::Open() {
    Close();
    SDL_AudioSpec wanted{};
    wanted.freq = rate_;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels_);
    wanted.samples = 0;  // SDL's default
    wanted.callback = &CAudioRenderer::OnAudio;
    wanted.userdata = this;
    if (SDL_OpenAudio(&wanted, nullptr) != 0) {
        AvLogError("CAudioRenderer SDL_OpenAudio failed: %s\n", SDL_GetError());
        return false;
    }
    spec_ = wanted;
    opened_ = true;
    return true;
}

void CAudioRenderer::Close() {
    if (!opened_) return;
    SDL_CloseAudio();
    opened_ = false;
}

void CAudioRenderer::Pause(bool paused) {
    if (opened_) SDL_PauseAudio(paused ? 1 : 0);
    if (!paused) return;  // the clock runs again at the next callback
    // No callback runs now: the clock stands where the sound stopped.
    std::lock_guard guard(clockLock_);
    if (!clockRunning_) return;
    heardMs_ = SoundClockLocked(GetClockNs()).value_or(heardMs_);
    clockRunning_ = false;
    starvedSinceNs_ = 0;
}

bool CAudioRenderer::Append(const uint8_t* bytes, uint32_t size, int64_t ts) {
    Locked fifo(*this);
    if (!fifo->Write(bytes, size)) return false;
    int64_t unset = -1;
    clockBase_.compare_exchange_strong(unset, ts);
    return true;
}

void CAudioRenderer::Clear() {
    Locked fifo(*this);
    fifo->Read(nullptr, fifo->Size());
    played_ = 0;
    clockBase_ = -1;
    std::lock_guard guard(clockLock_);
    heardMs_ = heardLimitMs_ = -1;
    clockRunning_ = false;
    starvedSinceNs_ = 0;
}

uint32_t CAudioRenderer::BytesFor(int ms) const {
    // In floating point: 1000 / rate is below one.
    const double frames = ms / (1000.0 / rate_);
    return static_cast<uint32_t>(frames) * static_cast<uint32_t>(channels_ * bytesPerSample_);
}

int64_t CAudioRenderer::PositionAfter(int64_t playedBytes) const {
    const double frames = double(playedBytes) / (channels_ * bytesPerSample_);
    return clockBase_.load() + static_cast<int64_t>(frames * (1000.0 / rate_));
}

std::optional<int64_t> CAudioRenderer::SoundClockAt(uint64_t nowNs) const {
    std::lock_guard guard(clockLock_);
    return SoundClockLocked(nowNs);
}

std::optional<int64_t> CAudioRenderer::SoundClockLocked(uint64_t nowNs) const {
    if (heardMs_ < 0) {
        // Sound is queued but not heard yet: the pictures from its first moment on wait.
        const int64_t base = clockBase_.load();
        return base >= 0 ? std::optional(base - 1) : std::nullopt;
    }
    if (!clockRunning_) return heardMs_;
    const int64_t elapsedMs = static_cast<int64_t>(nowNs - heardNs_) / 1'000'000;
    const int64_t heard = std::min(heardMs_ + elapsedMs, heardLimitMs_);
    // Starved for long, the sound has ended before the pictures or has a gap: the clock
    // runs on by itself, so the pictures are not held for ever (the read thread stops
    // reading while enough pictures wait, and no more sound would come).
    if (starvedSinceNs_ == 0) return heard;
    const int64_t starvedMs = static_cast<int64_t>(nowNs - starvedSinceNs_) / 1'000'000;
    return std::max(heard, heardLimitMs_ + starvedMs - kStarvedRunOnMs);
}

void CAudioRenderer::NoteHandedOver(int64_t playedBefore, uint32_t handedBytes, uint32_t length, uint64_t nowNs) {
    if (clockBase_.load() < 0) return;
    if (handedBytes == 0) {  // starved: the clock runs out, and on by itself after a while
        std::lock_guard guard(clockLock_);
        if (clockRunning_ && starvedSinceNs_ == 0) starvedSinceNs_ = nowNs;
        return;
    }
    const int64_t bufferMs = static_cast<int64_t>(double(length) / (channels_ * bytesPerSample_) * 1000.0 / rate_);
    std::lock_guard guard(clockLock_);
    starvedSinceNs_ = 0;
    heardLimitMs_ = PositionAfter(playedBefore);
    heardMs_ = heardLimitMs_ - bufferMs;
    heardNs_ = nowNs;
    clockRunning_ = true;
}

void SDLCALL CAudioRenderer::OnAudio(void* user, Uint8* stream, int length) {
    static_cast<CAudioRenderer*>(user)->Fill(stream, length);
}

void CAudioRenderer::Fill(Uint8* stream, int length) {
    if (length <= 0) return;
    uint32_t copied = 0;
    int64_t position = -1;
    {
        Locked fifo(*this);
        copied = std::min(fifo->Size(), static_cast<uint32_t>(length));
        fifo->Read(stream, copied);
        const int64_t played = played_ += copied;
        const int64_t base = clockBase_.load();
        if (copied > 0 && base >= 0) position = PositionAfter(played);
        NoteHandedOver(played - copied, copied, static_cast<uint32_t>(length), GetClockNs());
    }
    std::memset(stream + copied, 0, static_cast<size_t>(length) - copied);
    if (position < 0) return;
    if (auto callback = callback_.lock()) callback->OnRendererPosition(streamIndex_, position);
}

}  // namespace zovi::engine
