#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/store/record_store.h"
#include "engine/history/capture_history.h"
#include "platform/base/utf8.h"

using namespace zovi::engine;
namespace fs = std::filesystem;

namespace {

fs::path FsPath(const std::wstring& path) { return fs::path(zovi::platform::EncodeUtf8Lossless(path)); }

// Each test starts signed out with no history files.
class CaptureHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        history = CCaptureHistory::GetInstance();
        history->Flush();
        CCaptureHistory::SetUserIdSource(nullptr);
        folder = FsPath(history->StorePath()).parent_path();
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(folder, error))
            fs::remove(entry.path(), error);
        scratch = fs::temp_directory_path() / ("zovi-history-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
        fs::create_directories(scratch);
    }
    void TearDown() override {
        history->Flush();
        CCaptureHistory::SetUserIdSource(nullptr);
        fs::remove_all(scratch);
    }
    // A file of `size` bytes in the scratch folder.
    std::wstring MakeFile(const std::string& name, size_t size) {
        const fs::path path = scratch / name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'z');
        return zovi::platform::DecodeUtf8Lossless(path.string());
    }
    std::vector<std::shared_ptr<CaptureHistoryItem>> ListAll() {
        std::vector<uint32_t> keys;
        std::vector<std::shared_ptr<CaptureHistoryItem>> items;
        if (history->GetKeys(keys)) history->LoadAll(keys, items);
        return items;
    }

    CCaptureHistory* history = nullptr;
    fs::path folder, scratch;
};

}  // namespace

TEST(CaptureHistoryName, LowThirtyTwoBitsAsSignedDecimal) {
    struct Case {
        uint64_t id;
        std::wstring name;
    } cases[] = {
        {0, L"0.history"},
        {42, L"42.history"},
        {0xFFFFFFFFull, L"-1.history"},
        {0x80000000ull, L"-2147483648.history"},
        {0x700000005ull, L"5.history"},
    };
    for (const auto& c : cases) EXPECT_EQ(HistoryFileName(c.id), c.name) << c.id;
}

TEST_F(CaptureHistoryTest, EntryHoldsTheFileAndItsFacts) {
    const std::wstring video = MakeFile("Zovi录屏-20261210-120000.mp4", 1234);
    const std::wstring shot = MakeFile("Zovi-Snapshot-20261210-120001.png", 77);
    const int64_t before = std::time(nullptr);
    ASSERT_TRUE(history->AddRecord(video, 5, kHistoryRecording));
    ASSERT_TRUE(history->AddRecord(shot, 0, kHistorySnapshot));
    ASSERT_TRUE(history->AddRecord(zovi::platform::DecodeUtf8Lossless((scratch / "gone.mkv").string()), 3, 0));
    const int64_t after = std::time(nullptr);

    EXPECT_EQ(FsPath(history->StorePath()).filename().string(), "0.history");
    const auto items = ListAll();
    ASSERT_EQ(items.size(), 3u);
    struct Expected {
        uint32_t key;
        std::string name;
        uint64_t size;
        int32_t duration, kind;
    } expected[] = {
        {1, "Zovi录屏-20261210-120000.mp4", 1234, 5, 0},
        {2, "Zovi-Snapshot-20261210-120001.png", 77, 0, 1},
        {3, "gone.mkv", 0, 3, 0},  // a missing file has size 0
    };
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->key, expected[i].key);
        EXPECT_EQ(items[i]->name, expected[i].name);
        EXPECT_EQ(items[i]->path, (scratch / expected[i].name).string());
        EXPECT_EQ(items[i]->size, expected[i].size);
        EXPECT_EQ(items[i]->duration, expected[i].duration);
        EXPECT_EQ(items[i]->kind, expected[i].kind);
        EXPECT_GE(items[i]->time, before);
        EXPECT_LE(items[i]->time, after);
    }
}

