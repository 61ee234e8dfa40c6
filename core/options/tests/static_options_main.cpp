// A program whose settings record is a static object, as the main program's is: loaded
// before main, saved after main returns. Argument: the container format to set.
#include <cstdlib>

#include "core/options/options.h"

COptions g_options;

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    g_options.muxFmt = static_cast<DWORD>(std::atoi(argv[1]));
    return g_options.uiThreadId != 0 ? 0 : 3;
}
