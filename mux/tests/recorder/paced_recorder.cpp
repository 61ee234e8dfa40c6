// A recorder for the muxer's tests: generated pictures and a tone through the real
// encoders and the real output (ZoviMux over its pipe), handed over at real-time pace.
// It makes itself the leader of a process group, which the muxer it starts joins, so a
// test can kill both at once. Standard output: "group <id>" first, then "media <n>" once
// each whole second of media has been handed to the muxer, and "done <exit code>" at the
// end. Usage: paced_recorder <output path> <seconds>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

extern "C" {
#include <libavutil/log.h>
}

#include "engine/output/capture_ffm_output.h"
#include "engine/output/testing/synthetic_recording.h"

using zovi::engine::CCaptureFFmOutput;
using zovi::engine::testing::CSyntheticRecording;
using zovi::engine::testing::EncodedPacket;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <output path> <seconds>\n", argv[0]);
        return 2;
    }
    av_log_set_level(AV_LOG_ERROR);
    setpgid(0, 0);
    std::printf("group %d\n", static_cast<int>(getpgrp()));
    std::fflush(stdout);

    CSyntheticRecording::Options options;
    options.seconds = std::atof(argv[2]);
    auto recording = std::make_shared<CSyntheticRecording>();
    if (!recording->Open(options)) return 3;
    CCaptureFFmOutput::SetProgramDirForTesting(ZOVI_BIN_DIR);
    CCaptureFFmOutput output(recording);
    if (!output.Open(argv[1])) return 4;

    const auto start = std::chrono::steady_clock::now();
    int announced = 0;
    recording->Run([&](const EncodedPacket& packet) {
        if (packet.header.kind == zovi::engine::kMuxVideo) {
            const double at = static_cast<double>(packet.header.dts) / options.fps;
            std::this_thread::sleep_until(start + std::chrono::duration<double>(at));
        }
        if (!output.Write(packet.data.data(), static_cast<int>(packet.data.size()),
                          packet.header))
            return false;
        if (packet.header.kind != zovi::engine::kMuxVideo) return true;
        const int second = static_cast<int>(static_cast<double>(packet.header.dts) / options.fps);
        while (announced < second) {
            std::printf("media %d\n", ++announced);
            std::fflush(stdout);
        }
        return true;
    });
    output.Close();
    std::printf("done %d\n", output.MuxerExitCode());
    return 0;
}
