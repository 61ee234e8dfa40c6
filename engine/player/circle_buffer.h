// A byte FIFO (the sample FIFO's growth rules) behind its own lock, shared by the
// player's read thread (which appends) and SDL's audio thread (which drains).
#pragma once
#include <cstdint>
#include <mutex>

#include "engine/audio/audio_fifo.h"

namespace zovi::engine {

class CCircleBuffer {
public:
    CCircleBuffer() = default;
    virtual ~CCircleBuffer() = default;
    CCircleBuffer(const CCircleBuffer&) = delete;
    CCircleBuffer& operator=(const CCircleBuffer&) = delete;

    uint32_t HeldBytes() const {
        std::lock_guard guard(lock_);
        return fifo_.Size();
    }

protected:
    // The FIFO, reachable only with the lock held.
    class Locked {
    public:
        explicit Locked(CCircleBuffer& owner) : guard_(owner.lock_), fifo_(owner.fifo_) {}
        CAudioFifo& operator*() { return fifo_; }
        CAudioFifo* operator->() { return &fifo_; }

    private:
        std::lock_guard<std::mutex> guard_;
        CAudioFifo& fifo_;
    };

private:
    mutable std::mutex lock_;
    CAudioFifo fifo_;
};

}  // namespace zovi::engine
