// The operating-system description: the Windows decision tree over its facts, the
// edition table's edges, the Linux describer and the running system's text.
#include <gtest/gtest.h>

#include "online/analytics/os_description.h"

namespace {

constexpr DWORD kNt = 2;
constexpr BYTE kWorkstation = 1, kServer = 3;
constexpr WORD kX86 = 0, kItanium = 6, kX64 = 9;
constexpr WORD kEnterprise = 0x0002, kDatacenter = 0x0080, kPersonal = 0x0200, kBlade = 0x0400;

TEST(OsDescriptionTest, WindowsVersionsGiveTheirDescriptions) {
    struct Case {
        WindowsVersionFacts facts;
        const wchar_t* name;
        const wchar_t* description;
    };
    const Case cases[] = {
        {{6, 1, 7601, kNt, kWorkstation, 0, false, kX64, L"Service Pack 1", 48}, L"Windows 7",
         L"Windows 7 Professional Service Pack 1 (build 7601) 64-bit"},
        {{5, 1, 2600, kNt, kWorkstation, kPersonal, false, kX86, L"Service Pack 3", 0}, L"Windows XP",
         L"Windows XP Home Edition Service Pack 3 (build 2600)"},
        {{5, 1, 2600, kNt, kWorkstation, 0, false, kX86, L"", 0}, L"Windows XP",
         L"Windows XP Professional (build 2600)"},
        {{5, 2, 3790, kNt, kServer, kDatacenter | kEnterprise, false, kItanium, L"", 0}, L"Windows Server 2003",
         L"Windows Server 2003 Datacenter Edition for Itanium-based Systems (build 3790)"},
        {{5, 2, 3790, kNt, kServer, 0, true, kX64, L"", 0}, L"Windows Server 2003 R2",
         L"Windows Server 2003 R2 Standard x64 Edition (build 3790)"},
        {{5, 2, 3790, kNt, kWorkstation, 0, false, kX64, L"", 0}, L"Windows XP Professional x64 Edition",
         L"Windows XP Professional x64 Edition (build 3790)"},
        {{5, 2, 3790, kNt, kServer, kBlade, false, kX86, L"", 0}, L"Windows Server 2003",
         L"Windows Server 2003 Web Edition (build 3790)"},
        {{5, 0, 2195, kNt, kServer, kEnterprise, false, kX86, L"", 0}, L"Windows 2000",
         L"Windows 2000 Advanced Server (build 2195)"},
        {{10, 0, 19045, kNt, kWorkstation, 0, false, kX86, L"", 101}, L"Windows 10",
         L"Windows 10 (build 19045) 32-bit"},
        {{10, 0, 14393, kNt, kServer, 0, false, kItanium, L"", 7},
         L"Windows Server 2016 Technical Preview",
         L"Windows Server 2016 Technical Preview Server Standard (build 14393)"},
        {{6, 4, 9841, kNt, kWorkstation, 0, false, kX64, L"", 4}, L"Windows",
         L"Windows Enterprise (build 9841) 64-bit"},
        {{7, 2, 1, kNt, kWorkstation, 0, false, kX64, L"", 4}, L"Windows 7.2", L"Windows 7.2 (build 1) 64-bit"},
        {{4, 0, 1381, kNt, kWorkstation, 0, false, kX86, L"Service Pack 6", 0}, L"Windows", L""},
        {{6, 1, 7601, 1, kWorkstation, 0, false, kX64, L"", 48}, L"Windows", L""},
    };
    for (const Case& c : cases) {
        const OsDescription os = DescribeWindowsVersion(c.facts);
        EXPECT_EQ(os.name, c.name) << c.description;
        EXPECT_EQ(os.description, c.description);
    }
}

TEST(OsDescriptionTest, EditionTableEdges) {
    const std::pair<DWORD, const wchar_t*> cases[] = {
        {0, L" Unknown"},     {48, L" Professional"}, {54, L" Server For SB Solutions EM"},
        {55, L" Server For SB Solutions EM"}, {56, L" Windows MultiPoint Server"}, {57, L""}, {58, L""},
        {59, L" Windows Essential Server Solution Management"}, {64, L" Server Hyper Core V"}, {65, L""},
        {69, L""},            {70, L" Enterprise E"}, {71, L""}, {72, L""}, {101, L""}, {0xFFFFFFFF, L""},
    };
    for (const auto& [code, text] : cases) EXPECT_EQ(GetWindowsEditionName(code), text) << code;
}

TEST(OsDescriptionTest, LinuxDescriptionFromOsReleaseAndKernel) {
    struct Case {
        const char* osRelease;
        const char* prettyName;
    };
    const Case cases[] = {
        {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n",
         "Debian GNU/Linux 12 (bookworm)"},
        {"PRETTY_NAME=Plain\n", "Plain"},
        {"PRETTY_NAME='Single $quoted'", "Single $quoted"},
        {"PRETTY_NAME=\"Say \\\"hi\\\"\"\n", "Say \"hi\""},
        {"NAME=Other\nMY_PRETTY_NAME=x\n", ""},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(ParseOsReleasePrettyName(c.osRelease), c.prettyName) << c.osRelease;

    EXPECT_EQ(DescribeLinuxSystem(L"Debian GNU/Linux 12 (bookworm)", L"6.1.0-18-amd64", true).description,
              L"Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-18-amd64) 64-bit");
    EXPECT_EQ(DescribeLinuxSystem(L"", L"", false).description, L"Linux 32-bit");

    // The running system: made once, the same text every time.
    const OsDescription& running = GetWindowsVersionString();
    EXPECT_EQ(&running, &GetWindowsVersionString());
    EXPECT_NE(running.description.find(L" (kernel "), std::wstring::npos) << running.description;
    EXPECT_TRUE(running.description.ends_with(L" 64-bit")) << running.description;
}

}  // namespace
