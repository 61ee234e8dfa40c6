#include "engine/codec/codec_param.h"

#include "engine/util/av_log.h"

namespace zovi::engine {

void CodecParam::Describe(const std::string& mux) {
    AvLogInfo(
        "encoder=%s qmin=%d qmax=%d gop=%d fps=%d bframes=%d preset=%s tune=%s "
        "profile=%s mux=%s",
        encoder.c_str(), qmin, qmax, gop, fps, bframes, preset.c_str(), tune.c_str(),
        profile.c_str(), mux.c_str());
}

bool CodecParamX264::GetEncoderName() {
    encoder = "libx264";
    return true;
}

bool CodecParamXvid::GetEncoderName() {
    encoder = "libxvid";
    return true;
}

const std::vector<std::string>& VideoCodecNames() {
    static const std::vector<std::string> names{"h264", "mpeg4"};
    return names;
}

const std::vector<std::string>& X264PresetNames() {
    static const std::vector<std::string> names{"ultrafast", "superfast", "veryfast", "faster",
                                                "fast",      "medium",    "slow",     "slower",
                                                "veryslow",  "placebo"};
    return names;
}

const std::vector<std::string>& X264TuneNames() {
    static const std::vector<std::string> names{"film", "animation", "grain",      "stillimage",
                                                "psnr", "ssim",      "fastdecode", "zerolatency"};
    return names;
}

const std::vector<std::string>& X264ProfileNames() {
    static const std::vector<std::string> names{"baseline", "main",    "high",
                                                "high10",   "high422", "high444"};
    return names;
}

}  // namespace zovi::engine