TEST_F(CaptureHistoryTest, EachUserHasAFileOfTheirOwn) {
    const std::wstring a = MakeFile("a.mp4", 1), b = MakeFile("b.mp4", 2);
    ASSERT_TRUE(history->AddRecord(a, 1, 0));  // signed out: user 0
    uint64_t user = 0xFFFFFFFF00000007ull;
    CCaptureHistory::SetUserIdSource([&] { return user; });
    history->Flush();  // the user changed
    ASSERT_TRUE(history->AddRecord(b, 2, 0));
    EXPECT_TRUE(fs::exists(folder / "0.history"));
    EXPECT_TRUE(fs::exists(folder / "7.history"));

    auto items = ListAll();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->name, "b.mp4");
    CCaptureHistory::SetUserIdSource(nullptr);
    history->Flush();
    items = ListAll();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->name, "a.mp4");
}

TEST_F(CaptureHistoryTest, RemovalsAreCompactedAtFlush) {
    const std::wstring file = MakeFile("x.mp4", 10);
    for (int i = 0; i < 4; ++i) ASSERT_TRUE(history->AddRecord(file, i, 0));
    ASSERT_TRUE(history->Delete({2, 3}));
    ASSERT_TRUE(history->Flush());
    auto items = ListAll();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0]->key, 1u);
    EXPECT_EQ(items[1]->key, 4u);
    // A removed key is not reused while a larger one exists.
    ASSERT_TRUE(history->AddRecord(file, 9, 0));
    EXPECT_EQ(ListAll().back()->key, 5u);

    ASSERT_TRUE(history->Delete({1, 4, 5}));
    ASSERT_TRUE(history->Flush());
    EXPECT_FALSE(fs::exists(folder / "0.history"));
    EXPECT_TRUE(ListAll().empty());
}

TEST_F(CaptureHistoryTest, DamagedFileLoadsWhatItCan) {
    const std::wstring file = MakeFile("x.mp4", 10);
    ASSERT_TRUE(history->AddRecord(file, 1, 0));
    ASSERT_TRUE(history->AddRecord(file, 2, 0));
    history->Flush();
    const fs::path store = FsPath(history->StorePath());
    const auto goodSize = fs::file_size(store);
    {
        // A torn write at the end: a record header with a wrong identity, then noise.
        std::ofstream out(store, std::ios::binary | std::ios::app);
        out << "XXXX" << std::string(40, '\x5a');
    }
    const auto items = ListAll();
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[1]->duration, 2);
    history->Flush();
    EXPECT_EQ(fs::file_size(store), goodSize);  // the damaged tail is cut off
    ASSERT_TRUE(history->AddRecord(file, 3, 0));
    EXPECT_EQ(ListAll().size(), 3u);
}

TEST_F(CaptureHistoryTest, MissingColumnsListAsEmpty) {
    {
        CRecordStore store(kHistoryIdentity);
        ASSERT_TRUE(store.Open(history->StorePath(), 0));
        const char name[] = "only-a-name.mp4";
        ASSERT_TRUE(store.Put(1, kColumnName, name, sizeof(name) - 1, 0));
        const uint16_t shortSize = 5;  // too short for the 8-byte size column
        ASSERT_TRUE(store.Put(1, kColumnSize, &shortSize, sizeof(shortSize), 0));
        store.Close(0);
    }
    const auto items = ListAll();
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->name, "only-a-name.mp4");
    EXPECT_EQ(items[0]->path, "");
    EXPECT_EQ(items[0]->size, 0u);
    EXPECT_EQ(items[0]->duration, 0);
    EXPECT_EQ(items[0]->time, 0);
    EXPECT_EQ(items[0]->kind, 0);
}

TEST_F(CaptureHistoryTest, AddsFromAnotherThreadSurviveFlushes) {
    const std::wstring file = MakeFile("s.png", 3);
    constexpr int kAdds = 60;
    std::atomic<bool> done{false};
    std::thread adder([&] {
        for (int i = 0; i < kAdds; ++i) history->AddRecord(file, 0, kHistorySnapshot);
        done = true;
    });
    while (!done) {
        history->Flush();
        std::this_thread::yield();
    }
    adder.join();
    history->Flush();
    const auto items = ListAll();
    ASSERT_EQ(items.size(), static_cast<size_t>(kAdds));
    for (size_t i = 0; i < items.size(); ++i) {
        EXPECT_EQ(items[i]->key, i + 1);
        EXPECT_EQ(items[i]->name, "s.png");
        EXPECT_EQ(items[i]->size, 3u);
        EXPECT_EQ(items[i]->kind, kHistorySnapshot);
    }
}
