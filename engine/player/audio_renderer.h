// Plays the player's sound through SDL's (single, legacy) audio device: the read thread
// appends converted samples, SDL's audio thread drains them in its callback and
// reports the sound clock.
//
// Threads: Open, Close, Pause and the destructor belong to the owner's thread; Append
// to the read thread; Clear to the thread that seeks. The callback runs on SDL's audio
// thread until Close returns.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

#include <SDL2/SDL_audio.h>

#include "engine/player/circle_buffer.h"
#include "engine/player/player_interfaces.h"

namespace zovi::engine {

class CAudioRenderer : public CCircleBuffer, public IPlayerRenderer {
public:
    // `sampleFormat` is an FFmpeg sample format; the device takes signed 16-bit.
    CAudioRenderer(int rate, int channels, int sampleFormat, int streamIndex,
                   std::weak_ptr<IPlayerRendererCallback> callback);
    ~CAudioRenderer() override;

    // Opens SDL's audio device, paused. False when SDL refuses.
    bool Open();
    // Closes the device; no callback runs after it returns.
    void Close();
    void Pause(bool paused);

    // Appends converted bytes; the first bytes after a Clear start the sound clock at
    // `ts` ms.
    bool Append(const uint8_t* bytes, uint32_t size, int64_t ts);
    // Empties the ring and resets the bytes played and the clock base.
    void Clear() override;

    // Bytes of output that last `ms` milliseconds.
    uint32_t BytesFor(int ms) const;
    int64_t BytesPlayed() const { return played_.load(); }
    // The sound clock once `playedBytes` have gone to the device since the clock base.
    int64_t PositionAfter(int64_t playedBytes) const;
    int64_t ClockBase() const { return clockBase_.load(); }

private:
    static void SDLCALL OnAudio(void* user, Uint8* stream, int length);
    void Fill(Uint8* stream, int length);

    SDL_AudioSpec spec_{};
    const int rate_;
    const int channels_;
    const int sampleFormat_;
    const int bytesPerSample_;
    std::atomic<int64_t> played_{0};
    std::atomic<int64_t> clockBase_{-1};
    const int streamIndex_;
    const std::weak_ptr<IPlayerRendererCallback> callback_;
    bool opened_ = false;
};

}  // namespace zovi::engine
