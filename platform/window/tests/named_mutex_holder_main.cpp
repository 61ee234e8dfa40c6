// Opens a named mutex for the named-mutex tests and reports what it found. Arguments:
// name, milliseconds to hold. Prints "exists"/"new", then "owned"/"busy" after waiting
// up to 300 ms for ownership. Starts a child (sleep) first, so a lock file that leaked
// into children would keep the mutex held after this process is killed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/base/last_error.h"
#include "platform/base/clock.h"
#include "platform/process/process.h"
#include "platform/window/named_mutex.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    std::string narrow = argv[1];
    std::wstring name(narrow.begin(), narrow.end());
    HANDLE mutex = CreateMutexW(nullptr, FALSE, name.c_str());
    if (!mutex) return 3;
    std::printf("%s\n", GetLastError() == ERROR_ALREADY_EXISTS ? "exists" : "new");
    std::fflush(stdout);
    const bool owned = WaitForSingleObject(mutex, 300) == WAIT_OBJECT_0;
    zovi::platform::StartDetachedProcess({"/bin/sleep", "30"});
    std::printf("%s\n", owned ? "owned" : "busy");
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(std::atoi(argv[2])));
    if (owned) ReleaseMutex(mutex);
    CloseHandle(mutex);
    return 0;
}
