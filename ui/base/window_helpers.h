// Small helpers the program's windows share: monitors and work areas, tooltips from the
// string table, and the capture source of a window.
#pragma once
#include <cstdint>

#include "engine/video/capture_source_info.h"
#include "platform/window/window_types.h"

namespace DuiLib {
class CControlUI;
}

// Whether `rc` meets the work area of the monitor it lies on (false when it lies on none).
bool IsRectOnWorkArea(const RECT& rc);
// A work-area rectangle (a WINDOWPLACEMENT's normal rectangle) moved to screen
// coordinates on the monitor nearest it (the primary when none); false when the
// monitor cannot be read.
bool WorkspaceRectToScreen(RECT& rc);
// The control's tooltip from the string table; nothing for a null control.
void SetToolTipById(DuiLib::CControlUI* control, std::uint32_t id);
// What recording the window means: its area from (0, 0) at its size, following the
// window; init 0 and an all-zero area when the handle is not a window.
zovi::engine::CaptureSourceInfo MakeWindowSourceInfo(HWND hwnd);
