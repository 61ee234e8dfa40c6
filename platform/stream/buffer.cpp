#include "platform/stream/buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace zovi::core {

namespace {
constexpr uint64_t kMaxSize = 0xFFFFFFFFull;
}

bool CBuffer::Reserve(uint32_t n) {
    // 64-bit arithmetic: a result past 4 GiB fails instead of wrapping.
    uint64_t extra = std::max<uint64_t>(uint64_t{n} + 4, 32 + (capacity_ > 128 ? capacity_ / 4 : 0));
    uint64_t capacity = uint64_t{size_} + extra;
    if (capacity > kMaxSize) return false;
    void* data = std::realloc(data_, capacity);
    if (!data) return false;
    data_ = static_cast<uint8_t*>(data);
    capacity_ = static_cast<uint32_t>(capacity);
    return true;
}

bool CBuffer::Append(const void* bytes, uint32_t n) {
    uint8_t* place = AppendUninitialized(n);
    if (!place) return n == 0;
    if (n) std::memcpy(place, bytes, n);
    return true;
}

uint8_t* CBuffer::AppendUninitialized(uint32_t n) {
    uint64_t end = uint64_t{size_} + n;
    if (end > kMaxSize) return nullptr;
    if (end > capacity_ && !Reserve(n)) return nullptr;
    if (!data_) return nullptr;
    uint8_t* place = data_ + size_;
    size_ = static_cast<uint32_t>(end);
    return place;
}

bool CBuffer::GrowTo(uint32_t size) {
    if (size <= size_) return true;
    if (size > capacity_ && !Reserve(size - size_)) return false;
    std::memset(data_ + size_, 0, size - size_);
    size_ = size;
    return true;
}

void CBuffer::Free() {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    size_ = 0;
}

}  // namespace zovi::core
