// A second process for the message box tests: finds a top-level window by class and
// sends it a registered message with a time limit. Arguments: class name, message name.
// Prints "result <value>" when answered, "timeout" otherwise (exit code 1).
#include <cstdio>
#include <string>

#include "platform/base/utf8.h"
#include "platform/window/window.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const std::wstring className = zovi::platform::DecodeUtf8Lossless(argv[1]);
    const std::wstring messageName = zovi::platform::DecodeUtf8Lossless(argv[2]);
    const HWND target = FindWindowW(className.c_str(), nullptr);
    if (!target) {
        std::printf("no window\n");
        return 3;
    }
    const UINT message = RegisterWindowMessageW(messageName.c_str());
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(target, message, 0, 0, SMTO_NORMAL, 5000, &result)) {
        std::printf("timeout\n");
        return 1;
    }
    std::printf("result %lu\n", static_cast<unsigned long>(result));
    return 0;
}
