#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/base/utf8.h"
#include "platform/fs/win_file.h"
#include "platform/process/child_io.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;
using namespace zovi::platform;

namespace {

class ShareModeTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-fs-share.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        file_ = folder_ + "/shared.bin";
        std::ofstream(file_) << "twelve bytes";
    }
    void TearDown() override { fs::remove_all(folder_); }

    HANDLE Open(DWORD access, DWORD share, DWORD disposition = OPEN_EXISTING) const {
        return CreateFileW(DecodeUtf8Lossless(file_).c_str(), access, share, nullptr, disposition, 0, nullptr);
    }
    std::string Content() const {
        std::ifstream in(file_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::string folder_;
    std::string file_;
};

constexpr DWORD kRead = GENERIC_READ;
constexpr DWORD kWrite = GENERIC_WRITE;
constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;
constexpr DWORD kAppend = GENERIC_READ | FILE_APPEND_DATA;
constexpr DWORD kShareRead = FILE_SHARE_READ;
constexpr DWORD kShareBoth = FILE_SHARE_READ | FILE_SHARE_WRITE;

// Two opens of one file in this process: the second one's result, as Win32 gives it.
TEST_F(ShareModeTest, ASecondOpenMeetsTheFirstOnesShareMode) {
    const struct {
        const char* name;
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        bool opens;
    } cases[] = {
        {"two readers sharing read", kRead, kShareRead, kRead, kShareRead, true},
        {"a writer after a share-read-only store", kReadWrite, kShareRead, kReadWrite, kShareRead, false},
        {"a reader refusing writers after a writer", kReadWrite, kShareRead, kRead, kShareRead, false},
        {"a reader sharing write after a writer", kReadWrite, kShareRead, kRead, kShareBoth, true},
        {"a writer after a reader refusing writers", kRead, kShareRead, kReadWrite, kShareBoth, false},
        {"a reader after an exclusive open", kRead, 0, kRead, kShareBoth, false},
        {"two appenders sharing both", kAppend, kShareBoth, kAppend, kShareBoth, true},
        {"a write-only open after a share-read-only reader", kRead, kShareRead, kWrite, kShareBoth, false},
        {"a reader after a write-only open sharing nothing", kWrite, 0, kRead, kShareBoth, false},
        {"a reader after a write-only open sharing both", kWrite, kShareBoth, kRead, kShareBoth, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE first = Open(c.firstAccess, c.firstShare);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = Open(c.secondAccess, c.secondShare);
        if (c.opens) {
            EXPECT_NE(second, INVALID_HANDLE_VALUE);
        } else {
            EXPECT_EQ(second, INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
        if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
        CloseHandle(first);
        // Closing releases the guard: the refused open now succeeds.
        HANDLE again = Open(c.secondAccess, c.secondShare);
        EXPECT_NE(again, INVALID_HANDLE_VALUE);
        if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
    }
}

// The fault this guards: CREATE_ALWAYS and TRUNCATE_EXISTING emptied a file another open
// guarded, before the share check could refuse them.
TEST_F(ShareModeTest, ARefusedOpenEmptiesNothing) {
    HANDLE guard = Open(kReadWrite, kShareRead);
    ASSERT_NE(guard, INVALID_HANDLE_VALUE);
    for (DWORD disposition : {CREATE_ALWAYS, TRUNCATE_EXISTING}) {
        EXPECT_EQ(Open(kReadWrite, kShareRead, disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        EXPECT_EQ(Content(), "twelve bytes");
    }
    CloseHandle(guard);
    HANDLE emptied = Open(kReadWrite, kShareRead, CREATE_ALWAYS);
    ASSERT_NE(emptied, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    CloseHandle(emptied);
    EXPECT_EQ(Content(), "");
}

// The fault this guards: share modes were ignored, so another process wrote into a file
// opened "share read only" and both appended at the end each had last seen.
TEST_F(ShareModeTest, AnotherProcessMeetsTheShareModeToo) {
    auto readInChild = [&] {
        ChildProcess::Options options;
        options.pipeStdout = true;
        options.pipeStderr = true;
        auto child = ChildProcess::Start({std::string(ZOVI_TEST_BIN_DIR) + "/fs_open_file", file_}, options);
        EXPECT_NE(child, nullptr);
        std::string err(64, '\0');
        err.resize(ReadFull(child->StderrFd(), err.data(), err.size()));
        EXPECT_TRUE(child->Wait(60000));
        return std::make_pair(child->ExitCode(), err);
    };
    HANDLE writer = Open(kReadWrite, kShareRead);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    // The child opens for reading sharing read only: the writer's access is not shared.
    EXPECT_EQ(readInChild(), std::make_pair(1, std::string("error 32\n")));
    CloseHandle(writer);
    HANDLE reader = Open(kRead, kShareRead);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readInChild(), std::make_pair(0, std::string()));
    CloseHandle(reader);
}

}  // namespace
