// Plays a 1 kHz sine tone (amplitude 0.5), switched on and off at will, into the default
// sink of the test sound server, from a child process (zovi_test_tone). Its stream runs
// from construction to destruction (silence while the tone is off), so switching costs
// no stream start-up; the server paces the player, which stays about 20 ms ahead of what
// is heard.
#pragma once
#include <memory>

#include "platform/process/process.h"

namespace zovi::test {

// A sound server that has just started runs its sinks at a long latency for its first
// seconds, which delays the system sound a recording hears by up to ~0.2 s and can
// swallow the first second of it. Timing tests call this first: it waits (up to 30 s)
// until every sink of the test sound server runs below 100 ms of latency.
void WaitForSoundServerToSettle();

class CTonePlayer {
public:
    CTonePlayer();
    ~CTonePlayer();
    bool Running() const { return running_; }
    void SetTone(bool on);
    // Roughly how long after SetTone the sound reaches the sink: the stream's buffer and
    // one write.
    static constexpr double kDelaySeconds = 0.025;

private:
    std::unique_ptr<platform::ChildProcess> child_;
    bool running_ = false;
};

}  // namespace zovi::test
