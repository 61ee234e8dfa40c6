// How long "stop" takes for an hour-long MP4 recording in one of the candidate MP4
// layouts: an hour of 720p30 packets with sound (a 10 s synthetic recording repeated) is
// written as fast as possible, then the finish (trailer and close) is timed. Our own
// layout is timed in-process like the others ("ours") and through the muxer program's
// pipe ("ours_program": the recorder's stop, from the end of its input until the
// program has exited). The file is left in the given folder for the checks of
// bench/mux.sh, with a copy of it as it stood half-way ("<file>.killed": what a muxer
// killed then would have left). Prints: finish <layout> <milliseconds> <file>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
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

namespace {

namespace fs = std::filesystem;
using zovi::engine::testing::CSyntheticRecording;
using zovi::engine::testing::EncodedPacket;

constexpr int kLoopSeconds = 10;
constexpr int kHour = 3600;

double Milliseconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

// Hands `sink` an hour of packets: the loop repeated with its time stamps moved on so
// each stream continues where it stopped. `halfWay` runs once, after half the hour.
void ForEachPacketOfAnHour(const std::vector<EncodedPacket>& loop,
                           const std::function<void(const EncodedPacket&)>& sink,
                           const std::function<void()>& halfWay) {
    int64_t first[2] = {INT64_MAX, INT64_MAX}, next[2] = {0, 0};
    for (const EncodedPacket& packet : loop) {
        const int kind = packet.header.kind;
        first[kind] = std::min(first[kind], packet.header.dts);
        next[kind] = std::max(next[kind], packet.header.dts + (kind == 0 ? 1 : 1024));
    }
    const int64_t step[2] = {next[0] - first[0], next[1] - first[1]};
    EncodedPacket moved;
    for (int round = 0; round < kHour / kLoopSeconds; ++round) {
        if (round == kHour / kLoopSeconds / 2) halfWay();
        for (const EncodedPacket& packet : loop) {
            moved.header = packet.header;
            moved.header.pts += round * step[packet.header.kind];
            moved.header.dts += round * step[packet.header.kind];
            moved.data = packet.data;
            sink(moved);
        }
    }
}

// What a muxer killed now would leave: the file as it stands, copied to "<path>.killed".
void CopyAsItStands(const std::string& path) {
    std::error_code ignored;
    fs::copy_file(path, path + ".killed", fs::copy_options::overwrite_existing, ignored);
}

// Writes the hour in-process with `movflags` (none: ours); the finish time, or -1.
double FinishInProcess(CSyntheticRecording& recording, const std::vector<EncodedPacket>& loop,
                       const std::string& path, const std::optional<std::string>& movflags) {
    zovi::mux::CMuxWriter writer;
    if (movflags) writer.SetMp4FlagsForBenchmark(*movflags);
    if (!zovi::bench::OpenForRecording(writer, recording, path)) return -1;
    AVPacket* packet = av_packet_alloc();
    ForEachPacketOfAnHour(
        loop, [&](const EncodedPacket& in) { zovi::bench::WritePacket(writer, packet, in); },
        [&] { CopyAsItStands(path); });
    av_packet_free(&packet);
    const auto stop = std::chrono::steady_clock::now();
    return writer.Finish() ? Milliseconds(stop) : -1;
}

// Writes the hour through the muxer program; the time from the end of its input until
// it has exited, or -1.
double FinishThroughProgram(const std::shared_ptr<CSyntheticRecording>& recording,
                            const std::vector<EncodedPacket>& loop, const std::string& path) {
    zovi::engine::CCaptureFFmOutput output(recording);
    if (!output.Open(path)) return -1;
    bool written = true;
    ForEachPacketOfAnHour(
        loop,
        [&](const EncodedPacket& packet) {
            written = written && output.Write(packet.data.data(),
                                              static_cast<int>(packet.data.size()),
                                              packet.header);
        },
        [&] { CopyAsItStands(path); });
    const auto stop = std::chrono::steady_clock::now();
    output.Close();
    return written && output.MuxerExitCode() == 0 ? Milliseconds(stop) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    av_log_set_level(AV_LOG_FATAL);  // global_sidx complains about every fragment
    const struct {
        const char* name;
        std::optional<std::string> movflags;  // none: ours
    } layouts[] = {
        {"ours", std::nullopt},
        {"ours_program", std::nullopt},
        {"index_at_end", "0"},
        {"index_at_start", "faststart"},
        {"fragments_mfra", "frag_keyframe+empty_moov+default_base_moof"},
        {"fragments_no_mfra", "frag_keyframe+empty_moov+default_base_moof+skip_trailer"},
        {"fragments_first_in_moov", "frag_keyframe+default_base_moof"},
        {"fragments_global_sidx", "frag_keyframe+empty_moov+default_base_moof+global_sidx"},
    };
    const std::string wanted = argc == 4 ? argv[3] : "";
    const auto* layout = std::find_if(std::begin(layouts), std::end(layouts),
                                      [&](const auto& known) { return wanted == known.name; });
    if (layout == std::end(layouts)) {
        std::fprintf(stderr, "usage: %s <folder of ZoviMux> <folder for the file> <layout>\n",
                     argv[0]);
        for (const auto& known : layouts) std::fprintf(stderr, "  %s\n", known.name);
        return 1;
    }
    zovi::engine::CCaptureFFmOutput::SetProgramDirForTesting(argv[1]);
    const fs::path dir = argv[2];
    fs::create_directories(dir);

    CSyntheticRecording::Options options;
    options.width = 1280;
    options.height = 720;
    options.fps = 30;
    options.seconds = kLoopSeconds;
    auto recording = std::make_shared<CSyntheticRecording>();
    std::vector<EncodedPacket> loop;
    if (!recording->Open(options) || !recording->Run([&](const EncodedPacket& packet) {
            loop.push_back(packet);
            return true;
        })) {
        std::fprintf(stderr, "cannot make the recording\n");
        return 1;
    }

    const std::string path = (dir / (std::string(layout->name) + ".mp4")).string();
    const double ms = std::string(layout->name) == "ours_program"
                          ? FinishThroughProgram(recording, loop, path)
                          : FinishInProcess(*recording, loop, path, layout->movflags);
    std::printf("finish %s %.0f %s\n", layout->name, ms, path.c_str());
    return ms < 0 ? 1 : 0;
}
