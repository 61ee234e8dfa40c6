// Which presses of a grabbed key become WM_HOTKEY. With detectable auto-repeat a held
// key arrives as a run of presses ended by one release; a MOD_NOREPEAT hotkey fires on
// the first press of the run only, any other on every press.
#pragma once

namespace zovi::platform::window_detail {

class CHotkeyRepeatFilter {
public:
    explicit CHotkeyRepeatFilter(bool noRepeat) : noRepeat_(noRepeat) {}

    // True when this press fires the hotkey.
    bool Press() {
        const bool fires = !(noRepeat_ && down_);
        down_ = true;
        return fires;
    }
    void Release() { down_ = false; }

private:
    bool noRepeat_;
    bool down_ = false;
};

}  // namespace zovi::platform::window_detail
