#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/output/capture_ffm_output.h"
#include "engine/output/tests/output_test_support.h"
#include "engine/util/tests/av_log_capture.h"

namespace zovi::engine {
namespace {

using testing::AvLogCapture;
using testing::FixedStreams;
using testing::ReadFileBytes;
using testing::ScratchDir;
using testing::WriteScript;
namespace fs = std::filesystem;

// A program folder holding a stand-in muxer script; the real program folder comes back
// at the end.
class OutputWithStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        program_ = scratch_.path() / "program";
        out_ = scratch_.path() / "out";
        fs::create_directories(program_);
        fs::create_directories(out_);
        CCaptureFFmOutput::SetProgramDirForTesting(program_.string());
    }
    void TearDown() override { CCaptureFFmOutput::SetProgramDirForTesting(""); }

    // A muxer that notes its start and arguments, copies its input, then runs `tail`.
    void InstallRecorder(const std::string& tail = "exit 0") {
        const std::string dir = scratch_.path().string();
        WriteScript(program_ / "ZoviMux",
                    "touch '" + dir +
                        "/started'\n"
                        "for a in \"$@\"; do printf '%s\\0' \"$a\"; done > '" +
                        dir +
                        "/argv.bin'\n"
                        "cat > '" +
                        dir + "/input.bin'\n" + tail);
    }
    std::vector<std::string> RecordedArgs() {
        std::vector<std::string> args;
        std::string all = ReadFileBytes(scratch_.path() / "argv.bin");
        size_t start = 0, end;
        while ((end = all.find('\0', start)) != std::string::npos) {
            args.push_back(all.substr(start, end - start));
            start = end + 1;
        }
        return args;
    }
    bool Started() { return fs::exists(scratch_.path() / "started"); }

    ScratchDir scratch_;
    fs::path program_, out_;
};

struct Message {
    MuxMessageHeader header;
    std::string payload;
};

std::vector<Message> ParseMessages(const std::string& input) {
    std::vector<Message> messages;
    size_t at = 0;
    while (at + kMuxMessageHeaderSize <= input.size()) {
        MuxHeaderBytes bytes;
        std::copy(input.begin() + at, input.begin() + at + kMuxMessageHeaderSize, bytes.begin());
        Message message{DecodeMuxMessageHeader(bytes), {}};
        at += kMuxMessageHeaderSize;
        message.payload = input.substr(at, message.header.size);
        at += message.header.size;
        messages.push_back(message);
    }
    EXPECT_EQ(at, input.size());
    return messages;
}

MuxMessageHeader PacketHeader(int64_t pts, int32_t size, int32_t kind, int32_t key) {
    return MuxMessageHeader{pts, pts, size, 0, kind, key};
}

TEST_F(OutputWithStandIn, SendsStreamHeadersOnceThenPacketsAndEndsInputAtClose) {
    struct Case {
        bool video, sound;
        std::vector<uint8_t> videoExtra;
        size_t argc;
    } cases[] = {
        {true, true, {0, 0, 0, 1, 0x67, 0x64}, 17},
        {true, false, {0, 0, 0, 1, 0x67}, 11},
        {true, true, {}, 17},  // no extradata: a header without payload
    };
    for (const Case& c : cases) {
        fs::remove(scratch_.path() / "input.bin");
        InstallRecorder("exit 0");
        auto streams = std::make_shared<FixedStreams>();
        streams->video = c.video;
        streams->sound = c.sound;
        streams->videoExtra = c.videoExtra;
        AvLogCapture capture;
        const std::string path = (out_ / "rec.mp4").string();
        {
            CCaptureFFmOutput output(streams);
            ASSERT_TRUE(output.Open(path));
            EXPECT_FALSE(fs::exists(path));  // the muxer makes the file, not the check
            const uint8_t packet[] = {9, 8, 7};
            EXPECT_TRUE(output.Write(packet, 3, PacketHeader(0, 3, kMuxVideo, 1)));
            EXPECT_TRUE(output.Write(packet, 2, PacketHeader(-1024, 2, kMuxSound, 0)));
            EXPECT_TRUE(output.Write(nullptr, 0, PacketHeader(1, 0, kMuxVideo, 0)));
            EXPECT_TRUE(output.Close());
            EXPECT_EQ(output.MuxerExitCode(), 0);
            EXPECT_TRUE(output.Close());  // a second close does nothing
            EXPECT_FALSE(output.Write(packet, 3, PacketHeader(2, 3, kMuxVideo, 0)));
        }
        EXPECT_EQ(capture.Matching("Destroy Pipe=0").size(), 1u);
        EXPECT_EQ(capture.Matching("CCaptureFFmOutput::ctor: ").size(), 1u);
        EXPECT_EQ(capture.Matching("CProcessPipe::dtor: ").size(), 1u);

        const auto args = RecordedArgs();
        ASSERT_EQ(args.size() + 1, c.argc);  // the script does not see its own path
        EXPECT_EQ(args[0], path);

        const auto messages = ParseMessages(ReadFileBytes(scratch_.path() / "input.bin"));
        std::vector<std::pair<int32_t, std::string>> expected;
        expected.emplace_back(kMuxVideo, std::string(c.videoExtra.begin(), c.videoExtra.end()));
        if (c.sound) expected.emplace_back(kMuxSound, "\x12\x10");
        expected.emplace_back(kMuxVideo, "\x09\x08\x07");
        expected.emplace_back(kMuxSound, "\x09\x08");
        expected.emplace_back(kMuxVideo, "");
        ASSERT_EQ(messages.size(), expected.size());
        for (size_t i = 0; i < messages.size(); ++i) {
            EXPECT_EQ(messages[i].header.kind, expected[i].first) << i;
            EXPECT_EQ(messages[i].payload, expected[i].second) << i;
        }
        const size_t headers = c.sound ? 2 : 1;
        for (size_t i = 0; i < headers; ++i) {
            EXPECT_EQ(messages[i].header.pts, 0);
            EXPECT_EQ(messages[i].header.key, 0);
        }
        EXPECT_EQ(messages[headers].header.key, 1);
        EXPECT_EQ(messages[headers + 1].header.pts, -1024);
    }
}

