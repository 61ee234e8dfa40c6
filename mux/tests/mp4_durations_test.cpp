// Finding and filling the length fields of a fragmented MP4's leading index, on the
// header of a file the muxer program really finished, whole and cut short at every byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "engine/output/tests/output_test_support.h"
#include "mux/mp4_boxes.h"
#include "mux/mp4_durations.h"
#include "mux/mux_session.h"
#include "mux/tests/mux_test_support.h"

namespace zovi::mux {
namespace {

using namespace mux::testing;

// The leading boxes (ftyp, moov) of an MP4 the muxer program wrote for a short recording.
std::vector<uint8_t> WrittenHeader() {
    engine::testing::ScratchDir scratch;
    const std::string path = (scratch.path() / "short.mp4").string();
    const Recording& recording = MakeRecording(true);
    EXPECT_EQ(RunMuxer(WithOutput(path, recording.args), recording.Input(SIZE_MAX)).exitCode,
              kMuxOk);
    const std::string file = engine::testing::ReadFileBytes(path);
    std::vector<uint8_t> bytes(file.begin(), file.end());
    // Up to the end of the moov box, which follows the ftyp box.
    if (bytes.size() < 16) return {};
    const size_t moovAt = Be32(bytes.data());
    if (moovAt + 8 > bytes.size()) return {};
    bytes.resize(std::min(bytes.size(), moovAt + Be32(bytes.data() + moovAt)));
    return bytes;
}

TEST(Mp4Durations, FindsTheFieldsOfTheWrittenHeaderAndNothingInAPartOfIt) {
    const std::vector<uint8_t> header = WrittenHeader();
    ASSERT_FALSE(header.empty());
    Mp4DurationFields fields;
    ASSERT_TRUE(FindMp4DurationFields(header.data(), header.size(), fields));
    EXPECT_EQ(fields.movie.timescale, 1000u);
    ASSERT_EQ(fields.tracks.size(), 2u);  // video, then sound
    EXPECT_GT(fields.tracks[0].media.timescale, 0u);
    EXPECT_EQ(fields.tracks[1].media.timescale, 44100u);
    // The recording lasts 1 s: a finished file says so in every length (the sound runs on
    // a little for the encoder's priming and the video's reordering delay).
    auto seconds = [&](const Mp4DurationField& field) {
        EXPECT_LE(static_cast<size_t>(field.offset) + 4, header.size());
        return static_cast<double>(Be32(header.data() + field.offset)) / field.timescale;
    };
    EXPECT_NEAR(seconds(fields.movie), 1.0, 0.2);
    for (const auto& track : fields.tracks) {
        EXPECT_EQ(track.header.timescale, fields.movie.timescale);
        EXPECT_NEAR(seconds(track.header), 1.0, 0.2);
        EXPECT_NEAR(seconds(track.media), 1.0, 0.2);
    }
    // A header cut anywhere is not taken for a whole one, and is never read past its end.
    for (size_t size = 0; size < header.size(); ++size) {
        const std::vector<uint8_t> cut(header.begin(), header.begin() + size);
        EXPECT_FALSE(FindMp4DurationFields(cut.data(), cut.size(), fields)) << size;
    }
    // Nor is noise.
    std::mt19937 random(7);
    std::vector<uint8_t> noise(header.size());
    for (int round = 0; round < 200; ++round) {
        for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
        FindMp4DurationFields(noise.data(), noise.size(), fields);
    }
}

TEST(Mp4Durations, ValuesRoundUpAndSaturate) {
    const struct {
        bool wide;
        uint32_t timescale;
        int64_t ticks, ticksPerSecond;
        uint64_t value;
    } cases[] = {
        {false, 1000, 6147, 1000, 6147},
        {false, 1000, 1, 44100, 1},                        // a fraction of a tick counts whole
        {false, 15360, 90, 15, 92160},                     // frames to the track's scale
        {false, 44100, int64_t{100} * 3600 * 44100, 44100, UINT32_MAX},  // 100 h: saturated
        {true, 44100, int64_t{100} * 3600 * 44100, 44100, uint64_t{100} * 3600 * 44100},
        {false, 1000, 0, 1000, 0},
        {false, 1000, -5, 1000, 0},
        {false, 1000, 5, 0, 0},
    };
    for (const auto& c : cases) {
        Mp4DurationField field;
        field.wide = c.wide;
        field.timescale = c.timescale;
        EXPECT_EQ(Mp4DurationValue(field, c.ticks, c.ticksPerSecond), c.value)
            << c.ticks << "/" << c.ticksPerSecond << " at " << c.timescale;
    }
}

}  // namespace
}  // namespace zovi::mux
