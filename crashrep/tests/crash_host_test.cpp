// Crashes the host program in each of the usual ways and checks the files it leaves:
// the report text, the minidump, the package and the start of the uploader.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <minizip/unzip.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cstdio>
#include <ctime>
#include <regex>
#include <set>
#include <sstream>

#include "minidump_reader.h"
#include "test_support.h"

using namespace crashtest;

namespace {

const std::string kHostSource = std::string(ZOVI_SOURCE_DIR) + "/crashrep/tests/crashrep_host.cpp";

struct SideInfo {
    long tid = 0;
    int firstLine = 0, lastLine = 0;
};

SideInfo ReadSide(const std::string& path) {
    SideInfo side;
    FILE* file = std::fopen(path.c_str(), "r");
    if (file) {
        if (std::fscanf(file, "%ld %d %d", &side.tid, &side.firstLine, &side.lastLine) != 3) side = {};
        std::fclose(file);
    }
    return side;
}

// The text between a heading and the next heading ("\r\n\r\n<Name>:\r\n").
std::string Section(const std::string& text, const std::string& heading) {
    size_t start = text.find("\r\n" + heading + ":\r\n");
    if (start == std::string::npos) return "";
    start += heading.size() + 5;
    static const char* const headings[] = {"Exception Info", "Call stack", "Developer Info",
                                           "Processor Info", "Operating System Info",
                                           "Processor Context", "Loaded modules"};
    size_t end = text.size();
    for (const char* other : headings) {
        size_t at = text.find(std::string("\r\n") + other + ":\r\n", start);
        if (at != std::string::npos && at < end) end = at;
    }
    return text.substr(start, end - start);
}

std::string BuildIdOf(const std::string& file) {
    std::string command = "readelf -n '" + file + "'";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[512];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    if (pipe) pclose(pipe);
    std::smatch match;
    return std::regex_search(output, match, std::regex("Build ID: ([0-9a-f]+)")) ? match[1].str() : "";
}

std::string Hex(const std::vector<uint8_t>& bytes) {
    std::string out;
    char two[3];
    for (uint8_t b : bytes) {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

struct ZipEntry {
    std::string name;
    std::string content;
    uint32_t attributes = 0;
    uint32_t method = 0;
    uint32_t dosDate = 0;
};

std::vector<ZipEntry> ReadZip(const std::string& path, bool* valid) {
    std::vector<ZipEntry> entries;
    unzFile zip = unzOpen64(path.c_str());
    *valid = zip != nullptr;
    if (!zip) {
        // minizip does not open an archive without entries: accept exactly its end record.
        *valid = ReadAll(path) == std::string("PK\x05\x06", 4) + std::string(18, '\0');
        return entries;
    }
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[1024];
        if (unzGetCurrentFileInfo64(zip, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK) break;
        ZipEntry entry{name, "", static_cast<uint32_t>(info.external_fa),
                       static_cast<uint32_t>(info.compression_method), static_cast<uint32_t>(info.dosDate)};
        if (unzOpenCurrentFile(zip) != UNZ_OK) break;
        char chunk[65536];
        int got;
        while ((got = unzReadCurrentFile(zip, chunk, sizeof chunk)) > 0) entry.content.append(chunk, got);
        if (unzCloseCurrentFile(zip) != UNZ_OK || got < 0) *valid = false;  // CRC checked here
        entries.push_back(entry);
    }
    unzClose(zip);
    return entries;
}

uint32_t DosDateOf(time_t t) {
    struct tm local{};
    localtime_r(&t, &local);
    return (static_cast<uint32_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday) << 16) |
           static_cast<uint32_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
}

bool ExitedWith(const HostResult& result, int code) {
    return result.finished && WIFEXITED(result.status) && WEXITSTATUS(result.status) == code;
}

}  // namespace

TEST(CrashHostTest, EachCrashKindLeavesCompleteReports) {
    struct Case {
        const char* kind;
        const char* function;
        const char* exceptionText;
        uint32_t signal;
        bool ripInHost;
    } cases[] = {
        {"null-read", "CrashByNullRead()", "(0xc0000005) EXCEPTION_ACCESS_VIOLATION reading from 0x00000000 at 0x", 11, true},
        {"null-write", "CrashByNullWrite()", "(0xc0000005) EXCEPTION_ACCESS_VIOLATION writing to 0x00000000 at 0x", 11, true},
        {"null-call", "CrashByNullCall()", "(0xc0000005) EXCEPTION_ACCESS_VIOLATION  0x00000000 at 0x00000000\r\n", 11, false},
        {"divide", "CrashByDivide()", "(0xc0000094) EXCEPTION_INT_DIVIDE_BY_ZERO at 0x", 8, true},
        {"trap", "CrashByTrap()", "(0xc000001d) EXCEPTION_ILLEGAL_INSTRUCTION at 0x", 4, true},
        {"int3", "CrashByBreakpoint()", "(0x80000003) EXCEPTION_BREAKPOINT at 0x", 5, true},
        {"abort", "CrashByAbort()", "(0x40000015) EXCEPTION_UNKNOWN at 0x", 6, false},
        {"throw", "CrashByThrow()", "(0xe06d7363) C++_EXCEPTION at 0x", 6, false},
        {"raise", "CrashByRaise()", "(0x0bad0fad) EXCEPTION_UNKNOWN at 0x", 5, false},
        {"overflow", "Recurse(int)", "(0xc00000fd) EXCEPTION_STACK_OVERFLOW at 0x", 11, true},
        {"worker-overflow", "Recurse(int)", "(0xc00000fd) EXCEPTION_STACK_OVERFLOW at 0x", 11, true},
    };
    const std::string hostBuildId = BuildIdOf(HostPath());
    ASSERT_FALSE(hostBuildId.empty());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        std::string root = FreshFolder(std::string("kind_") + c.kind);
        std::string folder = root + "/Crashes";
        std::string side = root + "/side";
        std::string argvFile = root + "/argv";
        HostResult result = RunProgram(HostPath(), {"crash", c.kind, folder, "1", side},
                                       {"ZOVI_TEST_ARGV_FILE=" + argvFile});
        ASSERT_TRUE(ExitedWith(result, 255)) << result.finished << " status " << result.status;
        SideInfo expected = ReadSide(side);
        ASSERT_GT(expected.tid, 0);

        auto dmps = FilesEndingIn(folder, ".dmp");
        auto txts = FilesEndingIn(folder, ".txt");
        auto zips = FilesEndingIn(folder, ".zip");
        ASSERT_EQ(dmps.size(), 1u);
        ASSERT_EQ(txts.size(), 1u);
        ASSERT_EQ(zips.size(), 1u);
        std::string base = dmps[0].substr(0, dmps[0].size() - 4);
        EXPECT_EQ(txts[0], base + ".txt");
        EXPECT_EQ(zips[0], base + ".zip");
        EXPECT_TRUE(std::regex_match(base.substr(folder.size() + 1),
                                     std::regex("crashrep_host_\\d+_\\d+_\\d+_\\d+_\\d{8}_\\d{6}")))
            << base;

        // The report text.
        std::string text = ReadAll(txts[0]);
        size_t previous = 0;
        for (const char* heading : {"Exception Info", "Call stack", "Developer Info", "Processor Info",
                                    "Operating System Info", "Processor Context", "Loaded modules"}) {
            size_t at = text.find(std::string("\r\n") + heading + ":\r\n");
            ASSERT_NE(at, std::string::npos) << heading;
            EXPECT_GE(at, previous) << heading;
            previous = at;
        }
        EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
        EXPECT_EQ(std::regex_search(text, std::regex("[^\r]\n")), false) << "a bare line feed";
        std::string exceptionLine = Section(text, "Exception Info");
        EXPECT_EQ(exceptionLine.rfind("crashrep_host v.", 0), 0u) << exceptionLine;
        EXPECT_NE(exceptionLine.find(c.exceptionText), std::string::npos) << exceptionLine;

        std::string stack = Section(text, "Call stack");
        bool named = false;
        std::regex frame(std::string(".*") + std::regex_replace(c.function, std::regex("[()]"), "\\$&") +
                         "\\+0x[0-9a-f]+ \\(" + kHostSource + ",(\\d+)\\).*");
        std::smatch match;
        std::istringstream lines(stack);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (std::regex_match(line, match, frame)) {
                int number = std::stoi(match[1]);
                if (number >= expected.firstLine && number <= expected.lastLine) named = true;
            }
        }
        EXPECT_TRUE(named) << stack;
        EXPECT_TRUE(std::regex_search(stack, std::regex("crashrep_host!0x[0-9a-f]{8,}")));

