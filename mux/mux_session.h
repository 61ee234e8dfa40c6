// One run of the muxer: read the stream headers and packets from an input descriptor
// until it ends, and write the file.
#pragma once
#include "mux/mux_args.h"

namespace zovi::mux {

// Exit codes of the muxer program.
enum MuxExitCode : int {
    kMuxOk = 0,
    kMuxBadArguments = 1,
    kMuxOutputFailed = 2,    // the file or container could not be made
    kMuxMalformedInput = 3,  // the file is finished with the complete packets
    kMuxWriteFailed = 4,
};

// Largest payload accepted in one message.
inline constexpr int32_t kMaxMessagePayload = 64 * 1024 * 1024;

// Reads messages from `inputFd` until it ends and writes `args.outputPath`. Input that
// ends before its first packet leaves no file (and gives kMuxMalformedInput).
MuxExitCode RunMuxSession(const MuxArgs& args, int inputFd);

}  // namespace zovi::mux
