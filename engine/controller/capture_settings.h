// The settings a recording start reads, and the codec records made from them.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "engine/codec/codec_param.h"

class COptions;

namespace zovi::engine {

struct CaptureSettings {
    uint32_t vcodec = 0;  // 0 x264, 1 Xvid
    struct {
        uint32_t fps = 25, qmin = 25, qmax = 31, gopsize = 250, bframes = 3;
        uint32_t preset = 5, tune = 7, profile = 1;
    } x264;
    struct {
        uint32_t fps = 25, qmin = 2, qmax = 10, gopsize = 250;
    } xvid;
    uint32_t wmebl = 1;
    std::wstring wmtxt;
    uint32_t dxgi = 1;
    uint32_t vid_hw_enc = 1;
    uint32_t acodec = 0;
    uint32_t sampleRate = 44100;
    uint32_t bitRate = 131072;
    uint32_t inputNoise = 1;
    uint32_t muxFmt = 0;
    std::wstring saveVideoPath;
    std::wstring saveSnapshotPath;
    uint32_t camera_mirror = 0;
    uint32_t toolbar_mask = 0;
};

// The settings as an options record holds them.
CaptureSettings CaptureSettingsFrom(const COptions& options);
// The settings as the process-wide options record holds them now.
CaptureSettings ReadCaptureSettings();

// The video record by "vcodec" (0 x264, 1 Xvid; null for any other value), with the
// container, overlay text and flags filled in. GetEncoderName is not called yet.
std::shared_ptr<CodecParam> MakeVideoParams(const CaptureSettings& settings);
// The sound record ("aac", 2 channels, planar float, the AAC rate and bit rate, the
// noise flag) when "acodec" is 0; null otherwise.
std::shared_ptr<AudioCodecParam> MakeAudioParams(const CaptureSettings& settings);

}  // namespace zovi::engine
