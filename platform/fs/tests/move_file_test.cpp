// MoveFileW / MoveFileExW against real files and folders: replacing or keeping the
// target, the Win32 error codes, "\" separators, names that are not UTF-8, and the
// replacement as one atomic step.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

#include "platform/base/utf8.h"
#include "platform/fs/win_file.h"

namespace fs = std::filesystem;
using zovi::platform::DecodeUtf8Lossless;

namespace {

// The file's content; empty for a folder or a missing file.
std::string ReadAll(const std::string& path) {
    if (!fs::is_regular_file(path)) return "";
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class MoveFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = testing::TempDir() + "move_file_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Path(const std::string& name) const { return folder_ + "/" + name; }
    std::wstring Wide(const std::string& name) const { return DecodeUtf8Lossless(Path(name)); }

    std::string folder_;
};

enum class Kind { kMissing, kFile, kFolder };

TEST_F(MoveFileTest, ReplacesOrKeepsTheTargetWithWin32Errors) {
    constexpr DWORD kCopyAllowed = 0x2;  // a flag this layer does not offer
    struct Case {
        const char* name;
        Kind source;
        Kind target;
        DWORD flags;
        bool moved;
        DWORD error;
    } cases[] = {
        {"to_missing", Kind::kFile, Kind::kMissing, 0, true, 0},
        {"keeps_file", Kind::kFile, Kind::kFile, 0, false, ERROR_ALREADY_EXISTS},
        {"replaces_file", Kind::kFile, Kind::kFile, MOVEFILE_REPLACE_EXISTING, true, 0},
        {"replace_to_missing", Kind::kFile, Kind::kMissing, MOVEFILE_REPLACE_EXISTING, true, 0},
        {"never_a_folder", Kind::kFile, Kind::kFolder, MOVEFILE_REPLACE_EXISTING, false, ERROR_ACCESS_DENIED},
        {"keeps_folder", Kind::kFile, Kind::kFolder, 0, false, ERROR_ALREADY_EXISTS},
        {"no_source", Kind::kMissing, Kind::kFile, MOVEFILE_REPLACE_EXISTING, false, ERROR_FILE_NOT_FOUND},
        {"folder_moves", Kind::kFolder, Kind::kMissing, MOVEFILE_REPLACE_EXISTING, true, 0},
        {"other_flags", Kind::kFile, Kind::kFile, MOVEFILE_REPLACE_EXISTING | kCopyAllowed, false,
         ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        const std::string fromName = std::string(c.name) + ".from", toName = std::string(c.name) + ".to";
        const std::string from = Path(fromName), to = Path(toName);
        if (c.source == Kind::kFile) WriteText(from, "new");
        if (c.source == Kind::kFolder) fs::create_directories(from + "/inside");
        if (c.target == Kind::kFile) WriteText(to, "old");
        if (c.target == Kind::kFolder) fs::create_directories(to);

        SetLastError(0);
        const BOOL ok = c.flags == 0 ? MoveFileW(Wide(fromName).c_str(), Wide(toName).c_str())
                                     : MoveFileExW(Wide(fromName).c_str(), Wide(toName).c_str(), c.flags);
        EXPECT_EQ(ok != FALSE, c.moved) << c.name;
        // Where each thing is afterwards: moved whole, or both left as they were.
        if (c.moved) {
            EXPECT_FALSE(fs::exists(from)) << c.name;
            EXPECT_EQ(ReadAll(to), c.source == Kind::kFile ? "new" : "") << c.name;
            EXPECT_EQ(fs::is_directory(to + "/inside"), c.source == Kind::kFolder) << c.name;
            continue;
        }
        EXPECT_EQ(GetLastError(), c.error) << c.name;
        EXPECT_EQ(fs::exists(from), c.source != Kind::kMissing) << c.name;
        EXPECT_EQ(ReadAll(to), c.target == Kind::kFile ? "old" : "") << c.name;
        EXPECT_EQ(fs::is_directory(to), c.target == Kind::kFolder) << c.name;
    }
}

TEST_F(MoveFileTest, BadPathsAndSeparators) {
    WriteText(Path("a"), "x");
    SetLastError(0);
    EXPECT_FALSE(MoveFileExW(nullptr, Wide("b").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(MoveFileExW(Wide("a").c_str(), L"", MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);

    // "\" separates like "/".
    fs::create_directories(Path("sub"));
    WriteText(Path("sub/old"), "old");
    std::wstring from = Wide("a"), to = Wide("sub/old");
    for (wchar_t& c : from) c = c == L'/' ? L'\\' : c;
    for (wchar_t& c : to) c = c == L'/' ? L'\\' : c;
    EXPECT_TRUE(MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ(ReadAll(Path("sub/old")), "x");
}

// A name byte that is not UTF-8 reaches the system unchanged, both ways.
TEST_F(MoveFileTest, NamesThatAreNotUtf8KeepTheirBytes) {
    const std::string from = Path("clip\xFF.mp4"), to = Path("clip\xFE\x80.mp4");
    WriteText(from, "new");
    WriteText(to, "old");
    ASSERT_TRUE(MoveFileExW(DecodeUtf8Lossless(from).c_str(), DecodeUtf8Lossless(to).c_str(),
                            MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(fs::exists(from));
    EXPECT_EQ(ReadAll(to), "new");
    EXPECT_FALSE(fs::exists(Path("clip?.mp4")));
}

// While the target is replaced again and again, a reader never finds it missing.
TEST_F(MoveFileTest, ReplacingNeverLeavesTheTargetMissing) {
    const std::string target = Path("store");
    WriteText(target, "0");
    std::atomic<bool> done{false};
    std::atomic<int> missing{0}, looks{0};
    std::thread reader([&] {
        while (!done.load()) {
            if (!fs::exists(target)) missing.fetch_add(1);
            looks.fetch_add(1);
        }
    });
    while (looks.load() == 0) std::this_thread::yield();  // the reader runs
    for (int i = 1; i <= 300; ++i) {
        const std::string next = Path("store.tmp");
        WriteText(next, std::to_string(i));
        ASSERT_TRUE(MoveFileExW(DecodeUtf8Lossless(next).c_str(), DecodeUtf8Lossless(target).c_str(),
                                MOVEFILE_REPLACE_EXISTING))
            << i;
    }
    // Let the reader look at least once after the last replacement.
    const int seen = looks.load();
    while (looks.load() == seen) std::this_thread::yield();
    done.store(true);
    reader.join();
    EXPECT_EQ(missing.load(), 0);
    EXPECT_EQ(ReadAll(target), "300");
}

}  // namespace
