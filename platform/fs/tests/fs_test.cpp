#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/base/utf8.h"
#include "platform/fs/error_text.h"
#include "platform/fs/find_file.h"
#include "platform/fs/folders.h"
#include "platform/fs/win_file.h"
#include "platform/process/child_io.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;
using namespace zovi::platform;

namespace {

// Files whose names are not all UTF-8 (a byte 0xFF, Latin-1, a character cut short, an
// overlong form) beside plain and CJK ones, each holding its own text.
class FileNameBytesTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/zovi-fs-names.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        for (const std::string& name : kNames) std::ofstream(folder_ + "/" + name) << Content(name);
    }
    void TearDown() override { fs::remove_all(folder_); }

    static std::string Content(const std::string& name) { return "text of " + name; }

    static inline const std::set<std::string> kNames = {
        "\xFF", "Zovi\xE5\xBD\x95\xFF\xFE.mp4", "caf\xE9.txt", "cut \xE5\xBD.txt", "\xC0\xAF", "plain.txt",
        "\xE5\xBD\x95\xE5\xB1\x8F.mkv"};
    std::string folder_;
};

// The fault this guards: a name that survived the command line was turned into "?" by
// the file layer, so the file could not be opened.
TEST_F(FileNameBytesTest, ANameGivenOnTheCommandLineIsOpenedByTheFileLayer) {
    for (const std::string& name : kNames) {
        ChildProcess::Options options;
        options.pipeStdout = true;
        auto child = ChildProcess::Start({std::string(ZOVI_TEST_BIN_DIR) + "/fs_open_file", folder_ + "/" + name},
                                         options);
        ASSERT_NE(child, nullptr);
        std::string out(256, '\0');
        out.resize(ReadFull(child->StdoutFd(), out.data(), out.size()));
        ASSERT_TRUE(child->Wait(60000));
        EXPECT_EQ(child->ExitCode(), 0) << name;
        EXPECT_EQ(out, Content(name)) << name;
    }
}

TEST_F(FileNameBytesTest, ListedNamesKeepTheirBytesAndOpen) {
    const std::wstring folder = DecodeUtf8Lossless(folder_);
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"/*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::set<std::string> listed;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        listed.insert(EncodeUtf8Lossless(name));
        HANDLE file = CreateFileW((folder + L"/" + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE) << WideToUtf8(name);
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    EXPECT_EQ(listed, kNames);
}

TEST(ErrorTextTest, SystemAndHttpTables) {
    wchar_t buffer[1024];
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  5, 0, buffer, 1024, nullptr);
    EXPECT_EQ(std::wstring(buffer, length), L"Access is denied.\r\n");
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0xDEAD, 0, buffer, 1024, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_MR_MID_NOT_FOUND);
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 12002, 0, buffer, 1024, nullptr), 0u)
        << "HTTP codes are not in the system table";
    length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM, HttpErrorMessageModule(),
                            12002, 0, buffer, 1024, nullptr);
    EXPECT_EQ(std::wstring(buffer, length), L"The operation timed out.\r\n");
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 5, 0, buffer, 5, nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(FullPathTest, ResolvesLexically) {
    struct Case {
        std::wstring path;
        std::wstring full;
    } cases[] = {
        {L"/a/b/../c/./d", L"/a/c/d"},
        {L"\\a\\b\\", L"/a/b/"},
        {L"/../x", L"/x"},
        {L"/a/*.txt", L"/a/*.txt"},
    };
    for (const auto& c : cases) {
        wchar_t buffer[MAX_PATH];
        wchar_t* name = nullptr;
        const DWORD length = GetFullPathNameW(c.path.c_str(), MAX_PATH, buffer, &name);
        EXPECT_EQ(std::wstring(buffer, length), c.full);
    }
    wchar_t small[4];
    EXPECT_EQ(GetFullPathNameW(L"/abcdef", 4, small, nullptr), 8u) << "the size needed";
    wchar_t buffer[MAX_PATH];
    const std::wstring cwd = DecodeUtf8Lossless(fs::current_path().string());
    const DWORD length = GetFullPathNameW(L"rel/x", MAX_PATH, buffer, nullptr);
    EXPECT_EQ(std::wstring(buffer, length), cwd + L"/rel/x");
}

TEST(WildcardTest, MatchesLikeWindows) {
    struct Case {
        const wchar_t* pattern;
        const wchar_t* name;
        bool match;
    } cases[] = {
        {L"*.txt", L"a.TXT", true}, {L"*.txt", L"a.txt.bak", false}, {L"?.log", L"ab.log", false},
        {L"a*b*c", L"aXbYc", true}, {L"a*b*c", L"aXbY", false},     {L"*.*", L"noext", true},
        {L"noext.*", L"noext", true}, {L"*", L"", true},             {L"x?", L"x", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesWildcard(c.pattern, c.name), c.match) << WideToUtf8(c.pattern) << " " << WideToUtf8(c.name);
}

TEST(FoldersTest, SpecialFoldersFollowHomeAndUserDirs) {
    char pattern[] = "/tmp/zovi-fs-test.XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const std::string home = pattern;
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/cfg").c_str(), 1);
    wchar_t path[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_PROFILE, FALSE));
    EXPECT_EQ(std::wstring(path), DecodeUtf8Lossless(home));
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_MYVIDEO, TRUE));
    EXPECT_EQ(std::wstring(path), DecodeUtf8Lossless(home + "/Videos"));
    EXPECT_TRUE(fs::is_directory(home + "/Videos"));

    fs::create_directories(home + "/cfg");
    std::ofstream(home + "/cfg/user-dirs.dirs") << "# comment\nXDG_VIDEOS_DIR=\"$HOME/影片\"\n";
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_MYVIDEO, TRUE));
    EXPECT_EQ(std::wstring(path), DecodeUtf8Lossless(home + "/影片"));
    EXPECT_TRUE(fs::is_directory(home + "/影片"));
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_WINDOWS, FALSE));
    EXPECT_EQ(std::wstring(path), L"/");
    fs::remove_all(home);
}

TEST(FoldersTest, ModuleFileNameAndVolumeSerial) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::wstring(path, length), DecodeUtf8Lossless(SelfExePath()));
    wchar_t small[5];
    EXPECT_EQ(GetModuleFileNameW(nullptr, small, 5), 5u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::wstring(small), std::wstring(path, 4));

    DWORD first = 0, second = 1;
    ASSERT_TRUE(GetVolumeInformationW(L"/", nullptr, 0, &first, nullptr, nullptr, nullptr, 0));
    ASSERT_TRUE(GetVolumeInformationW(L"/", nullptr, 0, &second, nullptr, nullptr, nullptr, 0));
    EXPECT_EQ(first, second);
}

}  // namespace
