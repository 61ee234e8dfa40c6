// The library's exports in this process (nothing here crashes or starts an uploader),
// and the pure parts of the report files.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <regex>

#include "crashrep/report_files.h"
#include "crashrep/report_text.h"
#include "crashrep/zovi_crashrep.h"
#include "minidump_reader.h"
#include "test_support.h"

using namespace crashtest;

namespace {

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

TEST(CrashrepExportsTest, SetOptionsReturnsItsOptionsAndKeepsANonEmptyFolder) {
    std::string root = FreshFolder("options");
    std::string first = root + "/first";
    EXPECT_EQ(ZoviCrashRepSetOptions(Wide(first).c_str(), 0), 0);
    EXPECT_EQ(ZoviCrashRepSetOptions(L"", 1), 1);
    EXPECT_EQ(ZoviCrashRepSetOptions(nullptr, 7), 7);
    EXPECT_EQ(ZoviCrashRepSetOptions(nullptr, 0), 0);
    // The kept folder is still the first one: the on-request dump goes there.
    EXPECT_EQ(ZoviCrashRepCreateDumpFile(L"kept.dmp"), 1);
    EXPECT_TRUE(std::filesystem::exists(first + "/Debug/kept.dmp"));
}

TEST(CrashrepExportsTest, SettersAcceptNullAndEmptyTexts) {
    ZoviCrashRepClearInfo();
    ZoviCrashRepClearInfo();
    ZoviCrashRepSetDeviceId(nullptr);
    ZoviCrashRepSetDeviceId(L"device");
    ZoviCrashSvnRevision(nullptr);
    ZoviCrashSvnRevision(L"1234");
    ZoviCrashRepSetInfo(3, nullptr);
    ZoviCrashRepSetInfo(3, L"");
    ZoviCrashRepSetInfo(3, L"three");
    ZoviCrashRepClearInfo();
}

TEST(CrashrepExportsTest, ExceptionFilterWithoutRecordsStillReturnsOne) {
    EXPECT_EQ(ZoviCrashRepExceptionFilter(nullptr), 1);
}

TEST(CrashrepExportsTest, StackFileNamesTheCaller) {
    std::string root = FreshFolder("stackfile");
    ZoviCrashRepSetOptions(Wide(root).c_str(), 0);
    EXPECT_EQ(ZoviCrashRepCreateStackFile(nullptr), 0);
    EXPECT_EQ(ZoviCrashRepCreateStackFile(L""), 0);
    EXPECT_FALSE(std::filesystem::exists(root + "/Debug"));
    // The walk runs out of frames after the program's entry: 0.
    EXPECT_EQ(ZoviCrashRepCreateStackFile(L"s.txt"), 0);
    EXPECT_EQ(ZoviCrashRepCreateStackFile(L"s.txt"), 0);
    std::string text = ReadAll(root + "/Debug/s.txt");
    EXPECT_NE(text.find("CrashrepExportsTest_StackFileNamesTheCaller_Test::TestBody()"), std::string::npos) << text;
    EXPECT_NE(text.find("crashrep_test.cpp,"), std::string::npos);
    // Appended twice; no heading: each walk starts with the parameters of the export's frame.
    EXPECT_EQ(text.rfind("(", 0), 0u);
    size_t walks = 0;
    for (size_t at = text.find("StackFileNamesTheCaller_Test::TestBody()"); at != std::string::npos;
         at = text.find("StackFileNamesTheCaller_Test::TestBody()", at + 1))
        ++walks;
    EXPECT_EQ(walks, 2u);
}

TEST(CrashrepExportsTest, DumpFileOnRequestHasNoException) {
    std::string root = FreshFolder("dumpfile");
    ZoviCrashRepSetOptions(Wide(root).c_str(), 0);
    ASSERT_EQ(ZoviCrashRepCreateDumpFile(nullptr), 1);
    auto dmps = FilesEndingIn(root + "/Debug", ".dmp");
    ASSERT_EQ(dmps.size(), 1u);
    EXPECT_TRUE(std::regex_match(std::filesystem::path(dmps[0]).filename().string(),
                                 std::regex("crashrep_test_\\d+_\\d+_\\d+_\\d+_\\d{8}_\\d{6}\\.dmp")));
    CMinidumpFile dump;
    ASSERT_TRUE(dump.Load(dmps[0]));
    EXPECT_FALSE(dump.hasException);
    ASSERT_EQ(dump.threads.size(), 1u);
    EXPECT_EQ(dump.threads[0].tid, static_cast<uint32_t>(syscall(SYS_gettid)));
    EXPECT_LE(dump.threads[0].stackStart, dump.threads[0].rsp);
    EXPECT_FALSE(dump.modules.empty());
}

TEST(ReportFilesTest, PackagePath) {
    struct Case {
        const char* path;
        const char* expected;
    } cases[] = {
        {"/a/b/x.dmp", "/a/b/x.zip"},        {"/a.b/c", "/a.b/c.zip"},
        {"/a/x. y", "/a/x. y.zip"},          {"/a/noext", "/a/noext.zip"},
        {"/a/x.tar.dmp", "/a/x.tar.zip"},    {"/a/x.", "/a/x.zip"},
        {"/a\\b.c\\d", "/a\\b.c\\d.zip"},
    };
    for (const Case& c : cases) {
        char out[256];
        zovi::crashrep::PackagePath(c.path, out, sizeof out);
        EXPECT_STREQ(out, c.expected) << c.path;
    }
}

TEST(ReportFilesTest, BaseName) {
    struct tm local{};
    local.tm_year = 121;
    local.tm_mon = 5;
    local.tm_mday = 28;
    local.tm_hour = 17;
    local.tm_min = 22;
    local.tm_sec = 42;
    struct Case {
        const wchar_t* file;
        const wchar_t* version;
        const char* expected;
    } cases[] = {
        {L"ZoviCapture", L"1.1.5.0", "ZoviCapture_1_1_5_0_20210628_172242"},
        {L"ZoviCapture", L"", "ZoviCapture__20210628_172242"},
        {L"Zovi.exe", L"2.0", "Zovi_exe_2_0_20210628_172242"},
    };
    for (const Case& c : cases) {
        zovi::platform::CFixedString<256> text;
        zovi::crashrep::MakeBaseName(text, c.file, c.version, local);
        EXPECT_STREQ(text.Text(), c.expected);
    }
}

TEST(ReportFilesTest, ASecondCrashInTheSameSecondGetsANewName) {
    std::string root = FreshFolder("collision");
    std::string folder = root + "/new/Crashes";
    std::vector<std::string> dmps;
    for (const char* expected : {"base", "base_1", "base_2"}) {
        zovi::crashrep::ReportFiles files;
        zovi::crashrep::CreateReportFiles(folder.c_str(), "base", &files);
        ASSERT_GE(files.dmpFd, 0);
        ASSERT_GE(files.txtFd, 0);
        EXPECT_EQ(std::string(files.dmpPath), folder + "/" + expected + ".dmp");
        EXPECT_EQ(std::string(files.txtPath), folder + "/" + expected + ".txt");
        close(files.dmpFd);
        close(files.txtFd);
    }
    // A name whose text file alone is taken is skipped whole.
    std::ofstream(folder + "/other_1.txt") << "taken";
    zovi::crashrep::ReportFiles first, second;
    zovi::crashrep::CreateReportFiles(folder.c_str(), "other", &first);
    zovi::crashrep::CreateReportFiles(folder.c_str(), "other", &second);
    EXPECT_EQ(std::string(second.dmpPath), folder + "/other_2.dmp");
    EXPECT_FALSE(std::filesystem::exists(folder + "/other_1.dmp"));
    for (int fd : {first.dmpFd, first.txtFd, second.dmpFd, second.txtFd}) close(fd);
}

TEST(ReportTextTest, LineEndsAreCrLf) {
    std::string root = FreshFolder("crlf");
    std::string path = root + "/t.txt";
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    {
        zovi::crashrep::CReportText text(fd);
        text.Add("a\nb\r\nc\rd\n").AddWide(L"\u5f55\n").AddAltHex(0).Add(",").AddAltHex(255).Add(",");
        text.AddHex(0, 8).Add(",").AddSigned(-5);
    }
    close(fd);
    EXPECT_EQ(ReadAll(path), "a\r\nb\r\nc\rd\r\n\xe5\xbd\x95\r\n0,0xff,00000000,-5");
}
