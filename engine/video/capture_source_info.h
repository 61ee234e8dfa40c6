// What to record: all monitors, one monitor, a region, a window or a frame reader.
#pragma once
#include <memory>
#include <string>

#include "engine/video/video_output.h"
#include "platform/base/wintypes.h"
#include "platform/screen/screen_types.h"

namespace zovi::engine {

enum CaptureSourceType : int32_t {
    CAP_SINGLE_MONITOR = 1,  // one monitor, one window or one region (any value but 2, 3)
    CAP_MULT_MONITOR = 2,
    CAP_CUSTOME_READER = 3,
};

struct CaptureSourceInfo {
    // All monitors: the area is the union of every monitor's rectangle.
    CaptureSourceInfo();
    // One monitor by device name (compared ignoring case); init is 0 when no monitor has
    // that name.
    explicit CaptureSourceInfo(const std::wstring& deviceName);

    int32_t type = CAP_MULT_MONITOR;
    std::wstring name;
    HWND window = 0;   // when set, the area follows this window on every frame
    BYTE init = 1;     // 0: every Init fails
    BYTE full = 1;
    BYTE rotated = 0;  // the monitor's current mode has an orientation other than 0
    std::weak_ptr<ICapSourceFrameReader> reader;
    LONG left = 0, top = 0, right = 0, bottom = 0;

    RECT Rect() const { return {left, top, right, bottom}; }
    void SetRect(const RECT& rc) { left = rc.left, top = rc.top, right = rc.right, bottom = rc.bottom; }
    // Not all zero and not empty.
    bool IsCaptureRectValid() const;
    // The window's rectangle when a window is set (false when it is gone), else the
    // stored rectangle.
    bool GetTargetWindowRect(RECT* rc) const;
};

// Finds the monitor named like the record (ignoring case); when the record's area is all
// zero or empty, takes that monitor's rectangle. False when no monitor has the name.
bool FindMonitorForRect(CaptureSourceInfo& source);

}  // namespace zovi::engine
