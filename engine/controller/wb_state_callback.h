// What the whiteboard tells its opener (the recording toolbar): that it has closed, once,
// when its window is finally gone. UI thread.
#pragma once

namespace zovi::engine {

class IWBStateCallback {
public:
    virtual ~IWBStateCallback() = default;
    virtual void OnWhiteBoardClosed() = 0;
};

}  // namespace zovi::engine

namespace DuiLib {
using zovi::engine::IWBStateCallback;
}  // namespace DuiLib
