// What the muxer benchmarks share: opening the muxer's writer in-process for a synthetic
// recording, and handing it that recording's packets.
#pragma once
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "engine/output/testing/synthetic_recording.h"
#include "mux/mux_writer.h"

namespace zovi::bench {

// Opens `writer` on `path` with the streams of `recording`, as the muxer program would.
inline bool OpenForRecording(zovi::mux::CMuxWriter& writer,
                             zovi::engine::testing::CSyntheticRecording& recording,
                             const std::string& path) {
    zovi::mux::MuxArgs args;
    args.outputPath = path;
    args.hasVideo = true;
    args.hasSound = recording.HasAudio();
    int width, height, fps, channels, rate, format;
    int64_t videoRate, soundRate;
    recording.GetVideoStreamInfo(args.video.codec, width, height, videoRate, fps);
    args.video.width = width, args.video.height = height, args.video.fps = fps;
    std::vector<uint8_t> videoExtra, soundExtra;
    recording.GetVideoExtraData(videoExtra);
    if (args.hasSound) {
        recording.GetAudioStreamInfo(args.sound.codec, channels, rate, soundRate, format);
        args.sound.channels = channels, args.sound.sampleRate = rate,
        args.sound.sampleFormat = format;
        args.sound.bitRate = soundRate;
        recording.GetAudioExtraData(soundExtra);
    }
    return writer.Open(args, videoExtra, soundExtra);
}

// Hands one packet to `writer`, through `scratch` (the writer takes its bytes).
inline void WritePacket(zovi::mux::CMuxWriter& writer, AVPacket* scratch,
                        const zovi::engine::testing::EncodedPacket& in) {
    av_new_packet(scratch, static_cast<int>(in.data.size()));
    std::copy(in.data.begin(), in.data.end(), scratch->data);
    writer.Write(in.header.kind, in.header.pts, in.header.dts, in.header.key != 0, scratch);
}

}  // namespace zovi::bench
