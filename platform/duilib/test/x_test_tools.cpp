#include "platform/duilib/test/x_test_tools.h"

#include <cairo.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <thread>

#include "platform/gdi/dib_section.h"
#include "platform/process/process.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_grab.h"

namespace DuiLib::test {

namespace {

// The program's path from PATH (ChildProcess wants a path).
std::string Locate(const std::string& program) {
    if (program.find('/') != std::string::npos) return program;
    const char* path = std::getenv("PATH");
    std::istringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
    }
    return program;
}

}  // namespace

bool RunTool(const std::vector<std::string>& args, std::string* output) {
    if (args.empty()) return false;
    std::vector<std::string> argv = args;
    argv[0] = Locate(args[0]);
    zovi::platform::ChildProcess::Options options;
    options.pipeStdout = true;
    auto child = zovi::platform::ChildProcess::Start(argv, options);
    if (!child) return false;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(child->StdoutFd(), buffer, sizeof buffer);
        if (n <= 0) break;
        text.append(buffer, static_cast<size_t>(n));
    }
    child->Wait(-1);
    if (output) *output = text;
    return child->ExitCode() == 0;
}

bool Xdotool(const std::vector<std::string>& args, std::string* output) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunTool(argv, output);
}

std::vector<HWND> FindWindowsByClass(const std::string& className) {
    std::string text;
    std::vector<HWND> windows;
    if (!Xdotool({"search", "--class", className}, &text)) return windows;
    std::istringstream lines(text);
    unsigned long id = 0;
    while (lines >> id) windows.push_back(static_cast<HWND>(id));
    return windows;
}

HWND WaitForWindowOfClass(const std::string& className) {
    HWND window = 0;
    WaitUntil([&] {
        const auto found = FindWindowsByClass(className);
        if (!found.empty()) window = found.front();
        return window != 0;
    });
    return window;
}

bool XGeometry(HWND hwnd, RECT* rect) {
    std::string text;
    if (!Xdotool({"getwindowgeometry", "--shell", std::to_string(hwnd)}, &text)) return false;
    long x = 0, y = 0, width = 0, height = 0;
    int found = 0;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        const long value = std::strtol(line.c_str() + eq + 1, nullptr, 10);
        if (key == "X") x = value, ++found;
        if (key == "Y") y = value, ++found;
        if (key == "WIDTH") width = value, ++found;
        if (key == "HEIGHT") height = value, ++found;
    }
    if (found != 4) return false;
    *rect = RECT{static_cast<LONG>(x), static_cast<LONG>(y), static_cast<LONG>(x + width), static_cast<LONG>(y + height)};
    return true;
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

bool SaveWindowPng(HWND hwnd, const std::string& path) {
    auto connection = zovi::platform::CScreenConnection::Open();
    if (!connection) return false;
    std::shared_ptr<zovi::platform::CDibSection> picture = zovi::platform::GrabWindow(*connection, hwnd);
    if (!picture) return false;
    return cairo_surface_write_to_png(picture->Surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

}  // namespace DuiLib::test
