#include "engine/output/capture_ffm_output.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <vector>

#include "engine/output/process_pipe.h"
#include "engine/util/av_log.h"
#include "platform/base/last_error.h"
#include "platform/process/child_io.h"
#include "platform/process/command_line.h"
#include "platform/process/process.h"

namespace zovi::engine {

namespace {

std::mutex g_testDirMutex;
std::string g_testDir;

std::string ProgramDir() {
    {
        std::lock_guard<std::mutex> lock(g_testDirMutex);
        if (!g_testDir.empty()) return g_testDir;
    }
    return platform::SelfExeDir();
}

// Paths leave the process with "/" separators.
std::string NormalisePath(std::string path) {
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char buffer[256];
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, sizeof(buffer), format, args);
    va_end(args);
    return length < 0 ? std::string() : std::string(buffer, static_cast<size_t>(length));
}

}  // namespace

std::string FormatMuxerCommandLine(const std::string& muxerPath, const std::string& outputPath,
                                   ICaptureFFMCallback& callback) {
    const bool hasVideo = callback.HasVideo();
    const bool hasAudio = callback.HasAudio();
    // The program token cannot escape a quote; callers refuse such a path.
    std::string line = "\"" + muxerPath + "\" " + platform::QuoteCommandLineArgument(outputPath) +
                       Format(" %d %d", hasVideo ? 1 : 0, hasAudio ? 1 : 0);
    if (hasVideo) {
        std::string name;
        int width = 0, height = 0, timeBaseDen = 0;
        int64_t bitRate = 0;
        callback.GetVideoStreamInfo(name, width, height, bitRate, timeBaseDen);
        // Codec descriptor names are plain words ("h264", "mpeg4", "aac").
        line += " " + name +
                Format(" %d %d %d %d %d", static_cast<int>(bitRate), width, height, timeBaseDen, 1);
    }
    if (hasAudio) {
        std::string name;
        int channels = 0, sampleRate = 0, sampleFormat = 0;
        int64_t bitRate = 0;
        callback.GetAudioStreamInfo(name, channels, sampleRate, bitRate, sampleFormat);
        line += " " + name +
                Format(" \"\" %d %d %d %d", static_cast<int>(bitRate / 1024), sampleRate, channels,
                       sampleFormat);
    }
    line += " \"\" ";
    return line;
}

CCaptureFFmOutput::CCaptureFFmOutput(std::weak_ptr<ICaptureFFMCallback> callback)
    : callback_(std::move(callback)) {
    AvLogInfo("CCaptureFFmOutput::ctor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

CCaptureFFmOutput::~CCaptureFFmOutput() {
    // The pipe's thread may be telling this output of the muxer's end: it finishes first.
    if (pipe_) pipe_->Destroy();
    AvLogInfo("CCaptureFFmOutput::dtor: %08" PRIxPTR, reinterpret_cast<uintptr_t>(this));
}

void CCaptureFFmOutput::SetProgramDirForTesting(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_testDirMutex);
    g_testDir = dir;
}

bool CCaptureFFmOutput::Open(const std::string& rawPath) {
    const std::string path = NormalisePath(rawPath);
    // Proves the file can be made; an existing file is never replaced or removed.
    if (!platform::ProbeNewFile(path)) {
        AvLogError("CCaptureFFmOutput::open file error file=%s err=%d", path.c_str(),
                   static_cast<int>(GetLastError()));
        return false;
    }
    pipe_ = std::make_shared<CProcessPipe>();
    pipe_->SetEndHandler([this](int exitCode) { OnMuxerEnded(exitCode); });
    headersSent_ = false;
    broken_ = false;
    endReported_ = false;
    std::string cmdLine;
    if (!BuildCmdLine(path, cmdLine)) {
        AvLogError("BuildCmdLine fail!");
        return false;
    }
    if (!pipe_->Create(cmdLine)) {
        AvLogError("CProcessPipe::Create fail err=%d", static_cast<int>(GetLastError()));
        return false;
    }
    return true;
}

bool CCaptureFFmOutput::BuildCmdLine(const std::string& path, std::string& cmdLine) {
    auto callback = callback_.lock();
    if (!callback) return false;
    std::string dir = ProgramDir();
    if (dir.empty()) return false;
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    const std::string muxerPath = dir + kMuxerFileName;
    if (muxerPath.find('"') != std::string::npos) {
        AvLogError("muxer path cannot be quoted: %s", muxerPath.c_str());
        return false;
    }
    if (!platform::IsExecutableFile(muxerPath)) {
        AvLogError("muxer not found: %s", muxerPath.c_str());
        return false;
    }
    cmdLine = FormatMuxerCommandLine(muxerPath, path, *callback);
    return true;
}

bool CCaptureFFmOutput::SendMessage(const MuxMessageHeader& header, const uint8_t* data) {
    const MuxHeaderBytes bytes = EncodeMuxMessageHeader(header);
    const bool sent =
        pipe_->WriteInput(bytes.data(), bytes.size()) &&
        (header.size == 0 || pipe_->WriteInput(data, static_cast<size_t>(header.size)));
    if (!sent) {
        const int error = static_cast<int>(GetLastError());
        if (!broken_.exchange(true))
            AvLogError("CCaptureFFmOutput::Write: the muxer takes no more input err=%d", error);
    }
    return sent;
}

void CCaptureFFmOutput::OnMuxerEnded(int exitCode) {
    broken_ = true;
    endReported_ = true;
    AvLogError("ZoviMux ended with exit code %d before the recording did; nothing more "
               "reaches the file",
               exitCode);
    // The engine may let go of this output while it hears the news: nothing of the output
    // is touched after the call.
    if (auto callback = callback_.lock()) callback->OnOutputEnded(exitCode);
}

bool CCaptureFFmOutput::SendStreamHeaders() {
    auto callback = callback_.lock();
    if (!callback) return false;
    std::vector<uint8_t> extra;
    MuxMessageHeader header;
    if (callback->HasVideo()) {
        extra.clear();
        callback->GetVideoExtraData(extra);
        header.kind = kMuxVideo;
        header.size = static_cast<int32_t>(extra.size());
        if (!SendMessage(header, extra.data())) return false;
    }
    if (callback->HasAudio()) {
        extra.clear();
        callback->GetAudioExtraData(extra);
        header.kind = kMuxSound;
        header.size = static_cast<int32_t>(extra.size());
        if (!SendMessage(header, extra.data())) return false;
    }
    headersSent_ = true;
    return true;
}

bool CCaptureFFmOutput::Write(const uint8_t* data, int size, const MuxMessageHeader& header) {
    if (!pipe_) return false;
    if (size < 0 || header.size != size || (size > 0 && !data)) {
        AvLogError("CCaptureFFmOutput::Write bad packet size=%d header=%d", size, header.size);
        return false;
    }
    if (broken_.load() || !pipe_->IsInputOpen()) return false;
    if (!headersSent_ && !SendStreamHeaders()) return false;
    return SendMessage(header, data);
}

bool CCaptureFFmOutput::Close() {
    if (!pipe_) return false;
    const bool wasRunning = pipe_->IsInputOpen();
    pipe_->Destroy();
    if (wasRunning) {
        exitCode_ = pipe_->ExitCode();
        if (exitCode_ != 0 && !endReported_.load())
            AvLogError("ZoviMux ended with exit code %d; the file may be missing or incomplete",
                       exitCode_);
    }
    return true;
}

int CCaptureFFmOutput::MuxerExitCode() const { return exitCode_; }

}  // namespace zovi::engine
