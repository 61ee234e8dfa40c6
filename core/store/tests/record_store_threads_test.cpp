#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/store/tests/store_test_util.h"

namespace {

using namespace zovi::testing;

TEST(RecordStoreThreadsTest, ReadersAndAWriterRunTogether) {
    CTempFolder folder;
    CRecordStore store(kHistoryIdentity);
    ASSERT_TRUE(store.Open(folder.WideFile("h.dat"), 0));
    for (DWORD key = 1; key <= 20; ++key) {
        const std::string value(key * 3, char('a' + key));
        ASSERT_TRUE(store.Put(key, 0, value.data(), DWORD(value.size()), 0));
    }
    std::atomic<bool> stop{false}, wrong{false};
    auto reader = [&] {
        while (!stop) {
            for (DWORD key = 1; key <= 20; ++key) {
                if (GetString(store, key, 0) != std::string(key * 3, char('a' + key))) wrong = true;
            }
        }
    };
    std::thread first(reader), second(reader);
    for (DWORD key = 100; key < 400; ++key) {
        const std::string value(key % 50, 'w');
        ASSERT_TRUE(store.Put(key, 1, value.data(), DWORD(value.size()), 0));
    }
    stop = true;
    first.join();
    second.join();
    EXPECT_FALSE(wrong);
    EXPECT_EQ(store.NextKey(), 400u);
}

}  // namespace
