// The settings a recording is made with, taken from the options record at its start, and
// the engine's records made from them.
#pragma once
#include <memory>
#include <string>

#include "engine/capture/capture.h"
#include "engine/codec/codec_param.h"
#include "platform/base/wintypes.h"

class COptions;

namespace zovi::engine {

// The options one recording reads, copied from the options record (names as there), so
// a change made while it runs reaches the next recording. Made only from a COptions: the
// defaults are the record's own; tests change fields of one made from a loaded record.
struct CaptureSettings {
    explicit CaptureSettings(const COptions& options);

    DWORD vcodec;  // 0 x264, 1 Xvid
    DWORD x264Fps, x264Qmin, x264Qmax, x264GopSize, x264BFrames;
    DWORD x264Preset, x264Tune, x264Profile;
    DWORD xvidFps, xvidQmin, xvidQmax, xvidGopSize;
    DWORD overlayTextOn;
    std::wstring overlayText;
    DWORD dxgi;
    DWORD hardwareEncoder;
    DWORD acodec;
    DWORD aacSampleRate, aacBitRate;
    DWORD inputNoise;
    DWORD muxFmt;
    std::wstring saveVideoPath, saveSnapshotPath;
    DWORD cameraMirror;
    DWORD toolbarMask;
};

// The video codec a recording is made with: "vcodec", except that FLV holds no Xvid
// (MPEG-4 Visual) video, so Xvid with FLV records with x264, FLV's own codec.
DWORD VideoCodecFor(const CaptureSettings& settings);
// True when VideoCodecFor differs from "vcodec" (the start logs it).
bool VideoCodecReplaced(const CaptureSettings& settings);

// The video record by VideoCodecFor (0 x264 with the x264 settings, 1 Xvid; null for any
// other value). GetEncoderName
// is not called yet.
std::shared_ptr<CodecParam> MakeVideoParams(const CaptureSettings& settings);
// The sound record ("aac", 2 channels, planar float, the AAC rate and bit rate, the
// noise flag) when "acodec" is 0; null otherwise.
std::shared_ptr<AudioCodecParam> MakeAudioParams(const CaptureSettings& settings);
// The screen source's settings: the accelerated source allowed by "dxgi", the overlay
// text when "wmebl" is on (else none).
CaptureSourceSettings MakeSourceSettings(const CaptureSettings& settings);

}  // namespace zovi::engine
