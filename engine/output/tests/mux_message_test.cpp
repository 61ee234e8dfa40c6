#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/output/capture_ffm_output.h"
#include "mux/protocol/mux_message.h"
#include "platform/process/command_line.h"

namespace zovi::engine {
namespace {

TEST(MuxMessage, HeaderBytesAreLittleEndianAtFixedOffsets) {
    struct Case {
        MuxMessageHeader header;
        MuxHeaderBytes bytes;
    } cases[] = {
        {{0, 0, 0, 0, kMuxVideo, 0}, {}},
        {{1, 2, 3, 0, kMuxSound, 1}, {1, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0,
                                      3, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0}},
        {{-1024, -2, 0x01020304, 0, kMuxVideo, 1},
         {0x00, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0xFF,
          0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0,    0,
          0,    0,    0,    0,    0,    0,    1,    0,    0,    0}},
        {{0x1122334455667788, INT64_MIN, 0, 0, kMuxSound, 0},
         {0x88, 0x77, 0x66, 0x55, 0x44, 0x33, 0x22, 0x11, 0, 0, 0, 0, 0, 0, 0, 0x80,
          0,    0,    0,    0,    0,    0,    0,    0,    1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeMuxMessageHeader(c.header), c.bytes);
        const MuxMessageHeader back = DecodeMuxMessageHeader(c.bytes);
        EXPECT_EQ(back.pts, c.header.pts);
        EXPECT_EQ(back.dts, c.header.dts);
        EXPECT_EQ(back.size, c.header.size);
        EXPECT_EQ(back.kind, c.header.kind);
        EXPECT_EQ(back.key, c.header.key);
    }
}

// Stream facts as the engine would give them.
class FixedStreams : public ICaptureFFMCallback {
public:
    FixedStreams(bool video, bool sound, int64_t soundBitRate)
        : video_(video), sound_(sound), soundBitRate_(soundBitRate) {}
    bool HasVideo() override { return video_; }
    void GetVideoExtraData(std::vector<uint8_t>& bytes) override { bytes = {0, 0, 0, 1, 0x67}; }
    void GetVideoStreamInfo(std::string& name, int& width, int& height, int64_t& bitRate,
                            int& timeBaseDen) override {
        name = "h264", width = 1280, height = 720, bitRate = 0, timeBaseDen = 25;
    }
    bool HasAudio() override { return sound_; }
    void GetAudioExtraData(std::vector<uint8_t>& bytes) override { bytes = {0x12, 0x10}; }
    void GetAudioStreamInfo(std::string& name, int& channels, int& sampleRate, int64_t& bitRate,
                            int& sampleFormat) override {
        name = "aac", channels = 2, sampleRate = 44100, bitRate = soundBitRate_, sampleFormat = 8;
    }

private:
    bool video_, sound_;
    int64_t soundBitRate_;
};

TEST(MuxerCommandLine, DescribesTheStreams) {
    const std::string mux = "/opt/zovi/ZoviMux";
    const std::string out = "/home/u/Videos/Zovi录屏/Zovi录屏-20240101-120000.mp4";
    struct Case {
        bool video, sound;
        int64_t soundBitRate;
        std::string line;
        size_t argc;
    } cases[] = {
        {true, true, 131072,
         "\"" + mux + "\" \"" + out + "\" 1 1 h264 0 1280 720 25 1 aac \"\" 128 44100 2 8 \"\" ",
         17},
        {true, true, 100000,
         "\"" + mux + "\" \"" + out + "\" 1 1 h264 0 1280 720 25 1 aac \"\" 97 44100 2 8 \"\" ",
         17},
        {true, false, 0, "\"" + mux + "\" \"" + out + "\" 1 0 h264 0 1280 720 25 1 \"\" ", 11},
        {false, true, 128000, "\"" + mux + "\" \"" + out + "\" 0 1 aac \"\" 125 44100 2 8 \"\" ",
         11},
    };
    for (const Case& c : cases) {
        FixedStreams streams(c.video, c.sound, c.soundBitRate);
        const std::string line = FormatMuxerCommandLine(mux, out, streams);
        EXPECT_EQ(line, c.line);
        const auto argv = platform::SplitCommandLine(line);
        ASSERT_EQ(argv.size(), c.argc);
        EXPECT_EQ(argv[0], mux);
        EXPECT_EQ(argv[1], out);
        EXPECT_EQ(argv.back(), "");
    }
}

TEST(MuxerCommandLine, AnyOutputPathSurvivesTheSplit) {
    FixedStreams streams(true, true, 131072);
    for (const std::string out :
         {"/tmp/a \"b\" 名字/x.mkv", "/tmp/ends\\", "/tmp/\\\"/x.flv", "/tmp/tab\there.avi"}) {
        const auto argv =
            platform::SplitCommandLine(FormatMuxerCommandLine("/m/ZoviMux", out, streams));
        ASSERT_EQ(argv.size(), 17u) << out;
        EXPECT_EQ(argv[1], out);
        EXPECT_EQ(argv[11], "");
    }
}

}  // namespace
}  // namespace zovi::engine
