#include "engine/player/audio_renderer.h"

#include <SDL2/SDL.h>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include <algorithm>
#include <cstring>

#include "engine/util/av_log.h"

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
    }
    std::memset(stream + copied, 0, static_cast<size_t>(length) - copied);
    if (position < 0) return;
    if (auto callback = callback_.lock()) callback->OnRendererPosition(streamIndex_, position);
}

}  // namespace zovi::engine
