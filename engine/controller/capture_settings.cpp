#include "engine/controller/capture_settings.h"

#include "core/options/options.h"
#include "engine/controller/capture_naming.h"

namespace zovi::engine {

CaptureSettings::CaptureSettings(const COptions& options)
    : vcodec(options.vcodec),
      x264Fps(options.x264Fps),
      x264Qmin(options.x264Qmin),
      x264Qmax(options.x264Qmax),
      x264GopSize(options.x264GopSize),
      x264BFrames(options.x264BFrames),
      x264Preset(options.x264Preset),
      x264Tune(options.x264Tune),
      x264Profile(options.x264Profile),
      xvidFps(options.xvidFps),
      xvidQmin(options.xvidQmin),
      xvidQmax(options.xvidQmax),
      xvidGopSize(options.xvidGopSize),
      overlayTextOn(options.overlayTextOn),
      overlayText(options.overlayText),
      dxgi(options.dxgi),
      hardwareEncoder(options.hardwareEncoder),
      acodec(options.acodec),
      aacSampleRate(options.aacSampleRate),
      aacBitRate(options.aacBitRate),
      inputNoise(options.inputNoise),
      muxFmt(options.muxFmt),
      saveVideoPath(options.saveVideoPath),
      saveSnapshotPath(options.saveSnapshotPath),
      cameraMirror(options.cameraMirror),
      toolbarMask(options.toolbarMask) {}

namespace {
constexpr DWORD kVideoX264 = 0, kVideoXvid = 1;
constexpr DWORD kMuxFlv = 2;
}  // namespace

DWORD VideoCodecFor(const CaptureSettings& s) {
    return s.vcodec == kVideoXvid && s.muxFmt == kMuxFlv ? kVideoX264 : s.vcodec;
}

bool VideoCodecReplaced(const CaptureSettings& s) { return VideoCodecFor(s) != s.vcodec; }

std::shared_ptr<CodecParam> MakeVideoParams(const CaptureSettings& s) {
    std::shared_ptr<CodecParam> params;
    const DWORD codec = VideoCodecFor(s);
    if (codec == kVideoX264) {
        params = std::make_shared<CodecParamX264>();
        params->fps = static_cast<int32_t>(s.x264Fps);
        params->qmin = static_cast<int32_t>(s.x264Qmin);
        params->qmax = static_cast<int32_t>(s.x264Qmax);
        params->gop = static_cast<int32_t>(s.x264GopSize);
        params->bframes = static_cast<int32_t>(s.x264BFrames);
        params->preset = X264PresetName(s.x264Preset);
        params->tune = X264TuneName(s.x264Tune);
        params->profile = X264ProfileName(s.x264Profile);
    } else if (codec == kVideoXvid) {
        params = std::make_shared<CodecParamXvid>();
        params->fps = static_cast<int32_t>(s.xvidFps);
        params->qmin = static_cast<int32_t>(s.xvidQmin);
        params->qmax = static_cast<int32_t>(s.xvidQmax);
        params->gop = static_cast<int32_t>(s.xvidGopSize);
    } else {
        return nullptr;
    }
    params->hardwareAllowed = s.hardwareEncoder != 0;
    return params;
}

std::shared_ptr<AudioCodecParam> MakeAudioParams(const CaptureSettings& s) {
    if (s.acodec != 0) return nullptr;
    auto params = std::make_shared<AudioCodecParam>();
    params->name = "aac";
    params->channels = 2;
    params->sampleFormat = 8;  // planar 32-bit float
    params->sampleRate = static_cast<int32_t>(s.aacSampleRate);
    params->bitRate = static_cast<int32_t>(s.aacBitRate);
    params->noiseSuppression = s.inputNoise != 0;
    return params;
}

CaptureSourceSettings MakeSourceSettings(const CaptureSettings& s) {
    CaptureSourceSettings source;
    source.dxgiAllowed = s.dxgi != 0;
    if (s.overlayTextOn != 0) source.overlayText = s.overlayText;
    return source;
}

}  // namespace zovi::engine
