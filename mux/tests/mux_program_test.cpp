#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <algorithm>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "engine/output/tests/output_test_support.h"
#include "mux/mux_args.h"
#include "mux/mux_session.h"
#include "mux/tests/mux_test_support.h"

namespace zovi::mux {
namespace {

namespace fs = std::filesystem;
using namespace mux::testing;

using engine::testing::MediaFileReport;
using engine::testing::ReadMediaFile;
using engine::testing::ScratchDir;

class MuxProgram : public ::testing::Test {
protected:
    std::string Out(const std::string& name) { return (scratch_.path() / name).string(); }
    ScratchDir scratch_;
};

TEST_F(MuxProgram, ACompleteInputGivesAFullFileAndSaysNothing) {
    const Recording& recording = MakeRecording(true);
    const std::string path = Out("full.mp4");
    RunResult run = RunMuxer(WithOutput(path, recording.args), recording.Input(SIZE_MAX));
    EXPECT_EQ(run.exitCode, kMuxOk);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "");
    MediaFileReport report = ReadMediaFile(path);
    ASSERT_TRUE(report.opened && report.video && report.sound);
    EXPECT_EQ(report.video->decodedFrames, 15);
    EXPECT_EQ(report.video->decodeErrors, 0);
}

TEST_F(MuxProgram, BadArgumentsEndAtOnceWithoutAFile) {
    const std::string path = Out("x.mp4");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {""},
        {path},
        {path, "1"},
        {path, "0", "0", ""},
        {path, "2", "0", "h264", "0", "320", "240", "15", "1", ""},
        {path, "1", "0", "h264", "0", "320", "240"},
        {path, "1", "0", "h264", "0", "0", "240", "15", "1", ""},
        {path, "1", "0", "h264", "0", "320", "x240", "15", "1", ""},
        {path, "1", "0", "h264", "0", "320", "240", "0", "1", ""},
        {path, "1", "0", "no-such-codec", "0", "320", "240", "15", "1", ""},
        {path, "1", "0", "aac", "0", "320", "240", "15", "1", ""},  // not a video codec
        {path, "0", "1", "aac", "", "128", "44100", "0", "8", ""},
        {path, "0", "1", "aac", "", "128", "-44100", "2", "8", ""},
        {path, "0", "1", "aac", "128", "44100", "2", "8", ""},  // the reserved field missing
    };
    for (const auto& args : cases) {
        RunResult run = RunMuxer(args, MakeRecording(true).Input(4));
        std::string shown;
        for (const auto& a : args) shown += "[" + a + "]";
        EXPECT_EQ(run.exitCode, kMuxBadArguments) << shown;
        EXPECT_FALSE(fs::exists(path)) << shown;
        EXPECT_LE(std::count(run.err.begin(), run.err.end(), '\n'), 3) << run.err;
    }
}

