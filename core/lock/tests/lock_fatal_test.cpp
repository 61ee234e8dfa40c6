#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "core/lock/lock.h"
#include "platform/crash/exception_filter.h"
#include "platform/crash/fatal_message.h"

namespace {

// Writes the exception code to standard error and ends the process (status 255).
LONG PrintCode(EXCEPTION_POINTERS* pointers) {
    char text[32];
    const int n = std::snprintf(text, sizeof(text), "code=%08x\n", pointers->ExceptionRecord->ExceptionCode);
    [[maybe_unused]] const ssize_t written = write(2, text, size_t(n));
    return EXCEPTION_EXECUTE_HANDLER;
}

// Writes the fatal message to standard error, before the fault is raised.
void PrintMessage(const wchar_t* text) { std::fprintf(stderr, "message=%ls\n", text); }

TEST(LockDeathTest, AWriterThatEndedHoldingTheLockIsFatal) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(PrintCode);
            CLock lock;
            std::thread([&] { lock.LockWrite(); }).join();
            lock.LockWrite();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "code=0bad0fad");
}

TEST(LockDeathTest, AWaitThatTimesOutIsFatal) {
    ::testing::FLAGS_gtest_death_test_style = "threadsafe";
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(PrintCode);
            zovi::platform::SetFatalMessageSink(PrintMessage);
            CLock lock;
            lock.SetWaitTime(50);
            lock.LockRead();
            std::thread([&] { lock.LockWrite(); }).join();  // the reader never leaves
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "message=CLock::Block: WAIT_TIMEOUT noReadsEvent tid=.*code=0bad0fad");
}

}  // namespace
