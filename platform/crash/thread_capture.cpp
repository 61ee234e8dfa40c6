#include "platform/crash/thread_capture.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "platform/crash/safe_process.h"
#include "platform/crash/signal_context.h"

namespace zovi::platform {

namespace {

constexpr long kAnswerWaitNs = 200L * 1000 * 1000;
constexpr long kPollNs = 2L * 1000 * 1000;

struct Slot {
    CapturedThread thread;
    std::atomic<bool> ready{false};
};

Slot g_slots[kMaxCapturedThreads];
size_t g_order[kMaxCapturedThreads];  // slot numbers of the answered threads
std::atomic<bool> g_capturing{false};
std::atomic<bool> g_release{true};
std::atomic<size_t> g_nextSlot{0};

int CaptureSignal() { return SIGRTMIN + 5; }

void Sleep(long ns) {
    timespec pause{0, ns};
    nanosleep(&pause, nullptr);
}

void OnCaptureSignal(int, siginfo_t*, void* ucontext) {
    if (!g_capturing.load()) return;
    int savedErrno = errno;
    size_t slot = g_nextSlot.fetch_add(1);
    if (slot < kMaxCapturedThreads) {
        g_slots[slot].thread.tid = SafeThreadId();
        ContextFromUcontext(ucontext, &g_slots[slot].thread.context);
        g_slots[slot].ready.store(true);
    }
    while (!g_release.load()) Sleep(kPollNs);
    errno = savedErrno;
}

struct LinuxDirent64 {
    uint64_t ino;
    int64_t off;
    unsigned short reclen;
    unsigned char type;
    char name[1];
};

}  // namespace

size_t CThreadCapture::Capture() {
    for (Slot& slot : g_slots) slot.ready.store(false);
    g_nextSlot.store(0);
    g_release.store(false);
    g_capturing.store(true);
    struct sigaction action{};
    action.sa_sigaction = OnCaptureSignal;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(CaptureSignal(), &action, nullptr);

    pid_t self = SafeThreadId();
    pid_t pid = getpid();
    size_t sent = 0;
    int fd = open("/proc/self/task", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        static char buffer[8192];
        for (;;) {
            long got = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
            if (got <= 0) break;
            for (long at = 0; at < got;) {
                auto* entry = reinterpret_cast<LinuxDirent64*>(buffer + at);
                at += entry->reclen;
                pid_t tid = 0;
                for (const char* p = entry->name; *p >= '0' && *p <= '9'; ++p) tid = tid * 10 + (*p - '0');
                if (tid <= 0 || tid == self || sent == kMaxCapturedThreads) continue;
                if (syscall(SYS_tgkill, pid, tid, CaptureSignal()) == 0) ++sent;
            }
        }
        close(fd);
    }
    // Wait (boundedly) for the answers.
    for (long waited = 0; waited < kAnswerWaitNs && g_nextSlot.load() < sent; waited += kPollNs) Sleep(kPollNs);
    size_t count = 0;
    for (size_t i = 0; i < kMaxCapturedThreads; ++i) {
        if (g_slots[i].ready.load()) g_order[count++] = i;
    }
    return count;
}

const CapturedThread& CThreadCapture::Thread(size_t i) const { return g_slots[g_order[i]].thread; }

void CThreadCapture::Release() {
    g_capturing.store(false);
    g_release.store(true);
}

}  // namespace zovi::platform
