// Child processes (the CreateProcessW / ShellExecuteW stand-in). A child inherits only
// the descriptors it is given: its standard streams, each a pipe to us or /dev/null.
#pragma once
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace zovi::platform {

class ChildProcess {
public:
    struct Options {
        bool pipeStdin = false;   // we write, the child reads
        bool pipeStdout = false;  // the child writes, we read
        bool pipeStderr = false;
    };

    // Starts argv[0] (a path) with `argv`. Null on failure (the program missing or not
    // executable included), with the last error set.
    static std::unique_ptr<ChildProcess> Start(const std::vector<std::string>& argv,
                                               const Options& options);
    ~ChildProcess();  // closes our pipe ends; kills nothing, reaps the child if it ended
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t Pid() const { return pid_; }
    int StdinFd() const { return stdin_; }    // -1 when not piped or closed
    int StdoutFd() const { return stdout_; }
    int StderrFd() const { return stderr_; }
    void CloseStdin();
    void CloseStdout();
    void CloseStderr();

    // Waits for the child to end: timeoutMs < 0 waits for ever. True once it has ended.
    bool Wait(int timeoutMs);
    bool HasExited() const { return exited_; }
    // The exit status once ended: the exit code, or 128 + the signal number.
    int ExitCode() const { return exitCode_; }
    void Kill(int signal);

private:
    ChildProcess() = default;
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int stdin_ = -1, stdout_ = -1, stderr_ = -1;
    bool exited_ = false;
    int exitCode_ = -1;
};

// Starts argv[0] with `argv` and does not wait for it (a background reaper collects its
// exit). All standard streams are /dev/null. `startedPid`, when given, receives the
// child's pid; `newSession` puts the child in a session of its own, so it outlives our
// terminal and session. False on failure, last error set.
bool StartDetachedProcess(const std::vector<std::string>& argv, pid_t* startedPid = nullptr,
                          bool newSession = false);

// The running program's own path (from /proc/self/exe) and its folder, UTF-8.
std::string SelfExePath();
std::string SelfExeDir();

}  // namespace zovi::platform
