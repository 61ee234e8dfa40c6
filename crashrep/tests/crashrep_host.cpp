// A small program that links the crash library and crashes on request, so tests can
// inspect the files a crash leaves. It also stands in for the uploader mode.
//   crashrep_host crash <kind> <folder|-> <options> <side file>
//   crashrep_host twothreads <folder> <options> <side file>
//   crashrep_host submit <dmp> <txt> [file to delete first]
//   crashrep_host /uploader --dmp_file=<zip>
// Environment: ZOVI_TEST_ARGV_FILE (the uploader appends its pid and argv there),
// ZOVI_TEST_UPLOADER_SLEEP (seconds it then sleeps), ZOVI_TEST_UPLOADER_CRASH (it
// crashes instead, with the reports folder given there), ZOVI_TEST_LOCK_FILE (the crash
// mode holds a lock on it), ZOVI_TEST_WATCHDOG_SECONDS, ZOVI_TEST_FAULT_IN_FILTER (the
// filter itself faults).
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "crashrep/zovi_crashrep.h"
#include "platform/base/thread.h"
#include "platform/base/utf8_core.h"
#include "platform/crash/exception_filter.h"

namespace {

std::string g_sideFile;

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(zovi::platform::Utf8ToWideInto(text.c_str(), wide.data(), wide.size(),
                                               zovi::platform::Utf8Form::Lossless));
    return wide;
}

int* volatile g_filterFault = nullptr;
bool g_faultInFilter = false;

LONG CrashExceptionFilter(EXCEPTION_POINTERS* pointers) {
    if (g_faultInFilter) *g_filterFault = 3;  // a second fault, inside the filter
    ZoviCrashRepExceptionFilter(pointers);
    zovi::platform::TerminateCurrentProcess(0xFFFFFFFF);
}

// Records the crashing thread and the source lines the fault is expected on.
void Expect(int firstLine, int lastLine) {
    FILE* side = std::fopen(g_sideFile.c_str(), "w");
    if (!side) return;
    std::fprintf(side, "%ld %d %d\n", static_cast<long>(syscall(SYS_gettid)), firstLine, lastLine);
    std::fclose(side);
}

volatile int g_zero = 0;
int* volatile g_null = nullptr;
void (*volatile g_nullFunction)() = nullptr;

__attribute__((noinline)) void CrashByNullRead() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    std::printf("%d\n", *g_null);
}

__attribute__((noinline)) void CrashByNullWrite() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    *g_null = 1;
}

__attribute__((noinline)) void CrashByNullCall() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    g_nullFunction();
}

__attribute__((noinline)) void CrashByDivide() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    std::printf("%d\n", 10 / g_zero);
}

__attribute__((noinline)) void CrashByTrap() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    __builtin_trap();
}

__attribute__((noinline)) void CrashByBreakpoint() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    DebugBreak();
}

__attribute__((noinline)) void CrashByAbort() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    std::abort();
}

__attribute__((noinline)) void CrashByThrow() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    throw std::runtime_error("nobody catches this");
}

__attribute__((noinline)) void CrashByRaise() {
    Expect(__LINE__ + 1, __LINE__ + 1);
    RaiseException(0x0BAD0FAD, 0, 0, nullptr);
}

constexpr int kRecurseFirstLine = __LINE__ + 1;
__attribute__((noinline)) int Recurse(int depth) {
    volatile char pad[512];
    pad[0] = static_cast<char>(depth);
    return (depth >= 0 ? Recurse(depth + 1) : 0) + pad[depth % 2];
}
constexpr int kRecurseLastLine = __LINE__ - 1;

__attribute__((noinline)) void CrashByOverflow() {
    Expect(kRecurseFirstLine, kRecurseLastLine);
    std::printf("%d\n", Recurse(0));
}

__attribute__((noinline)) int Deep(int depth) {
    if (depth == 0) {
        Expect(__LINE__ + 1, __LINE__ + 1);
        return *g_null;
    }
    return Deep(depth - 1) + 1;
}

// A SIGSEGV that another process sends with kill: a child signals this process, whose
// pid goes to "<side>.sender" first.
void CrashBySentSignal() {
    sigset_t segv, previous;
    sigemptyset(&segv);
    sigaddset(&segv, SIGSEGV);
    sigprocmask(SIG_BLOCK, &segv, &previous);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child == 0) {
        kill(parent, SIGSEGV);
        _exit(0);
    }
    if (FILE* file = std::fopen((g_sideFile + ".sender").c_str(), "w")) {
        std::fprintf(file, "%ld\n", static_cast<long>(child));
        std::fclose(file);
    }
    waitpid(child, nullptr, 0);  // the signal is pending now
    sigprocmask(SIG_SETMASK, &previous, nullptr);
    for (;;) pause();
}