TEST_F(OutputWithStandIn, AnOutputPathWithBlanksQuotesAndChineseArrivesWhole) {
    InstallRecorder();
    const fs::path folder = out_ / "my \"best\" 录屏";
    fs::create_directories(folder);
    const std::string path = (folder / "Zovi录屏-20240101-120000.mkv").string();
    auto streams = std::make_shared<FixedStreams>();
    CCaptureFFmOutput output(streams);
    ASSERT_TRUE(output.Open(path));
    EXPECT_TRUE(output.Close());
    const auto args = RecordedArgs();
    ASSERT_EQ(args.size(), 16u);
    EXPECT_EQ(args[0], path);
    EXPECT_EQ((std::vector<std::string>(args.begin() + 1, args.end())),
              (std::vector<std::string>{"1", "1", "h264", "0", "320", "240", "15", "1", "aac", "",
                                        "128", "44100", "2", "8", ""}));
}

TEST_F(OutputWithStandIn, AnOutputThatCannotBeMadeFailsBeforeAnyStart) {
    InstallRecorder();
    const fs::path existing = out_ / "existing.mp4";
    std::ofstream(existing) << "an earlier recording";
    const std::string cases[] = {existing.string(), (out_ / "missing" / "x.mp4").string(),
                                 "/sys/zovi-output.mp4"};
    for (const std::string& path : cases) {
        AvLogCapture capture;
        auto streams = std::make_shared<FixedStreams>();
        CCaptureFFmOutput output(streams);
        EXPECT_FALSE(output.Open(path)) << path;
        EXPECT_TRUE(capture.Contains("CCaptureFFmOutput::open file error file=" + path + " err="));
        EXPECT_FALSE(output.Close());
    }
    EXPECT_FALSE(Started());
    EXPECT_EQ(ReadFileBytes(existing), "an earlier recording");
    EXPECT_EQ(std::distance(fs::directory_iterator(out_), fs::directory_iterator()), 1);
}

TEST_F(OutputWithStandIn, AMissingMuxerOrEngineFailsTheCommandLine) {
    const fs::path muxer = program_ / "ZoviMux";
    struct Case {
        const char* what;
        std::function<void()> arrange;
        bool engineAlive;
    } cases[] = {
        {"no muxer", [] {}, true},
        {"a folder", [&] { fs::create_directory(muxer); }, true},
        {"not executable",
         [&] {
             std::ofstream(muxer) << "#!/bin/sh\n";
             fs::permissions(muxer, fs::perms::owner_read | fs::perms::owner_write);
         },
         true},
        {"engine gone", [&] { InstallRecorder(); }, false},
    };
    for (const Case& c : cases) {
        fs::remove_all(muxer);
        c.arrange();
        auto streams = std::make_shared<FixedStreams>();
        CCaptureFFmOutput output(streams);
        if (!c.engineAlive) streams.reset();
        AvLogCapture capture;
        EXPECT_FALSE(output.Open((out_ / "x.mp4").string())) << c.what;
        EXPECT_TRUE(capture.Contains("BuildCmdLine fail!")) << c.what;
        EXPECT_FALSE(fs::exists(out_ / "x.mp4"));
        const uint8_t byte = 0;
        EXPECT_FALSE(output.Write(&byte, 1, PacketHeader(0, 1, kMuxVideo, 1)));
    }
    EXPECT_FALSE(Started());
}