TEST_F(MuxProgram, BadInputEndsReadingAndKeepsEveryCompletePacket) {
    const Recording& av = MakeRecording(true);
    const Recording& videoOnly = MakeRecording(false);
    auto header = [](int64_t pts, int32_t size, int32_t kind) {
        return Message(MuxMessageHeader{pts, pts, size, 0, kind, 0}, "");
    };
    const size_t n = av.WithVideo(5), m = videoOnly.WithVideo(5), more = av.WithVideo(8);
    const std::string cut = Message(av.packets[n]);
    // A copy of packet `i` stamped with other times, slipped in before packet `n`: the
    // stream goes on with every real packet.
    const int allVideo = av.videoPackets(SIZE_MAX);
    auto retimed = [&](size_t i, int64_t pts, int64_t dts) {
        MuxMessageHeader stamped = av.packets[i].header;
        stamped.pts = pts;
        stamped.dts = dts;
        const auto& data = av.packets[i].data;
        return av.Input(n) + Message(stamped, std::string(data.begin(), data.end())) + av.Tail(n);
    };
    const size_t firstVideo = av.WithVideo(1) - 1, firstSound = firstVideo == 0 ? 1 : 0;
    const int64_t wild = int64_t{1} << 40;
    const int64_t videoDts = av.packets[n - 1].header.dts;  // within the stream so far
    const int64_t hourOfVideo = 3600 * 15, hourOfSound = 3600 * 44100;
    struct Case {
        const char* what;
        const Recording* recording;
        std::string input;
        int exitCode;
        int videoPackets;  // -1: no file at all
    } cases[] = {
        {"no messages", &av, "", kMuxMalformedInput, -1},
        {"garbage", &av, std::string(100, '\xFF'), kMuxMalformedInput, -1},
        {"header cut short", &av, av.streamHeaders.substr(0, 20), kMuxMalformedInput, -1},
        {"stream headers in the wrong order", &av,
         av.streamHeaders.substr(av.streamHeaders.size() - 34) + av.streamHeaders,
         kMuxMalformedInput, -1},
        {"stream headers only", &av, av.streamHeaders, kMuxMalformedInput, -1},
        {"sound packets only so far", &av, av.Input(av.WithVideo(1) - 1), kMuxOk, 0},
        {"packet header cut short", &av, av.Input(n) + cut.substr(0, 31), kMuxMalformedInput,
         av.videoPackets(n)},
        {"payload cut short", &av, av.Input(n) + cut.substr(0, cut.size() - 1), kMuxMalformedInput,
         av.videoPackets(n)},
        {"huge size", &av, av.Input(n) + header(99, 100 << 20, 0) + "tail", kMuxMalformedInput,
         av.videoPackets(n)},
        {"negative size", &av, av.Input(n) + header(99, -5, 0) + "tail", kMuxMalformedInput,
         av.videoPackets(n)},
        {"unknown kind", &av, av.Input(n) + header(99, 4, 7) + "abcd", kMuxMalformedInput,
         av.videoPackets(n)},
        {"unannounced sound", &videoOnly, videoOnly.Input(m) + header(0, 4, 1) + "abcd",
         kMuxMalformedInput, videoOnly.videoPackets(m)},
        {"garbage after packets", &av, av.Input(more) + std::string(64, '\xFF'), kMuxMalformedInput,
         av.videoPackets(more)},
        {"video time 2^40", &av, retimed(firstVideo, wild, wild), kMuxMalformedInput, allVideo},
        {"sound time 2^40", &av, retimed(firstSound, wild, wild), kMuxMalformedInput, allVideo},
        {"video time -2^40", &av, retimed(firstVideo, -wild, -wild), kMuxMalformedInput, allVideo},
        {"video presentation 2^40", &av, retimed(firstVideo, wild, videoDts), kMuxMalformedInput,
         allVideo},
        {"video time going backwards", &av, retimed(firstVideo, -20, -20), kMuxMalformedInput,
         allVideo},
        {"video time an hour ahead", &av,
         retimed(firstVideo, videoDts + hourOfVideo + 1, videoDts + hourOfVideo + 1),
         kMuxMalformedInput, allVideo},
        {"sound time an hour ahead", &av, retimed(firstSound, hourOfSound * 2, hourOfSound * 2),
         kMuxMalformedInput, allVideo},
        {"largest time", &av, retimed(firstVideo, INT64_MAX, INT64_MAX), kMuxMalformedInput,
         allVideo},
        {"smallest time", &av, retimed(firstVideo, INT64_MIN, INT64_MIN), kMuxMalformedInput,
         allVideo},
    };
    for (const char* extension : {"mkv", "mp4", "avi", "flv"}) {
        for (const Case& c : cases) {
            const std::string what = std::string(c.what) + " (" + extension + ")";
            const std::string path = Out(std::string("bad.") + extension);
            fs::remove(path);
            RunResult run = RunMuxer(WithOutput(path, c.recording->args), c.input);
            EXPECT_EQ(run.exitCode, c.exitCode) << what << ": " << run.err;
            EXPECT_LE(std::count(run.err.begin(), run.err.end(), '\n'), 3) << what << run.err;
            if (c.videoPackets < 0) {
                EXPECT_FALSE(fs::exists(path)) << what;
                continue;
            }
            MediaFileReport report = ReadMediaFile(path);
            ASSERT_TRUE(report.opened) << what;
            if (c.videoPackets == 0) {
                // A video track without samples may be left out by the reader.
                EXPECT_TRUE(!report.video || report.video->packets == 0) << what;
                continue;
            }
            ASSERT_TRUE(report.video) << what;
            EXPECT_EQ(report.video->packets, c.videoPackets) << what;
            EXPECT_EQ(report.video->decodeErrors, 0) << what;
            EXPECT_GT(report.video->decodedFrames, 0) << what;
        }
    }
}

TEST_F(MuxProgram, AFeederKilledMidMessageStillLeavesAPlayableFile) {
    const Recording& recording = MakeRecording(true);
    const std::string data = (scratch_.path() / "partial.bin").string();
    {
        const std::string cut = Message(recording.packets[recording.WithVideo(8)]);
        std::ofstream(data, std::ios::binary)
            << recording.Input(recording.WithVideo(8)) << cut.substr(0, cut.size() / 2);
    }
    const std::string path = Out("killed.mp4");
    std::string args;
    for (const std::string& arg : WithOutput(path, recording.args)) args += " '" + arg + "'";
    // The feeder writes part of the stream, then dies by SIGKILL mid-message.
    auto shell = platform::ChildProcess::Start(
        {"/bin/sh", "-c",
         "sh -c 'cat \"$0\"; kill -KILL $$' '" + data + "' | '" + kMuxer + "'" + args},
        {});
    ASSERT_NE(shell, nullptr);
    ASSERT_TRUE(shell->Wait(60000));
    EXPECT_EQ(shell->ExitCode(), kMuxMalformedInput);
    MediaFileReport report = ReadMediaFile(path);
    ASSERT_TRUE(report.opened && report.video && report.sound) << report.streams;
    EXPECT_EQ(report.video->packets, 8);
    EXPECT_GT(report.video->decodedFrames, 0);
    EXPECT_EQ(report.video->decodeErrors, 0);
}

