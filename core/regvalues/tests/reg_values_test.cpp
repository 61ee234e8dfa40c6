#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/regvalues/reg_values.h"
#include "core/options/tests/settings_store_fixture.h"
#include "platform/process/process.h"

namespace fs = std::filesystem;

namespace {

using RegValuesTest = SettingsStoreTest;

TEST_F(RegValuesTest, DwordsReadOnlyTheirOwnTypeAndWriteOnlyChanges) {
    const std::wstring text = L"25";
    Seed(L"x264", L"FPS", REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    const std::uint64_t wide = 7;
    Seed(L"x264", L"gopsize", REG_QWORD, &wide, 8);
    const WORD shortValue = 9;
    Seed(L"x264", L"qmin", REG_DWORD, &shortValue, 2);

    struct Case {
        const wchar_t* name;
        bool read;
        DWORD expected;
    } cases[] = {{L"FPS", false, 1234}, {L"gopsize", false, 1234}, {L"qmin", false, 1234}, {L"missing", false, 1234}};
    for (const auto& c : cases) {
        DWORD value = 1234;
        EXPECT_EQ(ReadRegDword(value, c.name, L"x264", false), c.read) << c.name;
        EXPECT_EQ(value, c.expected) << c.name;
    }

    const std::uint64_t before = zovi::platform::RegistryValueWriteCount();
    ASSERT_TRUE(WriteRegDword(30, L"FPS", L"x264"));  // wrong type: rewritten
    EXPECT_EQ(StoredType(L"x264", L"FPS"), REG_DWORD);
    ASSERT_TRUE(WriteRegDword(30, L"FPS", L"x264"));  // equal: skipped
    EXPECT_EQ(zovi::platform::RegistryValueWriteCount(), before + 1);
    DWORD value = 0;
    EXPECT_TRUE(ReadRegDword(value, L"fps", L"X264", false));
    EXPECT_EQ(value, 30u);
}

TEST_F(RegValuesTest, ReadDwordWritesTheDefaultOnlyWhenAsked) {
    DWORD value = 5;
    EXPECT_FALSE(ReadRegDword(value, L"preset", L"x264", false));
    EXPECT_EQ(StoredType(L"x264", L"preset"), REG_NONE);
    EXPECT_FALSE(ReadRegDword(value, L"preset", L"x264", true));
    EXPECT_EQ(StoredType(L"x264", L"preset"), REG_DWORD);
    DWORD stored = 0;
    EXPECT_TRUE(ReadRegDword(stored, L"preset", L"x264", false));
    EXPECT_EQ(stored, 5u);
}

TEST_F(RegValuesTest, StringsOfAnotherTypeAreRefusedThenOverwritten) {
    const DWORD number = 1;
    Seed(nullptr, L"lang", REG_DWORD, &number, 4);
    std::wstring lang = L"kept";
    EXPECT_FALSE(ReadRegString(lang, L"lang", nullptr));
    EXPECT_EQ(lang, L"kept");
    ASSERT_TRUE(WriteRegString(L"en-US", L"lang", nullptr));
    EXPECT_EQ(StoredType(nullptr, L"lang"), REG_SZ);
    EXPECT_TRUE(ReadRegString(lang, L"lang", nullptr));
    EXPECT_EQ(lang, L"en-US");

    const std::uint64_t before = zovi::platform::RegistryValueWriteCount();
    EXPECT_TRUE(WriteRegString(L"en-US", L"lang", nullptr));
    EXPECT_EQ(zovi::platform::RegistryValueWriteCount(), before);

    // A string without its terminating zero is invalid data; an expandable string reads.
    const wchar_t unterminated[] = {L'a', L'b'};
    Seed(nullptr, L"raw", REG_SZ, unterminated, sizeof(unterminated));
    EXPECT_FALSE(ReadRegString(lang, L"raw", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
    const std::wstring expand = L"%HOME%/x";
    Seed(nullptr, L"exp", REG_EXPAND_SZ, expand.c_str(), static_cast<DWORD>((expand.size() + 1) * sizeof(wchar_t)));
    EXPECT_TRUE(ReadRegString(lang, L"exp", nullptr));
    EXPECT_EQ(lang, expand);
}

TEST_F(RegValuesTest, PlacementsMustBe44ByteBinaries) {
    BYTE placement[kWindowPlacementSize];
    for (DWORD i = 0; i < kWindowPlacementSize; ++i) placement[i] = static_cast<BYTE>(i + 1);
    const DWORD number = 44;
    Seed(L"WindowPlacement", L"Short", REG_BINARY, placement, 40);
    Seed(L"WindowPlacement", L"Long", REG_BINARY, placement, 44);  // then grown below
    BYTE longer[48] = {};
    Seed(L"WindowPlacement", L"Long", REG_BINARY, longer, sizeof(longer));
    Seed(L"WindowPlacement", L"Number", REG_DWORD, &number, 4);

    for (const wchar_t* name : {L"Short", L"Long", L"Number", L"Missing"}) {
        BYTE out[kWindowPlacementSize] = {0xAA};
        EXPECT_FALSE(ReadRegWindowPlacement(out, name, L"WindowPlacement")) << name;
        EXPECT_EQ(out[0], 0xAA) << name;
    }
    const std::uint64_t before = zovi::platform::RegistryValueWriteCount();
    ASSERT_TRUE(WriteRegWindowPlacement(placement, L"Short", L"WindowPlacement"));
    ASSERT_TRUE(WriteRegWindowPlacement(placement, L"Short", L"WindowPlacement"));
    EXPECT_EQ(zovi::platform::RegistryValueWriteCount(), before + 1);
    BYTE out[kWindowPlacementSize] = {};
    ASSERT_TRUE(ReadRegWindowPlacement(out, L"Short", L"WindowPlacement"));
    EXPECT_EQ(std::memcmp(out, placement, sizeof(out)), 0);
}

TEST_F(RegValuesTest, UpdateInfoQwordsAndDeletions) {
    const std::uint64_t before = zovi::platform::RegistryValueWriteCount();
    ASSERT_TRUE(WriteUpdateInfoQword(0x100000002ull, L"LastVersion"));
    ASSERT_TRUE(WriteUpdateInfoQword(0x100000002ull, L"LastVersion"));
    EXPECT_EQ(zovi::platform::RegistryValueWriteCount(), before + 1);
    std::uint64_t value = 0;
    ASSERT_TRUE(ReadUpdateInfoQword(value, L"LastVersion"));
    EXPECT_EQ(value, 0x100000002ull);

    ASSERT_TRUE(WriteRegDword(150, L"LastScaleFactor", nullptr));
    ASSERT_TRUE(WriteRegDword(1, L"x", L"x100\\WindowPlacement"));
    EXPECT_TRUE(DeleteRegValue(L"LastScaleFactor", nullptr));
    EXPECT_TRUE(DeleteRegValue(L"LastScaleFactor", nullptr));
    EXPECT_TRUE(DeleteRegTree(L"x100"));
    EXPECT_EQ(StoredType(nullptr, L"LastScaleFactor"), REG_NONE);
    EXPECT_EQ(StoredType(L"x100\\WindowPlacement", L"x"), REG_NONE);
    EXPECT_EQ(StoredType(L"UpdateInfo", L"LastVersion"), REG_QWORD);
}

TEST(RegValuesChild, WriteLanguage) {
    if (std::getenv("ZOVI_REGVALUES_CHILD") == nullptr) GTEST_SKIP() << "only run as a child process";
    ASSERT_TRUE(WriteRegString(L"en-US", L"lang", nullptr));
}

TEST_F(RegValuesTest, ValueWrittenByAnotherProcessIsSeen) {
    ASSERT_TRUE(WriteRegString(L"zh-CN", L"lang", nullptr));
    std::wstring lang;
    ASSERT_TRUE(ReadRegString(lang, L"lang", nullptr));
    setenv("ZOVI_REGVALUES_CHILD", "1", 1);
    auto child = zovi::platform::ChildProcess::Start(
        {zovi::platform::SelfExePath(), "--gtest_filter=RegValuesChild.WriteLanguage"}, {});
    unsetenv("ZOVI_REGVALUES_CHILD");
    ASSERT_NE(child, nullptr);
    ASSERT_TRUE(child->Wait(60000));
    ASSERT_EQ(child->ExitCode(), 0);
    ASSERT_TRUE(ReadRegString(lang, L"lang", nullptr));
    EXPECT_EQ(lang, L"en-US");
}

}  // namespace