TEST_F(OutputWithStandIn, AMuxerThatEndsAtOnceMakesWritesFailCleanly) {
    WriteScript(program_ / "ZoviMux", "exit 5");
    AvLogCapture capture;
    auto streams = std::make_shared<FixedStreams>();
    CCaptureFFmOutput output(streams);
    ASSERT_TRUE(output.Open((out_ / "x.mp4").string()));
    // The pipe may take a few writes before the muxer is gone; then every write fails.
    std::vector<uint8_t> packet(4096, 1);
    bool failed = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!failed && std::chrono::steady_clock::now() < giveUp) {
        failed = !output.Write(packet.data(), static_cast<int>(packet.size()),
                               PacketHeader(0, static_cast<int32_t>(packet.size()), kMuxVideo, 0));
    }
    EXPECT_TRUE(failed);
    EXPECT_TRUE(output.Close());
    EXPECT_EQ(output.MuxerExitCode(), 5);
    EXPECT_TRUE(capture.Contains("Destroy Pipe=5"));
    EXPECT_TRUE(capture.Contains("ZoviMux ended with exit code 5"));
}

TEST_F(OutputWithStandIn, AMuxerFloodingItsErrorsNeverBlocksWritesOrClose) {
    const std::string flood =
        "i=0; while [ $i -lt 3000 ]; do echo \"warning line $i of noise\" >&2; i=$((i+1)); done";
    const std::string cases[] = {
        flood + "\ncat > /dev/null\nexit 0",       // floods before reading its input
        "cat > /dev/null\n" + flood + "\nexit 0",  // floods while finishing
    };
    for (const std::string& body : cases) {
        WriteScript(program_ / "ZoviMux", body);
        AvLogCapture capture;
        auto streams = std::make_shared<FixedStreams>();
        CCaptureFFmOutput output(streams);
        ASSERT_TRUE(output.Open((out_ / "x.mp4").string()));
        std::vector<uint8_t> packet(64 * 1024, 2);
        for (int i = 0; i < 32; ++i)
            ASSERT_TRUE(
                output.Write(packet.data(), static_cast<int>(packet.size()),
                             PacketHeader(i, static_cast<int32_t>(packet.size()), kMuxVideo, 0)));
        EXPECT_TRUE(output.Close());
        EXPECT_EQ(output.MuxerExitCode(), 0);
        EXPECT_EQ(capture.Matching("ZoviMux: warning line").size(), 3000u);
        EXPECT_TRUE(capture.Contains("ZoviMux: warning line 2999 of noise"));
    }
}

// Stream facts that also keep what the output tells of the muxer's end.
class EndWatchingStreams : public FixedStreams {
public:
    void OnOutputEnded(int exitCode) override {
        std::lock_guard<std::mutex> lock(mutex_);
        ends_.push_back(exitCode);
        if (onEnd) onEnd();
        changed_.notify_all();
    }
    std::vector<int> Ends() {
        std::lock_guard<std::mutex> lock(mutex_);
        return ends_;
    }
    bool WaitForEnd(std::chrono::seconds limit) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, limit, [&] { return !ends_.empty(); });
    }
    std::function<void()> onEnd;  // run within the report, on the output's thread

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<int> ends_;
};

// Writes packets until one fails; false when none failed within the limit.
bool WriteUntilRefused(CCaptureFFmOutput& output, std::chrono::seconds limit) {
    std::vector<uint8_t> packet(4096, 1);
    const auto giveUp = std::chrono::steady_clock::now() + limit;
    for (int64_t pts = 0; std::chrono::steady_clock::now() < giveUp; ++pts) {
        if (!output.Write(packet.data(), static_cast<int>(packet.size()),
                          PacketHeader(pts, static_cast<int32_t>(packet.size()), kMuxVideo, 0)))
            return true;
    }
    return false;
}

