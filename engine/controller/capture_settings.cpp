#include "engine/controller/capture_settings.h"

#include "engine/controller/capture_naming.h"
#include "engine/util/engine_misc.h"

namespace zovi::engine {

std::shared_ptr<CodecParam> MakeVideoParams(const CaptureSettings& s) {
    std::shared_ptr<CodecParam> params;
    if (s.vcodec == 0) {
        params = std::make_shared<CodecParamX264>();
        params->fps = static_cast<int32_t>(s.x264.fps);
        params->qmin = static_cast<int32_t>(s.x264.qmin);
        params->qmax = static_cast<int32_t>(s.x264.qmax);
        params->gop = static_cast<int32_t>(s.x264.gopsize);
        params->bframes = static_cast<int32_t>(s.x264.bframes);
        params->preset = X264PresetName(s.x264.preset);
        params->tune = X264TuneName(s.x264.tune);
        params->profile = X264ProfileName(s.x264.profile);
    } else if (s.vcodec == 1) {
        params = std::make_shared<CodecParamXvid>();
        params->fps = static_cast<int32_t>(s.xvid.fps);
        params->qmin = static_cast<int32_t>(s.xvid.qmin);
        params->qmax = static_cast<int32_t>(s.xvid.qmax);
        params->gop = static_cast<int32_t>(s.xvid.gopsize);
    } else {
        return nullptr;
    }
    params->mux = ContainerName(s.muxFmt);
    params->overlayText = s.wmebl != 0 ? WideToUtf8(s.wmtxt) : std::string();
    params->dxgiAllowed = s.dxgi != 0;
    params->hardwareAllowed = s.vid_hw_enc != 0;
    return params;
}

std::shared_ptr<AudioCodecParam> MakeAudioParams(const CaptureSettings& s) {
    if (s.acodec != 0) return nullptr;
    auto params = std::make_shared<AudioCodecParam>();
    params->name = "aac";
    params->channels = 2;
    params->sampleFormat = 8;  // planar 32-bit float
    params->sampleRate = static_cast<int32_t>(s.sampleRate);
    params->bitRate = static_cast<int32_t>(s.bitRate);
    params->noiseSuppression = s.inputNoise != 0;
    return params;
}

}  // namespace zovi::engine
