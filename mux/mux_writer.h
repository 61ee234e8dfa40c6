// Writes one media file with libavformat from the announced streams, their extradata
// and the packets that follow, in arrival order. The file is laid out and flushed so
// that it stays readable up to its last flush when the muxer is killed: MP4 is
// fragmented (a fragment per key frame), and every container is flushed at each video
// key frame and at least once per second of media.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "mux/flush_clock.h"
#include "mux/mp4_durations.h"
#include "mux/mux_args.h"

struct AVFormatContext;
struct AVPacket;

namespace zovi::mux {

class CMuxWriter {
public:
    CMuxWriter() = default;
    ~CMuxWriter();  // closes without a trailer when Finish was not called
    CMuxWriter(const CMuxWriter&) = delete;
    CMuxWriter& operator=(const CMuxWriter&) = delete;

    // Creates the file and writes its header. False (nothing left behind) on failure.
    bool Open(const MuxArgs& args, const std::vector<uint8_t>& videoExtra,
              const std::vector<uint8_t>& soundExtra);
    bool HasStream(int32_t kind) const;

    enum class WriteResult { kOk, kRejected, kWriteError };
    // Takes one packet of stream `kind` with time stamps in that stream's input time
    // base. `payload` is consumed. kRejected: the packet was dropped (bad time stamps);
    // kWriteError: the file can no longer be written.
    WriteResult Write(int32_t kind, int64_t pts, int64_t dts, bool key, AVPacket* payload);

    // Writes the trailer and closes the file. False on a write error.
    bool Finish();
    // Closes the file without a trailer. After a write error what reached the file stays
    // readable: an MP4 is cut back to its last whole fragment, since a fragment cut short
    // makes the whole file unreadable (the other containers are read packet by packet
    // and lose only the packet that was cut).
    void Abandon();

    // Other MP4 layout flags (libavformat's "movflags") than ours, to compare layouts in a
    // benchmark; the lengths are then left as the library writes them. Before Open.
    // "0": FFmpeg's plain layout (the index at the end).
    void SetMp4FlagsForBenchmark(const std::string& movflags) { mp4FlagsOverride_ = movflags; }

private:
    int StreamIndex(int32_t kind) const { return kind == 0 ? videoIndex_ : soundIndex_; }
    bool AddVideo(const MuxArgs& args, const std::vector<uint8_t>& extra);
    bool AddSound(const MuxArgs& args, const std::vector<uint8_t>& extra);
    bool Flush();
    bool Failed() const;
    // Closes the file and frees the context; false (the file cut back) after a write error.
    bool CloseFile();
    void CutBackToLastFlush();
    void FindMp4Durations();
    bool WriteMp4Durations();

    AVFormatContext* context_ = nullptr;
    std::string path_;
    int videoIndex_ = -1;
    int soundIndex_ = -1;
    int videoFps_ = 0;
    int sampleRate_ = 0;
    bool fileOpen_ = false;
    CFlushClock flushClock_;
    // MP4 in our fragmented layout: the file's length after the last flush that reached
    // it (the end of a whole fragment), or -1 when a write error needs no cut.
    int64_t wholeFragmentsEnd_ = -1;
    // The decoding-time span of each stream written so far, in its time base in the file.
    struct Span {
        bool started = false;
        int64_t first = 0;
        int64_t end = 0;
    };
    std::vector<Span> spans_;
    std::optional<std::string> mp4FlagsOverride_;
    bool hasMp4Durations_ = false;
    Mp4DurationFields mp4Durations_;
};

}  // namespace zovi::mux
