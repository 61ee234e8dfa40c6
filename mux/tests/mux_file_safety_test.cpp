// What a recording's file holds when things go wrong, and what players make of a finished
// one: a recorder and its muxer killed together, a disk that fills up, and a finished MP4
// read by FFmpeg's and GStreamer's own tools.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "engine/output/tests/output_test_support.h"
#include "mux/mp4_boxes.h"
#include "mux/mux_session.h"
#include "mux/tests/mux_test_support.h"
#include "platform/fs/testing/small_disk.h"
#include "platform/process/child_io.h"
#include "platform/process/process.h"

namespace zovi::mux {
namespace {

namespace fs = std::filesystem;
using namespace mux::testing;
using engine::testing::MediaFileReport;
using engine::testing::ReadFileBytes;
using engine::testing::ReadMediaFile;
using engine::testing::ScratchDir;

constexpr const char* kExtensions[] = {"mp4", "mkv", "flv", "avi"};

// Reads a child's output line by line.
class LineReader {
public:
    explicit LineReader(int fd) : fd_(fd) {}
    // False at the end of the output.
    bool Next(std::string& line) {
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return true;
            }
            char chunk[256];
            const ssize_t got = platform::ReadSome(fd_, chunk, sizeof(chunk));
            if (got <= 0) return false;
            buffer_.append(chunk, static_cast<size_t>(got));
        }
    }

private:
    int fd_;
    std::string buffer_;
};

// One recorder with its muxer, started as a process group of their own.
struct PacedRecorder {
    std::unique_ptr<platform::ChildProcess> child;
    std::unique_ptr<LineReader> lines;
    int group = 0;

    bool Start(const std::string& path, double seconds) {
        platform::ChildProcess::Options options;
        options.pipeStdout = true;
        child = platform::ChildProcess::Start(
            {std::string(ZOVI_BIN_DIR) + "/paced_recorder", path, std::to_string(seconds)},
            options);
        if (!child) return false;
        lines = std::make_unique<LineReader>(child->StdoutFd());
        std::string line;
        if (!lines->Next(line) || line.rfind("group ", 0) != 0) return false;
        group = std::atoi(line.c_str() + 6);
        return group > 0;
    }
    // Waits until `seconds` of media went to the muxer. False when the recorder ended first.
    bool WaitForMedia(int seconds) {
        const std::string wanted = "media " + std::to_string(seconds);
        std::string line;
        while (lines->Next(line))
            if (line == wanted) return true;
        return false;
    }
    void KillGroup() {
        if (group > 0) kill(-group, SIGKILL);
        group = 0;
        if (child) child->Wait(-1);
    }
    ~PacedRecorder() { KillGroup(); }
};

// Killed at 12 s (an out-of-memory kill, a power cut), each container holds what was
// flushed: a flush at least once a second keeps all but the last second or so.
TEST(MuxFileSafety, RecorderAndMuxerKilledTogetherLeaveAPlayableFile) {
    constexpr int kKillAt = 12;
    constexpr double kKeptSeconds = 10.0;
    ScratchDir scratch;
    // Side by side, so the four take the time of one.
    PacedRecorder recorders[std::size(kExtensions)];
    for (size_t i = 0; i < std::size(kExtensions); ++i) {
        const fs::path path = scratch.path() / (std::string("killed.") + kExtensions[i]);
        ASSERT_TRUE(recorders[i].Start(path.string(), 3 * kKillAt)) << kExtensions[i];
    }
    for (size_t i = 0; i < std::size(kExtensions); ++i) {
        ASSERT_TRUE(recorders[i].WaitForMedia(kKillAt)) << kExtensions[i];
        recorders[i].KillGroup();
    }
    for (const char* extension : kExtensions) {
        const MediaFileReport report =
            ReadMediaFile((scratch.path() / (std::string("killed.") + extension)).string());
        if (!report.opened || !report.video || !report.sound) {
            ADD_FAILURE() << extension << ": no playable file, streams " << report.streams;
            continue;
        }
        EXPECT_GE(report.video->seconds, kKeptSeconds) << extension;
        EXPECT_GE(report.video->decodedFrames, kKeptSeconds * 15) << extension;
        // The last packet may have been cut by the kill.
        EXPECT_LE(report.video->decodeErrors, 1) << extension;
        EXPECT_GE(report.sound->seconds, kKeptSeconds - 1) << extension;
    }
}

