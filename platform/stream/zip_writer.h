// CZipWriter: zip archives through minizip, either in memory (one entry "LocalStorage",
// the finished archive appended to an output buffer) or straight into a file (entries
// added from files on disk).
#pragma once
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include "platform/stream/buffer.h"
#include "platform/stream/buffer_stream.h"

namespace zovi::core {

// The external attributes of a zip entry for a file: (attributes & 0x27) | 0x81000000,
// plus 0x800000 when the file is writable; 0x41C00010 for a folder; 0x80000000 when the
// file cannot be examined. Regular files carry the archive bit (0x20), and names that
// start with "." the hidden bit (2).
uint32_t ZipExternalAttributes(const char* path);

// The DOS date (high 16 bits) and time (low 16 bits) of a calendar time in local time;
// years before 1980 give 1 January 1980.
uint32_t DosDateTime(int64_t unixTime);

class CZipWriter {
public:
    static constexpr const char* kEntryName = "LocalStorage";

    CZipWriter();
    ~CZipWriter();
    CZipWriter(const CZipWriter&) = delete;
    CZipWriter& operator=(const CZipWriter&) = delete;

    // A new archive in memory; CloseArchive appends it to `output` (not owned).
    bool CreateArchive(CBuffer* output);
    // Adds the entry "LocalStorage" with the bytes, stamped with the current local time.
    bool WriteEntry(const void* bytes, uint32_t n);
    // Finishes the archive; an in-memory archive is appended to the output buffer and the
    // stream cleared.
    void CloseArchive();

    // A new archive in the file at `path` (UTF-8), replacing an existing file.
    bool Open(const char* path);
    // Adds the file at `path` under `entryName` (leading "\" and "/" removed; unpaired
    // surrogates, U+FFFE, U+FFFF become "?"), deflated, stamped with its modification time.
    // False for an empty name, a file that cannot be read whole, or a minizip error.
    bool AddFile(const wchar_t* entryName, const char* path);

    // Opens the in-memory archive held by Stream() for reading.
    bool OpenReader();
    // Reads the entry "LocalStorage" (names compared without regard to case) and appends
    // its bytes to `output`.
    bool ReadEntry(CBuffer& output);
    void CloseReader();

    CZipStream& Stream() { return *stream_; }
    int LastResult() const { return lastResult_; }

private:
    bool OpenEntry(const char* name, uint32_t dosDate, uint32_t attributes, bool zip64);

    zipFile zip_ = nullptr;
    unzFile unzip_ = nullptr;
    int lastResult_ = 0;
    CBuffer* output_ = nullptr;
    CZipStream* stream_;
};

}  // namespace zovi::core
