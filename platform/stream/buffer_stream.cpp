#include "platform/stream/buffer_stream.h"

#include <algorithm>
#include <cstring>

namespace zovi::core {

namespace {
constexpr uint64_t kMaxSize = 0xFFFFFFFFull;
constexpr ULONG kCopyChunk = 4096;
}  // namespace

CBufferStream::CBufferStream(uint32_t initialCapacity) : initialCapacity_(initialCapacity) {
    if (initialCapacity_) Reserve(initialCapacity_);
}

HRESULT CBufferStream::QueryInterface(REFIID riid, void** object) {
    if (!object) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ISequentialStream || riid == IID_IStream) {
        *object = static_cast<IStream*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG CBufferStream::AddRef() { return refCount_.fetch_add(1) + 1; }

ULONG CBufferStream::Release() {
    ULONG count = refCount_.fetch_sub(1) - 1;
    if (count == 0) delete this;
    return count;
}

HRESULT CBufferStream::Read(void* pv, ULONG cb, ULONG* pcbRead) {
    if (!pv) return E_POINTER;
    ULONG available = position_ < Size() ? Size() - position_ : 0;
    ULONG count = std::min(cb, available);
    if (count) std::memcpy(pv, Data() + position_, count);
    position_ += count;
    if (pcbRead) *pcbRead = count;
    return count < cb ? S_FALSE : S_OK;
}

HRESULT CBufferStream::Write(const void* pv, ULONG cb, ULONG* pcbWritten) {
    if (!pv) return E_POINTER;
    uint64_t end = uint64_t{position_} + cb;
    if (end > kMaxSize) return STG_E_MEDIUMFULL;
    // A write past the end zero-fills the gap.
    if (end > Size() && !GrowTo(static_cast<uint32_t>(end))) return E_OUTOFMEMORY;
    if (cb) std::memcpy(Data() + position_, pv, cb);
    position_ = static_cast<uint32_t>(end);
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
}

HRESULT CBufferStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    int64_t base;
    switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = position_; break;
        case STREAM_SEEK_END: base = Size(); break;
        default: return STG_E_INVALIDFUNCTION;
    }
    // |move| beyond 2^62 can only land outside 32 bits; test before adding.
    if (move.QuadPart > int64_t{1} << 40 || move.QuadPart < -(int64_t{1} << 40))
        return STG_E_INVALIDFUNCTION;
    int64_t target = base + move.QuadPart;
    if (target < 0 || static_cast<uint64_t>(target) > kMaxSize) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<uint32_t>(target);
    if (newPosition) newPosition->QuadPart = position_;
    return S_OK;
}

HRESULT CBufferStream::SetSize(ULARGE_INTEGER newSize) {
    if (newSize.QuadPart > kMaxSize) return STG_E_INVALIDFUNCTION;
    auto size = static_cast<uint32_t>(newSize.QuadPart);
    if (size > Size()) return GrowTo(size) ? S_OK : E_OUTOFMEMORY;
    SetUsedSize(size);
    return S_OK;
}

HRESULT CBufferStream::CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                              ULARGE_INTEGER* pcbWritten) {
    if (!target) return E_POINTER;
    uint8_t chunk[kCopyChunk];
    ULONGLONG total = 0;
    HRESULT result = S_OK;
    while (total < cb.QuadPart) {
        ULONG want = static_cast<ULONG>(std::min<ULONGLONG>(kCopyChunk, cb.QuadPart - total));
        ULONG got = 0;
        Read(chunk, want, &got);
        ULONG written = 0;
        if (got) {
            result = target->Write(chunk, got, &written);
            if (FAILED(result)) break;
        }
        total += got;
        if (got < want) break;
    }
    if (pcbRead) pcbRead->QuadPart = total;
    if (pcbWritten) pcbWritten->QuadPart = total;
    return FAILED(result) ? result : S_OK;
}

HRESULT CBufferStream::Commit(DWORD) { return E_NOTIMPL; }
HRESULT CBufferStream::Revert() { return E_NOTIMPL; }
HRESULT CBufferStream::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT CBufferStream::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT CBufferStream::Clone(IStream**) { return E_NOTIMPL; }

HRESULT CBufferStream::Stat(STATSTG* statstg, DWORD) {
    if (!statstg) return S_OK;
    *statstg = STATSTG{};
    statstg->type = STGTY_STREAM;
    statstg->cbSize.QuadPart = Size();
    return S_OK;
}

void CBufferStream::Clear() {
    position_ = 0;
    Free();
    if (initialCapacity_) Reserve(initialCapacity_);
}

}  // namespace zovi::core
