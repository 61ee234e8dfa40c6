// One recording engine, as the capture controller drives it.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "engine/audio/device_list.h"
#include "engine/codec/codec_param.h"
#include "engine/notify/capture_notify.h"
#include "engine/video/capture_source_info.h"

namespace zovi::engine {

// How a recording's screen source is made and what it draws, fixed at the start.
struct CaptureSourceSettings {
    bool dxgiAllowed = false;   // the accelerated (shared-memory) screen source may be used
    std::wstring overlayText;   // drawn into every frame of the screen sources; empty for none
};

class ICapture {
public:
    virtual ~ICapture() = default;
    // Starts recording `source` into `outputPath`: sizes and opens the encoders, starts
    // the muxer, then the video source (made and set up by `sourceSettings`) and the
    // sound devices. `reserved`, `unused1` and `unused2` are not read. False (with an
    // error line) on any failure.
    virtual bool Start(const CaptureSourceInfo& source,
                       const CaptureSourceSettings& sourceSettings, int reserved, int encodeSize,
                       const std::vector<SoundDeviceRecord>& soundDevices,
                       const std::wstring& outputPath, int unused1, int unused2,
                       const std::shared_ptr<ICaptureNotify>& notify,
                       const std::shared_ptr<CodecParam>& videoParams,
                       const std::shared_ptr<AudioCodecParam>& audioParams) = 0;
    // Stops sound, then video, drains and frees the encoders and waits for the muxer.
    // True when the muxer finished the file; false when it failed or never ran.
    virtual bool Stop() = 0;
    virtual void Pause(bool paused) = 0;
    virtual bool IsPaused() = 0;
    // False when the recording has no sound.
    virtual bool SetAudioMute(bool muted) = 0;
    virtual bool IsAudioMute() = 0;
    // Writes the next captured frame as a PNG at `path` (UTF-8); the result arrives
    // through the listener's OnSnapshotTaken.
    virtual bool TakeSnapshot(const std::string& path, void* reserved) = 0;
    // The last elapsed whole second reported.
    virtual int GetLastElapsedSeconds() const = 0;
};

}  // namespace zovi::engine
