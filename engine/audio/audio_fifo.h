// A growable ring of bytes holding one channel of planar samples. Not locked: its
// owner guards it.
#pragma once
#include <cstdint>

namespace zovi::engine {

class CAudioFifo {
public:
    CAudioFifo() = default;
    ~CAudioFifo();
    CAudioFifo(const CAudioFifo&) = delete;
    CAudioFifo& operator=(const CAudioFifo&) = delete;

    // Appends `bytes` from `source`, growing the buffer to max(size, 2 x capacity)
    // when it is full. False only when the memory cannot be had (nothing is written).
    bool Write(const void* source, uint32_t bytes);
    // Removes `bytes` from the front, copying them to `destination` when it is given.
    // Asking for more than Size() removes what is there.
    void Read(void* destination, uint32_t bytes);
    // Copies `bytes` from the front without removing them; false when fewer are held.
    bool Peek(void* destination, uint32_t bytes) const;
    // Makes room for `bytes` in all without writing.
    bool Reserve(uint32_t bytes) { return bytes <= capacity_ || Grow(bytes); }

    uint32_t Size() const { return size_; }
    uint32_t Capacity() const { return capacity_; }

private:
    bool Grow(uint32_t needed);

    uint8_t* data_ = nullptr;  // 32-byte aligned
    uint32_t size_ = 0;
    uint32_t read_ = 0;
    uint32_t write_ = 0;
    uint32_t capacity_ = 0;
};

}  // namespace zovi::engine
