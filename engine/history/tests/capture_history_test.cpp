#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <set>
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
#include "platform/process/child_io.h"
#include "platform/process/process.h"

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

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// The offset of every record of an intact store file, in file order.
std::vector<size_t> RecordOffsets(const std::string& file) {
    std::vector<size_t> offsets;
    for (size_t at = 0; at + 28 <= file.size();) {
        offsets.push_back(at);
        uint32_t size = 0;
        std::memcpy(&size, file.data() + at + 16, 4);
        at += 28 + ((size + 7) & ~size_t(7));
    }
    return offsets;
}

std::string Overwrite(std::string file, size_t at, const std::string& bytes) {
    return file.replace(at, bytes.size(), bytes);
}

// The faults this guards: one flipped bit in a record's identity word emptied a whole
// history on a mere open, a size field of 0xFFFFFFFF hid every later entry, a changed
// payload byte was shown as is, and an add cut off part-way was listed with some of its
// columns.
TEST_F(CaptureHistoryTest, DamageLosesOnlyTheDamagedEntriesAndListingChangesNothing) {
    constexpr int kEntries = 10;  // six records each, keys 1 to 10
    for (int i = 1; i <= kEntries; ++i)
        ASSERT_TRUE(history->AddRecord(MakeFile("e" + std::to_string(i) + ".mp4", size_t(i)), i, 0));
    history->Flush();
    const fs::path store = FsPath(history->StorePath());
    const std::string intact = ReadBytes(store);
    const std::vector<size_t> at = RecordOffsets(intact);
    ASSERT_EQ(at.size(), size_t(kEntries * 6));
    // Appends the first `columns` columns of key 11, then `partial` bytes of the next one.
    auto tornAdd = [&](int columns, size_t partial) {
        {
            CRecordStore raw(kHistoryIdentity);
            EXPECT_TRUE(raw.Open(history->StorePath(), 0));
            const std::string text = "torn.mp4";
            const uint64_t zero = 0;
            for (int column = 0; column < columns; ++column)
                raw.Put(11, uint32_t(column), column < 2 ? static_cast<const void*>(text.data()) : &zero,
                        column < 2 ? uint32_t(text.size()) : column == 2 || column == 4 ? 8u : 4u, 0);
        }
        std::string file = ReadBytes(store);
        return file + intact.substr(at[6 * 3 + columns], partial);  // any record's bytes will do
    };
    const struct {
        const char* name;
        std::function<std::string()> damage;
        std::vector<uint32_t> lost;
    } cases[] = {
        {"identity of the first record", [&] { return Overwrite(intact, at[0], "OVP0"); }, {1}},
        {"identity of a middle record", [&] { return Overwrite(intact, at[4 * 6 + 3] + 2, "Q"); }, {5}},
        {"identity of the last record", [&] { return Overwrite(intact, at.back(), "NVP1"); }, {10}},
        {"size 0xFFFFFFFF in record 3", [&] { return Overwrite(intact, at[2] + 16, "\xFF\xFF\xFF\xFF"); }, {1}},
        {"a payload byte of a path", [&] { return Overwrite(intact, at[3 * 6 + 1] + 28 + 3, "#"); }, {4}},
        {"an add cut after three columns", [&] { return tornAdd(3, 0); }, {11}},
        {"an add cut inside its fourth record", [&] { return tornAdd(3, 17); }, {11}},
        {"an add cut after five columns", [&] { return tornAdd(5, 0); }, {11}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        history->Flush();
        WriteBytes(store, intact);
        const std::string damaged = c.damage();
        WriteBytes(store, damaged);

        const auto items = ListAll();
        std::vector<uint32_t> listed;
        for (const auto& item : items) {
            listed.push_back(item->key);
            EXPECT_EQ(item->name, "e" + std::to_string(item->key) + ".mp4");
            EXPECT_EQ(item->size, item->key);
            EXPECT_EQ(item->duration, int32_t(item->key));
        }
        std::vector<uint32_t> expected;
        for (uint32_t key = 1; key <= kEntries; ++key)
            if (std::find(c.lost.begin(), c.lost.end(), key) == c.lost.end()) expected.push_back(key);
        EXPECT_EQ(listed, expected);
        history->Flush();
        EXPECT_EQ(ReadBytes(store), damaged) << "listing changed the file";

        // The next add lands where a later load finds it.
        ASSERT_TRUE(history->AddRecord(MakeFile("after.mp4", 3), 7, 0));
        const auto after = ListAll();
        ASSERT_EQ(after.size(), expected.size() + 1);
        EXPECT_EQ(after.back()->name, "after.mp4");
    }
}

// The fault this guards: writers in several processes each appended at the end they had
// last seen, so four processes adding 100 entries each kept 270 of 400, with no error.
TEST_F(CaptureHistoryTest, WritersInSeveralProcessesLoseNoEntry) {
    constexpr int kWriters = 4, kAdds = 100;
    std::vector<std::unique_ptr<zovi::platform::ChildProcess>> writers;
    zovi::platform::ChildProcess::Options options;
    options.pipeStdout = true;
    for (int w = 0; w < kWriters; ++w) {
        writers.push_back(zovi::platform::ChildProcess::Start(
            {std::string(ZOVI_TEST_BIN_DIR) + "/history_adder", "w" + std::to_string(w), std::to_string(kAdds)},
            options));
        ASSERT_NE(writers.back(), nullptr);
    }
    int added = 0;
    for (auto& writer : writers) {
        std::string out(32, '\0');
        out.resize(zovi::platform::ReadFull(writer->StdoutFd(), out.data(), out.size()));
        ASSERT_TRUE(writer->Wait(120000));
        EXPECT_EQ(writer->ExitCode(), 0);
        added += std::atoi(out.c_str());
    }
    EXPECT_EQ(added, kWriters * kAdds);  // a writer that gave up would have said so here
    std::set<std::string> names;
    std::set<uint32_t> keys;
    for (const auto& item : ListAll()) {
        names.insert(item->name);
        keys.insert(item->key);
    }
    EXPECT_EQ(names.size(), size_t(added)) << "entries were lost or merged";
    EXPECT_EQ(keys.size(), size_t(added));
    for (int w = 0; w < kWriters; ++w)
        for (int i = 0; i < kAdds; ++i)
            EXPECT_TRUE(names.count("w" + std::to_string(w) + "-" + std::to_string(i) + ".mp4")) << w << " " << i;
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
