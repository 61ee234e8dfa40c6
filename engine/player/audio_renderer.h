// Plays the player's sound through SDL's (single, legacy) audio device: the read thread
// appends converted samples, SDL's audio thread drains them in its callback and
// reports the position. The sound clock the pictures follow is kept from the callbacks:
// what is heard lags what is handed over by about one buffer queued at the sound server.
//
// Threads: Open, Close, Pause and the destructor belong to the owner's thread; Append
// to the read thread; Clear to the thread that seeks. The callback runs on SDL's audio
// thread until Close returns.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include <SDL2/SDL_audio.h>

#include "engine/player/circle_buffer.h"
#include "engine/player/player_interfaces.h"

namespace zovi::engine {

class CAudioRenderer : public CCircleBuffer, public IPlayerRenderer, public ISoundClock {
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

    std::optional<int64_t> SoundClockAt(uint64_t nowNs) const override;
    // The sound clock after SDL asked for `length` bytes at `nowNs`, the first
    // `handedBytes` of them sound (played bytes before: `playedBefore`).
    void NoteHandedOver(int64_t playedBefore, uint32_t handedBytes, uint32_t length, uint64_t nowNs);

private:
    static void SDLCALL OnAudio(void* user, Uint8* stream, int length);
    void Fill(Uint8* stream, int length);
    std::optional<int64_t> SoundClockLocked(uint64_t nowNs) const;

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

    // The sound clock: `heardMs_` at `heardNs_`, running on from there unless stopped by
    // a pause or a seek; no further than `heardLimitMs_`, where SDL's latest request
    // began, so a late request never makes it step back.
    mutable std::mutex clockLock_;
    int64_t heardMs_ = -1;
    uint64_t heardNs_ = 0;
    int64_t heardLimitMs_ = -1;
    bool clockRunning_ = false;
    // When SDL first asked and got no sound (0: not starved), and how long the clock
    // then stands before it runs on by itself.
    uint64_t starvedSinceNs_ = 0;
    static constexpr int64_t kStarvedRunOnMs = 500;
};

}  // namespace zovi::engine
