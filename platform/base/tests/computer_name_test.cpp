// The computer's name is the host name.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "platform/base/computer_name.h"
#include "platform/base/last_error.h"
#include "platform/base/utf8.h"

namespace {

TEST(ComputerNameTest, HostNameWithTheBufferRules) {
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof(host) - 1), 0);
    const std::wstring expected = zovi::platform::Utf8ToWide(host);
    ASSERT_FALSE(expected.empty());

    wchar_t name[1024];
    DWORD size = 1024;
    ASSERT_TRUE(GetComputerNameW(name, &size));
    EXPECT_EQ(std::wstring(name), expected);
    EXPECT_EQ(size, expected.size());

    // Room for the name but not its terminating zero: the size needed comes back.
    size = static_cast<DWORD>(expected.size());
    EXPECT_FALSE(GetComputerNameW(name, &size));
    EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(size, expected.size() + 1);
    ASSERT_TRUE(GetComputerNameW(name, &size));
    EXPECT_EQ(std::wstring(name), expected);

    EXPECT_FALSE(GetComputerNameW(nullptr, &size));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
