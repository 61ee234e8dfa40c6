#include <gtest/gtest.h>

#include <sys/resource.h>

#include <csignal>
#include <cstdlib>

#include "core/store/tests/store_test_util.h"

namespace {

using namespace zovi::testing;

std::string Payload(DWORD key, DWORD column, size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = char(key * 31 + column * 7 + i);
    return bytes;
}

bool PutString(CRecordStore& store, DWORD key, DWORD column, const std::string& value) {
    return store.Put(key, column, value.data(), DWORD(value.size()), 0);
}

std::string Le32(DWORD v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = char(v >> (8 * i));
    return s;
}

TEST(RecordStoreTest, WritesTheRecordLayoutByteForByte) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(PutString(store, 1, 0, "abc"));
    ASSERT_TRUE(store.Put(1, 5, nullptr, 0, 0x11223344));
    store.Close(0);
    const std::string expected = std::string("OVP1") + Le32(1) + Le32(0) + Le32(0xCADBBE3D) + Le32(3) + Le32(0) +
                                 Le32(0) + "abc" + std::string(5, '\0') + "OVP1" + Le32(1) + Le32(5) +
                                 Le32(0xFFFFFFFF) + Le32(0) + Le32(0x11223344) + Le32(0);
    EXPECT_EQ(ReadRaw(folder.File("h.dat")), expected);
}

TEST(RecordStoreTest, SkipsIdenticalValuesAndTheNewestValueWins) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(PutString(store, 3, 2, "first"));
    const ULONGLONG size = store.GetFileSize();
    ASSERT_TRUE(PutString(store, 3, 2, "first"));
    EXPECT_EQ(store.GetFileSize(), size);
    ASSERT_TRUE(PutString(store, 3, 2, "second"));
    EXPECT_EQ(store.GetFileSize(), size + 28 + 8);
    EXPECT_EQ(GetString(store, 3, 2), "second");
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    EXPECT_EQ(GetString(store, 3, 2), "second");
    bool found = true;
    GetString(store, 3, 1, &found);
    EXPECT_FALSE(found);
}

TEST(RecordStoreTest, EmptyPayloadsReadBackEmpty) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(store.Put(1, 1, "", 0, 0));
    bool found = false;
    EXPECT_EQ(GetString(store, 1, 1, &found), "");
    EXPECT_TRUE(found);
    zovi::core::CBuffer buffer;
    buffer.Append("xy", 2);
    EXPECT_TRUE(store.Get(1, 1, buffer));
    EXPECT_EQ(buffer.Size(), 2u);
}

TEST(RecordStoreTest, DeleteMarksRecordsAndKeysFollowTheIndex) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    EXPECT_EQ(store.NextKey(), 0u);  // closed
    EXPECT_EQ(store.GetFileSize(), 0u);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    std::vector<DWORD> keys;
    EXPECT_FALSE(store.GetKeys(keys));
    EXPECT_EQ(store.NextKey(), 1u);
    ASSERT_TRUE(PutString(store, 7, 0, "seven"));
    ASSERT_TRUE(PutString(store, 1, 0, "one"));
    ASSERT_TRUE(PutString(store, 1, 1, "uno"));
    EXPECT_EQ(store.NextKey(), 8u);
    ASSERT_TRUE(store.GetKeys(keys));
    EXPECT_EQ(keys, (std::vector<DWORD>{1, 7}));
    EXPECT_FALSE(store.Delete({4}));
    EXPECT_TRUE(store.Delete({7}));
    EXPECT_EQ(store.NextKey(), 2u);
    store.Close(0);
    const std::string raw = ReadRaw(folder.File("h.dat"));
    EXPECT_EQ(raw.substr(24, 4), Le32(1));  // key 7 was the first record
    EXPECT_EQ(raw.substr(36 + 24, 4), Le32(0));
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(store.GetKeys(keys));
    EXPECT_EQ(keys, (std::vector<DWORD>{1}));
    EXPECT_EQ(GetString(store, 1, 1), "uno");
}

TEST(RecordStoreTest, ADeletedReplacedValueDoesNotComeBack) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(PutString(store, 2, 0, "old"));
    ASSERT_TRUE(PutString(store, 2, 0, "new"));
    ASSERT_TRUE(store.Delete({2}));
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    std::vector<DWORD> keys;
    EXPECT_FALSE(store.GetKeys(keys));
}

TEST(RecordStoreTest, OpenFlagsChooseTheDisposition) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    EXPECT_FALSE(store.Open(folder.WideFile("missing.dat"), kRecordStoreMustExist));
    EXPECT_EQ(store.NextKey(), 0u);
    EXPECT_FALSE(PutString(store, 1, 0, "x"));
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(PutString(store, 1, 0, "x"));
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), kRecordStoreMustExist));
    EXPECT_EQ(GetString(store, 1, 0), "x");
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), kRecordStoreMustExist | kRecordStoreEmpty));
    EXPECT_EQ(store.NextKey(), 1u);
    ASSERT_TRUE(PutString(store, 1, 0, "x"));
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), kRecordStoreEmpty));
    EXPECT_EQ(store.GetFileSize(), 0u);
}

