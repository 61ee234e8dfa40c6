// CBuffer: a growable byte buffer (owned data, 32-bit capacity and size).
#pragma once
#include <cstddef>
#include <cstdint>

namespace zovi::core {

class CBuffer {
public:
    CBuffer() = default;
    ~CBuffer() { Free(); }
    CBuffer(const CBuffer&) = delete;
    CBuffer& operator=(const CBuffer&) = delete;

    // Copies n bytes to the end, growing first when size + n exceeds the capacity. False
    // (nothing copied) when the buffer cannot grow or would pass 4 GiB.
    bool Append(const void* bytes, uint32_t n);
    // Reallocates to size + max(n + 4, 32 + (capacity / 4 when capacity > 128)). False,
    // with nothing changed, when the heap refuses or the result would pass 4 GiB.
    bool Reserve(uint32_t n);
    // Makes room for n more bytes, raises the size by n and returns where they start;
    // null when the buffer cannot grow.
    uint8_t* AppendUninitialized(uint32_t n);
    // Size 0; the allocation stays.
    void Reset() { size_ = 0; }
    // Releases the data; capacity and size 0.
    void Free();
    // Lowers (never raises) the size, e.g. after a failed read into AppendUninitialized.
    void Truncate(uint32_t size) {
        if (size < size_) size_ = size;
    }

    uint8_t* Data() { return data_; }
    const uint8_t* Data() const { return data_; }
    uint32_t Size() const { return size_; }
    uint32_t Capacity() const { return capacity_; }

protected:
    // Makes the buffer at least `size` bytes long, zero-filling new bytes.
    bool GrowTo(uint32_t size);
    void SetUsedSize(uint32_t size) { size_ = size; }

private:
    uint8_t* data_ = nullptr;
    uint32_t capacity_ = 0;
    uint32_t size_ = 0;
};

}  // namespace zovi::core
