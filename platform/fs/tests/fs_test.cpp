#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/fs/error_text.h"
#include "platform/fs/find_file.h"
#include "platform/fs/folders.h"
#include "platform/fs/utf8.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;
using namespace zovi::platform;

namespace {

TEST(Utf8Test, ConvertsBothWaysAndReplacesWhatCannotBeConverted) {
    struct Case {
        std::string utf8;
        std::wstring wide;
    } cases[] = {
        {"", L""},
        {"abc", L"abc"},
        {"Zovi录屏", L"Zovi录屏"},
        {"\xF0\x9F\x8E\xA5", std::wstring(1, static_cast<wchar_t>(0x1F3A5))},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
        EXPECT_EQ(WideToUtf8(c.wide), c.utf8) << c.utf8;
    }
    struct Bad {
        std::string utf8;
        std::wstring wide;
    } bad[] = {
        {"a\xFF" "b", L"a\uFFFDb"},            // invalid lead byte
        {"a\xE5\xBD", L"a\uFFFD"},             // truncated sequence
        {"\xC0\xAF", L"\uFFFD"},               // overlong form
        {"\xED\xA0\x80", L"\uFFFD"},           // a surrogate value
        {"\xE5" "x", L"\uFFFDx"},              // continuation missing
        {"\xF4\x90\x80\x80", L"?"},           // past U+10FFFF
    };
    for (const auto& c : bad) EXPECT_EQ(Utf8ToWide(c.utf8), c.wide) << c.utf8;
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), "?");
    EXPECT_EQ(WideToUtf8(std::wstring(1, static_cast<wchar_t>(0x110000))), "?");
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
    const std::wstring cwd = Utf8ToWide(fs::current_path().string());
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
    EXPECT_EQ(std::wstring(path), Utf8ToWide(home));
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_MYVIDEO, TRUE));
    EXPECT_EQ(std::wstring(path), Utf8ToWide(home + "/Videos"));
    EXPECT_TRUE(fs::is_directory(home + "/Videos"));

    fs::create_directories(home + "/cfg");
    std::ofstream(home + "/cfg/user-dirs.dirs") << "# comment\nXDG_VIDEOS_DIR=\"$HOME/影片\"\n";
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_MYVIDEO, TRUE));
    EXPECT_EQ(std::wstring(path), Utf8ToWide(home + "/影片"));
    EXPECT_TRUE(fs::is_directory(home + "/影片"));
    ASSERT_TRUE(SHGetSpecialFolderPathW(nullptr, path, CSIDL_WINDOWS, FALSE));
    EXPECT_EQ(std::wstring(path), L"/");
    fs::remove_all(home);
}

TEST(FoldersTest, ModuleFileNameAndVolumeSerial) {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    ASSERT_GT(length, 0u);
    EXPECT_EQ(std::wstring(path, length), Utf8ToWide(SelfExePath()));
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