// Three records with keys 1, 2, 3; returns the file and the offset of the third.
std::string ThreeRecords(const CTempFolder& folder, size_t* third) {
    CRecordStore store(kHistoryIdentity);
    store.Open(folder.WideFile("h.dat"), kRecordStoreEmpty);
    PutString(store, 1, 0, Payload(1, 0, 13));
    PutString(store, 2, 0, Payload(2, 0, 40));
    *third = size_t(store.GetFileSize());
    PutString(store, 3, 0, Payload(3, 0, 21));
    store.Close(0);
    return ReadRaw(folder.File("h.dat"));
}

TEST(RecordStoreTest, DamageKeepsEveryRecordBeforeItAndAppendsStillWork) {
    const struct {
        const char* name;
        std::function<std::string(const std::string& file, size_t third)> damage;
    } cases[] = {
        {"header cut after 1 byte", [](const std::string& f, size_t t) { return f.substr(0, t + 1); }},
        {"header cut after 3 bytes", [](const std::string& f, size_t t) { return f.substr(0, t + 3); }},
        {"header cut after 27 bytes", [](const std::string& f, size_t t) { return f.substr(0, t + 27); }},
        {"payload cut", [](const std::string& f, size_t t) { return f.substr(0, t + 30); }},
        {"padding cut", [](const std::string& f, size_t) { return f.substr(0, f.size() - 1); }},
        {"size field past the end",
         [](const std::string& f, size_t t) { return f.substr(0, t + 16) + Le32(0xFFFFFFFD) + f.substr(t + 20); }},
        {"size field a little past the end",
         [](const std::string& f, size_t t) { return f.substr(0, t + 16) + Le32(25) + f.substr(t + 20); }},
        {"identity damaged", [](const std::string& f, size_t t) { return f.substr(0, t) + "XVP1" + f.substr(t + 4); }},
        {"garbage instead", [](const std::string& f, size_t t) { return f.substr(0, t) + std::string(100, '\x5A'); }},
        {"zeros instead", [](const std::string& f, size_t t) { return f.substr(0, t) + std::string(64, '\0'); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempFolder folder;
        size_t third = 0;
        const std::string intact = ThreeRecords(folder, &third);
        WriteRaw(folder.File("h.dat"), c.damage(intact, third));

        CRecordStore store(kHistoryIdentity);
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        EXPECT_EQ(store.GetFileSize(), third);
        EXPECT_EQ(GetString(store, 1, 0), Payload(1, 0, 13));
        EXPECT_EQ(GetString(store, 2, 0), Payload(2, 0, 40));
        bool found = true;
        GetString(store, 3, 0, &found);
        EXPECT_FALSE(found);
        ASSERT_TRUE(PutString(store, 4, 1, "after"));
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        std::vector<DWORD> keys;
        ASSERT_TRUE(store.GetKeys(keys));
        EXPECT_EQ(keys, (std::vector<DWORD>{1, 2, 4}));
        EXPECT_EQ(GetString(store, 4, 1), "after");
        EXPECT_EQ(GetString(store, 2, 0), Payload(2, 0, 40));
    }
}

TEST(RecordStoreTest, HeadersAcrossViewEndsLoad) {
    CTempFolder folder;
    CRecordStore::SetViewSizeForTesting(4096);
    {
        CRecordStore store(kHistoryIdentity);
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        for (DWORD key = 1; key <= 400; ++key) ASSERT_TRUE(PutString(store, key, key % 3, Payload(key, 0, key % 61)));
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        for (DWORD key = 1; key <= 400; ++key) ASSERT_EQ(GetString(store, key, key % 3), Payload(key, 0, key % 61)) << key;
        EXPECT_EQ(store.NextKey(), 401u);
    }
    CRecordStore::SetViewSizeForTesting(0);
}

TEST(RecordStoreTest, CompactionKeepsOnlyLiveRecordsInKeyOrder) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    ASSERT_TRUE(PutString(store, 9, 0, "nine"));
    ASSERT_TRUE(PutString(store, 2, 1, "two-old"));
    ASSERT_TRUE(PutString(store, 5, 0, "five"));
    ASSERT_TRUE(PutString(store, 2, 1, "two"));
    ASSERT_TRUE(store.Put(2, 2, nullptr, 0, 0));  // empty values are dropped
    ASSERT_TRUE(store.Delete({5}));
    ASSERT_TRUE(store.Close(kRecordStoreCloseCompact | kRecordStoreCloseDeleteEmpty));
    const std::string raw = ReadRaw(folder.File("h.dat"));
    const std::string expected = std::string("OVP1") + Le32(2) + Le32(1) + Le32(0) + Le32(3) + Le32(0) + Le32(0) +
                                 "two" + std::string(5, '\0') + "OVP1" + Le32(9) + Le32(0) + Le32(0) + Le32(4) +
                                 Le32(0) + Le32(0) + "nine" + std::string(4, '\0');
    ASSERT_EQ(raw.size(), expected.size());
    // The CRC fields differ from the placeholder zeros; compare everything else.
    std::string masked = raw;
    masked.replace(12, 4, Le32(0));
    masked.replace(36 + 12, 4, Le32(0));
    EXPECT_EQ(masked, expected);
    EXPECT_FALSE(std::filesystem::exists(folder.File("h.dat.tmp")));

    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    EXPECT_EQ(GetString(store, 2, 1), "two");
    EXPECT_EQ(GetString(store, 9, 0), "nine");
    ASSERT_TRUE(store.Delete({2, 9}));
    ASSERT_TRUE(store.Close(kRecordStoreCloseCompact | kRecordStoreCloseDeleteEmpty));
    EXPECT_FALSE(std::filesystem::exists(folder.File("h.dat")));
}

TEST(RecordStoreDeathTest, AnEndBetweenCompactionStepsLeavesAWholeStore) {
    ::testing::FLAGS_gtest_death_test_style = "fast";  // the child works on this test's folder
    for (int step : {1, 2, 3}) {
        SCOPED_TRACE(step);
        CTempFolder folder;
        {
            CRecordStore store(kHistoryIdentity);
            ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
            for (DWORD key = 1; key <= 50; ++key) ASSERT_TRUE(PutString(store, key, 0, Payload(key, 0, key)));
            ASSERT_TRUE(store.Delete({10, 20, 30}));
            store.Close(0);
        }
        EXPECT_EXIT(
            {
                CRecordStore::SetCompactionStepHookForTesting([step](int at) {
                    if (at == step) std::_Exit(7);
                });
                CRecordStore store(kHistoryIdentity);
                store.Open(folder.WideFile("h.dat"), 0);
                store.Close(kRecordStoreCloseCompact);
                std::_Exit(0);
            },
            ::testing::ExitedWithCode(7), "");
        CRecordStore store(kHistoryIdentity);
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), kRecordStoreMustExist));
        std::vector<DWORD> keys;
        ASSERT_TRUE(store.GetKeys(keys));
        EXPECT_EQ(keys.size(), 47u);
        for (DWORD key : keys) EXPECT_EQ(GetString(store, key, 0), Payload(key, 0, key)) << key;
    }
}