        std::string log = side + ".log";
        EXPECT_EQ(Section(text, "Developer Info"),
                  " -1 minus one\r\n 0 Fatal test message\r\n 5 second\r\n 10 " + log + "\r\n\r\n--- Copied \"" +
                      log + "\"\r\nfirst log line\r\nsecond log line\r\n\r\n--- End of \"" + log +
                      "\"\r\n 42 from a worker\r\n 2147483647 max\r\n");
        EXPECT_TRUE(std::regex_match(Section(text, "Processor Info"),
                                     std::regex("\\d+ AMD64 level \\d+ revision 0x[0-9a-f]+\r\n")));
        EXPECT_TRUE(std::regex_match(Section(text, "Operating System Info"),
                                     std::regex("\\d+\\.\\d+ build \\d+ \\S+ .*\r\n")));
        EXPECT_TRUE(std::regex_match(
            Section(text, "Processor Context"),
            std::regex("rax=0x[0-9a-f]{16} rbx=0x[0-9a-f]{16} rcx=0x[0-9a-f]{16} rdx=0x[0-9a-f]{16} "
                       "rsi=0x[0-9a-f]{16} rdi=0x[0-9a-f]{16}\r\n"
                       "r8=0x[0-9a-f]{16} r9=.* r15=0x[0-9a-f]{16}\r\n"
                       "rip=0x[0-9a-f]{16} rsp=0x[0-9a-f]{16} rbp=0x[0-9a-f]{16} efl=0x[0-9a-f]{8} \\(iopl=\\d\\)\r\n"
                       "cs=0x0033 ss=0x[0-9a-f]{4} ds=0x0000 es=0x0000 fs=0x[0-9a-f]{4} gs=0x[0-9a-f]{4}\r\n")))
            << Section(text, "Processor Context");
        std::string modules = Section(text, "Loaded modules");
        EXPECT_NE(modules.find(HostPath() + "\r\n    base=0x"), std::string::npos);
        EXPECT_NE(modules.find("/libZoviCrashrep.so\r\n"), std::string::npos);
        EXPECT_TRUE(std::regex_search(modules, std::regex("    timestamp=\\w{3} \\w{3} [ \\d]\\d \\d\\d:\\d\\d:\\d\\d \\d{4} "
                                                          "fileversion=\\d+\\.\\d+\\.\\d+\\.\\d+ productversion=")));

