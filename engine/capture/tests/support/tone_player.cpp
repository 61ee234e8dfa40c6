#include "engine/capture/tests/support/tone_player.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "platform/process/child_io.h"

namespace zovi::test {

namespace {

// The longest latency of the server's sinks in microseconds ("Latency: N usec" in
// "pactl list sinks"); -1 when it cannot be read.
long long LongestSinkLatencyUs() {
    auto pactl = platform::ChildProcess::Start({"/usr/bin/pactl", "list", "sinks"}, {.pipeStdout = true});
    if (!pactl) return -1;
    std::string text;
    char buffer[4096];
    ssize_t got;
    while ((got = platform::ReadSome(pactl->StdoutFd(), buffer, sizeof buffer)) > 0) text.append(buffer, got);
    if (!pactl->Wait(30'000) || pactl->ExitCode() != 0) return -1;
    long long longest = -1;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("Latency: ");
        if (at != std::string::npos) longest = std::max(longest, std::atoll(line.c_str() + at + 9));
    }
    return longest;
}

}  // namespace

void WaitForSoundServerToSettle() {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        const long long latency = LongestSinkLatencyUs();
        if (latency >= 0 && latency < 100'000) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
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
