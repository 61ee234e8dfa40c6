// The stored-text encoding: known vectors, line breaking and damaged input.
#include <gtest/gtest.h>

#include <string>

#include "online/account/account_context.h"

namespace {

using Context = CAccountContextController;

TEST(StoredTextTest, EncodesKnownVectorsWithTheLineRule) {
    struct Case {
        std::string text;
        std::string stored;
    } cases[] = {{"", ""}, {"a", "dG4="}, {"abc", "dG50b3Rw"}};
    for (const Case& c : cases) EXPECT_EQ(Context::EncodeStoredText(c.text), c.stored) << c.text;

    // 28 bytes: 72 characters of whole groups and the padded group, no break.
    const std::string full = Context::EncodeStoredText(std::string(28, 'a'));
    EXPECT_EQ(full.size(), 76u);
    EXPECT_EQ(full.find('\r'), std::string::npos);
    EXPECT_EQ(full.back(), '=');
    // 29 bytes: one complete line of 76, CR LF, then the padded last group.
    const std::string broken = Context::EncodeStoredText(std::string(29, 'a'));
    ASSERT_EQ(broken.size(), 76u + 2 + 4);
    EXPECT_EQ(broken.find('\r'), 76u);
    EXPECT_EQ(broken.substr(76, 2), "\r\n");
    EXPECT_EQ(broken.substr(80), "==");
}

TEST(StoredTextTest, DecodesWhatItEncodesAndRefusesDamage) {
    struct Case {
        std::string stored;
        std::string text;
    } cases[] = {
        {"", ""},
        {"dG50b3Rw", "abc"},
        {"dG50\r\nb3Rw", "abc"},
        {"dG50b3Rw==", "abc"},
        {"dG4", "a"},                             // a last group of three characters
        {"dA==", ""},                             // one byte: an odd count decodes to nothing
        {std::string("dG50\0b3Rw", 9), ""},       // stops at the NUL: three bytes, odd
        {"!!!", ""},                              // nothing of the alphabet
    };
    for (const Case& c : cases) EXPECT_EQ(Context::DecodeStoredText(c.stored), c.text) << c.stored;

    std::string every;
    for (int b = 0; b < 256; ++b) every += static_cast<char>(b);
    for (const std::string& text : {every, std::string("a\0b", 3), std::string(200, 'x'),
                                    std::string("{\"nick\":\"昵称\"}\n")}) {
        EXPECT_EQ(Context::DecodeStoredText(Context::EncodeStoredText(text)), text);
    }
}

TEST(StoredTextTest, PairDecodingTakesWholePairsOnly) {
    EXPECT_EQ(Context::DecodePairText(""), "");
    EXPECT_EQ(Context::DecodePairText("tno"), "");
    EXPECT_EQ(Context::DecodePairText("tntotp"), "abc");
    // Any pair decodes, not only the encoder's alphabet.
    EXPECT_EQ(Context::DecodePairText(std::string("\xFE\xFD", 2)), std::string(1, '\0'));
}

}  // namespace
