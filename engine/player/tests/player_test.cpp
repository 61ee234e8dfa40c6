// The stream player on the test X server and sound server: pictures in a window of
// ours, the tone on the sink's monitor, positions, seeking, pausing, closing while
// playing, and files with one kind of stream, a damaged tail or none at all.
#include <gtest/gtest.h>

#include <SDL2/SDL.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <ostream>
#include <thread>
#include <vector>

#include "engine/player/stream_player.h"
#include "engine/player/tests/player_helpers.h"
#include "engine/player/tests/player_media.h"
#include "engine/util/clock_ns.h"

namespace zovi::engine::testing {
namespace {

constexpr int kOutS16 = 1;
constexpr int kOutYuv420p = 0;

class PlayerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { media_ = new TestMedia(SharedTestMedia()); }
    static void TearDownTestSuite() {
        delete media_;
        media_ = nullptr;
    }

    void SetUp() override {
        ASSERT_TRUE(window_.Handle());
        player_ = std::make_shared<CFFStreamPlayer>(2, kOutS16, 44100, kOutYuv420p, window_.Handle(), listener_);
    }

    uint64_t Drawn() const {
        const auto video = player_->VideoRenderer();
        return video ? video->DrawnCount() : 0;
    }
    bool WaitForPosition(int64_t atLeast, double seconds = 30) {
        return WaitUntil([&] { return listener_->LastPosition() >= atLeast; }, seconds);
    }
    // The second the window shows at its centre.
    int ShownSecond() { return SecondOfPixel(window_.CentrePixel()); }
    // Waits for a picture drawn after `drawnBefore` and tells its second.
    int NextShownSecond(uint64_t drawnBefore) {
        if (!WaitUntil([&] { return Drawn() > drawnBefore; })) return -2;
        return ShownSecond();
    }

    // The picture on screen against the sound heard, sampled until the position reaches
    // `untilMs`: the largest and smallest lead of a picture presented from now on over the
    // clock it follows (the sound's, a file with sound playing on) at that moment, in ms
    // (negative: behind the sound).
    struct Leads {
        int64_t maxLead = INT64_MIN, minLead = INT64_MAX;
        size_t pictures = 0;
    };
    Leads SamplePictureLeads(int64_t untilMs) {
        const auto video = player_->VideoRenderer();
        Leads leads;
        const uint64_t from = GetClockNs();
        uint64_t lastSeen = 0;
        EXPECT_TRUE(WaitUntil([&] {
            const auto shown = video->LastPresented();
            if (shown.ns > from && shown.ns != lastSeen) {
                lastSeen = shown.ns;
                ++leads.pictures;
                leads.maxLead = std::max(leads.maxLead, shown.ts - shown.clockMs);
                leads.minLead = std::min(leads.minLead, shown.ts - shown.clockMs);
            }
            return listener_->LastPosition() >= untilMs;
        }));
        return leads;
    }

