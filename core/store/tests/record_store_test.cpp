#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
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

// Five records with keys 1 to 5 (payloads of several lengths, so padding varies); returns
// the file and the offset of each record.
std::string FiveRecords(const CTempFolder& folder, std::vector<size_t>* offsets) {
    static const size_t kSizes[] = {13, 40, 21, 0, 9};
    CRecordStore store(kHistoryIdentity);
    store.Open(folder.WideFile("h.dat"), kRecordStoreEmpty);
    for (DWORD key = 1; key <= 5; ++key) {
        offsets->push_back(size_t(store.GetFileSize()));
        PutString(store, key, 0, Payload(key, 0, kSizes[key - 1]));
    }
    store.Close(0);
    return ReadRaw(folder.File("h.dat"));
}

std::string Replace(const std::string& f, size_t at, const std::string& bytes) {
    return f.substr(0, at) + bytes + f.substr(at + bytes.size());
}

// The faults this guards: one bad record cut everything after it away on a mere open (a
// flipped identity word emptied a whole history), a size field of 0xFFFFFFFF hid every
// later record, and a changed payload was handed out as if sound.
TEST(RecordStoreTest, DamageCostsOnlyTheDamagedRecordsAndOpeningChangesNoByte) {
    using Damage = std::function<std::string(const std::string& file, const std::vector<size_t>& at)>;
    const struct {
        const char* name;
        Damage damage;
        std::vector<DWORD> lost;  // keys whose record is damaged
        bool torn;                // the tail is an incomplete record, cut by the next Put
    } cases[] = {
        {"identity of the first record", [](auto& f, auto& at) { return Replace(f, at[0], "OVQ1"); }, {1}, false},
        {"identity of a middle record", [](auto& f, auto& at) { return Replace(f, at[2], "XVP1"); }, {3}, false},
        {"identity of the last record", [](auto& f, auto& at) { return Replace(f, at[4] + 1, "W"); }, {5}, false},
        {"size field 0xFFFFFFFF", [](auto& f, auto& at) { return Replace(f, at[2] + 16, Le32(0xFFFFFFFF)); }, {3},
         false},
        {"size field a little larger", [](auto& f, auto& at) { return Replace(f, at[1] + 16, Le32(41)); }, {2},
         false},
        {"size field smaller", [](auto& f, auto& at) { return Replace(f, at[1] + 16, Le32(8)); }, {2}, false},
        {"a payload byte", [](auto& f, auto& at) { return Replace(f, at[1] + 28 + 17, "\x01"); }, {2}, false},
        {"the CRC field", [](auto& f, auto& at) { return Replace(f, at[3] + 12, Le32(0)); }, {4}, false},
        {"garbage between records",
         [](auto& f, auto& at) { return f.substr(0, at[2]) + std::string(36, '\x5A') + f.substr(at[2]); }, {}, false},
        {"header cut after 3 bytes", [](auto& f, auto& at) { return f.substr(0, at[4] + 3); }, {5}, true},
        {"header cut after 27 bytes", [](auto& f, auto& at) { return f.substr(0, at[4] + 27); }, {5}, true},
        {"payload cut", [](auto& f, auto& at) { return f.substr(0, at[4] + 30); }, {5}, true},
        {"padding cut", [](auto& f, auto&) { return f.substr(0, f.size() - 1); }, {5}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTempFolder folder;
        std::vector<size_t> at;
        const std::string damaged = c.damage(FiveRecords(folder, &at), at);
        WriteRaw(folder.File("h.dat"), damaged);
        std::vector<DWORD> kept;
        for (DWORD key = 1; key <= 5; ++key)
            if (std::find(c.lost.begin(), c.lost.end(), key) == c.lost.end()) kept.push_back(key);
        static const size_t kSizes[] = {13, 40, 21, 0, 9};

        CRecordStore store(kHistoryIdentity);
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        EXPECT_EQ(ReadRaw(folder.File("h.dat")), damaged) << "opening changed the file";
        std::vector<DWORD> keys;
        store.GetKeys(keys);
        EXPECT_EQ(keys, kept);
        for (DWORD key : kept) EXPECT_EQ(GetString(store, key, 0), Payload(key, 0, kSizes[key - 1])) << key;
        EXPECT_EQ(ReadRaw(folder.File("h.dat")), damaged) << "reading changed the file";

        // A writer appends where the next load finds it; only a torn tail is cut.
        ASSERT_TRUE(PutString(store, 9, 1, "after"));
        const std::string written = ReadRaw(folder.File("h.dat"));
        if (c.torn) {
            EXPECT_EQ(written.substr(0, at[4]), damaged.substr(0, at[4]));
            EXPECT_EQ(written.size(), at[4] + 28 + 8);
        } else {
            EXPECT_EQ(written.substr(0, damaged.size()), damaged);
        }
        ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
        kept.push_back(9);
        ASSERT_TRUE(store.GetKeys(keys));
        EXPECT_EQ(keys, kept);
        EXPECT_EQ(GetString(store, 9, 1), "after");
    }
}

// The fault this guards: bytes changed on disk after the load were handed out as the value.
TEST(RecordStoreTest, AValueChangedOnDiskAfterTheLoadIsNotReturned) {
    CTempFolder folder;
    std::vector<size_t> at;
    FiveRecords(folder, &at);
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    {
        std::fstream file(folder.File("h.dat"), std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(std::streamoff(at[1] + 28 + 3));
        file.put('\x7F');
    }
    bool found = true;
    EXPECT_EQ(GetString(store, 2, 0, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(GetString(store, 3, 0), Payload(3, 0, 21));
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
