#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

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

// Polls `done` every 10 ms for up to 30 s.
template <typename Condition>
bool WaitUntil(Condition done) {
    for (int i = 0; i < 3000; ++i) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

TEST(ChildProcessTest, DetachedChildInItsOwnSessionGivesItsPidAndIsReaped) {
    char folder[] = "/tmp/zovi-detached-test.XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string report = std::string(folder) + "/report";
    int leaky = open("/dev/null", O_RDONLY);  // no close-on-exec: still must not cross
    ASSERT_GE(leaky, 0);
    // The child reports its session id and the descriptors it has (ls adds 3 itself
    // to list the folder), then ends.
    const std::string temporary = report + ".tmp";
    pid_t pid = -1;
    ASSERT_TRUE(StartDetachedProcess({"/bin/sh", "-c",
                                      "cut -d' ' -f6 /proc/self/stat > " + temporary +
                                          "; ls /proc/self/fd >> " + temporary + "; mv " +
                                          temporary + " " + report},
                                     &pid, true));
    close(leaky);
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(WaitUntil([&] { return access(report.c_str(), F_OK) == 0; }));
    std::ifstream reportFile(report);
    const std::string text{std::istreambuf_iterator<char>(reportFile), {}};
    EXPECT_EQ(text, std::to_string(pid) + "\n0\n1\n2\n3\n") << "session leader, standard streams only";
    // A zombie keeps its /proc entry: gone means reaped.
    const std::string entry = "/proc/" + std::to_string(pid);
    EXPECT_TRUE(WaitUntil([&] { return access(entry.c_str(), F_OK) != 0; }));
    unlink(report.c_str());
    rmdir(folder);
}

TEST(ChildProcessTest, SelfPathNamesThisTest) {
    EXPECT_NE(SelfExePath().find("platform_process_test"), std::string::npos);
    EXPECT_EQ(SelfExeDir() + "/platform_process_test", SelfExePath());
}

}  // namespace
}  // namespace zovi::platform
