// The listener and renderer interfaces of the stream player. The player reports to its
// owner through IFFStreamFileNotify; its two renderers report positions back to the
// player through IPlayerRendererCallback, from their own threads.
#pragma once
#include <cstdint>
#include <optional>

namespace zovi::engine {

// The owner's side. OnPosition arrives on the render thread or SDL's audio thread,
// OnState and OnDuration on the caller's thread (OnState also on the read thread at the
// end of the file): implementations only store values.
class IFFStreamFileNotify {
public:
    virtual void OnState(int state) = 0;  // 2 playing, 3 paused
    virtual void OnDuration(int64_t ms) = 0;
    virtual void OnPosition(int64_t ms) = 0;

protected:
    virtual ~IFFStreamFileNotify() = default;
};

inline constexpr int kPlayerStatePlaying = 2;
inline constexpr int kPlayerStatePaused = 3;

class IPlayerRendererCallback {
public:
    // A renderer has presented the moment `ms` of stream `streamIndex`.
    virtual void OnRendererPosition(int streamIndex, int64_t ms) = 0;
    virtual ~IPlayerRendererCallback() = default;
};

// What the player asks of a renderer besides its own interface.
class IPlayerRenderer {
public:
    virtual ~IPlayerRenderer() = default;
    // Forgets everything queued (a seek).
    virtual void Clear() = 0;
};

// The clock the pictures follow when the file has sound.
class ISoundClock {
public:
    virtual ~ISoundClock() = default;
    // The moment of the sound heard at `nowNs` (engine clock) in ms; none before any
    // sound was queued since the last seek. It stands still while the sound is paused,
    // and while it is starved until that has lasted half a second.
    virtual std::optional<int64_t> SoundClockAt(uint64_t nowNs) const = 0;
};

}  // namespace zovi::engine