// A muxer that ends before its input did (a failure, a full disk, a kill) is reported to
// the engine at once with its exit code, whether or not packets are flowing; every later
// write fails at once, the close neither blocks nor logs the error a second time.
TEST_F(OutputWithStandIn, AMuxerEndingEarlyIsReportedOnceWithItsExitCode) {
    struct Case {
        const char* what;
        const char* body;
        bool writing;  // packets flow while it ends
        int exitCode;
    } cases[] = {
        {"fails after some input", "head -c 20000 > /dev/null\nexit 4", true, 4},
        {"fails with nothing sent", "exit 4", false, 4},
        {"killed while fed", "head -c 20000 > /dev/null\nkill -KILL $$", true, 128 + SIGKILL},
        {"killed while idle", "kill -KILL $$", false, 128 + SIGKILL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteScript(program_ / "ZoviMux", c.body);
        AvLogCapture capture;
        auto streams = std::make_shared<EndWatchingStreams>();
        CCaptureFFmOutput output(streams);
        ASSERT_TRUE(output.Open((out_ / "x.mp4").string()));
        if (c.writing) {
            EXPECT_TRUE(WriteUntilRefused(output, std::chrono::seconds(30)));
        }
        ASSERT_TRUE(streams->WaitForEnd(std::chrono::seconds(30)));
        EXPECT_EQ(streams->Ends(), std::vector<int>{c.exitCode});
        EXPECT_EQ(capture.Matching("ZoviMux ended with exit code " + std::to_string(c.exitCode) +
                                   " before the recording did")
                      .size(),
                  1u);
        const uint8_t byte = 0;
        EXPECT_FALSE(output.Write(&byte, 1, PacketHeader(0, 1, kMuxSound, 0)));
        EXPECT_TRUE(output.Close());
        EXPECT_EQ(output.MuxerExitCode(), c.exitCode);
        EXPECT_EQ(streams->Ends().size(), 1u);
        EXPECT_EQ(capture.Matching("ZoviMux ended with exit code").size(), 1u);
        EXPECT_LE(capture.Matching("the muxer takes no more input").size(), 1u);
    }
}

// A muxer that ends only when its input is closed is the normal end, never reported,
// whatever its exit code; a failing one is logged by the close alone.
TEST_F(OutputWithStandIn, AMuxerEndingAtTheCloseIsNoEarlyEnd) {
    for (int exitCode : {0, 4}) {
        WriteScript(program_ / "ZoviMux", "cat > /dev/null\nexit " + std::to_string(exitCode));
        AvLogCapture capture;
        auto streams = std::make_shared<EndWatchingStreams>();
        CCaptureFFmOutput output(streams);
        ASSERT_TRUE(output.Open((out_ / "x.mp4").string()));
        const uint8_t packet[] = {1, 2, 3};
        EXPECT_TRUE(output.Write(packet, 3, PacketHeader(0, 3, kMuxVideo, 1)));
        EXPECT_TRUE(output.Close());
        EXPECT_EQ(output.MuxerExitCode(), exitCode);
        EXPECT_TRUE(streams->Ends().empty());
        EXPECT_EQ(capture.Matching("ZoviMux ended with exit code").size(), exitCode ? 1u : 0u);
        EXPECT_FALSE(capture.Contains("before the recording did"));
    }
}

// The engine may let go of the output while it hears of the muxer's end (its last
// reference then goes on the output's own thread): the output ends cleanly.
TEST_F(OutputWithStandIn, TheOwnerMayReleaseTheOutputWhileHearingOfItsEnd) {
    WriteScript(program_ / "ZoviMux", "exit 4");
    auto streams = std::make_shared<EndWatchingStreams>();
    auto held = std::make_shared<CCaptureFFmOutput>(streams);
    std::atomic<bool> released{false};
    streams->onEnd = [&] {
        held->Close();
        held.reset();  // the last reference
        released = true;
    };
    ASSERT_TRUE(held->Open((out_ / "x.mp4").string()));
    ASSERT_TRUE(streams->WaitForEnd(std::chrono::seconds(30)));
    EXPECT_TRUE(released.load());
    EXPECT_EQ(streams->Ends(), std::vector<int>{4});
}

TEST(CaptureFFmOutput, NothingWorksBeforeOpen) {
    auto streams = std::make_shared<testing::FixedStreams>();
    CCaptureFFmOutput output(streams);
    const uint8_t byte = 0;
    EXPECT_FALSE(output.Write(&byte, 1, PacketHeader(0, 1, kMuxVideo, 1)));
    EXPECT_FALSE(output.Close());
    EXPECT_EQ(output.MuxerExitCode(), -1);
}

TEST_F(OutputWithStandIn, APacketWhoseHeaderDisagreesWithItsSizeIsRefused) {
    InstallRecorder();
    auto streams = std::make_shared<FixedStreams>();
    CCaptureFFmOutput output(streams);
    ASSERT_TRUE(output.Open((out_ / "x.mp4").string()));
    const uint8_t bytes[4] = {};
    EXPECT_FALSE(output.Write(bytes, 4, PacketHeader(0, 3, kMuxVideo, 0)));
    EXPECT_FALSE(output.Write(bytes, -1, PacketHeader(0, -1, kMuxVideo, 0)));
    EXPECT_TRUE(output.Write(bytes, 4, PacketHeader(0, 4, kMuxVideo, 0)));
    EXPECT_TRUE(output.Close());
    // Only the stream headers and the one good packet reached the muxer.
    EXPECT_EQ(ParseMessages(ReadFileBytes(scratch_.path() / "input.bin")).size(), 3u);
}

}  // namespace
}  // namespace zovi::engine
