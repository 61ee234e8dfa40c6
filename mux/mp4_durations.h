// A fragmented MP4 starts with an index of no samples, so its header says the recording
// lasts 0 s; some players (GStreamer) then take the length from the first or last
// fragment. On a normal finish the real lengths are written into that header in place:
// a few bytes, whatever the file's size, and the fragments stay as they are.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zovi::mux {

// One duration field of the header: where it sits, its width and its time scale.
struct Mp4DurationField {
    int64_t offset = 0;
    bool wide = false;  // 64 bits (box version 1), else 32
    uint32_t timescale = 0;
};

struct Mp4DurationFields {
    Mp4DurationField movie;  // mvhd, in the movie's time scale
    struct Track {
        Mp4DurationField header;  // tkhd, in the movie's time scale
        Mp4DurationField media;   // mdhd, in the track's own time scale
    };
    std::vector<Track> tracks;  // in the order of the file's tracks
};

// Finds the duration fields in the file's leading boxes (ftyp, moov). False when the
// bytes hold no complete moov with a movie header and, for each track, both headers.
bool FindMp4DurationFields(const uint8_t* bytes, size_t size, Mp4DurationFields& fields);

// The value to store in `field` for `ticks` of 1/`ticksPerSecond` s (rounded up),
// saturated to the field's width.
uint64_t Mp4DurationValue(const Mp4DurationField& field, int64_t ticks, int64_t ticksPerSecond);

}  // namespace zovi::mux
