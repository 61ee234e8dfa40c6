// One record stream from the sound server: a microphone (a source) or the playback
// sound (a sink's monitor), in packed 32-bit float at the device's own rate and channel
// count, delivered in ~10 ms fragments. After Open, the stream and its connection
// belong to one thread at a time: the capture thread waits, reads and stops it.
#pragma once
#include <memory>
#include <string>

#include "platform/base/wintypes.h"
#include "platform/sound/sound_event.h"

namespace zovi::platform {

class CSoundCaptureStream {
public:
    CSoundCaptureStream();
    ~CSoundCaptureStream();
    CSoundCaptureStream(const CSoundCaptureStream&) = delete;
    CSoundCaptureStream& operator=(const CSoundCaptureStream&) = delete;

    // Connects and prepares a stopped stream. `device` empty: the default source (a
    // microphone) or the default sink's monitor (`loopback`); otherwise a source name,
    // or for `loopback` also a sink name (its monitor is recorded). `bufferMs` is the
    // server-side buffer. False when the server or the device cannot be had.
    bool Open(const std::string& device, bool loopback, DWORD bufferMs);
    // The device's native format (valid after Open).
    int Channels() const;
    int SampleRate() const;
    // The name of the device that was opened.
    const std::string& DeviceName() const;

    bool Start();
    // Disconnects the stream; later calls fail.
    void Stop();

    // Runs the connection until a fragment is ready to read (0), `stop` is set (1), or
    // `timeoutMs` passes (kSoundWaitTimeout). A stream that failed (device or server
    // gone) reports data, so that reading it fails; kSoundWaitFailed when waiting
    // itself fails. An auto-reset `stop` is cleared by the wait that sees it.
    DWORD WaitForData(CSoundEvent* stop, DWORD timeoutMs);
    // Frames ready to read; false when the stream failed (device or server gone).
    bool GetNextPacketSize(UINT* frames);
    // The next packet (a hole comes as zeros). `frames` 0 means nothing was ready.
    bool GetBuffer(const float** data, UINT* frames);
    // Releases the packet returned by GetBuffer.
    bool ReleaseBuffer();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zovi::platform
