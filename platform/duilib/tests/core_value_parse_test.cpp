// The attribute value parsers: every form the layouts write, and the faults that must
// leave the output alone.
#include <gtest/gtest.h>

#include "platform/duilib/core/parse/value_parse.h"

namespace DuiLib {
namespace {

bool operator==(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(DuiCoreParse, Colours) {
    const struct {
        const wchar_t* text;
        bool ok;
        DWORD argb;
    } cases[] = {
        {L"FF212327", true, 0xFF212327},  {L"#ff1296db", true, 0xFF1296DB}, {L"#80FFFFFF", true, 0x80FFFFFF},
        {L"00000000", true, 0x00000000},  {L"#1296db", true, 0xFF1296DB},   {L"1296DB", true, 0xFF1296DB},
        {L" #AbCdEf ", true, 0xFFABCDEF}, {L"", false, 0},                  {L"#", false, 0},
        {L"#12345", false, 0},            {L"1234567", false, 0},           {L"#123456789", false, 0},
        {L"#GG0000", false, 0},           {L"##123456", false, 0},          {L"0x123456", false, 0},
    };
    for (const auto& c : cases) {
        DWORD argb = 0xDEADBEEF;
        EXPECT_EQ(ParseColor(c.text, &argb), c.ok) << c.text;
        EXPECT_EQ(argb, c.ok ? c.argb : 0xDEADBEEF) << c.text;
    }
    EXPECT_FALSE(ParseColor(nullptr, nullptr));
}

TEST(DuiCoreParse, IntegersAndBooleans) {
    const struct {
        const wchar_t* text;
        bool ok;
        int value;
    } ints[] = {{L"0", true, 0},           {L"-12", true, -12},    {L" 42 ", true, 42},  {L"2147483647", true, INT32_MAX},
                {L"-2147483648", true, INT32_MIN}, {L"2147483648", false, 0}, {L"", false, 0}, {L"-", false, 0},
                {L"1.5", false, 0},         {L"12px", false, 0},    {L"+3", false, 0}};
    for (const auto& c : ints) {
        int value = 777;
        EXPECT_EQ(ParseInt(c.text, &value), c.ok) << c.text;
        EXPECT_EQ(value, c.ok ? c.value : 777) << c.text;
    }
    bool flag = false;
    EXPECT_TRUE(ParseBool(L"true", &flag) && flag);
    EXPECT_TRUE(ParseBool(L"false", &flag) && !flag);
    flag = true;
    EXPECT_FALSE(ParseBool(L"yes", &flag));
    EXPECT_FALSE(ParseBool(L"1", &flag));
    EXPECT_TRUE(flag);
}

TEST(DuiCoreParse, RectanglesAndSizes) {
    const struct {
        const wchar_t* text;
        bool allowSingle, ok;
        RECT rect;
    } rects[] = {
        {L"1,2,3,4", false, true, {1, 2, 3, 4}},  {L" 0, 0 ,0,1", false, true, {0, 0, 0, 1}},
        {L"-5,0,10,-2", false, true, {-5, 0, 10, -2}}, {L"5", true, true, {5, 5, 5, 5}},
        {L"5", false, false, {}},                 {L"1,2,3", false, false, {}},
        {L"1,2,3,4,5", false, false, {}},         {L"1,,3,4", false, false, {}},
        {L"1,2,3,x", false, false, {}},           {L"", true, false, {}},
    };
    for (const auto& c : rects) {
        RECT rect{9, 9, 9, 9};
        EXPECT_EQ(ParseRect(c.text, &rect, c.allowSingle), c.ok) << c.text;
        EXPECT_TRUE(rect == (c.ok ? c.rect : RECT{9, 9, 9, 9})) << c.text;
    }
    const struct {
        const wchar_t* text;
        bool allowSingle, ok;
        LONG cx, cy;
    } sizes[] = {
        {L"80,24", false, true, 80, 24}, {L"2,2,2,2", false, true, 2, 2}, {L"4", true, true, 4, 4},
        {L"4", false, false, 0, 0},      {L"4,a", false, false, 0, 0},    {L"", false, false, 0, 0},
    };
    for (const auto& c : sizes) {
        SIZE size{-1, -1};
        EXPECT_EQ(ParseSize(c.text, &size, c.allowSingle), c.ok) << c.text;
        EXPECT_EQ(size.cx, c.ok ? c.cx : -1) << c.text;
        EXPECT_EQ(size.cy, c.ok ? c.cy : -1) << c.text;
    }
}

TEST(DuiCoreParse, ImageReferences) {
    const struct {
        const wchar_t* text;
        bool ok;
        const wchar_t* file;
        bool source, dest, corner;
    } cases[] = {
        {L"Countdown/number3.png", true, L"Countdown/number3.png", false, false, false},
        {L"Countdown\\number3.png", true, L"Countdown/number3.png", false, false, false},
        {L"file='checkbox.png' source='0,0,16,16'", true, L"checkbox.png", true, false, false},
        {L"file='a\\b.png' dest='2,2,18,18'", true, L"a/b.png", false, true, false},
        {L"file='bg.png' source='0,0,30,30' corner='4,4,4,4'", true, L"bg.png", true, false, true},
        {L"file=\"bg.png\"  dest='0,0,1,1' ", true, L"bg.png", false, true, false},
        {L"#0000002a.bmp", true, L"#0000002a.bmp", false, false, false},
        {L"file='bg.png' fade='128'", false, nullptr, false, false, false},
        {L"file='bg.png' source='0,0,1'", false, nullptr, false, false, false},
        {L"file='bg.png", false, nullptr, false, false, false},
        {L"source='0,0,1,1'", false, nullptr, false, false, false},
        {L"", false, nullptr, false, false, false},
        {L"   ", false, nullptr, false, false, false},
    };
    for (const auto& c : cases) {
        TImageRef ref;
        ref.file = L"untouched";
        ASSERT_EQ(ParseImageRef(c.text, &ref), c.ok) << c.text;
        if (!c.ok) {
            EXPECT_EQ(ref.file, L"untouched");
            continue;
        }
        EXPECT_EQ(ref.file, c.file);
        EXPECT_EQ(ref.hasSource, c.source) << c.text;
        EXPECT_EQ(ref.hasDest, c.dest) << c.text;
        EXPECT_EQ(ref.hasCorner, c.corner) << c.text;
    }
    TImageRef ref;
    ASSERT_TRUE(ParseImageRef(L"file='bg.png' source='1,2,3,4' dest='5,6,7,8' corner='9,10,11,12'", &ref));
    EXPECT_TRUE(ref.source == RECT({1, 2, 3, 4}));
    EXPECT_TRUE(ref.dest == RECT({5, 6, 7, 8}));
    EXPECT_TRUE(ref.corner == RECT({9, 10, 11, 12}));
}

TEST(DuiCoreParse, AttributeLists) {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    ASSERT_TRUE(ParseAttributeList(
        L"name=\"row\" text=\"第一行\" bkimage=\"file='a.png' dest='0,0,8,8'\" width=\"120\"", &pairs));
    ASSERT_EQ(pairs.size(), 4u);
    EXPECT_EQ(pairs[0], std::make_pair(std::wstring(L"name"), std::wstring(L"row")));
    EXPECT_EQ(pairs[1].second, L"第一行");
    EXPECT_EQ(pairs[2].second, L"file='a.png' dest='0,0,8,8'");
    EXPECT_EQ(pairs[3], std::make_pair(std::wstring(L"width"), std::wstring(L"120")));

    pairs.clear();
    EXPECT_TRUE(ParseAttributeList(L"  ", &pairs));
    EXPECT_TRUE(pairs.empty());

    // The pairs before a fault are kept.
    for (const wchar_t* bad : {L"a=\"1\" b=\"2", L"a=\"1\" b", L"a=\"1\" =\"2\"", L"a=\"1\" b c=\"2\""}) {
        pairs.clear();
        EXPECT_FALSE(ParseAttributeList(bad, &pairs)) << bad;
        ASSERT_EQ(pairs.size(), 1u) << bad;
        EXPECT_EQ(pairs[0].second, L"1");
    }
}

}  // namespace
}  // namespace DuiLib
