// The engine's link to the muxer (ICaptureOutput) and what the link asks of the engine
// (ICaptureFFMCallback).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "mux/protocol/mux_message.h"

namespace zovi::engine {

// The muxer's message format, as the engine names it.
using mux::DecodeMuxMessageHeader;
using mux::EncodeMuxMessageHeader;
using mux::kMuxMessageHeaderSize;
using mux::kMuxSound;
using mux::kMuxVideo;
using mux::MuxHeaderBytes;
using mux::MuxMessageHeader;
using mux::MuxStreamKind;

class ICaptureFFMCallback {
public:
    virtual ~ICaptureFFMCallback() = default;
    virtual bool HasVideo() = 0;
    // Copies the video encoder's extradata into `bytes`.
    virtual void GetVideoExtraData(std::vector<uint8_t>& bytes) = 0;
    // The codec descriptor's name ("h264", "mpeg4"), the context's size, bit rate and
    // time-base denominator (the frame rate).
    virtual void GetVideoStreamInfo(std::string& name, int& width, int& height, int64_t& bitRate,
                                    int& timeBaseDen) = 0;
    virtual bool HasAudio() = 0;
    virtual void GetAudioExtraData(std::vector<uint8_t>& bytes) = 0;
    // The codec descriptor's name ("aac"), channels, sample rate, bit rate, FFmpeg
    // sample-format number.
    virtual void GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate,
                                    int64_t& bitRate, int& sampleFormat) = 0;
    // The muxer ended on its own before its input did (it failed, the disk filled, it
    // was killed): nothing more reaches the file. Called once, from the output's own
    // thread, while the output may still be written to (those writes fail) or closed.
    virtual void OnOutputEnded(int /*exitCode*/) {}
};

class ICaptureOutput {
public:
    virtual ~ICaptureOutput() = default;
    // Starts the muxer writing `path` (UTF-8). True when it runs with its pipes.
    virtual bool Open(const std::string& path) = 0;
    // Ends the muxer's input and waits for it to finish the file. False when never opened.
    virtual bool Close() = 0;
    // Sends one packet (the stream headers go first, once). True when the header and all
    // `size` bytes were written. Once a write failed or the muxer ended, every later
    // Write fails at once: a message cut short leaves nothing the muxer could read on.
    // Callers serialise Write (the engine's encode lock).
    virtual bool Write(const uint8_t* data, int size, const MuxMessageHeader& header) = 0;
};

}  // namespace zovi::engine
