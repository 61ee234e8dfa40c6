// Replacing a private file in one step.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/utf8.h"
#include "platform/fs/private_file.h"

namespace fs = std::filesystem;

namespace {

class PrivateFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-private-file.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    // The folder's entries other than `name`.
    size_t Others(const std::string& name) const {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(folder_)) count += entry.path().filename() != name;
        return count;
    }

    fs::path folder_;
};

TEST_F(PrivateFileTest, ReplacesTheWholeFileOwnerOnly) {
    const fs::path target = folder_ / "v1.ctx";
    std::ofstream(target) << "an older and much longer content";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                                fs::perms::others_read);
    // "\" separators are taken as "/".
    std::wstring path = zovi::platform::Utf8ToWide(folder_.string()) + L"\\v1.ctx";
    const std::string bytes("new\0bytes", 9);
    ASSERT_TRUE(zovi::platform::ReplacePrivateFile(path, bytes.data(), bytes.size()));
    EXPECT_EQ(Read(target), bytes);
    struct stat info {};
    ASSERT_EQ(stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(Others("v1.ctx"), 0u) << "no temporary file is left";

    // A new file, and an empty one.
    const fs::path fresh = folder_ / "fresh";
    ASSERT_TRUE(zovi::platform::ReplacePrivateFile(zovi::platform::Utf8ToWide(fresh.string()), "", 0));
    EXPECT_TRUE(fs::exists(fresh));
    EXPECT_EQ(fs::file_size(fresh), 0u);
}

TEST_F(PrivateFileTest, FailureLeavesTheTargetAndNoTemporaryFile) {
    const std::string missing = (folder_ / "missing" / "file").string();
    EXPECT_FALSE(zovi::platform::ReplacePrivateFile(zovi::platform::Utf8ToWide(missing), "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);  // the layer's code for a missing name

    // A folder in the target's place cannot be replaced by a file.
    const fs::path taken = folder_ / "taken";
    fs::create_directory(taken);
    std::ofstream(taken / "inside") << "kept";
    EXPECT_FALSE(zovi::platform::ReplacePrivateFile(zovi::platform::Utf8ToWide(taken.string()), "x", 1));
    EXPECT_NE(GetLastError(), ERROR_SUCCESS);
    EXPECT_EQ(Read(taken / "inside"), "kept");
    EXPECT_EQ(Others("taken"), 0u);
}

}  // namespace
