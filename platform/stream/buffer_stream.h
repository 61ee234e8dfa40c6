// CBufferStream: an IStream over a CBuffer (reference counted, deletes itself at zero),
// and CZipStream, the one that holds zip archives in memory.
#pragma once
#include <atomic>

#include "platform/stream/buffer.h"
#include "platform/stream/com_stream.h"

namespace zovi::core {

class CBufferStream : public IStream, public CBuffer {
public:
    // Reference count 1; `initialCapacity` is reserved again by Clear.
    explicit CBufferStream(uint32_t initialCapacity = 0);

    HRESULT QueryInterface(REFIID riid, void** object) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override;
    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override;
    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT SetSize(ULARGE_INTEGER newSize) override;
    HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                   ULARGE_INTEGER* pcbWritten) override;
    HRESULT Commit(DWORD flags) override;
    HRESULT Revert() override;
    HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
    HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) override;
    HRESULT Stat(STATSTG* statstg, DWORD statFlag) override;
    HRESULT Clone(IStream** stream) override;

    // Position and size 0, the data freed, the initial capacity reserved again.
    void Clear();
    // Size 0 and position 0; the allocation stays.
    void Reset() {
        CBuffer::Reset();
        position_ = 0;
    }

    uint32_t Position() const { return position_; }
    // The failing HRESULT of a read, write or seek made through the zip file functions,
    // or ERROR_INVALID_PARAMETER (87).
    int32_t LastError() const { return lastError_; }
    void SetLastStreamError(int32_t error) { lastError_ = error; }

protected:
    ~CBufferStream() override = default;

private:
    std::atomic<uint32_t> refCount_{1};
    uint32_t position_ = 0;
    int32_t lastError_ = 0;
    uint32_t initialCapacity_ = 0;
};

// The stream of zip archives in memory: 64 KiB reserved at construction.
class CZipStream : public CBufferStream {
public:
    static constexpr uint32_t kInitialCapacity = 65536;
    CZipStream() : CBufferStream(kInitialCapacity) {}

protected:
    ~CZipStream() override = default;
};

}  // namespace zovi::core