        // The minidump.
        CMinidumpFile dump;
        ASSERT_TRUE(dump.Load(dmps[0]));
        EXPECT_EQ(dump.version, 0xA793u);
        for (uint32_t stream : {3u, 4u, 5u, 6u, 7u}) EXPECT_EQ(dump.streams.count(stream), 1u) << stream;
        EXPECT_EQ(dump.architecture, 9);
        EXPECT_EQ(dump.platformId, 0x8201u);
        ASSERT_TRUE(dump.hasException);
        EXPECT_EQ(dump.exceptionTid, static_cast<uint32_t>(expected.tid));
        EXPECT_EQ(dump.exceptionCode, c.signal);
        ASSERT_FALSE(dump.threads.empty());
        EXPECT_EQ(dump.threads[0].tid, static_cast<uint32_t>(expected.tid));
        EXPECT_EQ(dump.threads[0].contextFlags, 0x0010000Fu);
        EXPECT_GE(dump.threads.size(), 2u) << "the idle thread is missing";
        std::set<uint32_t> tids;
        for (const DumpThreadInfo& thread : dump.threads) {
            tids.insert(thread.tid);
            EXPECT_LE(thread.stackStart, thread.rsp);
            EXPECT_GT(thread.stackStart + thread.stackSize, thread.rsp);
            EXPECT_EQ(thread.contextFlags, 0x0010000Fu);
        }
        EXPECT_EQ(tids.size(), dump.threads.size());
        EXPECT_EQ(dump.streams[5].first, 4 + 16 * dump.threads.size());  // one stack range each
        const DumpModuleInfo* host = nullptr;
        for (const auto& m : dump.modules) {
            if (m.name == HostPath()) host = &m;
        }
        ASSERT_NE(host, nullptr);
        EXPECT_EQ(host->cvSignature, 0x4270454Cu);
        EXPECT_EQ(Hex(host->buildId), hostBuildId);
        EXPECT_EQ(host->versionSignature, 0xFEEF04BDu);
        if (c.ripInHost) {
            EXPECT_GE(dump.exceptionRip, host->base);
            EXPECT_LT(dump.exceptionRip, host->base + host->size);
        }

