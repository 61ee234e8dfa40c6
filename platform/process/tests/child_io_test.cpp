#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/base/last_error.h"
#include "platform/process/child_io.h"
#include "platform/process/process.h"

namespace zovi::platform {
namespace {

namespace fs = std::filesystem;

class ChildIoTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("child_io_test_" + std::to_string(getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(dir_, fs::perms::owner_all, ignored);
        fs::remove_all(dir_, ignored);
    }
    fs::path dir_;
};

TEST_F(ChildIoTest, ProbeNewFileNeverTouchesWhatExists) {
    const std::string fresh = (dir_ / "new 名字.mp4").string();
    EXPECT_TRUE(ProbeNewFile(fresh));
    EXPECT_FALSE(fs::exists(fresh));  // the probe leaves nothing behind

    const std::string existing = (dir_ / "kept.mp4").string();
    std::ofstream(existing) << "precious";
    EXPECT_FALSE(ProbeNewFile(existing));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    std::ifstream in(existing);
    std::string content;
    in >> content;
    EXPECT_EQ(content, "precious");

    EXPECT_FALSE(ProbeNewFile((dir_ / "missing" / "x.mp4").string()));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(ProbeNewFile(""));
}

TEST_F(ChildIoTest, ProbeNewFileFailsInAnUnwritableFolder) {
    // /sys refuses new files even to root; a folder without write permission refuses
    // everyone else.
    EXPECT_FALSE(ProbeNewFile("/sys/zovi-probe.mp4"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    if (geteuid() != 0) {
        fs::permissions(dir_, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(ProbeNewFile((dir_ / "x.mp4").string()));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        fs::permissions(dir_, fs::perms::owner_all);
        EXPECT_TRUE(fs::is_empty(dir_));
    }
}

TEST_F(ChildIoTest, ExecutableMeansARegularFileWeMayRun) {
    const std::string script = (dir_ / "tool").string();
    std::ofstream(script) << "#!/bin/sh\n";
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_FALSE(IsExecutableFile(script));
    fs::permissions(script, fs::perms::owner_all);
    EXPECT_TRUE(IsExecutableFile(script));
    EXPECT_FALSE(IsExecutableFile(dir_.string()));  // a folder does not count
    EXPECT_FALSE(IsExecutableFile((dir_ / "none").string()));
}

TEST_F(ChildIoTest, WritesToAGoneReaderFailInsteadOfKilling) {
    IgnoreBrokenPipeSignal();
    int fds[2];
    ASSERT_EQ(pipe2(fds, O_CLOEXEC), 0);
    close(fds[0]);
    const char byte = 'x';
    EXPECT_FALSE(WriteAll(fds[1], &byte, 1));
    EXPECT_EQ(GetLastError(), ERROR_BROKEN_PIPE);
    close(fds[1]);
}

TEST_F(ChildIoTest, ReadFullCrossesShortReadsAndStopsAtTheEnd) {
    ChildProcess::Options options;
    options.pipeStdout = true;
    // Three separate writes: the reader sees them as short reads.
    auto child = ChildProcess::Start(
        {"/bin/sh", "-c", "printf abc; sleep 0.1; printf def; sleep 0.1; printf gh"}, options);
    ASSERT_NE(child, nullptr);
    char buffer[16] = {};
    EXPECT_EQ(ReadFull(child->StdoutFd(), buffer, 6), 6u);
    EXPECT_EQ(std::string(buffer, 6), "abcdef");
    EXPECT_EQ(ReadFull(child->StdoutFd(), buffer, 10), 2u);
    EXPECT_EQ(ReadSome(child->StdoutFd(), buffer, 10), 0);
    child->Wait(-1);
}

}  // namespace
}  // namespace zovi::platform
