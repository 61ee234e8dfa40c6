#include <gtest/gtest.h>

#include <openssl/evp.h>
#include <openssl/provider.h>
#include <zlib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/digest/base64.h"
#include "core/digest/crc32.h"
#include "core/digest/md5.h"
#include "core/digest/rc2.h"

namespace {

std::vector<BYTE> FromHex(const std::string& hex) {
    std::vector<BYTE> out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out.push_back(BYTE(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

std::string ToHex(const BYTE* p, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; ++i) {
        s.push_back(kDigits[p[i] >> 4]);
        s.push_back(kDigits[p[i] & 15]);
    }
    return s;
}

TEST(Md5Test, MatchesTheStandardSuite) {
    const struct {
        const char* input;
        const wchar_t* digest;
    } cases[] = {
        {"", L"d41d8cd98f00b204e9800998ecf8427e"},
        {"a", L"0cc175b9c0f1b6a831c399e269772661"},
        {"abc", L"900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", L"f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", L"c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
         L"d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         L"57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        Md5Context context;
        std::memset(&context, 0xAB, sizeof(context));
        std::wstring hex;
        Md5HexDigest(context, c.input, std::strlen(c.input), hex);
        EXPECT_EQ(hex, c.digest) << c.input;
        // The digest stays at the start of the context and the rest is wiped.
        for (size_t i = 16; i < sizeof(context.bytes); ++i) ASSERT_EQ(context.bytes[i], 0) << i;
    }
}

TEST(Md5Test, LengthsAroundTheBlockEdgeMatchOpenSsl) {
    std::vector<BYTE> data(200);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i * 7 + 3);
    for (size_t n : {55u, 56u, 63u, 64u, 65u, 119u, 120u, 128u, 200u}) {
        Md5Context context;
        Md5Digest(context, data.data(), n);
        unsigned char expected[16];
        unsigned int length = 0;
        ASSERT_TRUE(EVP_Digest(data.data(), n, expected, &length, EVP_md5(), nullptr));
        EXPECT_EQ(ToHex(context.Digest(), 16), ToHex(expected, 16)) << n;
    }
}

TEST(Md5Test, HexKeepsLeadingZerosOfSmallBytes) {
    // "jk8ssl" hashes to a digest that begins with a zero byte.
    Md5Context context;
    std::wstring hex;
    Md5HexDigest(context, "jk8ssl", 6, hex);
    EXPECT_EQ(hex, L"0000000018e6137ac2caab16074784a6");
}

TEST(Crc32Test, IsTheBitwiseNotOfTheCommonValue) {
    EXPECT_EQ(Crc32("abc", 3), 0xCADBBE3Du);
    EXPECT_EQ(Crc32("", 0), 0xFFFFFFFFu);
    EXPECT_EQ(Crc32(nullptr, 5), 0xFFFFFFFFu);
    std::mt19937 rng(7);
    for (size_t n : {1u, 7u, 64u, 1000u, 65537u}) {
        std::vector<BYTE> data(n);
        for (auto& b : data) b = BYTE(rng());
        EXPECT_EQ(Crc32(data.data(), n), ~DWORD(crc32(0, data.data(), uInt(n)))) << n;
    }
}

TEST(Rc2Test, MatchesThePublishedVectors) {
    const struct {
        const char* key;
        UINT effectiveBits;
        const char* plain;
        const char* cipher;
    } cases[] = {
        {"0000000000000000", 63, "0000000000000000", "ebb773f993278eff"},
        {"ffffffffffffffff", 64, "ffffffffffffffff", "278b27e42e2f0d49"},
        {"3000000000000000", 64, "1000000000000001", "30649edf9be7d2c2"},
        {"88", 64, "0000000000000000", "61a8a244adacccf0"},
        {"88bca90e90875a", 64, "0000000000000000", "6ccf4308974c267f"},
        {"88bca90e90875a7f0f79c384627bafb2", 64, "0000000000000000", "1a807d272bbe5db1"},
        {"88bca90e90875a7f0f79c384627bafb2", 128, "0000000000000000", "2269552ab0f85ca6"},
        {"88bca90e90875a7f0f79c384627bafb216f80a6f85920584c42fceb0be255daf1e", 129,
         "0000000000000000", "5b78d3a43dfff1f1"},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> key = FromHex(c.key), block = FromHex(c.plain);
        Rc2Context context;
        ASSERT_TRUE(Rc2SetKey(context, key.data(), key.size(), c.effectiveBits));
        EXPECT_EQ(Rc2Encrypt(context, block.data(), block.size()), 8u);
        EXPECT_EQ(ToHex(block.data(), 8), c.cipher) << c.key << " " << c.effectiveBits;
        Rc2Decrypt(context, block.data(), block.size());
        EXPECT_EQ(ToHex(block.data(), 8), c.plain);
    }
}

// Standard RC2 in ECB from OpenSSL's legacy provider, with the full reduction step.
std::vector<BYTE> OpenSslRc2(const std::vector<BYTE>& key, int effectiveBits, std::vector<BYTE> data) {
    static OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
    static OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
    if (legacy == nullptr || standard == nullptr) return {};
    EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "RC2-ECB", nullptr);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    std::vector<BYTE> out(data.size() + 8);
    int outLength = 0;
    bool ok = cipher && EVP_EncryptInit_ex(ctx, cipher, nullptr, nullptr, nullptr) &&
              EVP_CIPHER_CTX_set_key_length(ctx, int(key.size())) &&
              EVP_CIPHER_CTX_ctrl(ctx, EVP_CTRL_SET_RC2_KEY_BITS, effectiveBits, nullptr) &&
              EVP_EncryptInit_ex(ctx, nullptr, nullptr, key.data(), nullptr) &&
              EVP_CIPHER_CTX_set_padding(ctx, 0) &&
              EVP_EncryptUpdate(ctx, out.data(), &outLength, data.data(), int(data.size()));
    EVP_CIPHER_CTX_free(ctx);
    EVP_CIPHER_free(cipher);
    if (!ok) return {};
    out.resize(size_t(outLength));
    return out;
}

TEST(Rc2Test, FullEffectiveBitsSkipTheReductionStep) {
    const std::vector<BYTE> key = FromHex("00112233445566778899aabbccddeeff");
    std::vector<BYTE> plain(16);
    for (size_t i = 0; i < plain.size(); ++i) plain[i] = BYTE(i * 13);

    Rc2Context full, zero, reduced;
    ASSERT_TRUE(Rc2SetKey(full, key.data(), key.size(), 1024));
    ASSERT_TRUE(Rc2SetKey(zero, key.data(), key.size(), 0));
    ASSERT_TRUE(Rc2SetKey(reduced, key.data(), key.size(), 1023));
    EXPECT_EQ(std::memcmp(full.key, zero.key, sizeof(full.key)), 0);
    // Without the reduction step the first key bytes are the key itself.
    EXPECT_EQ(full.key[0], WORD(key[0] | (key[1] << 8)));

    std::vector<BYTE> ours = plain, oursReduced = plain;
    Rc2Encrypt(full, ours.data(), ours.size());
    Rc2Encrypt(reduced, oursReduced.data(), oursReduced.size());
    const std::vector<BYTE> standard1024 = OpenSslRc2(key, 1024, plain);
    const std::vector<BYTE> standard1023 = OpenSslRc2(key, 1023, plain);
    ASSERT_EQ(standard1024.size(), 16u);
    EXPECT_NE(ours, standard1024);
    EXPECT_EQ(oursReduced, standard1023);
}

TEST(Rc2Test, NineBytesProcessTwoBlocksEachOnItsOwn) {
    const std::vector<BYTE> key = FromHex("0102030405060708090a0b0c0d0e0f10");
    Rc2Context context;
    ASSERT_TRUE(Rc2SetKey(context, key.data(), key.size(), 0));
    BYTE buffer[16] = {1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(Rc2Encrypt(context, buffer, 9), 16u);
    EXPECT_EQ(std::memcmp(buffer, buffer + 8, 8), 0);  // equal blocks, no chaining
    EXPECT_EQ(Rc2Decrypt(context, buffer, 9), 16u);
    EXPECT_EQ(buffer[15], 8);
}

TEST(Rc2Test, RejectsBadKeys) {
    Rc2Context context;
    BYTE key[129] = {};
    EXPECT_FALSE(Rc2SetKey(context, key, 0, 64));
    EXPECT_FALSE(Rc2SetKey(context, key, 129, 64));
    EXPECT_FALSE(Rc2SetKey(context, key, 8, 1025));
}

std::string PlainBase64(const std::vector<BYTE>& data) {
    std::string out(4 * ((data.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()), data.data(), int(data.size()));
    out.resize(size_t(n));
    return out;
}

TEST(Base64Test, LineBreaksFollowCompleteLinesOnly) {
    const struct {
        size_t inputLength;
        size_t outputLength;
        std::vector<size_t> breaks;  // offsets of each CR LF
    } cases[] = {
        {0, 0, {}},   {1, 4, {}},   {2, 4, {}},       {3, 4, {}},
        {56, 76, {}}, {57, 78, {76}}, {58, 82, {76}}, {60, 82, {76}},
        {114, 156, {76, 154}},
    };
    for (const auto& c : cases) {
        std::vector<BYTE> data(c.inputLength);
        for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i * 31 + 5);
        const std::string encoded = Base64Encode(data.data(), data.size());
        EXPECT_EQ(encoded.size(), c.outputLength) << c.inputLength;
        EXPECT_EQ(Base64EncodeGetRequiredLength(c.inputLength), c.outputLength);
        std::vector<size_t> breaks;
        std::string joined;
        for (size_t i = 0; i < encoded.size(); ++i) {
            if (encoded.compare(i, 2, "\r\n") == 0) {
                breaks.push_back(i);
                ++i;
            } else {
                joined.push_back(encoded[i]);
            }
        }
        EXPECT_EQ(breaks, c.breaks) << c.inputLength;
        EXPECT_EQ(joined, PlainBase64(data)) << c.inputLength;
        EXPECT_EQ(Base64Decode(encoded.data(), encoded.size()),
                  std::string(data.begin(), data.end()));
    }
}

TEST(Base64Test, EncodesKnownTextAndFailsOnSmallBuffer) {
    EXPECT_EQ(Base64Encode("tntotp", 6), "dG50b3Rw");
    char out[8];
    size_t length = 7;
    EXPECT_FALSE(Base64Encode(reinterpret_cast<const BYTE*>("tntotp"), 6, out, &length));
    EXPECT_EQ(length, 7u);
    length = 8;
    EXPECT_TRUE(Base64Encode(reinterpret_cast<const BYTE*>("tntotp"), 6, out, &length));
    EXPECT_EQ(std::string(out, length), "dG50b3Rw");
}

TEST(Base64Test, DecodeSkipsForeignCharactersAndStopsAtNul) {
    const struct {
        std::string text;
        std::string bytes;
    } cases[] = {
        {"dG50b3Rw", "tntotp"},
        {"dG50\r\nb3Rw", "tntotp"},
        {"YQ==", "a"},
        {"YWI=", "ab"},
        {std::string("YWJj\0ZGVm", 9), "abc"},
        {"Y!W*J j", "abc"},
    };
    for (const auto& c : cases) EXPECT_EQ(Base64Decode(c.text.data(), c.text.size()), c.bytes) << c.text;
}

}  // namespace
