// A program that opens the file named by its argument through the file layer and prints
// its contents: the argument is taken as the program takes its own (UTF-8 in the
// lossless form). Exit status 0 when read, 1 when the file layer could not open it (the
// last error on stderr), 2 on a wrong argument count.
#include <cstdio>
#include <string>

#include "platform/base/utf8.h"
#include "platform/fs/win_file.h"

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::wstring path = zovi::platform::DecodeUtf8Lossless(argv[1]);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "error %u\n", GetLastError());
        return 1;
    }
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) std::fwrite(buffer, 1, read, stdout);
    CloseHandle(file);
    return 0;
}