        // The package and the uploader's command line.
        bool valid = false;
        std::vector<ZipEntry> entries = ReadZip(zips[0], &valid);
        EXPECT_TRUE(valid);
        ASSERT_EQ(entries.size(), 2u);
        const std::string sources[] = {dmps[0], txts[0]};
        for (size_t i = 0; i < 2; ++i) {
            EXPECT_EQ(entries[i].name, sources[i].substr(folder.size() + 1));
            EXPECT_EQ(entries[i].content, ReadAll(sources[i]));
            EXPECT_EQ(entries[i].attributes, 0x81800020u);
            EXPECT_EQ(entries[i].method, 8u);
            struct stat info{};
            ASSERT_EQ(stat(sources[i].c_str(), &info), 0);
            uint32_t expectedDate = DosDateOf(info.st_mtime);
            EXPECT_TRUE(entries[i].dosDate == expectedDate || entries[i].dosDate == DosDateOf(info.st_mtime - 2))
                << std::hex << entries[i].dosDate << " " << expectedDate;
        }
        std::vector<std::string> records = WaitForLines(argvFile, 1);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].substr(records[0].find('\t')), "\t/uploader\t--dmp_file=" + zips[0]);
    }
}

TEST(CrashHostTest, ALongStackListsExactly301CallerFrames) {
    std::string root = FreshFolder("deep");
    HostResult result = RunProgram(HostPath(), {"crash", "deep", root, "0", root + "/side"});
    ASSERT_TRUE(ExitedWith(result, 255));
    auto txts = FilesEndingIn(root, ".txt");
    ASSERT_EQ(txts.size(), 1u);
    std::string stack = Section(ReadAll(txts[0]), "Call stack");
    size_t lines = 0;
    std::istringstream in(stack);
    for (std::string line; std::getline(in, line);) {
        if (std::regex_search(line, std::regex("\\(0?x?[0-9a-f]*,[^,]*,[^,]*,[^,]*\\)\r?$"))) ++lines;
    }
    EXPECT_EQ(lines, 301u);
    EXPECT_TRUE(FilesEndingIn(root, ".zip").empty());  // submission off
}

TEST(CrashHostTest, WithoutAFolderTheFilesGoToTheTemporaryFolder) {
    std::string root = FreshFolder("nofolder");
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", "-", "0", root + "/side"},
                                   {"TMPDIR=" + root});
    ASSERT_TRUE(ExitedWith(result, 255));
    auto dmps = FilesEndingIn(root, ".dmp");
    auto txts = FilesEndingIn(root, ".txt");
    ASSERT_EQ(dmps.size(), 1u);
    ASSERT_EQ(txts.size(), 1u);
    for (const auto& file : {dmps[0], txts[0]}) {
        EXPECT_EQ(std::filesystem::path(file).filename().string().rfind("exc", 0), 0u) << file;
        EXPECT_GT(std::filesystem::file_size(file), 100u);
    }
}

// A reports folder that cannot be made (a plain file stands where its parent should be):
// the report still goes somewhere, to the temporary folder.
TEST(CrashHostTest, AnUnwritableFolderSendsTheFilesToTheTemporaryFolder) {
    std::string root = FreshFolder("unwritable");
    std::ofstream(root + "/plain") << "a file where the data root should be";
    std::string temp = root + "/temp";
    std::filesystem::create_directories(temp);
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", root + "/plain/Crashes", "0", root + "/side"},
                                   {"TMPDIR=" + temp});
    ASSERT_TRUE(ExitedWith(result, 255));
    auto dmps = FilesEndingIn(temp, ".dmp");
    auto txts = FilesEndingIn(temp, ".txt");
    ASSERT_EQ(dmps.size(), 1u);
    ASSERT_EQ(txts.size(), 1u);
    EXPECT_GT(std::filesystem::file_size(dmps[0]), 100u);
    EXPECT_NE(ReadAll(txts[0]).find("EXCEPTION_ACCESS_VIOLATION reading from 0x00000000"), std::string::npos);
}

