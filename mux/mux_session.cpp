#include "mux/mux_session.h"

#include <cstdio>
#include <memory>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "mux/protocol/mux_message.h"
#include "mux/mux_writer.h"
#include "mux/timestamp_guard.h"
#include "platform/process/child_io.h"

namespace zovi::mux {

namespace {

enum class ReadResult { kMessage, kEnd, kMalformed };

struct PacketDeleter {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

// Reads one message; its payload goes into `packet` (allocated only once the size has
// been checked).
ReadResult ReadMessage(int fd, MuxMessageHeader& header, AVPacket* packet) {
    MuxHeaderBytes bytes;
    const size_t got = platform::ReadFull(fd, bytes.data(), bytes.size());
    if (got == 0) return ReadResult::kEnd;
    if (got < bytes.size()) {
        // Told to stop: the input was cut wherever it was.
        if (platform::TerminationRequested()) return ReadResult::kEnd;
        std::fprintf(stderr, "ZoviMux: input ends inside a message header\n");
        return ReadResult::kMalformed;
    }
    header = DecodeMuxMessageHeader(bytes);
    if (header.size < 0 || header.size > kMaxMessagePayload) {
        std::fprintf(stderr, "ZoviMux: bad message size %d\n", header.size);
        return ReadResult::kMalformed;
    }
    if (header.kind != kMuxVideo && header.kind != kMuxSound) {
        std::fprintf(stderr, "ZoviMux: bad stream kind %d\n", header.kind);
        return ReadResult::kMalformed;
    }
    av_packet_unref(packet);
    if (header.size > 0) {
        if (av_new_packet(packet, header.size) < 0) {
            std::fprintf(stderr, "ZoviMux: out of memory\n");
            return ReadResult::kMalformed;
        }
        const size_t size = static_cast<size_t>(header.size);
        if (platform::ReadFull(fd, packet->data, size) < size) {
            av_packet_unref(packet);
            if (platform::TerminationRequested()) return ReadResult::kEnd;
            std::fprintf(stderr, "ZoviMux: input ends inside a message\n");
            return ReadResult::kMalformed;
        }
    }
    return ReadResult::kMessage;
}

// Reads the stream-header message of `kind`: its payload is the stream's extradata.
ReadResult ReadStreamHeader(int fd, int32_t kind, std::vector<uint8_t>& extra, AVPacket* packet) {
    MuxMessageHeader header;
    ReadResult result = ReadMessage(fd, header, packet);
    if (result != ReadResult::kMessage) return result;
    if (header.kind != kind) {
        std::fprintf(stderr, "ZoviMux: expected the header of stream %d, got %d\n", kind,
                     header.kind);
        return ReadResult::kMalformed;
    }
    extra.assign(packet->data, packet->data + packet->size);
    av_packet_unref(packet);
    return ReadResult::kMessage;
}

}  // namespace

MuxExitCode RunMuxSession(const MuxArgs& args, int inputFd) {
    PacketPtr packet(av_packet_alloc());
    if (!packet) return kMuxOutputFailed;

    std::vector<uint8_t> videoExtra, soundExtra;
    const struct {
        bool present;
        int32_t kind;
        std::vector<uint8_t>* extra;
    } headers[] = {{args.hasVideo, kMuxVideo, &videoExtra},
                   {args.hasSound, kMuxSound, &soundExtra}};
    for (const auto& stream : headers) {
        if (!stream.present) continue;
        // Without complete stream headers there is nothing to write: no file.
        if (ReadStreamHeader(inputFd, stream.kind, *stream.extra, packet.get()) !=
            ReadResult::kMessage)
            return kMuxMalformedInput;
    }

    // The file is made with the first packet: input that ends before any leaves none.
    CMuxWriter writer;
    CTimestampGuard timing(args.hasVideo ? args.video.fps : 0,
                           args.hasSound ? args.sound.sampleRate : 0);
    bool opened = false;
    bool malformed = false, rejected = false;
    for (;;) {
        MuxMessageHeader header;
        const ReadResult result = ReadMessage(inputFd, header, packet.get());
        if (result == ReadResult::kEnd) break;
        if (result == ReadResult::kMalformed) {
            malformed = true;
            break;
        }
        if ((header.kind == kMuxVideo && !args.hasVideo) ||
            (header.kind == kMuxSound && !args.hasSound)) {
            std::fprintf(stderr, "ZoviMux: packet of unannounced stream %d\n", header.kind);
            malformed = true;
            break;
        }
        if (header.size == 0) continue;  // nothing to store
        if (!timing.Accept(header.kind, header.pts, header.dts)) {
            // Only the first is told; the count follows at the end.
            if (timing.dropped() == 1)
                std::fprintf(stderr, "ZoviMux: packet of stream %d at %lld/%lld dropped\n",
                             header.kind, static_cast<long long>(header.pts),
                             static_cast<long long>(header.dts));
            continue;
        }
        if (!opened) {
            if (!writer.Open(args, videoExtra, soundExtra)) return kMuxOutputFailed;
            opened = true;
        }
        const auto written =
            writer.Write(header.kind, header.pts, header.dts, header.key != 0, packet.get());
        if (written == CMuxWriter::WriteResult::kWriteError) {
            // A full disk or a lost device: stop reading at once (the recorder sees its
            // next write fail) and keep what reached the file.
            std::fprintf(stderr, "ZoviMux: cannot write %s, recording ended\n",
                         args.outputPath.c_str());
            writer.Abandon();
            return kMuxWriteFailed;
        }
        if (written == CMuxWriter::WriteResult::kRejected) rejected = true;
    }
    if (timing.dropped() > 1)
        std::fprintf(stderr, "ZoviMux: %lld packets with bad time stamps dropped\n",
                     static_cast<long long>(timing.dropped()));
    if (timing.dropped() > 0) malformed = true;
    if (!opened) return kMuxMalformedInput;
    if (!writer.Finish()) {
        std::fprintf(stderr, "ZoviMux: cannot finish %s\n", args.outputPath.c_str());
        return kMuxWriteFailed;
    }
    if (malformed || rejected) return kMuxMalformedInput;
    return kMuxOk;
}

}  // namespace zovi::mux
