#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "platform/base/last_error.h"
#include "platform/process/process.h"

namespace zovi::platform {
namespace {

std::string ReadAll(int fd) {
    std::string text;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof(buffer))) > 0) text.append(buffer, n);
    return text;
}

TEST(ChildProcessTest, PipesStandardStreamsAndReportsExitCode) {
    ChildProcess::Options options;
    options.pipeStdin = options.pipeStdout = options.pipeStderr = true;
    auto child = ChildProcess::Start(
        {"/bin/sh", "-c", "cat; echo to-stderr >&2; exit 7"}, options);
    ASSERT_NE(child, nullptr);
    ASSERT_EQ(write(child->StdinFd(), "hello", 5), 5);
    child->CloseStdin();
    EXPECT_EQ(ReadAll(child->StdoutFd()), "hello");
    EXPECT_EQ(ReadAll(child->StderrFd()), "to-stderr\n");
    ASSERT_TRUE(child->Wait(-1));
    EXPECT_EQ(child->ExitCode(), 7);
}

TEST(ChildProcessTest, ChildInheritsNoOtherDescriptors) {
    // A descriptor opened without close-on-exec must still not reach the child.
    int leaky = open("/dev/null", O_RDONLY);
    ASSERT_GE(leaky, 0);
    ChildProcess::Options options;
    options.pipeStdout = true;
    auto child = ChildProcess::Start({"/bin/sh", "-c", "ls /proc/self/fd"}, options);
    ASSERT_NE(child, nullptr);
    std::string fds = ReadAll(child->StdoutFd());
    child->Wait(-1);
    close(leaky);
    // 0, 1, 2 and the descriptor ls itself opens to list the folder.
    EXPECT_EQ(fds, "0\n1\n2\n3\n");
}

TEST(ChildProcessTest, WaitTimesOutThenKillEnds) {
    auto child = ChildProcess::Start({"/bin/sleep", "30"}, {});
    ASSERT_NE(child, nullptr);
    EXPECT_FALSE(child->Wait(50));
    child->Kill(SIGTERM);
    ASSERT_TRUE(child->Wait(5000));
    EXPECT_EQ(child->ExitCode(), 128 + SIGTERM);
}

TEST(ChildProcessTest, MissingProgramFailsWithNotFound) {
    EXPECT_EQ(ChildProcess::Start({"/nonexistent/program"}, {}), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(StartDetachedProcess({"/nonexistent/program"}));
    EXPECT_TRUE(StartDetachedProcess({"/bin/true"}));
}

TEST(ChildProcessTest, SelfPathNamesThisTest) {
    EXPECT_NE(SelfExePath().find("platform_process_test"), std::string::npos);
    EXPECT_EQ(SelfExeDir() + "/platform_process_test", SelfExePath());
}

}  // namespace
}  // namespace zovi::platform