// SIGSEGV sent with kill by another process: no instruction faulted, so the report names
// the sender instead of an address (si_addr holds the sender's pid then).
TEST(CrashHostTest, ASignalSentByAnotherProcessNamesTheSender) {
    std::string root = FreshFolder("sent");
    std::string folder = root + "/Crashes";
    std::string side = root + "/side";
    HostResult result = RunProgram(HostPath(), {"crash", "sent-segv", folder, "0", side});
    ASSERT_TRUE(ExitedWith(result, 255)) << result.finished << " status " << result.status;
    long sender = 0;
    std::istringstream(ReadAll(side + ".sender")) >> sender;
    ASSERT_GT(sender, 0);
    auto txts = FilesEndingIn(folder, ".txt");
    ASSERT_EQ(txts.size(), 1u);
    std::string line = Section(ReadAll(txts[0]), "Exception Info");
    EXPECT_NE(line.find("(0xc0000005) EXCEPTION_ACCESS_VIOLATION (signal 11 sent by process " +
                        std::to_string(sender) + ") at 0x"),
              std::string::npos)
        << line;
    EXPECT_EQ(line.find("reading from"), std::string::npos) << line;
    EXPECT_EQ(FilesEndingIn(folder, ".dmp").size(), 1u);
}

TEST(CrashHostTest, BaseNameWithAndWithoutTheVersionNote) {
    struct Case {
        std::string program;
        std::string pattern;
        std::string displayName;
    } cases[] = {
        {HostPath(), "crashrep_host_\\d+_\\d+_\\d+_\\d+_\\d{8}_\\d{6}\\.dmp", "crashrep_host v."},
        {std::string(ZOVI_TEST_BIN_DIR) + "/crashrep_host_nonote", "crashrep_host_nonote__\\d{8}_\\d{6}\\.dmp",
         "crashrep_host_nonote (0x"},
    };
    for (const Case& c : cases) {
        std::string root = FreshFolder("basename");
        HostResult result = RunProgram(c.program, {"crash", "null-read", root, "0", root + "/side"});
        ASSERT_TRUE(ExitedWith(result, 255));
        auto dmps = FilesEndingIn(root, ".dmp");
        ASSERT_EQ(dmps.size(), 1u);
        EXPECT_TRUE(std::regex_match(std::filesystem::path(dmps[0]).filename().string(), std::regex(c.pattern)))
            << dmps[0];
        auto txts = FilesEndingIn(root, ".txt");
        ASSERT_EQ(txts.size(), 1u);
        EXPECT_EQ(Section(ReadAll(txts[0]), "Exception Info").rfind(c.displayName, 0), 0u);
    }
}

TEST(CrashHostTest, TwoThreadsCrashingTogetherLeaveOneSetOfFiles) {
    std::string root = FreshFolder("twothreads");
    HostResult result = RunProgram(HostPath(), {"twothreads", root, "1", root + "/side"},
                                   {"ZOVI_TEST_ARGV_FILE=" + root + "/argv"}, 60);
    ASSERT_TRUE(ExitedWith(result, 255));
    EXPECT_EQ(FilesEndingIn(root, ".dmp").size(), 1u);
    EXPECT_EQ(FilesEndingIn(root, ".txt").size(), 1u);
    EXPECT_EQ(FilesEndingIn(root, ".zip").size(), 1u);
}

TEST(CrashHostTest, TheWatchdogEndsAStalledReportAfterTheDumpIsWritten) {
    std::string root = FreshFolder("watchdog");
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", root, "1", root + "/side"},
                                   {"ZOVI_CRASH_TEST_STALL_AFTER_DUMP=1", "ZOVI_TEST_WATCHDOG_SECONDS=2"}, 60);
    ASSERT_TRUE(result.finished);
    ASSERT_TRUE(WIFSIGNALED(result.status));
    EXPECT_EQ(WTERMSIG(result.status), SIGALRM);
    auto dmps = FilesEndingIn(root, ".dmp");
    ASSERT_EQ(dmps.size(), 1u);
    CMinidumpFile dump;
    EXPECT_TRUE(dump.Load(dmps[0]));
    EXPECT_TRUE(dump.hasException);
}

