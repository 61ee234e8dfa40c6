#include "engine/capture/tests/support/tone_player.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "platform/process/child_io.h"

namespace zovi::test {

void WaitForSoundServerToSettle(double seconds) {
    // The server's pid file is written when it starts.
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (!runtime) return;
    std::error_code error;
    const auto started =
        std::filesystem::last_write_time(std::filesystem::path(runtime) / "pulse" / "pid", error);
    if (error) return;
    const auto age = std::filesystem::file_time_type::clock::now() - started;
    const auto wanted = std::chrono::duration<double>(seconds);
    if (age < wanted)
        std::this_thread::sleep_for(
            std::chrono::duration_cast<std::chrono::milliseconds>(wanted - age));
}

CTonePlayer::CTonePlayer() {
    platform::ChildProcess::Options options;
    options.pipeStdin = true;
    options.pipeStdout = true;
    child_ = platform::ChildProcess::Start({ZOVI_TONE_PROGRAM}, options);
    if (!child_) return;
    // The player says "ready" once its stream runs.
    char ready[6] = {};
    running_ = platform::ReadFull(child_->StdoutFd(), ready, sizeof(ready)) == sizeof(ready);
}

CTonePlayer::~CTonePlayer() {
    if (!child_) return;
    child_->CloseStdin();
    if (!child_->Wait(5000)) {
        child_->Kill(9);
        child_->Wait(-1);
    }
}

void CTonePlayer::SetTone(bool on) {
    if (child_) platform::WriteAll(child_->StdinFd(), on ? "1" : "0", 1);
}

}  // namespace zovi::test
