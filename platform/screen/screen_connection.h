// One private connection to the X server. Each capture thread and each enumeration uses
// its own, so no connection is shared between threads.
#pragma once
#include <memory>

#include "platform/screen/screen_types.h"

struct _XDisplay;

namespace zovi::platform {

class CScreenConnection {
public:
    // Null when no X server can be reached, or the screen is not 24/32-bit
    // (B,G,R,X pixels), the only layout the capture code reads.
    static std::unique_ptr<CScreenConnection> Open();
    ~CScreenConnection();
    CScreenConnection(const CScreenConnection&) = delete;
    CScreenConnection& operator=(const CScreenConnection&) = delete;

    _XDisplay* Display() const { return display_; }
    HWND Root() const { return root_; }
    // The root window's current size (read again on each call).
    SIZE RootSize() const;
    // XFixes 2 or later (the cursor image, regions), asked for once per connection.
    bool HasXFixes();

private:
    CScreenConnection(_XDisplay* display, HWND root) : display_(display), root_(root) {}
    _XDisplay* display_;
    HWND root_;
    int xfixes_ = -1;  // -1 not asked yet, 0 missing, 1 present
};

}  // namespace zovi::platform