TEST(CrashHostTest, AFaultInsideTheFilterEndsTheProcessAtOnce) {
    std::string root = FreshFolder("nested");
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", root, "1", root + "/side"},
                                   {"ZOVI_TEST_FAULT_IN_FILTER=1"}, 60);
    ASSERT_TRUE(ExitedWith(result, 255)) << result.finished << " status " << result.status;
    EXPECT_TRUE(FilesEndingIn(root, ".dmp").empty());
}

TEST(CrashHostTest, HandOffPassesTheExactPathAndNoDescriptors) {
    std::string root = FreshFolder("handoff");
    std::string folder = root + "/Zovi \"quoted\" reports";
    std::string lockFile = root + "/instance.lock";
    std::string argvFile = root + "/argv";
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", folder, "1", root + "/side"},
                                   {"ZOVI_TEST_ARGV_FILE=" + argvFile, "ZOVI_TEST_UPLOADER_SLEEP=5",
                                    "ZOVI_TEST_LOCK_FILE=" + lockFile},
                                   60, pipeFds[1]);
    close(pipeFds[1]);
    ASSERT_TRUE(ExitedWith(result, 255));
    std::vector<std::string> records = WaitForLines(argvFile, 1);
    ASSERT_EQ(records.size(), 1u);
    auto zips = FilesEndingIn(folder, ".zip");
    ASSERT_EQ(zips.size(), 1u);
    size_t tab = records[0].find('\t');
    EXPECT_EQ(records[0].substr(tab), "\t/uploader\t--dmp_file=" + zips[0]);
    pid_t uploader = static_cast<pid_t>(std::stol(records[0].substr(0, tab)));

    // The uploader holds neither the pipe nor the lock while it sleeps.
    pollfd end{pipeFds[0], POLLIN, 0};
    ASSERT_EQ(poll(&end, 1, 2000), 1) << "the pipe is still held";
    char byte;
    EXPECT_EQ(read(pipeFds[0], &byte, 1), 0);
    int lock = open(lockFile.c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(lock, 0);
    EXPECT_EQ(flock(lock, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(kill(uploader, 0), 0) << "the uploader should still be sleeping";
    close(lock);
    close(pipeFds[0]);
}

TEST(CrashHostTest, ACrashingUploaderStartsNoFurtherUploader) {
    std::string root = FreshFolder("respawn");
    std::string second = root + "/uploader-crashes";
    std::filesystem::create_directories(second);
    std::string argvFile = root + "/argv";
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", root, "1", root + "/side"},
                                   {"ZOVI_TEST_ARGV_FILE=" + argvFile, "ZOVI_TEST_UPLOADER_CRASH=" + second});
    ASSERT_TRUE(ExitedWith(result, 255));
    // The uploader crashes and writes its own files, packed, but starts nobody.
    for (int i = 0; i < 200 && FilesEndingIn(second, ".zip").empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    EXPECT_EQ(FilesEndingIn(second, ".dmp").size(), 1u);
    EXPECT_EQ(FilesEndingIn(second, ".txt").size(), 1u);
    EXPECT_EQ(FilesEndingIn(second, ".zip").size(), 1u);
    std::this_thread::sleep_for(std::chrono::seconds(1));
    EXPECT_EQ(WaitForLines(argvFile, 2, 2).size(), 1u);
}

TEST(CrashHostTest, SubmitReportCases) {
    std::string root = FreshFolder("submit");
    std::ofstream(root + "/r.dmp") << "dump bytes";
    std::ofstream(root + "/r.txt") << "text bytes";
    std::ofstream(root + "/only.txt") << "only text";
    std::ofstream(root + "/plain") << "a file, not a folder";
    struct Case {
        const char* name;
        std::string dmp, txt;
        int exitCode;  // 1: the uploader started
        std::string zip;
        std::vector<std::string> entries;
    } cases[] = {
        {"both", root + "/r.dmp", root + "/r.txt", 1, root + "/r.zip", {"r.dmp", "r.txt"}},
        {"text only, package named after it", "", root + "/only.txt", 1, root + "/only.zip", {"only.txt"}},
        {"neither file exists", root + "/gone.dmp", root + "/gone.txt", 1, root + "/gone.zip", {}},
        {"both paths empty", "", "", 0, "", {}},
        {"missing folder", root + "/no/such/x.dmp", "", 0, "", {}},
        {"file in the path", root + "/plain/x.dmp", "", 0, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string argvFile = root + "/argv_" + std::to_string(&c - cases);
        HostResult result = RunProgram(HostPath(), {"submit", c.dmp, c.txt}, {"ZOVI_TEST_ARGV_FILE=" + argvFile});
        ASSERT_TRUE(ExitedWith(result, c.exitCode)) << result.status;
        if (c.exitCode == 0) {
            EXPECT_FALSE(std::filesystem::exists(argvFile));
            continue;
        }
        bool valid = false;
        std::vector<ZipEntry> entries = ReadZip(c.zip, &valid);
        EXPECT_TRUE(valid);
        ASSERT_EQ(entries.size(), c.entries.size());
        for (size_t i = 0; i < entries.size(); ++i) EXPECT_EQ(entries[i].name, c.entries[i]);
        std::vector<std::string> records = WaitForLines(argvFile, 1);
        ASSERT_EQ(records.size(), 1u);
        EXPECT_EQ(records[0].substr(records[0].find('\t')), "\t/uploader\t--dmp_file=" + c.zip);
    }
}

TEST(CrashHostTest, SubmitReportFailsWhenTheProgramCannotBeStarted) {
    std::string root = FreshFolder("execfail");
    std::string copy = root + "/host_copy";
    std::filesystem::copy_file(HostPath(), copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_all);
    std::ofstream(root + "/r.txt") << "text";
    HostResult result = RunProgram(copy, {"submit", "", root + "/r.txt", copy},
                                   {"LD_LIBRARY_PATH=" + std::string(ZOVI_BIN_DIR),
                                    "ZOVI_TEST_ARGV_FILE=" + root + "/argv"});
    ASSERT_TRUE(ExitedWith(result, 0)) << result.status;
    EXPECT_TRUE(std::filesystem::exists(root + "/r.zip"));
    EXPECT_FALSE(std::filesystem::exists(root + "/argv"));
}

TEST(CrashHostTest, AnOutsideReaderOpensTheDump) {
    if (access("/usr/bin/lldb-14", X_OK) != 0) GTEST_SKIP() << "lldb-14 is not installed";
    std::string root = FreshFolder("lldb");
    HostResult result = RunProgram(HostPath(), {"crash", "null-write", root, "0", root + "/side"});
    ASSERT_TRUE(ExitedWith(result, 255));
    auto dmps = FilesEndingIn(root, ".dmp");
    ASSERT_EQ(dmps.size(), 1u);
    std::string output = root + "/lldb.out";
    std::string command = "timeout 60 lldb-14 -b -x -c '" + dmps[0] +
                          "' -o 'thread list' -o 'image list' -o 'bt' </dev/null >'" + output + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadAll(output);
    std::string text = ReadAll(output);
    SideInfo side = ReadSide(root + "/side");
    EXPECT_NE(text.find("tid = " + std::to_string(side.tid)), std::string::npos) << text;
    EXPECT_NE(text.find("stop reason = signal SIGSEGV"), std::string::npos) << text;
    EXPECT_NE(text.find(HostPath()), std::string::npos) << text;
    EXPECT_NE(text.find("CrashByNullWrite"), std::string::npos) << text;
}

TEST(CrashHostTest, WhenNoFileCanBeWrittenTheFatalMessageGoesToStandardError) {
    std::string root = FreshFolder("fatal");
    std::ofstream(root + "/plain") << "a file where the reports folder should be";
    std::string errors = root + "/stderr";
    // Neither the reports folder nor the temporary folder can take a file.
    HostResult result = RunProgram(HostPath(), {"crash", "null-read", root + "/plain/Crashes", "1", root + "/side"},
                                   {"ZOVI_TEST_ARGV_FILE=" + root + "/argv", "TMPDIR=" + root + "/plain/temp"},
                                   60, -1, errors);
    ASSERT_TRUE(ExitedWith(result, 255));
    std::string text = ReadAll(errors);
    EXPECT_NE(text.find("Fatal error\ncrashrep_host v."), std::string::npos) << text;
    EXPECT_NE(text.find(" has encountered a problem and needs to close.  We are sorry for the inconvenience.\n"),
              std::string::npos)
        << text;
    EXPECT_FALSE(std::filesystem::exists(root + "/argv"));
}
