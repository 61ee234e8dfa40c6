#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "core/files/data_folder.h"
#include "core/files/directories.h"
#include "core/files/file.h"
#include "core/files/find_file.h"
#include "core/files/path_string.h"
#include "core/regvalues/reg_values.h"
#include "platform/base/utf8.h"

namespace fs = std::filesystem;
using zovi::platform::DecodeUtf8Lossless;
using zovi::platform::EncodeUtf8Lossless;
using zovi::platform::WideToUtf8;

namespace {

// A fresh home and settings store per test.
class FilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-files-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        wfolder_ = DecodeUtf8Lossless(folder_);
        fs::create_directories(folder_ + "/home");
        fs::create_directories(folder_ + "/config");
        setenv("HOME", (folder_ + "/home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (folder_ + "/config").c_str(), 1);
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string folder_;
    std::wstring wfolder_;
};

TEST_F(FilesTest, DataRootFromTheOverrideHasNothingAppended) {
    const std::wstring bare = wfolder_.substr(1);  // without the leading "/"
    struct Case {
        std::wstring stored;
        std::wstring root;
    } cases[] = {
        {wfolder_ + L"\\\\data\\\\\\\\root\\", wfolder_ + L"/data/root"},
        {wfolder_ + L"/plain/", wfolder_ + L"/plain"},
        {L"*:\\" + bare + L"\\drive", wfolder_ + L"/drive"},
        {L"", wfolder_ + L"/home/Zovi录屏"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteRegString(c.stored, L"ZovikPath", nullptr));
        EXPECT_EQ(GetDataRootPath(), c.root) << WideToUtf8(c.stored);
        EXPECT_TRUE(fs::is_directory(EncodeUtf8Lossless(c.root))) << WideToUtf8(c.root);
    }
}

TEST_F(FilesTest, DefaultDataRootIsInTheProfileWithItsSubfolders) {
    const std::wstring root = wfolder_ + L"/home/Zovi录屏";
    EXPECT_EQ(GetDataRootPath(), root);
    EXPECT_EQ(GetLogDirectory(), root + L"/Log");
    EXPECT_EQ(GetStorageDirectory(), root + L"/Storage");
    EXPECT_EQ(GetCrashesDirectory(), root + L"/Crashes");
    EXPECT_EQ(GetAccountDataPath(), root + L"/Data");
    for (const char* sub : {"Log", "Storage", "Crashes"})
        EXPECT_TRUE(fs::is_directory(folder_ + "/home/Zovi录屏/" + sub)) << sub;
}

TEST_F(FilesTest, TempDirAndDeviceId) {
    setenv("TMPDIR", folder_.c_str(), 1);
    EXPECT_EQ(GetTempDir(), wfolder_ + L"/");
    unsetenv("TMPDIR");
    EXPECT_EQ(GetTempDir(), L"/tmp/");
    const std::wstring id = GetVolumeDeviceId();
    EXPECT_FALSE(id.empty());
    EXPECT_LE(id.size(), 64u);
    EXPECT_EQ(id.find_first_not_of(L"0123456789"), std::wstring::npos);
    EXPECT_EQ(GetVolumeDeviceId(), id) << "stable";
}

TEST_F(FilesTest, CreatesFolderChainsAndRefusesBadPaths) {
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryRecursive(L"rel/x"));
    EXPECT_EQ(GetLastError(), ERROR_BAD_PATHNAME);

    const std::wstring deep = wfolder_ + L"/a\\b/c";
    EXPECT_TRUE(CreateDirectoryRecursive(deep));
    EXPECT_TRUE(fs::is_directory(folder_ + "/a/b/c"));
    EXPECT_TRUE(CreateDirectoryRecursive(deep)) << "existing folders count as success";

    EXPECT_TRUE(EnsureDirectory(wfolder_ + L"/e/f"));
    EXPECT_TRUE(fs::is_directory(folder_ + "/e/f"));
    EXPECT_TRUE(CreateParentDirectories(wfolder_ + L"/g/h/file.txt"));
    EXPECT_TRUE(fs::is_directory(folder_ + "/g/h"));
    EXPECT_FALSE(fs::exists(folder_ + "/g/h/file.txt"));

    // Too long: refused, and no shortened chain appears instead.
    const std::wstring longName = wfolder_ + L"/long/" + std::wstring(300, L'x');
    SetLastError(0);
    EXPECT_FALSE(EnsureDirectory(longName));
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_FALSE(fs::exists(folder_ + "/long"));
}

TEST_F(FilesTest, ShortWriteToAFullDiskReportsDiskFull) {
    CFile file;
    ASSERT_TRUE(file.Open(L"/dev/full", GENERIC_WRITE, 0, OPEN_EXISTING));
    const char data[64] = {};
    DWORD written = 99;
    EXPECT_FALSE(file.Write(data, sizeof(data), &written));
    EXPECT_EQ(file.LastError(), ERROR_DISK_FULL);
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    EXPECT_EQ(file.LastErrorText(), L"There is not enough space on the disk.\r\n");
    EXPECT_FALSE(WriteWholeFile(L"/dev/full", data, sizeof(data)));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
}

TEST_F(FilesTest, FileOpenErrorsCarryTheirCodes) {
    const std::wstring path = wfolder_ + L"/f.bin";
    struct Case {
        std::wstring path;
        DWORD disposition;
        DWORD error;
    } cases[] = {
        {wfolder_ + L"/missing.bin", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        {wfolder_ + L"/nofolder/x.bin", CREATE_ALWAYS, ERROR_PATH_NOT_FOUND},
        {wfolder_, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {path, CREATE_NEW, ERROR_FILE_EXISTS},
    };
    ASSERT_TRUE(WriteWholeFile(path, "x", 1));
    for (const auto& c : cases) {
        CFile file;
        EXPECT_FALSE(file.Open(c.path, GENERIC_READ | GENERIC_WRITE, 0, c.disposition)) << WideToUtf8(c.path);
        EXPECT_EQ(file.LastError(), c.error) << WideToUtf8(c.path);
        EXPECT_FALSE(file.LastErrorText().empty());
    }
}

TEST_F(FilesTest, FileReadWriteSeekTruncateAndMapping) {
    const std::wstring path = wfolder_ + L"\\data.bin";  // "\" works as separator
    CFile file;
    ASSERT_TRUE(file.Open(path, GENERIC_READ | GENERIC_WRITE, 0, CREATE_ALWAYS));
    ASSERT_TRUE(file.Write("0123456789", 10));
    std::uint64_t size = 0;
    ASSERT_TRUE(file.GetSize(size));
    EXPECT_EQ(size, 10u);
    LONGLONG position = -1;
    ASSERT_TRUE(file.Seek(2, FILE_BEGIN, &position));
    EXPECT_EQ(position, 2);
    char buffer[4] = {};
    DWORD read = 0;
    ASSERT_TRUE(file.Read(buffer, 3, &read));
    EXPECT_EQ(std::string(buffer, read), "234");
    EXPECT_TRUE(file.Read(buffer, 0, &read));
    // Positional reads and writes leave the position alone.
    ASSERT_TRUE(file.WriteAt(8, "ab", 2));
    ASSERT_TRUE(file.ReadAt(0, buffer, 2, &read));
    EXPECT_EQ(std::string(buffer, read), "01");
    ASSERT_TRUE(file.Read(buffer, 1, &read));
    EXPECT_EQ(std::string(buffer, read), "5");
    ASSERT_TRUE(file.ReadAt(100, buffer, 2, &read));
    EXPECT_EQ(read, 0u) << "past the end";
    ASSERT_TRUE(file.Truncate(6));
    ASSERT_TRUE(file.GetSize(size));
    EXPECT_EQ(size, 6u);

    CFileMapping mapping;
    ASSERT_TRUE(mapping.Create(file.Handle(), PAGE_READWRITE));
    CMappedView view;
    ASSERT_TRUE(view.Map(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 6));
    EXPECT_EQ(std::string(static_cast<const char*>(view.Data()), 6), "012345");
    static_cast<char*>(view.Data())[0] = 'X';
    view.Unmap();
    mapping.Close();
    file.Close();
    EXPECT_TRUE(file.Path().empty());

    std::string whole;
    ASSERT_TRUE(ReadWholeFile(path, whole));
    EXPECT_EQ(whole, "X12345");
}

TEST_F(FilesTest, AppendAccessWritesAtTheEndWhateverThePosition) {
    const std::wstring path = wfolder_ + L"/log.txt";
    ASSERT_TRUE(WriteWholeFile(path, "one\n", 4));
    CFile first, second;
    ASSERT_TRUE(first.Open(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS));
    ASSERT_TRUE(second.Open(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS));
    ASSERT_TRUE(first.Write("two\n", 4));
    ASSERT_TRUE(second.Write("three\n", 6));
    ASSERT_TRUE(first.Seek(0, FILE_BEGIN));
    ASSERT_TRUE(first.Write("four\n", 5));
    first.Close();
    second.Close();
    std::string text;
    ASSERT_TRUE(ReadWholeFile(path, text));
    EXPECT_EQ(text, "one\ntwo\nthree\nfour\n");
}

TEST_F(FilesTest, WholeFilesReplaceDeleteAndExistence) {
    const std::wstring a = wfolder_ + L"/a.txt", b = wfolder_ + L"/b.txt";
    ASSERT_TRUE(WriteWholeFile(a, "first", 5));
    ASSERT_TRUE(WriteWholeFile(b, "second", 6));
    EXPECT_FALSE(ReplaceFile(a, b, true)) << "keeping the target: the move must not replace it";
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(ReplaceFile(a, b, false));
    std::string text;
    ASSERT_TRUE(ReadWholeFile(b, text));
    EXPECT_EQ(text, "first");
    EXPECT_FALSE(PathExists(a, false));

    EXPECT_TRUE(PathExists(b, true));
    EXPECT_TRUE(PathExists(wfolder_, false));
    EXPECT_FALSE(PathExists(wfolder_, true));
    std::uint64_t size = 77;
    EXPECT_TRUE(GetFileSizeByPath(b, size));
    EXPECT_EQ(size, 5u);
    size = 77;
    EXPECT_FALSE(GetFileSizeByPath(a, size));
    EXPECT_EQ(size, 77u);
    EXPECT_TRUE(DeleteFilePath(b));
    EXPECT_FALSE(DeleteFilePath(b));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    std::string missing = "untouched";
    EXPECT_FALSE(ReadWholeFile(b, missing));
    EXPECT_EQ(missing, "untouched");
}

TEST_F(FilesTest, FindFileMatchesWindowsWildcards) {
    for (const char* name : {"a.txt", "b.TXT", "c.log", "noext", "two.dots.txt"})
        std::ofstream(folder_ + "/" + name) << "x";
    fs::create_directories(folder_ + "/sub");
    struct Case {
        std::wstring pattern;
        std::set<std::wstring> names;
    } cases[] = {
        {L"*.txt", {L"a.txt", L"b.TXT", L"two.dots.txt"}},
        {L"?.log", {L"c.log"}},
        {L"noext.*", {L"noext"}},
        {L"*.*", {L".", L"..", L"a.txt", L"b.TXT", L"c.log", L"noext", L"two.dots.txt", L"sub", L"home", L"config"}},
        {L"s*", {L"sub"}},
    };
    for (const auto& c : cases) {
        CFindFile find;
        std::set<std::wstring> names;
        for (bool more = find.First(wfolder_ + L"\\" + c.pattern); more; more = find.Next()) {
            names.insert(find.GetFileName());
            EXPECT_EQ(find.GetFilePath(), wfolder_ + L"/" + find.GetFileName()) << "the full folder";
        }
        EXPECT_EQ(names, c.names) << WideToUtf8(c.pattern);
    }
    CFindFile none;
    EXPECT_FALSE(none.First(wfolder_ + L"/*.none"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(none.First(wfolder_ + L"/missing/*"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
}

TEST(PathStringTest, FileNameAndExtension) {
    struct Case {
        std::wstring path;
        std::wstring name;
        std::wstring extension;
    } cases[] = {
        {L"C:\\dir\\file.txt", L"file.txt", L".txt"},
        {L"/home/u/video.mp4", L"video.mp4", L".mp4"},
        {L"C:\\dir\\", L"dir\\", L""},
        {L"a.b c", L"a.b c", L""},
        {L"dir.x/file", L"file", L""},
        {L"C:name.tar.gz", L"name.tar.gz", L".gz"},
        {L"plain", L"plain", L""},
        {L"", L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.path.substr(PathFindFileNamePart(c.path)), c.name) << WideToUtf8(c.path);
        EXPECT_EQ(c.path.substr(PathFindExtensionPart(c.path)), c.extension) << WideToUtf8(c.path);
    }
}

TEST(PathStringTest, RemoveFileSpecAndRoots) {
    struct Case {
        std::wstring path;
        std::wstring parent;
        bool removed;
        bool root;
    } cases[] = {
        {L"C:\\a\\b", L"C:\\a", true, false},
        {L"C:\\a", L"C:\\", true, false},
        {L"C:\\", L"C:\\", false, true},
        {L"\\a", L"\\", true, false},
        {L"/home/u", L"/home", true, false},
        {L"/home", L"/", true, false},
        {L"/", L"/", false, true},
        {L"\\", L"\\", false, true},
        {L"\\\\server\\share", L"\\\\server", true, true},
        {L"\\\\server", L"\\\\", true, true},
        {L"\\\\server\\share\\x", L"\\\\server\\share", true, false},
        {L"name.txt", L"", true, false},
        {L"", L"", false, false},
    };
    for (const auto& c : cases) {
        std::wstring path = c.path;
        EXPECT_EQ(PathRemoveFileSpecInPlace(path), c.removed) << WideToUtf8(c.path);
        EXPECT_EQ(path, c.parent) << WideToUtf8(c.path);
        EXPECT_EQ(PathIsRootPart(c.path), c.root) << WideToUtf8(c.path);
    }
}

TEST(PathStringTest, ExtensionEditsAndReplace) {
    std::wstring path = L"/v/clip.mp4";
    EXPECT_TRUE(PathRemoveExtensionInPlace(path));
    EXPECT_EQ(path, L"/v/clip");
    EXPECT_FALSE(PathRemoveExtensionInPlace(path));
    PathRenameExtensionInPlace(path, L".png");
    EXPECT_EQ(path, L"/v/clip.png");
    PathRenameExtensionInPlace(path, L".jpg");
    EXPECT_EQ(path, L"/v/clip.jpg");

    std::wstring text = L"a\\\\\\\\b";
    EXPECT_EQ(CStringReplace(text, L"\\\\", L"\\"), 2u);
    EXPECT_EQ(text, L"a\\\\b");
    EXPECT_EQ(CStringReplace(text, L"x", L"xx"), 0u);
    std::wstring grow = L"aa";
    EXPECT_EQ(CStringReplace(grow, L"a", L"aa"), 2u);
    EXPECT_EQ(grow, L"aaaa");
}

}  // namespace
