#include "platform/stream/zip_file_functions.h"

#include "platform/base/last_error.h"

namespace zovi::core {

namespace {

CZipStream* StreamOf(voidpf opaque) {
    auto* stream = static_cast<CZipStream*>(opaque);
    if (!stream) SetLastError(ERROR_INVALID_PARAMETER);
    return stream;
}

voidpf Open(voidpf opaque, const void*, int) { return StreamOf(opaque); }

uLong Read(voidpf opaque, voidpf, void* buf, uLong size) {
    CZipStream* stream = StreamOf(opaque);
    if (!stream) return 0;
    ULONG count = 0;
    HRESULT hr = stream->Read(buf, static_cast<ULONG>(size), &count);
    if (FAILED(hr)) {
        stream->SetLastStreamError(hr);
        return 0;
    }
    return count;
}

uLong Write(voidpf opaque, voidpf, const void* buf, uLong size) {
    CZipStream* stream = StreamOf(opaque);
    if (!stream) return 0;
    ULONG count = 0;
    HRESULT hr = stream->Write(buf, static_cast<ULONG>(size), &count);
    if (FAILED(hr)) {
        stream->SetLastStreamError(hr);
        return 0;
    }
    return count;
}

ZPOS64_T Tell(voidpf opaque, voidpf) {
    CZipStream* stream = StreamOf(opaque);
    return stream ? stream->Position() : static_cast<ZPOS64_T>(-1);
}

long Seek(voidpf opaque, voidpf, ZPOS64_T offset, int origin) {
    CZipStream* stream = StreamOf(opaque);
    if (!stream) return -1;
    DWORD streamOrigin;
    switch (origin) {
        case ZLIB_FILEFUNC_SEEK_SET: streamOrigin = STREAM_SEEK_SET; break;
        case ZLIB_FILEFUNC_SEEK_CUR: streamOrigin = STREAM_SEEK_CUR; break;
        case ZLIB_FILEFUNC_SEEK_END: streamOrigin = STREAM_SEEK_END; break;
        default:
            stream->SetLastStreamError(ERROR_INVALID_PARAMETER);
            SetLastError(ERROR_INVALID_PARAMETER);
            return -1;
    }
    LARGE_INTEGER move{static_cast<LONGLONG>(offset)};
    HRESULT hr = stream->Seek(move, streamOrigin, nullptr);
    if (FAILED(hr)) {
        stream->SetLastStreamError(hr);
        return -1;
    }
    return 0;
}

int Close(voidpf opaque, voidpf) { return StreamOf(opaque) ? 0 : -1; }

int Error(voidpf opaque, voidpf) {
    CZipStream* stream = StreamOf(opaque);
    return stream ? stream->LastError() : static_cast<int>(ERROR_INVALID_PARAMETER);
}

}  // namespace

zlib_filefunc64_def MemoryZipFileFunctions(CZipStream* stream) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = Open;
    functions.zread_file = Read;
    functions.zwrite_file = Write;
    functions.ztell64_file = Tell;
    functions.zseek64_file = Seek;
    functions.zclose_file = Close;
    functions.zerror_file = Error;
    functions.opaque = stream;
    return functions;
}

}  // namespace zovi::core
