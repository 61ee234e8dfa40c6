// The engine's output through the muxer program "ZoviMux", which sits beside the main
// program: it is started with the stream description on its command line and fed the
// stream headers and packets over its standard input. A muxer that ends before its input
// does (it failed, its disk filled, it was killed) is logged with its exit code and
// reported to the engine at once; the output then takes no more packets.
// Threads: Open and Close on the owner's thread, Write on the encode threads under the
// engine's encode lock, the muxer's end on the pipe's error-draining thread.
#pragma once
#include <atomic>
#include <memory>
#include <string>

#include "engine/output/capture_output.h"

namespace zovi::engine {

class CProcessPipe;

// The muxer program's file name.
inline constexpr const char* kMuxerFileName = "ZoviMux";

class CCaptureFFmOutput : public ICaptureOutput {
public:
    explicit CCaptureFFmOutput(std::weak_ptr<ICaptureFFMCallback> callback);
    ~CCaptureFFmOutput() override;

    // Fails when `path` exists or cannot be created (a file is never replaced), when the
    // muxer program is missing or not executable, or when it cannot be started.
    bool Open(const std::string& path) override;
    bool Close() override;
    bool Write(const uint8_t* data, int size, const MuxMessageHeader& header) override;

    // The muxer's exit code once closed (0 when it finished the file), else -1.
    int MuxerExitCode() const;

    // The folder searched for the muxer instead of the running program's own (empty
    // restores it). For tests, whose programs do not sit beside the muxer.
    static void SetProgramDirForTesting(const std::string& dir);

private:
    bool BuildCmdLine(const std::string& path, std::string& cmdLine);
    bool SendStreamHeaders();
    bool SendMessage(const MuxMessageHeader& header, const uint8_t* data);
    void OnMuxerEnded(int exitCode);

    std::shared_ptr<CProcessPipe> pipe_;
    std::weak_ptr<ICaptureFFMCallback> callback_;
    bool headersSent_ = false;
    std::atomic<bool> broken_{false};       // a write failed or the muxer ended
    std::atomic<bool> endReported_{false};  // the muxer's early end was logged
    int exitCode_ = -1;
};

// The muxer's command line: the quoted muxer path, the quoted output path, the video
// and sound flags, the video fields (codec name, bit rate, width, height, frame rate, 1)
// and the sound fields (codec name, "", bit rate / 1024, sample rate, channels, sample
// format) when present, and a trailing "". Arguments are quoted so the Windows
// command-line split gives them back exactly.
std::string FormatMuxerCommandLine(const std::string& muxerPath, const std::string& outputPath,
                                   ICaptureFFMCallback& callback);

}  // namespace zovi::engine
