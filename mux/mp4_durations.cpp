#include "mux/mp4_durations.h"

extern "C" {
#include <libavutil/mathematics.h>
}

#include "mux/mp4_boxes.h"

namespace zovi::mux {

namespace {

// mvhd and mdhd: version, flags, creation and modification times, time scale, duration.
bool ReadTimedHeader(const uint8_t* bytes, const Mp4Box& box, Mp4DurationField& field) {
    if (box.end - box.start < 12) return false;
    field.wide = bytes[box.start + 8] == 1;
    const size_t scaleAt = box.start + (field.wide ? 28 : 20);
    field.offset = static_cast<int64_t>(scaleAt + 4);
    if (scaleAt + 4 + (field.wide ? 8 : 4) > box.end) return false;
    field.timescale = Be32(bytes + scaleAt);
    return field.timescale > 0;
}

// tkhd: version, flags, times, track id, a reserved word, then the duration.
bool ReadTrackHeader(const uint8_t* bytes, const Mp4Box& box, Mp4DurationField& field) {
    if (box.end - box.start < 12) return false;
    field.wide = bytes[box.start + 8] == 1;
    field.offset = static_cast<int64_t>(box.start + (field.wide ? 36 : 28));
    return static_cast<size_t>(field.offset) + (field.wide ? 8 : 4) <= box.end;
}

bool ReadTrack(const uint8_t* bytes, const Mp4Box& trak, Mp4DurationFields::Track& track) {
    bool header = false, media = false;
    ForEachMp4Box(bytes, trak.start + 8, trak.end, [&](const Mp4Box& box) {
        if (box.Is("tkhd")) header = ReadTrackHeader(bytes, box, track.header);
        if (!box.Is("mdia")) return;
        ForEachMp4Box(bytes, box.start + 8, box.end, [&](const Mp4Box& inner) {
            if (inner.Is("mdhd")) media = ReadTimedHeader(bytes, inner, track.media);
        });
    });
    return header && media;
}

}  // namespace

bool FindMp4DurationFields(const uint8_t* bytes, size_t size, Mp4DurationFields& fields) {
    fields = {};
    bool found = false, sound = true;
    ForEachMp4Box(bytes, 0, size, [&](const Mp4Box& moov) {
        if (!moov.Is("moov") || found) return;
        found = true;
        bool movie = false;
        ForEachMp4Box(bytes, moov.start + 8, moov.end, [&](const Mp4Box& box) {
            if (box.Is("mvhd")) movie = ReadTimedHeader(bytes, box, fields.movie);
            if (!box.Is("trak")) return;
            Mp4DurationFields::Track track;
            sound = sound && ReadTrack(bytes, box, track);
            fields.tracks.push_back(track);
        });
        sound = sound && movie;
    });
    if (!found || !sound) return false;
    for (auto& track : fields.tracks) track.header.timescale = fields.movie.timescale;
    return true;
}

uint64_t Mp4DurationValue(const Mp4DurationField& field, int64_t ticks, int64_t ticksPerSecond) {
    if (ticks <= 0 || ticksPerSecond <= 0) return 0;
    const int64_t scaled = av_rescale_rnd(ticks, field.timescale, ticksPerSecond, AV_ROUND_UP);
    const uint64_t limit = field.wide ? uint64_t{INT64_MAX} : uint64_t{UINT32_MAX};
    return scaled < 0 || static_cast<uint64_t>(scaled) > limit ? limit
                                                                : static_cast<uint64_t>(scaled);
}

}  // namespace zovi::mux
