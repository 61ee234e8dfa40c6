#include "engine/output/process_pipe.h"

#include <cinttypes>
#include <cstdint>
#include <string>

#include "engine/util/av_log.h"
#include "platform/base/last_error.h"
#include "platform/base/thread.h"
#include "platform/process/child_io.h"
#include "platform/process/command_line.h"
#include "platform/process/process.h"

namespace zovi::engine {

CProcessPipe::CProcessPipe() {
    AvLogInfo("CProcessPipe::ctor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

CProcessPipe::~CProcessPipe() {
    Destroy();
    AvLogInfo("CProcessPipe::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

bool CProcessPipe::Create(const std::string& cmdLine) {
    if (child_) return false;
    std::vector<std::string> argv = platform::SplitCommandLine(cmdLine);
    if (argv.empty() || argv[0].empty()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // A child that ends early must give us a failed write, not a fatal signal.
    platform::IgnoreBrokenPipeSignal();
    platform::ChildProcess::Options options;
    options.pipeStdin = true;
    options.pipeStderr = true;
    // A child that ends at once may have its end handled (and this pipe destroyed, which
    // reads drain_) before StartThread returns here: the drain thread takes childLock_
    // before that, so drain_ is set under it.
    std::lock_guard<std::mutex> lock(childLock_);
    child_ = platform::ChildProcess::Start(argv, options);
    if (!child_) return false;
    closingInput_ = false;
    const int errors = child_->StderrFd();
    drain_ = platform::StartThread([this, errors] { DrainErrors(errors); });
    return true;
}

void CProcessPipe::DrainErrors(int fd) {
    std::string pending;
    char buffer[4096];
    auto flushLine = [](const std::string& line) {
        if (!line.empty()) AvLogInfo("ZoviMux: %s", line.c_str());
    };
    for (;;) {
        ssize_t got = platform::ReadSome(fd, buffer, sizeof(buffer));
        if (got <= 0) break;
        pending.append(buffer, static_cast<size_t>(got));
        size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            flushLine(pending.substr(0, end));
            pending.erase(0, end + 1);
        }
        // A child writing without line ends still cannot grow this without bound.
        if (pending.size() > 4096) {
            flushLine(pending);
            pending.clear();
        }
    }
    flushLine(pending);
    // End of the error pipe: the child has ended (or is ending). Seen before Destroy
    // closed the input, the end was the child's own and is news for the owner, even when
    // Destroy has begun since (it waits for this thread).
    if (closingInput_.load() || !endHandler_) return;
    const int exitCode = WaitForChild();
    // The owner may destroy this pipe from within the handler: nothing of it is touched
    // once the handler runs.
    EndHandler handler = endHandler_;
    handler(exitCode);
}

int CProcessPipe::WaitForChild() {
    std::lock_guard<std::mutex> lock(childLock_);
    child_->Wait(-1);
    return child_->ExitCode();
}

void CProcessPipe::Destroy() {
    if (!child_) return;
    closingInput_ = true;
    child_->CloseStdin();
    exitCode_ = WaitForChild();
    // The child has ended: its error pipe reaches end of input once the drain read all.
    // When the end handler itself destroys the pipe, its thread ends on its own.
    if (drain_.joinable()) {
        if (drain_.get_id() == std::this_thread::get_id())
            drain_.detach();
        else
            drain_.join();
    }
    child_->CloseStderr();
    AvLogInfo("Destroy Pipe=%d", exitCode_);
    child_.reset();
}

bool CProcessPipe::IsInputOpen() const { return child_ && child_->StdinFd() >= 0; }

bool CProcessPipe::WriteInput(const void* data, size_t size) {
    if (!IsInputOpen()) return false;
    return platform::WriteAll(child_->StdinFd(), data, size);
}

}  // namespace zovi::engine
