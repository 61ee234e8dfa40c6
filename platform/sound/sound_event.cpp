#include "platform/sound/sound_event.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace zovi::platform {

CSoundEvent::CSoundEvent(bool manualReset)
    : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)), manualReset_(manualReset) {}

CSoundEvent::~CSoundEvent() {
    if (fd_ >= 0) close(fd_);
}

void CSoundEvent::Set() {
    if (fd_ < 0) return;
    const uint64_t one = 1;
    // A full counter is still "set"; nothing to do on EAGAIN.
    [[maybe_unused]] ssize_t written = write(fd_, &one, sizeof(one));
}

void CSoundEvent::Reset() {
    if (fd_ < 0) return;
    uint64_t value = 0;
    [[maybe_unused]] ssize_t got = read(fd_, &value, sizeof(value));
}

}  // namespace zovi::platform
