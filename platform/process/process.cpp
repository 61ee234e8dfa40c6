#include "platform/process/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <thread>

#include "platform/base/last_error.h"

extern char** environ;

namespace zovi::platform {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

int StatusToExitCode(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

// Collects the child's exit in the background, so it never stays a zombie.
void ReapInBackground(pid_t pid) {
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// Starts the child. `ends[i]` is the child's end for fd i (or -1 for /dev/null).
bool Spawn(const std::vector<std::string>& argv, const int ends[3], pid_t* pid,
           bool newSession = false) {
    if (argv.empty() || argv[0].empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd = 0; fd < 3; ++fd) {
        if (ends[fd] >= 0)
            posix_spawn_file_actions_adddup2(&actions, ends[fd], fd);
        else
            posix_spawn_file_actions_addopen(&actions, fd, "/dev/null",
                                             fd == 0 ? O_RDONLY : O_WRONLY, 0);
    }
    // Nothing else crosses into the child, even a descriptor opened without CLOEXEC.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGHUP);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setsigmask(&attributes, &none);
    short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
    if (newSession) flags |= POSIX_SPAWN_SETSID;
    posix_spawnattr_setflags(&attributes, flags);

    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int err = posix_spawn(pid, argv[0].c_str(), &actions, &attributes, args.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        SetLastErrorFromErrno(err);
        return false;
    }
    return true;
}

}  // namespace

std::unique_ptr<ChildProcess> ChildProcess::Start(const std::vector<std::string>& argv,
                                                  const Options& options) {
    const bool piped[3] = {options.pipeStdin, options.pipeStdout, options.pipeStderr};
    int ours[3] = {-1, -1, -1}, theirs[3] = {-1, -1, -1};
    auto closeAll = [&] {
        for (int i = 0; i < 3; ++i) {
            CloseFd(ours[i]);
            CloseFd(theirs[i]);
        }
    };
    for (int i = 0; i < 3; ++i) {
        if (!piped[i]) continue;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            SetLastErrorFromErrno();
            closeAll();
            return nullptr;
        }
        // fds[0] reads, fds[1] writes; the child reads stdin and writes the others.
        ours[i] = (i == 0) ? fds[1] : fds[0];
        theirs[i] = (i == 0) ? fds[0] : fds[1];
    }
    std::unique_ptr<ChildProcess> child(new ChildProcess());
    if (!Spawn(argv, theirs, &child->pid_)) {
        closeAll();
        return nullptr;
    }
    for (int i = 0; i < 3; ++i) CloseFd(theirs[i]);
    child->stdin_ = ours[0];
    child->stdout_ = ours[1];
    child->stderr_ = ours[2];
    child->pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, child->pid_, 0));
    return child;
}

ChildProcess::~ChildProcess() {
    CloseStdin();
    CloseStdout();
    CloseStderr();
    if (!exited_) Wait(0);
    if (!exited_ && pid_ > 0) {
        ReapInBackground(pid_);  // still running
    }
    if (pidfd_ >= 0) close(pidfd_);
}

void ChildProcess::CloseStdin() { CloseFd(stdin_); }
void ChildProcess::CloseStdout() { CloseFd(stdout_); }
void ChildProcess::CloseStderr() { CloseFd(stderr_); }

bool ChildProcess::Wait(int timeoutMs) {
    if (exited_) return true;
    if (pid_ <= 0) return false;
    if (timeoutMs != 0 && pidfd_ >= 0) {
        pollfd ready{pidfd_, POLLIN, 0};
        int result;
        do {
            result = poll(&ready, 1, timeoutMs < 0 ? -1 : timeoutMs);
        } while (result < 0 && errno == EINTR);
        if (result == 0) return false;
    }
    int status = 0;
    pid_t done;
    do {
        done = waitpid(pid_, &status, (timeoutMs < 0 && pidfd_ < 0) ? 0 : WNOHANG);
    } while (done < 0 && errno == EINTR);
    if (done == pid_) {
        exited_ = true;
        exitCode_ = StatusToExitCode(status);
        return true;
    }
    return false;
}

void ChildProcess::Kill(int signal) {
    if (!exited_ && pid_ > 0) kill(pid_, signal);
}

bool StartDetachedProcess(const std::vector<std::string>& argv, pid_t* startedPid,
                          bool newSession) {
    const int ends[3] = {-1, -1, -1};
    pid_t pid = -1;
    if (!Spawn(argv, ends, &pid, newSession)) return false;
    ReapInBackground(pid);
    if (startedPid != nullptr) *startedPid = pid;
    return true;
}

std::string SelfExePath() {
    char path[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    if (length <= 0) return {};
    return std::string(path, static_cast<size_t>(length));
}

std::string SelfExeDir() {
    std::string path = SelfExePath();
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace zovi::platform
