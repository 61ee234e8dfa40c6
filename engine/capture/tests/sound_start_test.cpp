#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "engine/capture/sound_start.h"

using zovi::engine::CSoundStart;

namespace {

constexpr int kBlock = 4;       // frames per block
constexpr int kDelay = 4;       // the encoder's first packet lies one block early
constexpr int kMaxHeld = 12;    // three blocks

// What reached the encoder: each block's time and whether it was silent.
struct Emitted {
    int64_t pts;
    bool silent;
    bool operator==(const Emitted&) const = default;
};

struct Recorder {
    std::vector<Emitted> blocks;
    CSoundStart::Emit emit = [this](float* const* planes, int frames, int64_t pts) {
        bool silent = true;
        for (int c = 0; c < 2; ++c)
            for (int i = 0; i < frames; ++i) silent = silent && planes[c][i] == 0.0f;
        blocks.push_back({pts, silent});
        return true;
    };
};

// One loud stereo block from the mixer; its time is the frames emitted so far, this
// block included (as the mixer counts).
bool AddLoud(CSoundStart& start, Recorder& recorder, int64_t pts) {
    std::vector<float> left(kBlock, 0.5f), right(kBlock, -0.5f);
    float* planes[] = {left.data(), right.data()};
    return start.Add(planes, kBlock, pts, recorder.emit);
}

}  // namespace

TEST(SoundStart, LeadInCoversThePictureStartInWholeBlocks) {
    struct Case {
        int64_t firstPacket, pictureStart;
        int blockFrames;
        int64_t blocks;
    } cases[] = {
        {0, 0, kBlock, 0},   // together
        {0, 5, kBlock, 0},   // the picture begins later: nothing to cover
        {0, -1, kBlock, 1},  // any lead needs a whole block
        {0, -4, kBlock, 1},
        {0, -5, kBlock, 2},
        {0, -2940, 1024, 3},  // 2 frames at 30 fps in 44100 Hz sound
    };
    for (const auto& c : cases)
        EXPECT_EQ(CSoundStart::LeadInBlocks(c.firstPacket, c.pictureStart, c.blockFrames),
                  c.blocks)
            << c.firstPacket << " " << c.pictureStart;
}

TEST(SoundStart, SoundWaitsForThePictureThenBeginsNoLaterThanIt) {
    const Emitted loud4{4, false}, loud8{8, false}, loud12{12, false}, loud16{16, false};
    struct Case {
        std::string name;
        std::optional<int64_t> pictureStart;  // set after two blocks; none: the picture ended
        std::vector<Emitted> expected;
    } cases[] = {
        // First packet at 4 - 4 = 0; the picture decodes from -6: two silent blocks.
        {"reordering picture", -6, {{-4, true}, {0, true}, loud4, loud8, loud12}},
        {"picture at zero", 0, {loud4, loud8, loud12}},
        {"picture without packets", std::nullopt, {loud4, loud8, loud12}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CSoundStart start(2, kBlock, kDelay, -100, kMaxHeld);
        Recorder recorder;
        ASSERT_TRUE(AddLoud(start, recorder, 4));
        ASSERT_TRUE(AddLoud(start, recorder, 8));
        EXPECT_TRUE(recorder.blocks.empty());  // held
        start.SetPictureStart(c.pictureStart);
        start.SetPictureStart(-1000);  // the first start counts
        ASSERT_TRUE(start.Release(recorder.emit));
        ASSERT_TRUE(AddLoud(start, recorder, 12));
        EXPECT_EQ(recorder.blocks, c.expected);
    }
    // A picture known before any sound: the first block brings its lead-in along.
    CSoundStart early(2, kBlock, kDelay, -100, kMaxHeld);
    Recorder recorder;
    early.SetPictureStart(-1);
    ASSERT_TRUE(AddLoud(early, recorder, 4));
    ASSERT_TRUE(AddLoud(early, recorder, 8));
    EXPECT_EQ(recorder.blocks, (std::vector<Emitted>{{0, true}, loud4, loud8}));
    // A picture that takes too long: the sound begins where it was expected to.
    CSoundStart late(2, kBlock, kDelay, -4, kMaxHeld);
    recorder.blocks.clear();
    for (int64_t pts : {4, 8, 12}) ASSERT_TRUE(AddLoud(late, recorder, pts));
    EXPECT_TRUE(recorder.blocks.empty());
    ASSERT_TRUE(AddLoud(late, recorder, 16));
    late.SetPictureStart(-40);  // too late to count
    ASSERT_TRUE(AddLoud(late, recorder, 20));
    EXPECT_EQ(recorder.blocks, (std::vector<Emitted>{{0, true}, loud4, loud8, loud12, loud16,
                                                     {20, false}}));
}
