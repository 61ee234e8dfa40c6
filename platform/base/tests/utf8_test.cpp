#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/base/utf8.h"

namespace zovi::platform {
namespace {

std::wstring Wide(std::initializer_list<char32_t> values) {
    std::wstring out;
    for (char32_t c : values) out.push_back(static_cast<wchar_t>(c));
    return out;
}

std::string Hex(const std::string& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += {kDigits[c >> 4], kDigits[c & 15], ' '};
    return out;
}

// Decoding in both forms: what the replacing form shows, what the lossless form keeps.
struct DecodeCase {
    const char* what;
    std::string utf8;
    std::wstring replacing;
    std::wstring lossless;
};

const DecodeCase kDecodeCases[] = {
    {"empty", "", L"", L""},
    {"ASCII", "plain.mp4", L"plain.mp4", L"plain.mp4"},
    {"an inner zero", std::string("a\0b", 3), std::wstring(L"a\0b", 3), std::wstring(L"a\0b", 3)},
    {"two bytes", "\xC3\xA9", L"\u00E9", L"\u00E9"},
    {"CJK", "Zovi\xE5\xBD\x95\xE5\xB1\x8F", L"Zovi录屏", L"Zovi录屏"},
    {"beyond the BMP", "\xF0\x9F\x98\x80!", Wide({0x1F600, '!'}), Wide({0x1F600, '!'})},
    {"the last code point", "\xF4\x8F\xBF\xBF", Wide({0x10FFFF}), Wide({0x10FFFF})},
    {"a noncharacter", "\xEF\xBF\xBF", Wide({0xFFFF}), Wide({0xFFFF})},
    {"0xFF", "a\xFF" "b", L"a\uFFFDb", Wide({'a', 0xDCFF, 'b'})},
    {"a lone continuation byte", "\x80", L"\uFFFD", Wide({0xDC80})},
    {"bytes that never start one", "\xFE\xC0\xF5", L"\uFFFD\uFFFD\uFFFD", Wide({0xDCFE, 0xDCC0, 0xDCF5})},
    {"Latin-1 text", "caf\xE9 ", L"caf\uFFFD ", Wide({'c', 'a', 'f', 0xDCE9, ' '})},
    {"truncated at the end", "a\xE5\xBD", L"a\uFFFD", Wide({'a', 0xDCE5, 0xDCBD})},
    {"four bytes truncated", "\xF0\x9F\x98", L"\uFFFD", Wide({0xDCF0, 0xDC9F, 0xDC98})},
    {"truncated before ASCII", "\xE5x", L"\uFFFDx", Wide({0xDCE5, 'x'})},
    {"truncated before a character", "\xE5\xE5\xBD\x95", L"\uFFFD录", Wide({0xDCE5, 0x5F55})},
    {"overlong '/'", "\xC0\xAF", L"\uFFFD\uFFFD", Wide({0xDCC0, 0xDCAF})},
    {"overlong in three bytes", "\xE0\x80\xAF", L"\uFFFD\uFFFD\uFFFD", Wide({0xDCE0, 0xDC80, 0xDCAF})},
    {"overlong in four bytes", "\xF0\x80\x80\xAF", L"\uFFFD\uFFFD\uFFFD\uFFFD",
     Wide({0xDCF0, 0xDC80, 0xDC80, 0xDCAF})},
    {"an encoded surrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD", Wide({0xDCED, 0xDCA0, 0xDC80})},
    {"an encoded escape", "\xED\xB3\xBF", L"\uFFFD\uFFFD\uFFFD", Wide({0xDCED, 0xDCB3, 0xDCBF})},
    {"past U+10FFFF", "\xF4\x90\x80\x80", L"\uFFFD\uFFFD\uFFFD\uFFFD", Wide({0xDCF4, 0xDC90, 0xDC80, 0xDC80})},
};

TEST(Utf8Test, DecodesInBothFormsAndTheLosslessFormGivesTheBytesBack) {
    for (const DecodeCase& c : kDecodeCases) {
        EXPECT_EQ(Utf8ToWide(c.utf8), c.replacing) << c.what;
        EXPECT_EQ(DecodeUtf8Lossless(c.utf8), c.lossless) << c.what;
        EXPECT_EQ(EncodeUtf8Lossless(c.lossless), c.utf8) << c.what;
        if (c.replacing == c.lossless) {
            EXPECT_EQ(WideToUtf8(c.replacing), c.utf8) << c.what;
        }
    }
}

// Encoding wide values, some of which UTF-8 cannot carry.
struct EncodeCase {
    const char* what;
    std::wstring wide;
    std::string replacing;
    std::string lossless;
};

const EncodeCase kEncodeCases[] = {
    {"CJK and beyond the BMP", Wide({0x5F55, 0x1F3A5}), "\xE5\xBD\x95\xF0\x9F\x8E\xA5",
     "\xE5\xBD\x95\xF0\x9F\x8E\xA5"},
    {"a noncharacter", Wide({0xFFFE}), "\xEF\xBF\xBE", "\xEF\xBF\xBE"},
    {"a lone high surrogate", Wide({'a', 0xD800, 'b'}), "a?b", "a?b"},
    {"a surrogate pair (not one in UTF-32)", Wide({0xD83D, 0xDE00}), "??", "??"},
    {"a byte escape", Wide({0xDCFF, 0xDC80}), "??", "\xFF\x80"},
    {"just outside the escapes", Wide({0xDC7F, 0xDD00}), "??", "??"},
    {"past U+10FFFF", Wide({0x110000}), "?", "?"},
    {"a negative wchar_t", std::wstring(1, static_cast<wchar_t>(-1)), "?", "?"},
};

TEST(Utf8Test, EncodesWhatUtf8CannotCarryAsQuestionMarks) {
    for (const EncodeCase& c : kEncodeCases) {
        EXPECT_EQ(WideToUtf8(c.wide), c.replacing) << c.what;
        EXPECT_EQ(EncodeUtf8Lossless(c.wide), c.lossless) << c.what;
    }
}

// Every byte string of up to two bytes, and every second byte after each lead of a longer
// form: the lossless form gives the bytes back, the replacing form gives only characters.
TEST(Utf8Test, EveryShortByteStringSurvivesTheLosslessRoundTrip) {
    std::vector<std::string> inputs;
    for (int a = 0; a < 256; ++a) {
        inputs.push_back(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b) inputs.push_back({static_cast<char>(a), static_cast<char>(b)});
    }
    for (int lead = 0xE0; lead <= 0xF7; ++lead)
        for (int second = 0; second < 256; ++second)
            inputs.push_back({static_cast<char>(lead), static_cast<char>(second), '\x80', '\x80'});
    for (const std::string& bytes : inputs) {
        const std::wstring lossless = DecodeUtf8Lossless(bytes);
        ASSERT_EQ(EncodeUtf8Lossless(lossless), bytes) << Hex(bytes);
        for (wchar_t c : Utf8ToWide(bytes)) {
            ASSERT_TRUE(c >= 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF)) << Hex(bytes);
        }
    }
}

// The signal-safe forms write into caller buffers, cut at a character boundary.
TEST(Utf8CoreTest, WideToUtf8IntoCutsAtACharacterAndKeepsTheForm) {
    struct Case {
        const wchar_t* text;
        size_t capacity;
        Utf8Form form;
        std::string expected;
    } cases[] = {
        {L"a录b", 16, Utf8Form::Replacing, "a\xE5\xBD\x95" "b"},
        {L"a录b", 4, Utf8Form::Replacing, "a"},
        {L"a录b", 5, Utf8Form::Replacing, "a\xE5\xBD\x95"},
        {L"x", 1, Utf8Form::Replacing, ""},
        {nullptr, 4, Utf8Form::Lossless, ""},
        {L"/tmp/\xDCFF.zip", 16, Utf8Form::Lossless, "/tmp/\xFF.zip"},
        {L"/tmp/\xDCFF.zip", 16, Utf8Form::Replacing, "/tmp/?.zip"},
    };
    for (const Case& c : cases) {
        char out[16];
        std::memset(out, 'X', sizeof out);
        const size_t length = WideToUtf8Into(c.text, out, c.capacity, c.form);
        EXPECT_EQ(std::string(out, length), c.expected) << c.expected;
        EXPECT_EQ(out[length], '\0') << c.expected;
    }
}

TEST(Utf8CoreTest, Utf8ToWideIntoCutsAtTheCapacityAndKeepsTheForm) {
    struct Case {
        const char* text;
        size_t capacity;
        Utf8Form form;
        std::wstring expected;
    } cases[] = {
        {"\xE5\xBD\x95\xF0\x9F\x98\x80", 8, Utf8Form::Replacing, Wide({0x5F55, 0x1F600})},
        {"\xE5\xBD\x95\xF0\x9F\x98\x80", 2, Utf8Form::Replacing, L"录"},
        {"a\xFF\xE5\xBD", 8, Utf8Form::Lossless, Wide({'a', 0xDCFF, 0xDCE5, 0xDCBD})},
        {"a\xFF\xE5\xBD", 8, Utf8Form::Replacing, L"a\uFFFD\uFFFD"},
        {nullptr, 8, Utf8Form::Replacing, L""},
    };
    for (const Case& c : cases) {
        wchar_t out[8];
        const size_t length = Utf8ToWideInto(c.text, out, c.capacity, c.form);
        EXPECT_EQ(std::wstring(out, length), c.expected) << (c.text ? c.text : "(null)");
        EXPECT_EQ(out[length], L'\0');
    }
}

TEST(Utf8CoreTest, Utf8ToUtf16LeIntoWritesPairsWholeOrNotAtAll) {
    struct Case {
        const char* text;
        size_t capacity;
        Utf8Form form;
        std::vector<uint8_t> expected;
    } cases[] = {
        {"a\xE5\xBD\x95", 16, Utf8Form::Replacing, {0x61, 0, 0x55, 0x5F}},
        {"a\xF0\x9F\x98\x80", 16, Utf8Form::Replacing, {0x61, 0, 0x3D, 0xD8, 0x00, 0xDE}},
        {"a\xF0\x9F\x98\x80", 5, Utf8Form::Replacing, {0x61, 0}},
        {"\xFF", 16, Utf8Form::Lossless, {0xFF, 0xDC}},
        {"\xFF", 16, Utf8Form::Replacing, {0xFD, 0xFF}},
        {nullptr, 16, Utf8Form::Replacing, {}},
    };
    for (const Case& c : cases) {
        uint8_t out[16];
        const size_t length = Utf8ToUtf16LeInto(c.text, out, c.capacity, c.form);
        EXPECT_EQ(std::vector<uint8_t>(out, out + length), c.expected) << (c.text ? c.text : "(null)");
    }
}

// The core needs no allocation and no library: it runs at compile time.
constexpr bool EncodesAtCompileTime() {
    char out[8] = {};
    return WideToUtf8Into(L"\x5F55\xDCFF", out, sizeof out, Utf8Form::Lossless) == 4 && out[3] == '\xFF';
}
static_assert(EncodesAtCompileTime());

}  // namespace
}  // namespace zovi::platform
