// The log sink: one line per key per process from any number of threads, and a sink
// swapped while others log.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/duilib/core/string/dui_log.h"

namespace DuiLib {
namespace {

std::atomic<int> g_errors{0}, g_infos{0};
void Count(int level, const wchar_t*) { (level == kLogError ? g_errors : g_infos)++; }

TEST(DuiCoreLog, OncePerKeyAcrossThreads) {
    ResetLogOnce();
    SetLogSink(&Count);
    g_errors = 0;
    g_infos = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) {
                LogOnce(L"key" + std::to_wstring(i % 10), L"once");
                if (i % 50 == 0) LogInfo(L"thread " + std::to_wstring(t));
            }
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(g_errors, 10);
    EXPECT_EQ(g_infos, 16);
    LogError(L"always");
    LogError(L"always");
    EXPECT_EQ(g_errors, 12);
    SetLogSink(nullptr);
}

TEST(DuiCoreLog, SinkChangesWhileOthersLog) {
    std::atomic<bool> stop{false};
    std::thread writer([&] {
        while (!stop) LogInfo(L"busy");
    });
    for (int i = 0; i < 100; ++i) SetLogSink(i % 2 ? &Count : nullptr);
    SetLogSink(&Count);
    stop = true;
    writer.join();
    SetLogSink(nullptr);
    LogInfo(L"the default sink writes to stderr again");
}

}  // namespace
}  // namespace DuiLib
