// The muxer child process with its input pipe and its error pipe. The error pipe is
// drained into the log on a small thread for as long as the child runs, so a talkative
// child can never block on a full pipe (and with it the encode lock or the stop). The
// same thread sees the child end: when that happens while its input is still open (it
// failed or was killed), the end handler hears of it at once.
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace zovi::platform {
class ChildProcess;
}

namespace zovi::engine {

class CProcessPipe {
public:
    // Called with the child's exit code (128 + signal for a signal death), once, on the
    // error-draining thread, after the child's last error line was logged.
    using EndHandler = std::function<void(int exitCode)>;

    CProcessPipe();
    ~CProcessPipe();  // Destroy
    CProcessPipe(const CProcessPipe&) = delete;
    CProcessPipe& operator=(const CProcessPipe&) = delete;

    // Set before Create: told when the child ends before Destroy closed its input.
    void SetEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }

    // Starts the program of `cmdLine` (split by the Windows command-line rules, the first
    // token being the program) with a pipe for its standard input, its standard error to
    // us and its standard output to /dev/null. False on failure.
    bool Create(const std::string& cmdLine);
    // Closes the child's input (it sees end of input), waits for it to end (no limit),
    // drains and closes its error pipe, logs "Destroy Pipe=<exit code>". A second call
    // does nothing. May be called from within the end handler.
    void Destroy();

    // True while the child's input is open.
    bool IsInputOpen() const;
    // Writes all `size` bytes to the child's input. False on a failed or short write
    // (a child that has ended gives a failed write, never a signal).
    bool WriteInput(const void* data, size_t size);
    // The child's exit code after Destroy (128 + signal for a signal death), else -1.
    int ExitCode() const { return exitCode_; }

private:
    void DrainErrors(int fd);
    int WaitForChild();

    std::unique_ptr<platform::ChildProcess> child_;
    std::mutex childLock_;  // the child's wait and exit status: drain thread and Destroy
    std::thread drain_;
    EndHandler endHandler_;
    std::atomic<bool> closingInput_{false};
    int exitCode_ = -1;
};

}  // namespace zovi::engine
