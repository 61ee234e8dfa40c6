// What the muxer program's tests share: a short recording made through the real
// encoders, turned into the muxer's input, and a run of the real program.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/output/testing/synthetic_recording.h"
#include "mux/protocol/mux_message.h"
#include "platform/process/child_io.h"
#include "platform/process/process.h"

namespace zovi::mux::testing {

using engine::testing::EncodedPacket;

inline const std::string kMuxer = std::string(ZOVI_BIN_DIR) + "/ZoviMux";

inline std::string Message(const MuxMessageHeader& header, const std::string& payload) {
    const auto bytes = EncodeMuxMessageHeader(header);
    return std::string(bytes.begin(), bytes.end()) + payload;
}

inline std::string Message(const EncodedPacket& packet) {
    return Message(packet.header, std::string(packet.data.begin(), packet.data.end()));
}

// One short recording (x264 and AAC, or video only), as the muxer's input.
struct Recording {
    std::vector<std::string> args;  // after the output path
    std::string streamHeaders;
    std::vector<EncodedPacket> packets;
    int videoPackets(size_t upTo) const {
        int count = 0;
        for (size_t i = 0; i < upTo && i < packets.size(); ++i)
            count += packets[i].header.kind == kMuxVideo;
        return count;
    }
    // The fewest leading packets that hold `video` video packets (and the sound so far).
    size_t WithVideo(int video) const {
        size_t n = 0;
        while (n < packets.size() && videoPackets(n) < video) ++n;
        return n;
    }
    // The messages of the packets from `first` on.
    std::string Tail(size_t first) const {
        std::string tail;
        for (size_t i = first; i < packets.size(); ++i) tail += Message(packets[i]);
        return tail;
    }
    std::string Input(size_t packetCount) const {
        std::string input = streamHeaders;
        for (size_t i = 0; i < packetCount && i < packets.size(); ++i) input += Message(packets[i]);
        return input;
    }
};

// Made once per kind and length, then shared by the tests of the program.
inline const Recording& MakeRecording(bool sound, double seconds = 1.0) {
    static std::map<std::pair<bool, double>, Recording> recordings;
    Recording& recording = recordings[{sound, seconds}];
    if (!recording.packets.empty()) return recording;
    engine::testing::CSyntheticRecording source;
    engine::testing::CSyntheticRecording::Options options;
    options.sound = sound;
    options.seconds = seconds;
    EXPECT_TRUE(source.Open(options));
    std::vector<uint8_t> extra;
    source.GetVideoExtraData(extra);
    recording.streamHeaders =
        Message(MuxMessageHeader{0, 0, static_cast<int32_t>(extra.size()), 0, kMuxVideo, 0},
                std::string(extra.begin(), extra.end()));
    recording.args = {"1", sound ? "1" : "0", "h264", "0", "320", "240", "15", "1"};
    if (sound) {
        source.GetAudioExtraData(extra);
        recording.streamHeaders += Message(
            MuxMessageHeader{0, 0, static_cast<int32_t>(extra.size()), 0, kMuxSound, 0},
            std::string(extra.begin(), extra.end()));
        for (const char* arg : {"aac", "", "128", "44100", "2", "8"}) recording.args.push_back(arg);
    }
    recording.args.push_back("");
    EXPECT_TRUE(source.Run([&](const EncodedPacket& packet) {
        recording.packets.push_back(packet);
        return true;
    }));
    return recording;
}

struct RunResult {
    int exitCode = -1;
    std::string out, err;
    bool inputTaken = false;  // the program read the whole input
};

// Runs `argv` to its end, feeding it `input` and closing its input.
inline RunResult RunProgram(const std::vector<std::string>& argv, const std::string& input) {
    platform::IgnoreBrokenPipeSignal();
    platform::ChildProcess::Options options;
    options.pipeStdin = options.pipeStdout = options.pipeStderr = true;
    auto child = platform::ChildProcess::Start(argv, options);
    RunResult result;
    if (!child) return result;
    result.inputTaken = platform::WriteAll(child->StdinFd(), input.data(), input.size());
    child->CloseStdin();
    char buffer[4096];
    for (int fd : {child->StdoutFd(), child->StderrFd()}) {
        std::string& text = fd == child->StdoutFd() ? result.out : result.err;
        ssize_t got;
        while ((got = platform::ReadSome(fd, buffer, sizeof(buffer))) > 0) text.append(buffer, got);
    }
    child->Wait(-1);
    result.exitCode = child->ExitCode();
    return result;
}

// Runs the muxer with `args`, feeds it `input` and closes its input.
inline RunResult RunMuxer(const std::vector<std::string>& args, const std::string& input) {
    std::vector<std::string> argv{kMuxer};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, input);
}

inline std::vector<std::string> WithOutput(const std::string& path, std::vector<std::string> args) {
    args.insert(args.begin(), path);
    return args;
}

}  // namespace zovi::mux::testing