// A disk that fills up mid-recording: the muxer stops reading at once (so the recorder's
// next write fails) and exits 4; the file keeps what reached the disk, readable.
TEST(MuxFileSafety, AFullDiskEndsTheMuxerAtOnceAndKeepsWhatWasWritten) {
    const Recording& recording = MakeRecording(true, 8.0);
    const std::string input = recording.Input(SIZE_MAX);
    // Room for a third of the recording; the rest is far more than a pipe holds.
    zovi::testing::SmallDisk disk(input.size() / 3);
    if (!disk.mounted()) GTEST_SKIP() << "no small disk here: " << disk.error();
    for (const char* extension : kExtensions) {
        const std::string path = (disk.path() / (std::string("full.") + extension)).string();
        const RunResult run = RunMuxer(WithOutput(path, recording.args), input);
        EXPECT_EQ(run.exitCode, kMuxWriteFailed) << extension << ": " << run.err;
        EXPECT_NE(run.err.find("cannot write"), std::string::npos) << extension << run.err;
        EXPECT_FALSE(run.inputTaken) << extension;
        const MediaFileReport report = ReadMediaFile(path);
        ASSERT_TRUE(report.opened) << extension;
        ASSERT_TRUE(report.video) << extension;
        EXPECT_GE(report.video->seconds, 1.0) << extension;
        EXPECT_GT(report.video->decodedFrames, 15) << extension;
        EXPECT_LE(report.video->decodeErrors, 1) << extension;
        fs::remove(path);
    }
}

// A disk with next to no room, where even a header may not fit: the muxer leaves either
// no file (it could not be made) or one that opens.
TEST(MuxFileSafety, ANearlyFullDiskLeavesNoFileOrOneThatOpens) {
    const Recording& recording = MakeRecording(true, 8.0);
    const std::string input = recording.Input(SIZE_MAX);
    zovi::testing::SmallDisk disk(static_cast<size_t>(sysconf(_SC_PAGESIZE)));
    if (!disk.mounted()) GTEST_SKIP() << "no small disk here: " << disk.error();
    for (const char* extension : kExtensions) {
        const std::string path = (disk.path() / (std::string("full.") + extension)).string();
        const RunResult run = RunMuxer(WithOutput(path, recording.args), input);
        EXPECT_FALSE(run.inputTaken) << extension;
        if (!fs::exists(path)) {
            EXPECT_EQ(run.exitCode, kMuxOutputFailed) << extension << ": " << run.err;
            continue;
        }
        EXPECT_EQ(run.exitCode, kMuxWriteFailed) << extension << ": " << run.err;
        EXPECT_TRUE(ReadMediaFile(path).opened) << extension << ": " << fs::file_size(path);
        fs::remove(path);
    }
}

// A disk size that ends an MP4 where a fragment cut short makes it unreadable.
struct BreakingCut {
    const Recording* recording = nullptr;
    size_t diskEnd = 0;
    // Where the file may end once cut back: after the header or after a fragment's data.
    std::vector<size_t> wholeFragmentEnds;
};

// Muxes `recording` on a roomy disk and looks for a page boundary, past the first second
// or so, inside a fragment's index (moof) where a file ending there cannot be opened.
// Leaves diskEnd 0 when no index crosses a page boundary at such a point.
BreakingCut FindBreakingCut(const Recording& recording, const fs::path& scratch) {
    BreakingCut cut;
    cut.recording = &recording;
    const std::string whole = (scratch / "whole.mp4").string();
    const RunResult finished =
        RunMuxer(WithOutput(whole, recording.args), recording.Input(SIZE_MAX));
    EXPECT_EQ(finished.exitCode, kMuxOk) << finished.err;
    const std::string file = ReadFileBytes(whole);
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const std::string cutCopy = (scratch / "cut.mp4").string();
    ForEachMp4Box(bytes, 0, file.size(), [&](const Mp4Box& box) {
        if (box.Is("moov") || box.Is("mdat")) cut.wholeFragmentEnds.push_back(box.end);
        if (!box.Is("moof") || cut.diskEnd != 0) return;
        for (size_t end = (box.start / page + 1) * page; end < box.end; end += page) {
            if (end < file.size() / 4) continue;
            fs::copy_file(whole, cutCopy, fs::copy_options::overwrite_existing);
            fs::resize_file(cutCopy, end);
            if (ReadMediaFile(cutCopy).opened) continue;
            cut.diskEnd = end;
            return;
        }
    });
    return cut;
}

