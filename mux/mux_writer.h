// Writes one media file with libavformat from the announced streams, their extradata
// and the packets that follow, in arrival order.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

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

private:
    int StreamIndex(int32_t kind) const { return kind == 0 ? videoIndex_ : soundIndex_; }
    bool AddVideo(const MuxArgs& args, const std::vector<uint8_t>& extra);
    bool AddSound(const MuxArgs& args, const std::vector<uint8_t>& extra);
    void Discard();

    AVFormatContext* context_ = nullptr;
    std::string path_;
    int videoIndex_ = -1;
    int soundIndex_ = -1;
    int videoFps_ = 0;
    int sampleRate_ = 0;
    bool fileOpen_ = false;
};

}  // namespace zovi::mux
