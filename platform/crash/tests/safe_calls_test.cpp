// The signal-safe file, process and context calls the crash files are written with,
// against real files, folders, pipes and threads.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/crash/handoff.h"
#include "platform/crash/safe_file.h"
#include "platform/crash/safe_process.h"
#include "platform/crash/signal_context.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace zovi::platform;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

class SafeFileTest : public testing::Test {
protected:
    void SetUp() override {
        folder_ = testing::TempDir() + "safe_calls_" +
                  testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(folder_);
        fs::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(folder_, fs::perms::owner_all, ignored);
        fs::remove_all(folder_, ignored);
    }
    std::string Path(const std::string& name) const { return folder_ + "/" + name; }

    std::string folder_;
};

TEST_F(SafeFileTest, CreateModesOnNewAndExistingFiles) {
    struct Case {
        const char* name;
        SafeCreate how;
        bool existing;     // the file holds "old" before
        bool opens;
        bool nameTaken;
        const char* after;  // the content after writing "new"
    } cases[] = {
        {"new_missing", SafeCreate::kNew, false, true, false, "new"},
        {"new_existing", SafeCreate::kNew, true, false, true, "old"},
        {"replace_missing", SafeCreate::kReplace, false, true, false, "new"},
        {"replace_existing", SafeCreate::kReplace, true, true, false, "new"},
        {"append_missing", SafeCreate::kAppend, false, true, false, "new"},
        {"append_existing", SafeCreate::kAppend, true, true, false, "oldnew"},
    };
    for (const Case& c : cases) {
        const std::string path = Path(c.name);
        if (c.existing) WriteText(path, "old");
        bool taken = !c.nameTaken;
        const int fd = SafeCreateFile(path.c_str(), c.how, &taken);
        EXPECT_EQ(fd >= 0, c.opens) << c.name;
        EXPECT_EQ(taken, c.nameTaken) << c.name;
        if (fd >= 0) {
            EXPECT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC) << c.name;
            if (c.how == SafeCreate::kAppend) lseek(fd, 0, SEEK_SET);  // appends go to the end anyway
            EXPECT_TRUE(SafeWriteAll(fd, "new", 3)) << c.name;
            SafeClose(fd);
        }
        EXPECT_EQ(ReadAll(path), c.after) << c.name;
        if (!c.existing) {
            struct stat info{};
            ASSERT_EQ(stat(path.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 0777, 0600u) << c.name;
        }
    }
}

TEST_F(SafeFileTest, CreateFailuresOtherThanATakenName) {
    WriteText(Path("file"), "x");
    for (const std::string& path : {Path("missing/a"), Path("file/a"), std::string()}) {
        bool taken = true;
        EXPECT_LT(SafeCreateFile(path.c_str(), SafeCreate::kNew, &taken), 0) << path;
        EXPECT_FALSE(taken) << path;
    }
    EXPECT_LT(SafeCreateFile(nullptr, SafeCreate::kReplace), 0);
}

TEST_F(SafeFileTest, UniqueFilesKeepTheirSuffixAndNeverShareAName) {
    std::vector<std::string> made;
    for (int i = 0; i < 3; ++i) {
        std::string name = Path("excXXXXXX.dmp");
        std::vector<char> path(name.begin(), name.end());
        path.push_back('\0');
        const int fd = SafeCreateUniqueFile(path.data(), 4);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
        SafeClose(fd);
        const std::string got = path.data();
        EXPECT_EQ(got.substr(got.size() - 4), ".dmp");
        EXPECT_NE(got, name);
        EXPECT_TRUE(fs::is_regular_file(got));
        for (const std::string& earlier : made) EXPECT_NE(got, earlier);
        made.push_back(got);
    }
    char noPattern[] = "/tmp/no_pattern.dmp";
    EXPECT_LT(SafeCreateUniqueFile(noPattern, 4), 0);
    std::string missing = Path("missing/excXXXXXX.txt");
    EXPECT_LT(SafeCreateUniqueFile(missing.data(), 4), 0);
}

