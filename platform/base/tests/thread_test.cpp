#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <cerrno>

#include "platform/base/last_error.h"
#include "platform/base/thread.h"

namespace zovi::platform {
namespace {

TEST(ThreadTest, StartedThreadsRunWithAnAlternateSignalStack) {
    std::atomic<bool> hasStack{false};
    std::atomic<size_t> size{0};
    std::thread worker = StartThread([&] {
        stack_t current{};
        if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) {
            hasStack = true;
            size = current.ss_size;
        }
    });
    worker.join();
    EXPECT_TRUE(hasStack);
    EXPECT_GE(size.load(), static_cast<size_t>(MINSIGSTKSZ));
}

TEST(LastErrorTest, IsPerThreadAndMapsErrno) {
    SetLastError(ERROR_ACCESS_DENIED);
    std::thread other = StartThread([] {
        EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
        SetLastErrorFromErrno(ENOENT);
        EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    });
    other.join();
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    const std::pair<int, DWORD> table[] = {
        {ENOENT, 2}, {ENOTDIR, 3}, {EACCES, 5}, {EEXIST, 183}, {EINVAL, 87},
        {ENOSPC, 112}, {ENAMETOOLONG, 206}, {EPIPE, 109}, {0, 0},
    };
    for (auto [err, code] : table) EXPECT_EQ(Win32ErrorFromErrno(err), code) << err;
}

}  // namespace
}  // namespace zovi::platform