    static TestMedia* media_;
    CTestWindow window_;
    std::shared_ptr<CListener> listener_ = std::make_shared<CListener>();
    std::shared_ptr<CFFStreamPlayer> player_;
};

TestMedia* PlayerTest::media_ = nullptr;

TEST_F(PlayerTest, PlaysPicturesAndSoundInStepWithThePosition) {
    CMonitorRecorder monitor;
    ASSERT_TRUE(monitor.IsRecording());
    ASSERT_TRUE(player_->Open(media_->both.wstring()));
    ASSERT_EQ(listener_->Durations().size(), 1u);
    EXPECT_NEAR(listener_->Durations()[0], kMediaSeconds * 1000, 50);
    EXPECT_EQ(listener_->States(), std::vector<int>{kPlayerStatePaused});
    EXPECT_EQ(Drawn(), 0u);  // nothing is decoded before playing

    ASSERT_TRUE(player_->Pause(false));
    EXPECT_EQ(listener_->States().back(), kPlayerStatePlaying);
    ASSERT_TRUE(WaitForPosition(kToneStartMs + 1500));
    EXPECT_TRUE(monitor.WaitForTone(kToneAmplitude / 2));

    // The picture shows the second of the sound clock, give or take 100 ms.
    for (int sample = 0; sample < 5; ++sample) {
        const int64_t before = listener_->LastPosition();
        const int shown = ShownSecond();
        const int64_t after = listener_->LastPosition();
        EXPECT_GE(shown, (before - 100) / 1000) << "at " << before << ".." << after << " ms";
        EXPECT_LE(shown, (after + 100) / 1000) << "at " << before << ".." << after << " ms";
        if (sample == 0) {
            window_.Save("player_playing");
            const auto picture = window_.Grab();
            ASSERT_TRUE(picture);
            EXPECT_EQ(picture->PixelAt(20, 240), 0u);   // the bars stay black
            EXPECT_EQ(picture->PixelAt(700, 240), 0u);
        }
        ASSERT_TRUE(WaitForPosition(after + 300));
    }
    const auto positions = listener_->Positions();
    EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
    EXPECT_GT(Drawn(), 25u);
}

struct SeekCase {
    const char* name;
    std::filesystem::path TestMedia::*file;
    bool exact;
    std::vector<int> seconds;  // what the first picture after the seek may show
    friend void PrintTo(const SeekCase& c, std::ostream* out) { *out << c.name; }
};

class PlayerSeekTest : public PlayerTest, public ::testing::WithParamInterface<SeekCase> {};

// Key frames are 3 s apart, so the one before 10 s is at 9 s. With sound, a fast seek
// waits for the sound, which starts at 10 s.
INSTANTIATE_TEST_SUITE_P(
    Kinds, PlayerSeekTest,
    ::testing::Values(SeekCase{"ExactWithSound", &TestMedia::both, true, {10}},
                      SeekCase{"FastWithSound", &TestMedia::both, false, {9, 10}},
                      SeekCase{"ExactPicturesOnly", &TestMedia::videoOnly, true, {10}},
                      SeekCase{"FastPicturesOnly", &TestMedia::videoOnly, false, {9}}),
    [](const auto& test) { return std::string(test.param.name); });

TEST_P(PlayerSeekTest, JumpsToTenSecondsTwiceWithPlayingBetween) {
    const auto& param = GetParam();
    ASSERT_TRUE(player_->Open((media_->*param.file).wstring()));
    ASSERT_TRUE(player_->Pause(false));
    ASSERT_TRUE(WaitForPosition(500));
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        player_->Seek(10'000, param.exact);
        const size_t positionsBefore = listener_->PositionCount();  // none is passed on now
        // The seek is done once a picture from the new place is queued. One picture
        // taken before the seek may still be on its way to the window; the second
        // drawn from now on is surely a new one.
        ASSERT_TRUE(WaitUntil([&] { return player_->SeekState() == CFFStreamPlayer::kSeekNone; }));
        const int shown = NextShownSecond(Drawn() + 1);
        EXPECT_NE(std::find(param.seconds.begin(), param.seconds.end(), shown), param.seconds.end())
            << "shows second " << shown;
        ASSERT_TRUE(WaitUntil([&] { return listener_->PositionCount() > positionsBefore; }));
        ASSERT_TRUE(WaitForPosition(10'600));
        const auto positions = listener_->Positions(positionsBefore);
        const int64_t first = *std::min_element(positions.begin(), positions.end());
        EXPECT_GE(first, param.seconds.front() * 1000);
        EXPECT_LT(first, 10'300);
    }
}

TEST_F(PlayerTest, SeekWhilePausedShowsOnePicture) {
    ASSERT_TRUE(player_->Open(media_->both.wstring()));
    const auto video = player_->VideoRenderer();
    ASSERT_TRUE(video);
    for (const int target : {10'000, 15'000}) {
        SCOPED_TRACE(target);
        const uint64_t drawn = Drawn();
        player_->Seek(target, true);
        EXPECT_EQ(NextShownSecond(drawn), target / 1000);
        ASSERT_TRUE(WaitUntil([&] { return player_->SeekState() == CFFStreamPlayer::kSeekNone; }));
        EXPECT_EQ(Drawn(), drawn + 1);
        EXPECT_EQ(video->Count(), 0u);  // nothing else was decoded
        EXPECT_NEAR(listener_->LastPosition(), target, 40);
        EXPECT_TRUE(player_->IsPaused());
    }
    window_.Save("player_paused_seek");
}

// The owner's window grew wider: the last picture is drawn again, fitted to the height
// with black bars at the sides.
TEST_F(PlayerTest, RedrawAfterAResizeLetterboxesTheLastPicture) {
    ASSERT_TRUE(player_->Open(media_->both.wstring()));
    const uint64_t drawn = Drawn();
    player_->Seek(10'000, true);
    ASSERT_EQ(NextShownSecond(drawn), 10);
    ASSERT_TRUE(SetWindowPos(window_.Handle(), 0, 0, 0, 960, 480, SWP_NOMOVE | SWP_NOZORDER));
    player_->VideoRenderer()->ResetRenderer();
    ASSERT_TRUE(WaitUntil([&] { return Drawn() == drawn + 2; }));
    const auto picture = window_.Grab();
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->Width(), 960);
    window_.Save("player_resized");
    EXPECT_EQ(picture->PixelAt(100, 240), 0u);
    EXPECT_EQ(picture->PixelAt(860, 240), 0u);
    EXPECT_EQ(SecondOfPixel(picture->PixelAt(170, 240)), 10);
    EXPECT_EQ(SecondOfPixel(picture->PixelAt(790, 240)), 10);
}

TEST_F(PlayerTest, PauseStopsPicturesAndSoundAndResumeGoesOn) {
    CMonitorRecorder monitor;
    ASSERT_TRUE(monitor.IsRecording());
    ASSERT_TRUE(player_->Open(media_->both.wstring()));
    ASSERT_TRUE(player_->Pause(false));
    ASSERT_TRUE(WaitForPosition(kToneStartMs + 1500));
    ASSERT_TRUE(monitor.WaitForTone(kToneAmplitude / 2));

    // Playing, the position is the sound clock's.
    const int64_t pausedAt = listener_->LastPosition();
    ASSERT_TRUE(player_->Pause(true));
    EXPECT_EQ(listener_->States().back(), kPlayerStatePaused);
    // The pictures decoded ahead of the sound wait with it; nothing moves.
    monitor.Next(500);  // what the sound server still held
    const uint64_t drawn = Drawn();
    const int64_t position = listener_->LastPosition();
    const auto quiet = monitor.Next(500);
    EXPECT_LT(monitor.ToneIn(quiet), 0.02);
    EXPECT_EQ(Drawn(), drawn);
    EXPECT_EQ(listener_->LastPosition(), position);

    const size_t positionsBefore = listener_->PositionCount();
    ASSERT_TRUE(player_->Pause(false));
    EXPECT_TRUE(monitor.WaitForTone(kToneAmplitude / 2));
    ASSERT_TRUE(WaitUntil([&] { return Drawn() > drawn && listener_->PositionCount() > positionsBefore; }));
    // The sound goes on from where it stopped (SDL had taken one buffer more).
    const int64_t resumedAt = listener_->Positions(positionsBefore).front();
    EXPECT_GE(resumedAt, pausedAt);
    EXPECT_LT(resumedAt, pausedAt + 500);
    // The pictures that waited through the pause follow the sound again, none ahead of it.
    const Leads leads = SamplePictureLeads(resumedAt + 1000);
    EXPECT_GT(leads.pictures, 5u);
    EXPECT_LE(leads.maxLead, 20);
}

// Busy threads on every core starve the player's threads and the sound server: the
// pictures still follow the sound, never shown ahead of it and never far behind.
TEST_F(PlayerTest, PicturesFollowTheSoundOnABusyMachine) {
    ASSERT_TRUE(player_->Open(media_->both.wstring()));
    ASSERT_TRUE(player_->Pause(false));
    ASSERT_TRUE(WaitForPosition(1000));
    std::atomic<bool> busy{true};
    std::vector<std::thread> burners;
    for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
        burners.emplace_back([&busy] {
            volatile uint64_t spin = 0;
            while (busy.load(std::memory_order_relaxed)) spin = spin + 1;
        });
    const Leads leads = SamplePictureLeads(9000);
    busy = false;
    for (auto& burner : burners) burner.join();
    EXPECT_GT(leads.pictures, 10u);
    EXPECT_LE(leads.maxLead, 20);
    // Pictures more than a second late are never drawn; a drawn one reaches the screen
    // within a generous while.
    EXPECT_GE(leads.minLead, -1500);
}

struct FileCase {
    const char* name;
    std::filesystem::path TestMedia::*file;
    bool hasVideo, hasSound;
    int64_t playFrom;  // ms; the file ends soon after
    int64_t endsBefore;
    friend void PrintTo(const FileCase& c, std::ostream* out) { *out << c.name; }
};

class PlayerFileTest : public PlayerTest, public ::testing::WithParamInterface<FileCase> {};

INSTANTIATE_TEST_SUITE_P(
    Kinds, PlayerFileTest,
    ::testing::Values(FileCase{"PicturesOnly", &TestMedia::videoOnly, true, false, 18'500, 20'100},
                      FileCase{"SoundOnly", &TestMedia::soundOnly, false, true, 18'500, 20'100},
                      FileCase{"DamagedTail", &TestMedia::damaged, true, true, 9'000, 14'000}),
    [](const auto& test) { return std::string(test.param.name); });

// Positions come from the one renderer there is; the end of the data pauses the player.
TEST_P(PlayerFileTest, PlaysToTheEndAndStopsPaused) {
    const auto& param = GetParam();
    CMonitorRecorder monitor;
    ASSERT_TRUE(player_->Open((media_->*param.file).wstring()));
    EXPECT_EQ(player_->VideoRenderer() != nullptr, param.hasVideo);
    EXPECT_EQ(player_->AudioRenderer() != nullptr, param.hasSound);
    ASSERT_EQ(listener_->Durations().size(), 1u);
    EXPECT_NEAR(listener_->Durations()[0], kMediaSeconds * 1000, 100);

    player_->Seek(static_cast<int32_t>(param.playFrom), true);
    ASSERT_TRUE(player_->Pause(false));
    ASSERT_TRUE(WaitUntil([&] { return listener_->States().back() == kPlayerStatePaused; }));
    const auto positions = listener_->Positions();
    ASSERT_FALSE(positions.empty());
    EXPECT_GE(positions.front(), param.playFrom - 40);
    EXPECT_LT(positions.back(), param.endsBefore);
    EXPECT_GT(positions.back(), positions.front());
    EXPECT_EQ(listener_->States(), (std::vector<int>{kPlayerStatePaused, kPlayerStatePlaying, kPlayerStatePaused}));
    if (param.hasVideo) {
        EXPECT_GT(Drawn(), 10u);
    }
}

TEST_F(PlayerTest, MissingFileFailsQuietly) {
    EXPECT_FALSE(player_->Open(media_->missing.wstring()));
    EXPECT_FALSE(player_->VideoRenderer());
    EXPECT_FALSE(player_->AudioRenderer());
    EXPECT_TRUE(listener_->States().empty());
    EXPECT_TRUE(listener_->Durations().empty());
    // The player stays usable.
    EXPECT_TRUE(player_->Open(media_->both.wstring()));
}

struct CloseCase {
    const char* name;
    std::filesystem::path TestMedia::*file;
    friend void PrintTo(const CloseCase& c, std::ostream* out) { *out << c.name; }
};

class PlayerCloseTest : public PlayerTest, public ::testing::WithParamInterface<CloseCase> {};

INSTANTIATE_TEST_SUITE_P(Kinds, PlayerCloseTest,
                         ::testing::Values(CloseCase{"PicturesAndSound", &TestMedia::both},
                                           CloseCase{"PicturesOnly", &TestMedia::videoOnly},
                                           CloseCase{"SoundOnly", &TestMedia::soundOnly}),
                         [](const auto& test) { return std::string(test.param.name); });

// Closing (and destroying) while every thread runs leaves the window ours and the
// sound device free for the next player.
TEST_P(PlayerCloseTest, CloseAndDestroyWhilePlaying) {
    const auto file = (media_->*GetParam().file).wstring();
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(player_->Open(file));
        ASSERT_TRUE(player_->Pause(false));
        ASSERT_TRUE(WaitUntil([&] { return listener_->PositionCount() > 5; }));
        if (round == 0) {
            player_->Close();
        } else {
            player_.reset();
        }
        EXPECT_TRUE(IsWindow(window_.Handle()));
        EXPECT_TRUE(window_.Grab());
        player_ = player_ ? player_
                          : std::make_shared<CFFStreamPlayer>(2, kOutS16, 44100, kOutYuv420p, window_.Handle(),
                                                              listener_);
    }
    const size_t before = listener_->PositionCount();
    ASSERT_TRUE(player_->Open(file));
    ASSERT_TRUE(player_->Pause(false));
    EXPECT_TRUE(WaitUntil([&] { return listener_->PositionCount() > before + 5; }));
}

}  // namespace
}  // namespace zovi::engine::testing
