#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/base/wformat.h"

namespace zovi::platform {
namespace {

struct RewriteCase {
    const wchar_t* format;
    const wchar_t* glibc;
};

TEST(WideFormatTest, RewritesConversionsForGlibc) {
    const RewriteCase cases[] = {
        {L"%s", L"%ls"},           {L"%S", L"%s"},          {L"%hs", L"%s"},
        {L"%ls", L"%ls"},          {L"%ws", L"%ls"},        {L"%c", L"%lc"},
        {L"%C", L"%c"},            {L"%-10s|", L"%-10ls|"}, {L"%.*s", L"%.*ls"},
        {L"%I64d %I64u", L"%lld %llu"}, {L"%I32d", L"%d"},   {L"%Iu", L"%zu"},
        {L"100%% %d%s", L"100%% %d%ls"}, {L"%08x", L"%08x"}, {L"tail %", L"tail %"},
        {L"%04u-%02u-%02u", L"%04u-%02u-%02u"},
    };
    for (const RewriteCase& c : cases)
        EXPECT_EQ(ToGlibcWideFormat(c.format), std::wstring(c.glibc)) << c.format;
}

TEST(WideFormatTest, FormatsWideAndNarrowArguments) {
    EXPECT_EQ(FormatWide(L"%s (default)", L"Mic"), L"Mic (default)");
    EXPECT_EQ(FormatWide(L"%S|%hs", "录屏", "ab"), L"录屏|ab");
    EXPECT_EQ(FormatWide(L"%c%C", L'快', 'x'), L"快x");
    EXPECT_EQ(FormatWide(L"%I64u", std::uint64_t{1} << 40), L"1099511627776");
    EXPECT_EQ(FormatWide(L"AppLog_%04u-%02u-%02u.txt", 2026u, 12u, 10u),
              L"AppLog_2026-12-10.txt");
}

TEST(WideFormatTest, GrowsForLongResults) {
    std::wstring longText(100000, L'z');
    std::wstring result = FormatWide(L"[%s]", longText.c_str());
    ASSERT_EQ(result.size(), longText.size() + 2);
    EXPECT_EQ(result.front(), L'[');
    EXPECT_EQ(result.back(), L']');
}

TEST(WideFormatTest, BadNarrowTextGivesEmptyResultNotACrash) {
    EXPECT_EQ(FormatWide(L"%S", "\xff\xfe bad"), L"");
    EXPECT_EQ(FormatWide(nullptr), L"");
}

}  // namespace
}  // namespace zovi::platform