void Crash(const std::string& kind) {
    if (kind == "null-read") CrashByNullRead();
    else if (kind == "null-write") CrashByNullWrite();
    else if (kind == "null-call") CrashByNullCall();
    else if (kind == "divide") CrashByDivide();
    else if (kind == "trap") CrashByTrap();
    else if (kind == "int3") CrashByBreakpoint();
    else if (kind == "abort") CrashByAbort();
    else if (kind == "throw") CrashByThrow();
    else if (kind == "raise") CrashByRaise();
    else if (kind == "overflow") CrashByOverflow();
    else if (kind == "sent-segv") CrashBySentSignal();
    else if (kind == "deep") std::printf("%d\n", Deep(400));
    else if (kind == "worker-overflow") {
        std::thread worker = zovi::platform::StartThread([] { CrashByOverflow(); });
        worker.join();
    }
}

void InstallHooks(const wchar_t* folder, int options) {
    ZoviCrashRepSetOptions(folder, options);
    SetUnhandledExceptionFilter(CrashExceptionFilter);
    g_faultInFilter = std::getenv("ZOVI_TEST_FAULT_IN_FILTER") != nullptr;
    if (const char* seconds = std::getenv("ZOVI_TEST_WATCHDOG_SECONDS"))
        zovi::platform::SetCrashWatchdogSeconds(static_cast<unsigned>(std::atoi(seconds)));
}

// Entries set the way the program sets them: the log path, a fatal message, one more
// entry from another thread.
void SetEntries() {
    std::string log = g_sideFile + ".log";
    FILE* file = std::fopen(log.c_str(), "w");
    if (file) {
        std::fputs("first log line\r\nsecond log line\n", file);
        std::fclose(file);
    }
    ZoviCrashRepSetInfo(10, Wide(log).c_str());
    ZoviCrashRepSetInfo(0, L"Fatal test message");
    ZoviCrashRepSetInfo(5, L"first");
    ZoviCrashRepSetInfo(5, L"second");
    ZoviCrashRepSetInfo(7, L"removed by an empty text");
    ZoviCrashRepSetInfo(7, L"");
    ZoviCrashRepSetInfo(8, L"removed by null");
    ZoviCrashRepSetInfo(8, nullptr);
    ZoviCrashRepSetInfo(INT32_MAX, L"max");
    ZoviCrashRepSetInfo(-1, L"minus one");
    std::thread worker = zovi::platform::StartThread([] { ZoviCrashRepSetInfo(42, L"from a worker"); });
    worker.join();
    // A thread that is still there at the crash: the minidump lists it too.
    zovi::platform::StartThread([] {
        for (;;) pause();
    }).detach();
}

void HoldLock() {
    const char* path = std::getenv("ZOVI_TEST_LOCK_FILE");
    if (!path) return;
    int fd = open(path, O_RDWR | O_CREAT, 0600);  // deliberately inheritable
    if (fd >= 0) flock(fd, LOCK_EX);
}

int Uploader(int argc, char** argv) {
    if (const char* path = std::getenv("ZOVI_TEST_ARGV_FILE")) {
        FILE* file = std::fopen(path, "a");
        if (file) {
            std::fprintf(file, "%ld", static_cast<long>(getpid()));
            for (int i = 1; i < argc; ++i) std::fprintf(file, "\t%s", argv[i]);
            std::fputc('\n', file);
            std::fclose(file);
        }
    }
    if (const char* folder = std::getenv("ZOVI_TEST_UPLOADER_CRASH")) {
        g_sideFile = std::string(folder) + "/uploader-side";
        InstallHooks(Wide(folder).c_str(), 1);
        CrashByNullRead();
    }
    if (const char* seconds = std::getenv("ZOVI_TEST_UPLOADER_SLEEP")) sleep(static_cast<unsigned>(std::atoi(seconds)));
    return 0;
}

int TwoThreads() {
    std::atomic<int> ready{0};
    auto body = [&ready] {
        ready.fetch_add(1);
        while (ready.load() < 2) {
        }
        *g_null = 2;
    };
    std::thread first = zovi::platform::StartThread(body);
    std::thread second = zovi::platform::StartThread(body);
    first.join();
    second.join();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && std::strcmp(argv[1], "/uploader") == 0) return Uploader(argc, argv);
    std::string mode = argc >= 2 ? argv[1] : "";
    if (mode == "submit" && argc >= 4) {
        if (argc >= 5) unlink(argv[4]);  // makes the start of the uploader fail
        return ZoviCrashRepSubmitReport(Wide(argv[2]).c_str(), Wide(argv[3]).c_str());
    }
    if ((mode == "crash" && argc >= 6) || (mode == "twothreads" && argc >= 5)) {
        bool twoThreads = mode == "twothreads";
        std::string folder = argv[twoThreads ? 2 : 3];
        int options = std::atoi(argv[twoThreads ? 3 : 4]);
        g_sideFile = argv[twoThreads ? 4 : 5];
        std::wstring wideFolder = Wide(folder);
        InstallHooks(folder == "-" ? nullptr : wideFolder.c_str(), options);
        SetEntries();
        HoldLock();
        if (twoThreads) return TwoThreads();
        Crash(argv[2]);
        return 3;  // no crash happened
    }
    std::fprintf(stderr, "usage: crashrep_host crash|twothreads|submit|/uploader ...\n");
    return 2;
}
