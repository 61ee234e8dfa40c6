#include "core/app/global.h"
#include "core/options/options.h"
#include "engine/controller/capture_settings.h"

namespace zovi::engine {

CaptureSettings CaptureSettingsFrom(const COptions& options) {
    CaptureSettings s;
    s.vcodec = options.vcodec;
    s.x264.fps = options.x264Fps;
    s.x264.qmin = options.x264Qmin;
    s.x264.qmax = options.x264Qmax;
    s.x264.gopsize = options.x264GopSize;
    s.x264.bframes = options.x264BFrames;
    s.x264.preset = options.x264Preset;
    s.x264.tune = options.x264Tune;
    s.x264.profile = options.x264Profile;
    s.xvid.fps = options.xvidFps;
    s.xvid.qmin = options.xvidQmin;
    s.xvid.qmax = options.xvidQmax;
    s.xvid.gopsize = options.xvidGopSize;
    s.wmebl = options.overlayTextOn;
    s.wmtxt = options.overlayText;
    s.dxgi = options.dxgi;
    s.vid_hw_enc = options.hardwareEncoder;
    s.acodec = options.acodec;
    s.sampleRate = options.aacSampleRate;
    s.bitRate = options.aacBitRate;
    s.inputNoise = options.inputNoise;
    s.muxFmt = options.muxFmt;
    s.saveVideoPath = options.saveVideoPath;
    s.saveSnapshotPath = options.saveSnapshotPath;
    s.camera_mirror = options.cameraMirror;
    s.toolbar_mask = options.toolbarMask;
    return s;
}

CaptureSettings ReadCaptureSettings() { return CaptureSettingsFrom(GetGlobal()); }

}  // namespace zovi::engine