// Lets the calling process write files of at most `bytes` bytes; a longer write is cut
// short (EFBIG) instead of raising SIGXFSZ.
void LimitFileSize(rlim_t bytes) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{bytes, bytes};
    setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(RecordStoreDeathTest, AFailedAppendLeavesNoPartialRecord) {
    ::testing::FLAGS_gtest_death_test_style = "fast";  // the child works on this test's folder
    CTempFolder folder;
    EXPECT_EXIT(
        {
            CRecordStore store(kHistoryIdentity);
            store.Open(folder.WideFile("h.dat"), 0);
            for (DWORD key = 1; key <= 10; ++key) PutString(store, key, 0, Payload(key, 0, 40));
            const ULONGLONG before = store.GetFileSize();
            LimitFileSize(before + 100);
            const bool failed = !PutString(store, 11, 0, Payload(11, 0, 500));
            const bool cutBack = store.GetFileSize() == before;
            const bool appended = PutString(store, 12, 0, Payload(12, 0, 20));
            std::_Exit(failed && cutBack && appended ? 3 : 4);
        },
        ::testing::ExitedWithCode(3), "");
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), kRecordStoreMustExist));
    std::vector<DWORD> keys;
    ASSERT_TRUE(store.GetKeys(keys));
    EXPECT_EQ(keys, (std::vector<DWORD>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}));
    EXPECT_EQ(GetString(store, 12, 0), Payload(12, 0, 20));
}

TEST(RecordStoreDeathTest, AFailedCompactionKeepsTheStore) {
    ::testing::FLAGS_gtest_death_test_style = "fast";  // the child works on this test's folder
    CTempFolder folder;
    {
        CRecordStore store(kHistoryIdentity);
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        for (DWORD key = 1; key <= 40; ++key) ASSERT_TRUE(PutString(store, key, 0, Payload(key, 0, 100)));
        ASSERT_TRUE(store.Delete({1}));
    }
    const std::string before = ReadRaw(folder.File("h.dat"));
    EXPECT_EXIT(
        {
            CRecordStore store(kHistoryIdentity);
            store.Open(folder.WideFile("h.dat"), 0);
            LimitFileSize(1000);  // the copy cannot be written whole
            store.Close(kRecordStoreCloseCompact);
            std::_Exit(3);
        },
        ::testing::ExitedWithCode(3), "");
    EXPECT_EQ(ReadRaw(folder.File("h.dat")), before);
    EXPECT_FALSE(std::filesystem::exists(folder.File("h.dat.tmp")));
}

}  // namespace
