// A waitable event for sound threads (an eventfd, watched by the capture stream's
// wait): a manual-reset event stays set until reset; an auto-reset event is cleared by
// the wait that sees it.
#pragma once
#include "platform/base/wintypes.h"

namespace zovi::platform {

class CSoundEvent {
public:
    explicit CSoundEvent(bool manualReset);
    ~CSoundEvent();
    CSoundEvent(const CSoundEvent&) = delete;
    CSoundEvent& operator=(const CSoundEvent&) = delete;

    bool IsValid() const { return fd_ >= 0; }
    void Set();
    void Reset();
    bool IsManualReset() const { return manualReset_; }
    int Fd() const { return fd_; }

private:
    int fd_ = -1;
    bool manualReset_;
};

inline constexpr DWORD kSoundWaitTimeout = 0x102;     // as WAIT_TIMEOUT
inline constexpr DWORD kSoundWaitFailed = 0xFFFFFFFF;  // as WAIT_FAILED

}  // namespace zovi::platform