TEST_F(SafeFileTest, ReadsWhatWasWrittenInChunks) {
    std::string bytes(1 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 131 % 251);
    const std::string path = Path("big");
    int fd = SafeCreateFile(path.c_str(), SafeCreate::kNew);
    ASSERT_GE(fd, 0);
    ASSERT_TRUE(SafeWriteAll(fd, bytes.data(), bytes.size()));
    SafeClose(fd);

    fd = SafeOpenToRead(path.c_str());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(fcntl(fd, F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    std::string back;
    char chunk[1000];
    for (std::ptrdiff_t got; (got = SafeRead(fd, chunk, sizeof chunk)) > 0;) back.append(chunk, static_cast<size_t>(got));
    EXPECT_EQ(SafeRead(fd, chunk, sizeof chunk), 0);
    SafeClose(fd);
    EXPECT_EQ(back, bytes);

    EXPECT_LT(SafeOpenToRead(Path("missing").c_str()), 0);
    EXPECT_LT(SafeOpenToRead(""), 0);
    EXPECT_EQ(SafeRead(-1, chunk, sizeof chunk), -1);
}

TEST_F(SafeFileTest, WritesThatCannotLandFail) {
    // A full device.
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    EXPECT_FALSE(SafeWriteAll(full, "x", 1));
    close(full);
    // A pipe whose reader is gone (the signal ignored, as the crash path runs with it).
    int pipeFds[2];
    ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
    close(pipeFds[0]);
    struct sigaction ignore{}, previous{};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    EXPECT_FALSE(SafeWriteAll(pipeFds[1], "x", 1));
    sigaction(SIGPIPE, &previous, nullptr);
    close(pipeFds[1]);
    // A descriptor open for reading only, and none.
    WriteText(Path("read_only"), "x");
    const int reading = SafeOpenToRead(Path("read_only").c_str());
    EXPECT_FALSE(SafeWriteAll(reading, "x", 1));
    SafeClose(reading);
    EXPECT_FALSE(SafeWriteAll(-1, "x", 1));
    EXPECT_TRUE(SafeWriteAll(-1, "", 0)) << "nothing to write is no failure";
}

TEST_F(SafeFileTest, ExamineFilesAndFolders) {
    WriteText(Path("file"), "12345");
    WriteText(Path("locked"), "1");
    fs::permissions(Path("locked"), fs::perms::owner_read);
    fs::create_directories(Path("folder"));
    fs::last_write_time(Path("file"), fs::file_time_type::clock::now() - std::chrono::hours(50));
    struct stat info{};
    ASSERT_EQ(stat(Path("file").c_str(), &info), 0);

    SafeFileFacts facts{};
    ASSERT_TRUE(SafeExamine(Path("file").c_str(), &facts));
    EXPECT_FALSE(facts.folder);
    EXPECT_TRUE(facts.ownerCanWrite);
    EXPECT_EQ(facts.size, 5u);
    EXPECT_EQ(facts.modified, static_cast<int64_t>(info.st_mtime));

    ASSERT_TRUE(SafeExamine(Path("locked").c_str(), &facts));
    EXPECT_FALSE(facts.ownerCanWrite);
    ASSERT_TRUE(SafeExamine(Path("folder").c_str(), &facts));
    EXPECT_TRUE(facts.folder);

    EXPECT_FALSE(SafeExamine(Path("missing").c_str(), &facts));
    EXPECT_FALSE(SafeExamine("", &facts));
}

TEST_F(SafeFileTest, DeleteRemovesFilesOnly) {
    WriteText(Path("file"), "x");
    fs::create_directories(Path("folder"));
    EXPECT_TRUE(SafeDeleteFile(Path("file").c_str()));
    EXPECT_FALSE(fs::exists(Path("file")));
    EXPECT_FALSE(SafeDeleteFile(Path("file").c_str()));
    EXPECT_FALSE(SafeDeleteFile(Path("folder").c_str()));
    EXPECT_TRUE(fs::is_directory(Path("folder")));
}

TEST_F(SafeFileTest, ParentFolders) {
    WriteText(Path("file"), "x");
    struct Case {
        std::string path;
        bool result;
        std::string folder;  // a folder that exists afterwards (empty: none checked)
    } cases[] = {
        {Path("a/b/c/report.dmp"), true, Path("a/b/c")},
        {Path("a/b/c/other.dmp"), true, Path("a/b/c")},  // all there already
        {Path("top.dmp"), true, folder_},
        {"/top_level_file", true, ""},
        {"relative/x.dmp", false, ""},
        {Path("file/below/x.dmp"), false, ""},  // a file where a folder should be
        {"", false, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SafeCreateParentFolders(c.path.c_str()), c.result) << c.path;
        if (!c.folder.empty()) {
            EXPECT_TRUE(fs::is_directory(c.folder)) << c.path;
        }
    }
    EXPECT_FALSE(fs::exists("relative"));
    EXPECT_FALSE(SafeCreateParentFolders(nullptr));
    EXPECT_FALSE(SafeCreateParentFolders((Path("long/") + std::string(5000, 'x') + "/f").c_str()));
    EXPECT_FALSE(fs::exists(Path("long")));
}

TEST(SafeProcessTest, IdsAreTheKernelsOwn) {
    EXPECT_EQ(SafeProcessId(), static_cast<int>(getpid()));
    const int mine = SafeThreadId();
    EXPECT_EQ(mine, static_cast<int>(syscall(SYS_gettid)));
    int other = 0, otherKernel = 0;
    std::thread([&] {
        other = SafeThreadId();
        otherKernel = static_cast<int>(syscall(SYS_gettid));
    }).join();
    EXPECT_EQ(other, otherKernel);
    EXPECT_NE(other, mine);
}

TEST(SafeProcessTest, OwnProgramPathIsCutToFit) {
    char path[4096];
    const size_t length = SafeOwnProgramPath(path, sizeof path);
    const std::string expected = fs::read_symlink("/proc/self/exe").string();
    EXPECT_EQ(std::string(path, length), expected);
    EXPECT_EQ(std::strlen(path), length);
    char small[8];
    EXPECT_EQ(SafeOwnProgramPath(small, sizeof small), 7u);
    EXPECT_EQ(std::string(small), expected.substr(0, 7));
    EXPECT_EQ(SafeOwnProgramPath(small, 0), 0u);
}

TEST(SafeProcessTest, LocalTimeFollowsTheTimeZone) {
    const std::string saved = getenv("TZ") ? getenv("TZ") : "";
    const bool hadZone = getenv("TZ") != nullptr;
    setenv("TZ", "UTC-8", 1);
    tzset();
    WarmLocalTime();
    const struct tm local = SafeLocalTime(1624872162);  // 2021-06-28 09:22:42 UTC
    EXPECT_EQ(local.tm_year, 121);
    EXPECT_EQ(local.tm_mon, 5);
    EXPECT_EQ(local.tm_mday, 28);
    EXPECT_EQ(local.tm_hour, 17);
    EXPECT_EQ(local.tm_min, 22);
    EXPECT_EQ(local.tm_sec, 42);
    const time_t before = time(nullptr);
    const struct tm now = SafeLocalTimeNow();
    struct tm copy = now;
    const time_t back = mktime(&copy);
    EXPECT_GE(back, before);
    EXPECT_LE(back, time(nullptr));
    if (hadZone) {
        setenv("TZ", saved.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}

TEST(SafeProcessTest, EnvironmentWithAddsOneEntryAndStaysBounded) {
    size_t size = 0;
    while (environ[size]) ++size;
    std::vector<char*> out(size + 2);
    char extra[] = "ZOVI_SAFE_CALLS_TEST=1";
    EXPECT_EQ(EnvironmentWith(extra, out.data(), out.size()), size + 1);
    for (size_t i = 0; i < size; ++i) EXPECT_EQ(out[i], environ[i]);
    EXPECT_EQ(out[size], extra);
    EXPECT_EQ(out[size + 1], nullptr);
    // Too small for the whole environment: the extra entry and the end stay.
    char* small[3];
    EXPECT_EQ(EnvironmentWith(extra, small, 3), 2u);
    EXPECT_EQ(small[0], environ[0]);
    EXPECT_EQ(small[1], extra);
    EXPECT_EQ(small[2], nullptr);
}

// The context is taken in a frame that is still live while the work runs: its stack
// pointer lies between the work's own locals and the caller's.
TEST(SignalContextTest, OwnContextFrameStaysLive) {
    volatile int callerLocal = 0;
    struct Seen {
        uint64_t rsp = 0, rip = 0;
        uintptr_t workLocal = 0;
        uint32_t flags = 0;
    } seen;
    WithOwnContext(
        [](const CONTEXT* context, void* data) {
            volatile int workLocal = 0;
            auto* s = static_cast<Seen*>(data);
            s->rsp = context->Rsp;
            s->rip = context->Rip;
            s->flags = context->ContextFlags;
            s->workLocal = reinterpret_cast<uintptr_t>(&workLocal);
        },
        &seen);
    EXPECT_EQ(seen.flags, CONTEXT_FULL_WITH_SEGMENTS);
    EXPECT_NE(seen.rip, 0u);
    EXPECT_LT(seen.workLocal, seen.rsp);
    EXPECT_LT(seen.rsp, reinterpret_cast<uintptr_t>(&callerLocal));
}

}  // namespace
