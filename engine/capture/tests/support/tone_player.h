// Plays a sine tone, switched on and off at will, into a sink of the test sound server.
// The stream runs from construction to destruction (silence while the tone is off), so
// switching costs no stream start-up; the server paces the writing, which stays about
// 20 ms ahead of what is heard.
#pragma once
#include <atomic>
#include <string>

#include "platform/sound/playback_stream.h"

namespace zovi::test {

// A sound server that has just started runs its sinks at a long latency for its first
// seconds, which delays the system sound a recording hears by up to ~0.2 s and can
// swallow the first second of it. Timing tests call this first: it waits until the test
// sound server has run for `seconds`.
void WaitForSoundServerToSettle(double seconds = 8.0);

class CTonePlayer {
public:
    // Plays into `sink` (the default sink when empty).
    explicit CTonePlayer(const std::string& sink = {}, double frequency = 1000.0,
                         float amplitude = 0.5f);
    bool Running() const { return running_; }
    void SetTone(bool on) { on_ = on; }
    // Roughly how long after SetTone the sound reaches the sink: the stream's buffer and
    // one write.
    static constexpr double kDelaySeconds = 0.025;

private:
    platform::CSoundPlayer player_;
    std::atomic<bool> on_{false};
    bool running_ = false;
};

}  // namespace zovi::test
