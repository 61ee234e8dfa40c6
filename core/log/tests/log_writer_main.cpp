// Writes lines of varying length into the application log in a folder, for the tests
// of several processes sharing one day file. Arguments: folder, tag, line count.
#include <cstdlib>
#include <string>

#include "core/log/app_log.h"
#include "platform/base/utf8.h"

int main(int argc, char** argv) {
    if (argc != 4) return 2;
    CAppLog log;
    if (!log.Open(zovi::platform::DecodeUtf8Lossless(argv[1]))) return 3;
    const std::wstring tag = zovi::platform::DecodeUtf8Lossless(argv[2]);
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        // Every 50th line is longer than 4 KiB.
        size_t length = (i % 50 == 0) ? 5000 + i % 7 : 10 + (i * 37) % 300;
        log.Info(L"%s %d %s|", tag.c_str(), i, std::wstring(length, tag[0]).c_str());
    }
    log.Close();
    return 0;
}
