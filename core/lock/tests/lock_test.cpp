#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "core/lock/lock.h"
#include "platform/window/process_ids.h"

namespace {

using namespace std::chrono_literals;

// Waits (generously) until `done` holds.
template <class Predicate>
bool WaitFor(Predicate done) {
    for (int i = 0; i < 2000 && !done(); ++i) std::this_thread::sleep_for(5ms);
    return done();
}

TEST(LockTest, ReentryTouchesTheKernelObjectsOnlyAtTheEnds) {
    CLock lock;
    const struct {
        bool (CLock::*call)();
        bool expected;
    } steps[] = {
        {&CLock::LockRead, true},     {&CLock::LockRead, false},    {&CLock::UnlockRead, false},
        {&CLock::UnlockRead, true},   {&CLock::LockWrite, true},    {&CLock::LockWrite, false},
        {&CLock::LockRead, false},    {&CLock::UnlockRead, false},  {&CLock::UnlockWrite, false},
        {&CLock::UnlockWrite, true},  {&CLock::UnlockRead, false},  {&CLock::UnlockWrite, false},
    };
    int i = 0;
    for (const auto& step : steps) EXPECT_EQ((lock.*step.call)(), step.expected) << "step " << i++;
}

TEST(LockTest, ReadersShareAndAWriterWaitsForAllOfThem) {
    CLock lock;
    std::atomic<int> readersIn{0};
    std::atomic<bool> release{false}, writerIn{false};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            lock.LockRead();
            ++readersIn;
            while (!release) std::this_thread::sleep_for(1ms);
            lock.UnlockRead();
        });
    }
    ASSERT_TRUE(WaitFor([&] { return readersIn == 2; }));  // both read at once
    std::thread writer([&] {
        lock.LockWrite();
        writerIn = true;
        lock.UnlockWrite();
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(writerIn);
    release = true;
    for (auto& t : readers) t.join();
    writer.join();
    EXPECT_TRUE(writerIn);
}

TEST(LockTest, AWriterExcludesReaders) {
    CLock lock;
    ASSERT_TRUE(lock.LockWrite());
    std::atomic<bool> readerIn{false};
    std::thread reader([&] {
        lock.LockRead();
        readerIn = true;
        lock.UnlockRead();
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(readerIn);
    EXPECT_TRUE(lock.UnlockWrite());
    reader.join();
    EXPECT_TRUE(readerIn);
}

TEST(LockTest, AReaderUpgradesOnceOtherReadersLeaveAndGetsItsReadsBack) {
    CLock lock;
    std::atomic<bool> otherIn{false}, releaseOther{false}, upgraded{false};
    std::thread other([&] {
        lock.LockRead();
        otherIn = true;
        while (!releaseOther) std::this_thread::sleep_for(1ms);
        lock.UnlockRead();
    });
    ASSERT_TRUE(WaitFor([&] { return otherIn.load(); }));
    ASSERT_TRUE(lock.LockRead());
    ASSERT_FALSE(lock.LockRead());  // two read holds
    std::thread releaser([&] {
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(upgraded);
        releaseOther = true;
    });
    EXPECT_TRUE(lock.LockWrite());
    upgraded = true;
    releaser.join();
    other.join();
    EXPECT_TRUE(lock.UnlockWrite());
    // Both read holds are back: the first unlock keeps one, the second releases.
    EXPECT_FALSE(lock.UnlockRead());
    EXPECT_TRUE(lock.UnlockRead());
    EXPECT_TRUE(lock.LockWrite());  // nobody reads any more
    EXPECT_TRUE(lock.UnlockWrite());
}

TEST(LockTest, StressKeepsWritersExclusive) {
    CLock lock;
    long long value = 0;  // written under the write lock only
    std::atomic<int> writersInside{0};
    std::atomic<bool> overlap{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 300; ++i) {
                if ((i + t) % 3 == 0) {
                    lock.LockWrite();
                    if (++writersInside != 1) overlap = true;
                    ++value;
                    --writersInside;
                    lock.UnlockWrite();
                } else if ((i + t) % 3 == 1) {
                    lock.LockRead();
                    lock.LockRead();
                    volatile long long seen = value;
                    (void)seen;
                    if (writersInside != 0) overlap = true;
                    lock.UnlockRead();
                    lock.UnlockRead();
                } else {
                    lock.LockRead();
                    lock.LockWrite();  // upgrade
                    if (++writersInside != 1) overlap = true;
                    ++value;
                    --writersInside;
                    lock.UnlockWrite();
                    lock.UnlockRead();
                }
            }
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_FALSE(overlap);
    EXPECT_EQ(value, 6 * 200);
}

TEST(LockTest, DescribesAFailedWait) {
    CLock lock;
    ASSERT_TRUE(lock.LockRead());
    const std::wstring text = lock.DescribeFailure(WAIT_ABANDONED, L" writersMutex");
    const std::wstring tid = [] {
        wchar_t digits[16];
        swprintf(digits, 16, L"%04x", GetCurrentThreadId());
        return std::wstring(digits);
    }();
    EXPECT_EQ(text, L"CLock::Block: WAIT_ABANDONED writersMutex tid=" + tid + L" locked: " + tid);
    EXPECT_EQ(lock.DescribeFailure(0x1234, L" noReadsEvent").substr(0, 37), L"CLock::Block: WAIT_1234 noReadsEvent ");
    lock.UnlockRead();
}

TEST(KernelMutexTest, IsAbandonedWhenItsOwnerEnds) {
    CKernelMutex mutex;
    std::thread owner([&] { EXPECT_EQ(mutex.Wait(INFINITE), WAIT_OBJECT_0); });
    owner.join();
    EXPECT_EQ(mutex.Wait(INFINITE), WAIT_ABANDONED);  // and the caller owns it now
    EXPECT_EQ(mutex.Wait(INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(mutex.Release());
    EXPECT_TRUE(mutex.Release());
    EXPECT_FALSE(mutex.Release());
}

TEST(KernelMutexTest, TimesOutWhileAnotherThreadOwnsIt) {
    CKernelMutex mutex;
    ASSERT_EQ(mutex.Wait(INFINITE), WAIT_OBJECT_0);
    std::thread other([&] {
        EXPECT_EQ(mutex.Wait(20), WAIT_TIMEOUT);
        EXPECT_FALSE(mutex.Release());
    });
    other.join();
    EXPECT_TRUE(mutex.Release());
}

}  // namespace
