// The muxer's input: each message is a 32-byte little-endian header followed by `size`
// payload bytes. The first message(s) carry the encoders' extradata (video, then
// sound); every later one is one encoded packet. Shared by the main program and ZoviMux.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace zovi::mux {

enum MuxStreamKind : int32_t { kMuxVideo = 0, kMuxSound = 1 };

struct MuxMessageHeader {
    int64_t pts = 0;  // in the encoder's time base (video 1/fps, sound 1/sample rate)
    int64_t dts = 0;
    int32_t size = 0;  // payload bytes
    int32_t reserved = 0;
    int32_t kind = kMuxVideo;
    int32_t key = 0;  // 1 for a key frame
};

inline constexpr size_t kMuxMessageHeaderSize = 32;
using MuxHeaderBytes = std::array<uint8_t, kMuxMessageHeaderSize>;

namespace mux_detail {
template <typename T>
inline void PutLe(uint8_t* out, T value) {
    auto bits = static_cast<std::make_unsigned_t<T>>(value);
    for (size_t i = 0; i < sizeof(T); ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}
template <typename T>
inline T GetLe(const uint8_t* in) {
    std::make_unsigned_t<T> bits = 0;
    for (size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<std::make_unsigned_t<T>>(in[i]) << (8 * i);
    return static_cast<T>(bits);
}
}  // namespace mux_detail

inline MuxHeaderBytes EncodeMuxMessageHeader(const MuxMessageHeader& header) {
    MuxHeaderBytes bytes{};
    mux_detail::PutLe<int64_t>(&bytes[0], header.pts);
    mux_detail::PutLe<int64_t>(&bytes[8], header.dts);
    mux_detail::PutLe<int32_t>(&bytes[16], header.size);
    mux_detail::PutLe<int32_t>(&bytes[20], header.reserved);
    mux_detail::PutLe<int32_t>(&bytes[24], header.kind);
    mux_detail::PutLe<int32_t>(&bytes[28], header.key);
    return bytes;
}

inline MuxMessageHeader DecodeMuxMessageHeader(const MuxHeaderBytes& bytes) {
    MuxMessageHeader header;
    header.pts = mux_detail::GetLe<int64_t>(&bytes[0]);
    header.dts = mux_detail::GetLe<int64_t>(&bytes[8]);
    header.size = mux_detail::GetLe<int32_t>(&bytes[16]);
    header.reserved = mux_detail::GetLe<int32_t>(&bytes[20]);
    header.kind = mux_detail::GetLe<int32_t>(&bytes[24]);
    header.key = mux_detail::GetLe<int32_t>(&bytes[28]);
    return header;
}

}  // namespace zovi::mux