TEST_F(MuxProgram, TerminationSignalsFinishTheFile) {
    const Recording& recording = MakeRecording(true);
    for (int sig : {SIGTERM, SIGHUP, SIGINT}) {
        const std::string path = Out("signal" + std::to_string(sig) + ".mp4");
        std::vector<std::string> argv{kMuxer};
        for (const std::string& arg : WithOutput(path, recording.args)) argv.push_back(arg);
        platform::ChildProcess::Options options;
        options.pipeStdin = true;
        auto child = platform::ChildProcess::Start(argv, options);
        ASSERT_NE(child, nullptr);
        const std::string input = recording.Input(recording.WithVideo(8));
        ASSERT_TRUE(platform::WriteAll(child->StdinFd(), input.data(), input.size()));
        // The file exists once the stream headers were read; the input stays open.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!fs::exists(path) && std::chrono::steady_clock::now() < giveUp)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        child->Kill(sig);
        ASSERT_TRUE(child->Wait(30000)) << sig;
        EXPECT_EQ(child->ExitCode(), kMuxOk) << sig;
        // How much the muxer had read when the signal came varies: the file holds what
        // arrived, finished and readable.
        MediaFileReport report = ReadMediaFile(path);
        ASSERT_TRUE(report.opened) << sig;
        int64_t packets = 0;
        for (const auto& stream : {report.video, report.sound}) {
            if (!stream) continue;
            packets += stream->packets;
            EXPECT_EQ(stream->decodeErrors, 0) << sig;
        }
        EXPECT_GT(packets, 0) << sig;
    }
}

TEST_F(MuxProgram, AnOutputThatCannotBeMadeIsReported) {
    const Recording& recording = MakeRecording(true);
    RunResult run = RunMuxer(WithOutput(Out("missing/x.mp4"), recording.args), recording.Input(5));
    EXPECT_EQ(run.exitCode, kMuxOutputFailed);
    EXPECT_FALSE(fs::exists(Out("missing")));
}

// A container that refuses the stream at its header: the file just made is removed again,
// also under a name whose bytes are not UTF-8.
TEST_F(MuxProgram, AHeaderTheContainerRefusesLeavesNoFile) {
    const Recording& recording = MakeRecording(false);
    std::vector<std::string> args = recording.args;
    args[2] = "hevc";  // FLV holds no HEVC
    for (const std::string name : {"refused.flv", "refused\xFF.flv"}) {
        RunResult run = RunMuxer(WithOutput(Out(name), args), recording.Input(5));
        EXPECT_EQ(run.exitCode, kMuxOutputFailed) << run.err;
        EXPECT_NE(run.err.find("cannot write the flv header"), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(Out(name))) << name;
    }
}

TEST(MuxArgs, ContainerFollowsTheExtension) {
    const std::pair<const char*, const char*> cases[] = {
        {"/a/b.mp4", "mp4"}, {"/a/b.mkv", "matroska"}, {"/a/b.flv", "flv"},
        {"/a/b.avi", "avi"}, {"/a/B.MKV", "matroska"}, {"/a/b.Avi", "avi"},
        {"/a/b.mov", "mp4"}, {"/a/b", "mp4"},          {"/a.mkv/b", "mp4"},
        {"/a/b.", "mp4"}};
    for (auto [path, container] : cases) EXPECT_EQ(ContainerForPath(path), container) << path;
}

TEST(MuxArgs, FieldsFollowTheFlags) {
    MuxArgs args;
    std::string error;
    ASSERT_TRUE(ParseMuxArgs({"mux", "/o.mp4", "1", "1", "h264", "2000000", "1280", "720", "25",
                              "1", "aac", "", "128", "48000", "2", "8", "", "ignored"},
                             args, error))
        << error;
    EXPECT_EQ(args.outputPath, "/o.mp4");
    EXPECT_TRUE(args.hasVideo && args.hasSound);
    EXPECT_EQ(args.video.codec, "h264");
    EXPECT_EQ(args.video.bitRate, 2000000);
    EXPECT_EQ(args.video.width, 1280);
    EXPECT_EQ(args.video.height, 720);
    EXPECT_EQ(args.video.fps, 25);
    EXPECT_EQ(args.sound.codec, "aac");
    EXPECT_EQ(args.sound.bitRate, 128 * 1024);
    EXPECT_EQ(args.sound.sampleRate, 48000);
    EXPECT_EQ(args.sound.channels, 2);
    EXPECT_EQ(args.sound.sampleFormat, 8);

    MuxArgs soundOnly;
    ASSERT_TRUE(ParseMuxArgs({"mux", "/o.mkv", "0", "1", "aac", "", "97", "44100", "1", "8", ""},
                             soundOnly, error));
    EXPECT_FALSE(soundOnly.hasVideo);
    EXPECT_EQ(soundOnly.sound.channels, 1);
}

}  // namespace
}  // namespace zovi::mux
