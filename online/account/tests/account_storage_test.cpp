// The account storage file in a private data folder: round trips, what is rewritten and
// when, the file's layout, and damaged files that must load nothing and stay untouched.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <json/value.h>

#include "core/digest/rc2.h"
#include "core/files/data_folder.h"
#include "core/options/tests/settings_store_fixture.h"
#include "online/account/account_storage.h"
#include "platform/base/utf8.h"
#include "platform/stream/buffer.h"
#include "platform/stream/zip_writer.h"

namespace fs = std::filesystem;

namespace {

using zovi::core::CBuffer;
using zovi::core::CZipWriter;

constexpr BYTE kKey[16] = {0x5a, 0x3c, 0x9e, 0x17, 0xb2, 0xd8, 0x4f, 0x60,
                           0xa1, 0xc7, 0xe9, 0x3b, 0x08, 0xd2, 0x6f, 0x4e};

// The file key's schedule; `literal` applies RFC 2268's last step at 1024 bits too
// (L[0] replaced by PITABLE[L[0]]), which files must not be written or read with.
Rc2Context FileKey(bool literal) {
    Rc2Context context{};
    Rc2SetKey(context, kKey, sizeof(kKey), 1024);
    if (literal) {
        // A one-byte key x expands to L[1] = PITABLE[2x]: PITABLE[0x5a] from x = 0x2d.
        Rc2Context probe{};
        const BYTE half = kKey[0] / 2;
        Rc2SetKey(probe, &half, 1, 1024);
        context.key[0] = static_cast<WORD>((context.key[0] & 0xFF00) | (probe.key[0] >> 8));
    }
    return context;
}

// Enciphers or deciphers a whole file's bytes with the file key.
std::string Cipher(std::string bytes, bool encrypt, bool literal = false) {
    const Rc2Context context = FileKey(literal);
    auto* data = reinterpret_cast<BYTE*>(bytes.data());
    encrypt ? Rc2Encrypt(context, data, bytes.size()) : Rc2Decrypt(context, data, bytes.size());
    return bytes;
}

// A zip archive in memory with one entry (named `entry`) holding `text`.
std::string Archive(const std::string& text, const char* entry = kAccountStorageEntry) {
    if (std::string(entry) == kAccountStorageEntry) {
        CBuffer archive;
        CZipWriter zip;
        EXPECT_TRUE(zip.CreateArchive(&archive));
        EXPECT_TRUE(zip.WriteEntry(text.data(), static_cast<uint32_t>(text.size())));
        zip.CloseArchive();
        return std::string(reinterpret_cast<const char*>(archive.Data()), archive.Size());
    }
    // Another entry name: through a file on disk.
    const fs::path folder = fs::temp_directory_path() / ("zovi-account-zip-" + std::to_string(getpid()));
    fs::create_directories(folder);
    std::ofstream(folder / "source") << text;
    const std::string zipPath = (folder / "a.zip").string();
    {
        CZipWriter zip;
        EXPECT_TRUE(zip.Open(zipPath.c_str()));
        EXPECT_TRUE(zip.AddFile(zovi::platform::Utf8ToWide(entry).c_str(), (folder / "source").string().c_str()));
        zip.CloseArchive();
    }
    std::ifstream in(zipPath, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    fs::remove_all(folder);
    return bytes.str();
}

// The deciphered file layout: length, archive, zeros up to a multiple of 8.
std::string Layout(const std::string& archive, uint32_t length) {
    std::string plain(4, '\0');
    for (int i = 0; i < 4; ++i) plain[i] = static_cast<char>(length >> (8 * i));
    plain += archive;
    plain.resize((plain.size() + 7) / 8 * 8, '\0');
    return plain;
}

std::string FileFor(const std::string& text) {
    const std::string archive = Archive(text);
    return Cipher(Layout(archive, static_cast<uint32_t>(archive.size())), true);
}

class AccountStorageTest : public SettingsStoreTest {
protected:
    static fs::path FilePath() {
        return fs::path(zovi::platform::EncodeUtf8Lossless(GetAccountDataPath())) / "v1.ctx";
    }
    static void WriteFile(const std::string& bytes) {
        fs::create_directories(FilePath().parent_path());
        std::ofstream(FilePath(), std::ios::binary) << bytes;
    }
    static std::string ReadFile() {
        std::ifstream in(FilePath(), std::ios::binary);
        std::stringstream bytes;
        bytes << in.rdbuf();
        return bytes.str();
    }
    // The entry's text of the stored file.
    static std::string StoredText() {
        const std::string plain = Cipher(ReadFile(), false);
        uint32_t n = 0;
        std::memcpy(&n, plain.data(), 4);
        CZipWriter zip;
        zip.Stream().Write(plain.data() + 4, n, nullptr);
        CBuffer entry;
        if (!zip.OpenReader() || !zip.ReadEntry(entry)) return "<unreadable>";
        return std::string(reinterpret_cast<const char*>(entry.Data()), entry.Size());
    }
};

Json::Value SampleDocument() {
    Json::Value document(Json::objectValue);
    document["zeta"] = "录屏";
    document["alpha"] = Json::Value(Json::arrayValue);
    document["alpha"].append(1);
    document["alpha"].append(Json::UInt64(18446744073709551615ull));
    document["mid"]["nested"] = true;
    return document;
}

TEST_F(AccountStorageTest, NoFileLoadsNothingAndIsNeverCreated) {
    {
        CAccountStorageController storage;
        EXPECT_FALSE(storage.Load());
        EXPECT_TRUE(storage.Document().isNull());
        EXPECT_TRUE(fs::is_directory(FilePath().parent_path()));
        EXPECT_EQ(storage.Path(), GetAccountDataPath() + L"/v1.ctx");
        EXPECT_FALSE(storage.Save());
    }
    EXPECT_FALSE(fs::exists(FilePath()));
    // Not loaded at all: nothing to save either.
    CAccountStorageController unloaded;
    unloaded.Document() = SampleDocument();
    EXPECT_FALSE(unloaded.Save());
}

TEST_F(AccountStorageTest, RoundTripPerUserWithTheFileLayout) {
    std::map<std::string, std::string> files;
    for (const char* user : {"first", "second"}) {
        SCOPED_TRACE(user);
        TearDown();
        SetUp();
        Json::Value document = SampleDocument();
        document["user"] = user;
        {
            CAccountStorageController storage;
            EXPECT_FALSE(storage.Load());
            storage.Document() = document;
        }  // saved when destroyed
        const std::string bytes = ReadFile();
        ASSERT_GE(bytes.size(), 8u);
        EXPECT_EQ(bytes.size() % 8, 0u);
        struct stat info {};
        ASSERT_EQ(stat(FilePath().c_str(), &info), 0);
        EXPECT_EQ(info.st_mode & 0777, 0600u);
        // Deciphered: the archive's length, the archive, then only zeros.
        const std::string plain = Cipher(bytes, false);
        uint32_t n = 0;
        std::memcpy(&n, plain.data(), 4);
        ASSERT_LE(n + 4u, plain.size());
        EXPECT_LT(plain.size() - (n + 4u), 8u);
        EXPECT_EQ(plain.substr(n + 4), std::string(plain.size() - (n + 4), '\0'));
        EXPECT_EQ(StoredText(), "{\"alpha\":[1,18446744073709551615],\"mid\":{\"nested\":true},\"user\":\"" +
                                    std::string(user) + "\",\"zeta\":\"录屏\"}\n");
        files[user] = bytes;

        // Loaded again, unchanged: the file is left exactly as it was.
        {
            CAccountStorageController storage;
            ASSERT_TRUE(storage.Load());
            EXPECT_EQ(storage.Document(), document);
            EXPECT_TRUE(storage.Save());
        }
        EXPECT_EQ(ReadFile(), bytes);
    }
    EXPECT_NE(files["first"], files["second"]);
}

TEST_F(AccountStorageTest, TextWithWhiteSpaceIsRewrittenCompactly) {
    WriteFile(FileFor("{ \"b\" : [ 1, 2 ],\n  \"a\" : \"x\" }"));
    const std::string before = ReadFile();
    Json::Value loaded;
    {
        CAccountStorageController storage;
        ASSERT_TRUE(storage.Load());
        loaded = storage.Document();
    }
    EXPECT_NE(ReadFile(), before);
    EXPECT_EQ(StoredText(), "{\"a\":\"x\",\"b\":[1,2]}\n");
    CAccountStorageController again;
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.Document(), loaded);
}

TEST_F(AccountStorageTest, DamagedFilesLoadNothingAndStayUntouched) {
    // The two schedules' known answers for a zero block.
    const auto hex = [](const std::string& bytes) {
        std::string text;
        for (unsigned char b : bytes) {
            text += "0123456789abcdef"[b >> 4];
            text += "0123456789abcdef"[b & 15];
        }
        return text;
    };
    ASSERT_EQ(hex(Cipher(std::string(8, '\0'), true)), "de51cd9a1c4462b5");
    ASSERT_EQ(hex(Cipher(std::string(8, '\0'), true, true)), "657e3a4aeb327ea2");

    const std::string good = FileFor("{\"a\":1}\n");
    const std::string archive = Archive("{\"a\":1}\n");
    const std::string otherEntry = Archive("{\"a\":1}\n", "Other");
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"truncated to whole blocks", good.substr(0, good.size() / 16 * 8)},
        {"length not a multiple of 8", good.substr(0, good.size() - 3)},
        {"one byte", "x"},
        {"garbage", std::string(64, '\x5a')},
        {"length prefix past the end", Cipher(Layout(archive, static_cast<uint32_t>(archive.size()) + 64), true)},
        {"length prefix that wraps", Cipher(Layout(archive, 0xFFFFFFFEu), true)},
        {"not enciphered", Layout(archive, static_cast<uint32_t>(archive.size()))},
        {"zip without the entry", Cipher(Layout(otherEntry, static_cast<uint32_t>(otherEntry.size())), true)},
        {"RFC 2268 schedule taken literally",
         Cipher(Layout(archive, static_cast<uint32_t>(archive.size())), true, true)},
        {"truncated JSON", FileFor("{\"a\":[1,2,{\"b\":")},
        {"JSON then garbage in a member", FileFor("{\"a\":1,\"b\":}")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(c.bytes);
        {
            CAccountStorageController storage;
            EXPECT_FALSE(storage.Load());
            EXPECT_TRUE(storage.Document().isNull());
            EXPECT_FALSE(storage.Save());
        }
        EXPECT_EQ(ReadFile(), c.bytes);
    }
    // The good file itself loads.
    WriteFile(good);
    CAccountStorageController storage;
    EXPECT_TRUE(storage.Load());
    EXPECT_EQ(storage.Document()["a"], 1);
}

}  // namespace
