#include "engine/audio/audio_fifo.h"

#include <gtest/gtest.h>

#include <deque>
#include <numeric>
#include <random>
#include <vector>

namespace zovi::engine {
namespace {

std::vector<uint8_t> Bytes(uint8_t first, uint32_t count) {
    std::vector<uint8_t> bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

std::vector<uint8_t> ReadAll(CAudioFifo& fifo) {
    std::vector<uint8_t> bytes(fifo.Size());
    fifo.Read(bytes.data(), fifo.Size());
    return bytes;
}

// Each step writes (count > 0) or reads (count < 0) bytes numbered in write order; the
// FIFO must end with the expected capacity and give back the unread bytes in order.
struct Scenario {
    const char* name;
    std::vector<int> steps;
    uint32_t capacity;
};

class FifoScenario : public ::testing::TestWithParam<Scenario> {};

TEST_P(FifoScenario, KeepsByteOrderThroughWrapAndGrowth) {
    CAudioFifo fifo;
    std::deque<uint8_t> model;
    uint8_t next = 0;
    for (int step : GetParam().steps) {
        if (step > 0) {
            auto bytes = Bytes(next, step);
            next = static_cast<uint8_t>(next + step);
            ASSERT_TRUE(fifo.Write(bytes.data(), step));
            model.insert(model.end(), bytes.begin(), bytes.end());
        } else {
            std::vector<uint8_t> got(-step);
            fifo.Read(got.data(), -step);
            ASSERT_EQ(got, std::vector<uint8_t>(model.begin(), model.begin() - step));
            model.erase(model.begin(), model.begin() - step);
        }
        ASSERT_EQ(fifo.Size(), model.size());
    }
    EXPECT_EQ(fifo.Capacity(), GetParam().capacity);
    EXPECT_EQ(ReadAll(fifo), std::vector<uint8_t>(model.begin(), model.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, FifoScenario,
    ::testing::Values(
        Scenario{"TenIntoEight", {8, -8, 10}, 16},
        Scenario{"GrowsToTwiceWhenThatIsMore", {8, 1}, 16},
        Scenario{"GrowsToTheSizeWhenThatIsMore", {8, 20}, 28},
        Scenario{"WrapThenGrow", {8, -5, 4, 6}, 16},
        Scenario{"ExactFillFromZeroThenGrow", {8, 3}, 16},
        Scenario{"ExactFillAfterReadThenWrap", {8, -3, 3, -2, 2}, 8},
        Scenario{"ExactFillWithReadAheadThenGrow", {8, -3, 3, 5}, 16},
        Scenario{"WrapAcrossTheEndRepeatedly", {6, -4, 5, -5, 6, -3, 2}, 12}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(AudioFifoTest, ReadingToEmptyStartsOver) {
    CAudioFifo fifo;
    auto bytes = Bytes(0, 8);
    fifo.Write(bytes.data(), 8);
    fifo.Read(nullptr, 6);
    fifo.Read(nullptr, 2);
    // After a reset a full write fits without growth and without wrapping.
    fifo.Write(bytes.data(), 8);
    EXPECT_EQ(fifo.Capacity(), 8u);
    EXPECT_EQ(ReadAll(fifo), bytes);
}

TEST(AudioFifoTest, ReadsNoMoreThanItHolds) {
    CAudioFifo fifo;
    auto bytes = Bytes(0, 5);
    fifo.Write(bytes.data(), 5);
    std::vector<uint8_t> got(5);
    fifo.Read(got.data(), 100);
    EXPECT_EQ(got, bytes);
    EXPECT_EQ(fifo.Size(), 0u);
}

TEST(AudioFifoTest, MatchesADequeOverRandomOperations) {
    std::mt19937 random(1234);
    for (int round = 0; round < 50; ++round) {
        CAudioFifo fifo;
        std::deque<uint8_t> model;
        uint8_t next = 0;
        for (int op = 0; op < 400; ++op) {
            if (random() % 2) {
                const uint32_t count = random() % 37;
                auto bytes = Bytes(next, count);
                next = static_cast<uint8_t>(next + count);
                ASSERT_TRUE(fifo.Write(bytes.data(), count));
                model.insert(model.end(), bytes.begin(), bytes.end());
            } else {
                const uint32_t count = model.empty() ? 0 : random() % (model.size() + 1);
                std::vector<uint8_t> got(count);
                if (random() % 4 == 0) {
                    fifo.Read(nullptr, count);
                } else {
                    fifo.Read(got.data(), count);
                    ASSERT_EQ(got, std::vector<uint8_t>(model.begin(), model.begin() + count));
                }
                model.erase(model.begin(), model.begin() + count);
            }
            ASSERT_EQ(fifo.Size(), model.size());
        }
        EXPECT_EQ(ReadAll(fifo), std::vector<uint8_t>(model.begin(), model.end()));
    }
}

}  // namespace
}  // namespace zovi::engine
