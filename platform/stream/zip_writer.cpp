#include "platform/stream/zip_writer.h"

#include <cstring>
#include <ctime>
#include <string>

#include "platform/base/utf8.h"
#include "platform/crash/safe_file.h"
#include "platform/stream/zip_file_functions.h"

namespace zovi::core {

namespace {

constexpr uint32_t kFolderAttributes = 0x41C00010;
constexpr uint32_t kUnknownAttributes = 0x80000000;
constexpr uint32_t kReadChunk = 16384;

// Deflate at the default level into a raw stream (window bits -15); minizip's own
// "raw" flag stays 0, as it would mean the caller supplies compressed data.
constexpr int kMethod = Z_DEFLATED;
constexpr int kLevel = Z_DEFAULT_COMPRESSION;
constexpr int kRaw = 0;
constexpr int kWindowBits = -MAX_WBITS;
constexpr int kMemLevel = 8;
constexpr int kStrategy = Z_DEFAULT_STRATEGY;

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

}  // namespace

uint32_t ZipExternalAttributes(const char* path) {
    platform::SafeFileFacts facts{};
    if (!path || !platform::SafeExamine(path, &facts)) return kUnknownAttributes;
    if (facts.folder) return kFolderAttributes;
    bool readOnly = !facts.ownerCanWrite;
    uint32_t attributes = 0x20;  // archive
    if (readOnly) attributes |= 0x01;
    if (BaseName(path)[0] == '.') attributes |= 0x02;
    return (attributes & 0x27) | 0x81000000 | (readOnly ? 0 : 0x800000);
}

uint32_t DosDateTime(int64_t unixTime) {
    time_t t = static_cast<time_t>(unixTime);
    struct tm local{};
    if (!localtime_r(&t, &local) || local.tm_year < 80) {
        return (0u << 25) | (1u << 21) | (1u << 16);
    }
    uint32_t date = (static_cast<uint32_t>(local.tm_year - 80) << 9) |
                    (static_cast<uint32_t>(local.tm_mon + 1) << 5) | static_cast<uint32_t>(local.tm_mday);
    uint32_t time = (static_cast<uint32_t>(local.tm_hour) << 11) |
                    (static_cast<uint32_t>(local.tm_min) << 5) | static_cast<uint32_t>(local.tm_sec / 2);
    return (date << 16) | time;
}

CZipWriter::CZipWriter() : stream_(new CZipStream()) {}

CZipWriter::~CZipWriter() {
    CloseArchive();
    CloseReader();
    stream_->Release();
}

bool CZipWriter::CreateArchive(CBuffer* output) {
    CloseArchive();
    CloseReader();
    stream_->Clear();
    output_ = output;
    zlib_filefunc64_def functions = MemoryZipFileFunctions(stream_);
    zip_ = zipOpen2_64("ZIPSTREAM", APPEND_STATUS_CREATE, nullptr, &functions);
    return zip_ != nullptr;
}

bool CZipWriter::Open(const char* path) {
    CloseArchive();
    CloseReader();
    stream_->Clear();
    output_ = nullptr;
    if (!path || !*path) return false;
    zlib_filefunc64_def functions{};
    fill_fopen64_filefunc(&functions);
    zip_ = zipOpen2_64(path, APPEND_STATUS_CREATE, nullptr, &functions);
    return zip_ != nullptr;
}

bool CZipWriter::OpenEntry(const char* name, uint32_t dosDate, uint32_t attributes, bool zip64) {
    zip_fileinfo info{};
    info.dosDate = dosDate;
    info.external_fa = attributes;
    lastResult_ = zipOpenNewFileInZip3_64(zip_, name, &info, nullptr, 0, nullptr, 0, nullptr,
                                          kMethod, kLevel, kRaw, kWindowBits, kMemLevel,
                                          kStrategy, nullptr, 0, zip64 ? 1 : 0);
    return lastResult_ == ZIP_OK;
}

bool CZipWriter::WriteEntry(const void* bytes, uint32_t n) {
    if (!zip_) return false;
    const char* name = kEntryName;
    while (*name == '\\' || *name == '/') ++name;
    size_t length = std::strlen(name);
    bool folder = length && (name[length - 1] == '\\' || name[length - 1] == '/');
    if (!OpenEntry(name, DosDateTime(time(nullptr)), folder ? kFolderAttributes : kUnknownAttributes,
                   n == 0xFFFFFFFFu)) {
        return false;
    }
    if (bytes && n) {
        lastResult_ = zipWriteInFileInZip(zip_, bytes, n);
        if (lastResult_ != ZIP_OK) {
            zipCloseFileInZip(zip_);
            return false;
        }
    }
    lastResult_ = zipCloseFileInZip(zip_);
    return lastResult_ == ZIP_OK;
}

bool CZipWriter::AddFile(const wchar_t* entryName, const char* path) {
    if (!zip_ || !entryName || !path) return false;
    while (*entryName == L'\\' || *entryName == L'/') ++entryName;
    if (!*entryName) return false;
    const std::string name = platform::WideToUtf8(entryName);

    platform::SafeFileFacts facts{};
    if (!platform::SafeExamine(path, &facts)) return false;
    if (facts.folder) {
        return OpenEntry(name.c_str(), DosDateTime(facts.modified), kFolderAttributes, false) &&
               (lastResult_ = zipCloseFileInZip(zip_)) == ZIP_OK;
    }
    int fd = platform::SafeOpenToRead(path);
    if (fd < 0) return false;
    bool ok = OpenEntry(name.c_str(), DosDateTime(facts.modified), ZipExternalAttributes(path),
                        facts.size >= 0xFFFFFFFFull);
    if (ok) {
        char chunk[kReadChunk];
        uint64_t total = 0;
        for (;;) {
            std::ptrdiff_t got = platform::SafeRead(fd, chunk, sizeof chunk);
            if (got <= 0) {
                ok = got == 0;
                break;
            }
            lastResult_ = zipWriteInFileInZip(zip_, chunk, static_cast<unsigned>(got));
            if (lastResult_ != ZIP_OK) {
                ok = false;
                break;
            }
            total += static_cast<uint64_t>(got);
        }
        // A file that ended before the size it had when examined is a short read.
        if (total < facts.size) ok = false;
        int closed = zipCloseFileInZip(zip_);
        if (ok) lastResult_ = closed;
        ok = ok && closed == ZIP_OK;
    }
    platform::SafeClose(fd);
    return ok;
}

void CZipWriter::CloseArchive() {
    if (!zip_) return;
    lastResult_ = zipClose(zip_, nullptr);
    zip_ = nullptr;
    if (output_) {
        output_->Append(stream_->Data(), stream_->Size());
        stream_->Clear();
    }
}

bool CZipWriter::OpenReader() {
    CloseArchive();
    CloseReader();
    if (stream_->Seek(LARGE_INTEGER{0}, STREAM_SEEK_SET, nullptr) != S_OK) return false;
    zlib_filefunc64_def functions = MemoryZipFileFunctions(stream_);
    unzip_ = unzOpen2_64("ZIPSTREAM", &functions);
    return unzip_ != nullptr;
}

bool CZipWriter::ReadEntry(CBuffer& output) {
    if (!unzip_) return false;
    // 2: compare without regard to case on every system.
    lastResult_ = unzLocateFile(unzip_, kEntryName, 2);
    if (lastResult_ != UNZ_OK) return false;
    unz_file_info64 info{};
    char name[260];
    lastResult_ = unzGetCurrentFileInfo64(unzip_, &info, name, sizeof name, nullptr, 0, nullptr, 0);
    if (lastResult_ != UNZ_OK) return false;
    lastResult_ = unzOpenCurrentFilePassword(unzip_, nullptr);
    if (lastResult_ != UNZ_OK) return false;
    bool ok = true;
    for (;;) {
        uint8_t* place = output.AppendUninitialized(kReadChunk);
        if (!place) {
            ok = false;
            break;
        }
        int got = unzReadCurrentFile(unzip_, place, kReadChunk);
        output.Truncate(output.Size() - kReadChunk + static_cast<uint32_t>(got > 0 ? got : 0));
        if (got <= 0) {
            if (got < 0) {
                lastResult_ = got;
                ok = false;
            }
            break;
        }
    }
    int closed = unzCloseCurrentFile(unzip_);
    if (ok) lastResult_ = closed;
    return ok && closed == UNZ_OK;
}

void CZipWriter::CloseReader() {
    if (!unzip_) return;
    unzClose(unzip_);
    unzip_ = nullptr;
}

}  // namespace zovi::core
