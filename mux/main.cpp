// ZoviMux: writes one recording's media file from the encoded streams the recorder
// sends over standard input. See mux_args.h for the command line and
// mux/protocol/mux_message.h for the input. Errors only, on standard error.
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/log.h>
}

#include "mux/mux_args.h"
#include "mux/mux_session.h"
#include "platform/process/child_io.h"

namespace {

// At most this many library lines reach standard error.
constexpr int kMaxLibraryLines = 20;
std::atomic<int> g_libraryLines{0};

void QuietLog(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_ERROR) return;
    if (g_libraryLines.fetch_add(1) >= kMaxLibraryLines) return;
    char line[512];
    std::vsnprintf(line, sizeof(line), format, args);
    std::fprintf(stderr, "ZoviMux: %s", line);
}

}  // namespace

int main(int argc, char** argv) {
    // The recorder closing our input, dying, or a session end all finish the file.
    zovi::platform::TreatTerminationAsEndOfInput();
    av_log_set_level(AV_LOG_ERROR);
    av_log_set_callback(QuietLog);

    const std::vector<std::string> arguments(argv, argv + argc);
    zovi::mux::MuxArgs args;
    std::string error;
    if (!zovi::mux::ParseMuxArgs(arguments, args, error)) {
        std::fprintf(stderr, "ZoviMux: bad arguments: %s\n", error.c_str());
        return zovi::mux::kMuxBadArguments;
    }
    return zovi::mux::RunMuxSession(args, STDIN_FILENO);
}
