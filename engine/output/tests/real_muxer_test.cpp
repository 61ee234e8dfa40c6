#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>

#include "engine/output/capture_ffm_output.h"
#include "engine/output/testing/synthetic_recording.h"
#include "engine/output/tests/output_test_support.h"
#include "engine/util/tests/av_log_capture.h"

namespace zovi::engine {
namespace {

using testing::CSyntheticRecording;
using testing::ScratchDir;
namespace fs = std::filesystem;

struct Streams {
    const char* name;
    const char* videoEncoder;  // empty: no video
    bool sound;
    const char* videoCodec;
};

struct Container {
    const char* extension;
    const char* demuxerPart;  // part of libavformat's demuxer name
};

void PrintTo(const Container& c, std::ostream* os) { *os << c.extension; }
void PrintTo(const Streams& s, std::ostream* os) { *os << s.name; }

class RealMuxer : public ::testing::TestWithParam<std::tuple<Container, Streams>> {
protected:
    void SetUp() override { CCaptureFFmOutput::SetProgramDirForTesting(ZOVI_BIN_DIR); }
    void TearDown() override { CCaptureFFmOutput::SetProgramDirForTesting(""); }
    ScratchDir scratch_;
};

TEST_P(RealMuxer, WritesAFileWithTheAnnouncedStreams) {
    const auto& [container, streams] = GetParam();
    CSyntheticRecording::Options options;
    options.videoEncoder = streams.videoEncoder;
    options.sound = streams.sound;
    options.seconds = 2.0;
    auto recording = std::make_shared<CSyntheticRecording>();
    ASSERT_TRUE(recording->Open(options));

    const std::string path =
        (scratch_.path() / (std::string("Zovi录屏 rec.") + container.extension)).string();
    testing::AvLogCapture capture;
    CCaptureFFmOutput output(recording);
    ASSERT_TRUE(output.Open(path));
    int packets = 0;
    // Where each stream starts, in seconds as fed (video, sound).
    std::optional<double> firstDts[2];
    ASSERT_TRUE(recording->Run([&](const testing::EncodedPacket& packet) {
        ++packets;
        const bool video = packet.header.kind == kMuxVideo;
        if (!firstDts[video ? 0 : 1])
            firstDts[video ? 0 : 1] = static_cast<double>(packet.header.dts) /
                                      (video ? options.fps : options.sampleRate);
        return output.Write(packet.data.data(), static_cast<int>(packet.data.size()),
                            packet.header);
    }));
    ASSERT_TRUE(output.Close());
    EXPECT_EQ(output.MuxerExitCode(), 0);
    EXPECT_TRUE(capture.Matching("ZoviMux:").empty()) << capture.Matching("ZoviMux:")[0];
    EXPECT_GT(packets, 0);

    // The encoders start the streams apart (B-frames delay the video's decoding times,
    // AAC primes the sound). MP4 is written in fragments without edit lists, so FFmpeg
    // lays every track from the earliest of them and lengthens the first sample of a
    // track that starts later: that track spans this much longer, and video reads
    // correspondingly fewer frames per second. The other containers keep each stream's
    // own start.
    const bool mp4 = std::string(container.extension) == "mp4";
    const double earliest = std::min(firstDts[0].value_or(1e9), firstDts[1].value_or(1e9));
    const double videoLate = mp4 && firstDts[0] ? *firstDts[0] - earliest : 0;
    const double soundLate = mp4 && firstDts[1] ? *firstDts[1] - earliest : 0;

    const testing::MediaFileReport report = testing::ReadMediaFile(path);
    ASSERT_TRUE(report.opened);
    EXPECT_NE(report.container.find(container.demuxerPart), std::string::npos) << report.container;
    // FLV has no code for MPEG-4 Visual: the file is written as asked, but FFmpeg's own
    // FLV reader cannot make sense of that video stream; its sound stays intact.
    const bool videoReadable =
        !(std::string(container.extension) == "flv" && std::string(streams.videoCodec) == "mpeg4");
    if (videoReadable) {
        EXPECT_EQ(report.streams, (*streams.videoEncoder ? 1 : 0) + (streams.sound ? 1 : 0));
    }
    if (*streams.videoEncoder && videoReadable) {
        ASSERT_TRUE(report.video);
        EXPECT_EQ(report.video->codec, streams.videoCodec);
        EXPECT_EQ(report.video->width, options.width);
        EXPECT_EQ(report.video->height, options.height);
        EXPECT_NEAR(report.video->frameRate,
                    options.fps * options.seconds / (options.seconds + videoLate), 0.01);
        EXPECT_NEAR(report.video->seconds, options.seconds + videoLate,
                    1.0 / options.fps + 1e-3);
        EXPECT_EQ(report.video->decodedFrames, recording->VideoFrames());
        EXPECT_EQ(report.video->decodeErrors, 0);
    } else if (!*streams.videoEncoder) {
        EXPECT_FALSE(report.video);
    }
    if (streams.sound) {
        ASSERT_TRUE(report.sound);
        EXPECT_EQ(report.sound->codec, "aac");
        EXPECT_EQ(report.sound->sampleRate, options.sampleRate);
        EXPECT_EQ(report.sound->channels, 2);
        EXPECT_NEAR(report.sound->seconds, options.seconds + soundLate, 0.05);
        EXPECT_GT(report.sound->decodedFrames, 0);
        EXPECT_EQ(report.sound->decodeErrors, 0);
    } else {
        EXPECT_FALSE(report.sound);
    }
}

const Container kContainers[] = {
    {"mp4", "mp4"}, {"mkv", "matroska"}, {"flv", "flv"}, {"avi", "avi"}};
const Streams kStreams[] = {
    {"X264Aac", "libx264", true, "h264"},
    {"XvidAac", "libxvid", true, "mpeg4"},
    {"VideoOnly", "libx264", false, "h264"},
    {"SoundOnly", "", true, ""},
};

INSTANTIATE_TEST_SUITE_P(Table, RealMuxer,
                         ::testing::Combine(::testing::ValuesIn(kContainers),
                                            ::testing::ValuesIn(kStreams)),
                         [](const auto& test) {
                             return std::string(std::get<0>(test.param).extension) + "_" +
                                    std::get<1>(test.param).name;
                         });

}  // namespace
}  // namespace zovi::engine
