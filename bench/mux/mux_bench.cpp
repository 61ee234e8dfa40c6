// The cost of handing encoded packets to the muxer program over its pipe, against
// writing the same packets with libavformat inside the process, for a 1080p30 x264
// recording with sound. Prints the figures and, last, "mux: pipe_overhead_pct=<n>":
// the extra CPU of the pipe path as a share of the CPU the encoding took.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

#include "bench/mux/mux_writer_feed.h"
#include "engine/output/capture_ffm_output.h"
#include "engine/output/testing/synthetic_recording.h"
#include "mux/mux_writer.h"
#include "platform/process/child_io.h"

namespace {

namespace fs = std::filesystem;
using zovi::engine::testing::CSyntheticRecording;
using zovi::engine::testing::EncodedPacket;

double CpuSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

struct Cost {
    double cpu = 0;
    double wall = 0;
};

Cost ThroughPipe(const std::shared_ptr<CSyntheticRecording>& recording,
                 const std::vector<EncodedPacket>& packets, const std::string& path) {
    const double cpu0 = CpuSeconds(), child0 = zovi::platform::EndedChildrenCpuSeconds();
    const double wall0 = WallSeconds();
    zovi::engine::CCaptureFFmOutput output(recording);
    if (!output.Open(path)) return {-1, -1};
    for (const EncodedPacket& packet : packets)
        if (!output.Write(packet.data.data(), static_cast<int>(packet.data.size()), packet.header))
            return {-1, -1};
    output.Close();
    if (output.MuxerExitCode() != 0) return {-1, -1};
    return {CpuSeconds() - cpu0 + zovi::platform::EndedChildrenCpuSeconds() - child0,
            WallSeconds() - wall0};
}

Cost InProcess(CSyntheticRecording& recording, const std::vector<EncodedPacket>& packets,
               const std::string& path) {
    const double cpu0 = CpuSeconds(), wall0 = WallSeconds();
    zovi::mux::CMuxWriter writer;
    if (!zovi::bench::OpenForRecording(writer, recording, path)) return {-1, -1};
    AVPacket* packet = av_packet_alloc();
    for (const EncodedPacket& in : packets) zovi::bench::WritePacket(writer, packet, in);
    av_packet_free(&packet);
    if (!writer.Finish()) return {-1, -1};
    return {CpuSeconds() - cpu0, WallSeconds() - wall0};
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_ERROR);  // the encoder's statistics are not the figures
    const std::string binDir = argc > 1 ? argv[1] : fs::path(argv[0]).parent_path().string();
    zovi::engine::CCaptureFFmOutput::SetProgramDirForTesting(binDir);
    const fs::path dir = fs::temp_directory_path() / "zovi_mux_bench";
    fs::remove_all(dir);
    fs::create_directories(dir);

    CSyntheticRecording::Options options;
    options.width = 1920;
    options.height = 1080;
    options.fps = 30;
    options.seconds = 6;
    options.x264Preset = "veryfast";
    auto recording = std::make_shared<CSyntheticRecording>();
    if (!recording->Open(options)) {
        std::fprintf(stderr, "cannot open the encoders\n");
        return 1;
    }
    std::vector<EncodedPacket> packets;
    size_t bytes = 0;
    const double encode0 = CpuSeconds();
    recording->Run([&](const EncodedPacket& packet) {
        packets.push_back(packet);
        bytes += packet.data.size();
        return true;
    });
    const double encodeCpu = CpuSeconds() - encode0;

    // Best of several runs of each, so a busy machine disturbs the figures less.
    Cost pipe{1e9, 1e9}, local{1e9, 1e9};
    for (int run = 0; run < 5; ++run) {
        const std::string pipePath = (dir / ("pipe" + std::to_string(run) + ".mp4")).string();
        const std::string localPath = (dir / ("local" + std::to_string(run) + ".mp4")).string();
        Cost p = ThroughPipe(recording, packets, pipePath);
        Cost l = InProcess(*recording, packets, localPath);
        if (p.cpu < 0 || l.cpu < 0) {
            std::fprintf(stderr, "writing failed\n");
            return 1;
        }
        pipe.cpu = std::min(pipe.cpu, p.cpu), pipe.wall = std::min(pipe.wall, p.wall);
        local.cpu = std::min(local.cpu, l.cpu), local.wall = std::min(local.wall, l.wall);
    }
    fs::remove_all(dir);

    const double overhead = std::max(0.0, pipe.cpu - local.cpu) / encodeCpu * 100.0;
    std::printf("mux: %zu packets, %.1f MB, 1920x1080 at 30 fps, %.0f s\n", packets.size(),
                static_cast<double>(bytes) / 1e6, options.seconds);
    std::printf("mux: encode cpu %.3f s\n", encodeCpu);
    std::printf("mux: pipe path cpu %.4f s, wall %.4f s, %.0f packets/s\n", pipe.cpu, pipe.wall,
                static_cast<double>(packets.size()) / pipe.wall);
    std::printf("mux: in-process cpu %.4f s, wall %.4f s, %.0f packets/s\n", local.cpu, local.wall,
                static_cast<double>(packets.size()) / local.wall);
    std::printf("mux: pipe_overhead_pct=%.3f\n", overhead);
    return 0;
}