// A full disk ends a file at a page boundary, wherever that falls. Where it falls inside
// a fragment's index, the fragment cut short makes the whole MP4 unreadable unless the
// muxer cuts it back to its last whole fragment.
TEST(MuxFileSafety, AFullDiskInsideAFragmentLeavesTheMp4UpToItsLastWholeFragment) {
    ScratchDir scratch;
    // Few indexes cross a page boundary: a longer recording when the first has none.
    BreakingCut cut;
    for (double seconds : {8.0, 30.0}) {
        cut = FindBreakingCut(MakeRecording(true, seconds), scratch.path());
        if (cut.diskEnd != 0) break;
    }
    ASSERT_NE(cut.diskEnd, 0u) << "no fragment index of these recordings crosses a page boundary";

    zovi::testing::SmallDisk disk(cut.diskEnd);
    if (!disk.mounted()) GTEST_SKIP() << "no small disk here: " << disk.error();
    const std::string path = (disk.path() / "full.mp4").string();
    const RunResult run =
        RunMuxer(WithOutput(path, cut.recording->args), cut.recording->Input(SIZE_MAX));
    EXPECT_EQ(run.exitCode, kMuxWriteFailed) << run.err;
    const size_t kept = static_cast<size_t>(fs::file_size(path));
    EXPECT_LT(kept, cut.diskEnd);
    EXPECT_NE(std::find(cut.wholeFragmentEnds.begin(), cut.wholeFragmentEnds.end(), kept),
              cut.wholeFragmentEnds.end())
        << kept << " bytes kept, not the end of a whole fragment";
    const MediaFileReport report = ReadMediaFile(path);
    ASSERT_TRUE(report.opened) << kept << " of " << cut.diskEnd << " bytes kept";
    ASSERT_TRUE(report.video && report.sound);
    EXPECT_GE(report.video->seconds, 1.0);
    EXPECT_EQ(report.video->decodeErrors, 0);
    EXPECT_EQ(report.sound->decodeErrors, 0);
}

double Number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// "Duration: 0:01:02.5" in gst-discoverer's report, in seconds; -1 when absent.
double GstDuration(const std::string& report) {
    const size_t at = report.find("Duration: ");
    if (at == std::string::npos) return -1;
    int hours = 0, minutes = 0;
    double seconds = 0;
    if (std::sscanf(report.c_str() + at + 10, "%d:%d:%lf", &hours, &minutes, &seconds) != 3)
        return -1;
    return hours * 3600.0 + minutes * 60.0 + seconds;
}

// A finished MP4, though written in fragments, shows its length and seeks in other
// players, and a seek to the middle decodes.
TEST(MuxFileSafety, AFinishedMp4ShowsItsLengthAndSeeksInPlayers) {
    constexpr double kSeconds = 6.0;
    const Recording& recording = MakeRecording(true, kSeconds);
    ScratchDir scratch;
    const std::string path = (scratch.path() / "finished.mp4").string();
    const RunResult run = RunMuxer(WithOutput(path, recording.args), recording.Input(SIZE_MAX));
    ASSERT_EQ(run.exitCode, kMuxOk) << run.err;

    const RunResult probe = RunProgram({"/usr/bin/ffprobe", "-v", "error", "-show_entries",
                                         "format=duration", "-of", "csv=p=0", path},
                                        "");
    ASSERT_EQ(probe.exitCode, 0) << probe.err;
    EXPECT_NEAR(Number(probe.out), kSeconds, 0.2) << probe.out;

    // The first video frame decoded after a seek to the middle.
    const RunResult seek =
        RunProgram({"/usr/bin/ffprobe", "-v", "error", "-select_streams", "v", "-read_intervals",
                    "3%+#1", "-show_entries", "frame=pts_time", "-of", "csv=p=0", path},
                   "");
    ASSERT_EQ(seek.exitCode, 0) << seek.err;
    EXPECT_EQ(seek.err, "");
    EXPECT_NEAR(Number(seek.out), kSeconds / 2, 1.0) << seek.out;

    const RunResult gst = RunProgram({"/usr/bin/gst-discoverer-1.0", path}, "");
    ASSERT_EQ(gst.exitCode, 0) << gst.out << gst.err;
    EXPECT_NEAR(GstDuration(gst.out), kSeconds, 0.2) << gst.out;
    EXPECT_NE(gst.out.find("Seekable: yes"), std::string::npos) << gst.out;
}

}  // namespace
}  // namespace zovi::mux
