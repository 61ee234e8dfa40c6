#include "engine/audio/audio_fifo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zovi::engine {

namespace {
constexpr size_t kAlignment = 32;
}

CAudioFifo::~CAudioFifo() { std::free(data_); }

bool CAudioFifo::Grow(uint32_t needed) {
    const uint64_t doubled = static_cast<uint64_t>(capacity_) * 2;
    const uint64_t newCapacity = std::max<uint64_t>(needed, doubled);
    if (newCapacity > UINT32_MAX) return false;
    // aligned_alloc wants a multiple of the alignment.
    const size_t allocation = (newCapacity + kAlignment - 1) / kAlignment * kAlignment;
    auto* grown = static_cast<uint8_t*>(std::aligned_alloc(kAlignment, allocation));
    if (!grown) return false;
    if (data_) std::memcpy(grown, data_, capacity_);
    const uint32_t added = static_cast<uint32_t>(newCapacity) - capacity_;
    // Wrapped data: the bytes from the read offset to the old end move to the new end.
    if (size_ > 0 && read_ != 0 && write_ <= read_) {
        std::memmove(grown + read_ + added, grown + read_, capacity_ - read_);
        read_ += added;
    }
    std::free(data_);
    data_ = grown;
    capacity_ = static_cast<uint32_t>(newCapacity);
    return true;
}

bool CAudioFifo::Write(const void* source, uint32_t bytes) {
    if (bytes == 0) return true;
    if (static_cast<uint64_t>(size_) + bytes > UINT32_MAX) return false;
    if (size_ + bytes > capacity_ && !Grow(size_ + bytes)) return false;
    size_ += bytes;
    const auto* from = static_cast<const uint8_t*>(source);
    if (write_ == capacity_) write_ = 0;  // an earlier exact fill
    const uint32_t first = std::min(bytes, capacity_ - write_);
    std::memcpy(data_ + write_, from, first);
    if (first < bytes) std::memcpy(data_, from + first, bytes - first);
    // An exact fill leaves the offset at the capacity, so a full buffer read from 0 is
    // never taken for a wrapped one when it grows.
    const uint64_t end = static_cast<uint64_t>(write_) + bytes;
    write_ = end == capacity_ ? capacity_ : static_cast<uint32_t>(end % capacity_);
    return true;
}

bool CAudioFifo::Peek(void* destination, uint32_t bytes) const {
    if (bytes > size_) return false;
    if (bytes == 0) return true;
    auto* to = static_cast<uint8_t*>(destination);
    const uint32_t first = std::min(bytes, capacity_ - read_);
    std::memcpy(to, data_ + read_, first);
    if (first < bytes) std::memcpy(to + first, data_, bytes - first);
    return true;
}

void CAudioFifo::Read(void* destination, uint32_t bytes) {
    bytes = std::min(bytes, size_);
    if (bytes == 0) return;
    if (destination) Peek(destination, bytes);
    size_ -= bytes;
    if (size_ == 0) {
        read_ = 0;
        write_ = 0;
    } else {
        read_ = static_cast<uint32_t>((static_cast<uint64_t>(read_) + bytes) % capacity_);
    }
}

}  // namespace zovi::engine
