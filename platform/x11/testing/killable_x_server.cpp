#include "platform/x11/testing/killable_x_server.h"

#include <signal.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "platform/process/process.h"

namespace zovi::test {

CKillableXServer::CKillableXServer() {
    platform::ChildProcess::Options options;
    options.pipeStdout = true;  // where it writes its display number
    server_ = platform::ChildProcess::Start(
        {"/usr/bin/Xvfb", "-displayfd", "1", "-screen", "0", "1280x720x24", "-nolisten", "tcp"}, options);
    if (!server_) return;
    std::string number;
    char c = 0;
    while (read(server_->StdoutFd(), &c, 1) == 1 && c != '\n') number += c;
    number_ = number;
}

CKillableXServer::~CKillableXServer() { End(SIGKILL); }

std::string CKillableXServer::Name() const { return number_.empty() ? std::string() : ":" + number_; }

void CKillableXServer::End(int signal) {
    if (!server_ || server_->HasExited()) return;
    server_->Kill(signal);
    if (!server_->Wait(20'000)) {
        server_->Kill(SIGKILL);
        server_->Wait(-1);
    }
    if (number_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove("/tmp/.X" + number_ + "-lock", ignored);
    std::filesystem::remove("/tmp/.X11-unix/X" + number_, ignored);
}

}  // namespace zovi::test
