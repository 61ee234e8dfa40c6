// The monitors and top-level windows that can be recorded, each with a 200 x 150
// thumbnail, for the capture-source picker.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/dib_section.h"
#include "platform/screen/screen_connection.h"
#include "platform/screen/screen_types.h"

namespace zovi::engine {

struct WindowInfo {
    static constexpr int kKindWindow = 1;
    static constexpr int kKindMonitor = 2;

    HWND window = 0;  // 0 for a monitor
    int32_t width = 0;
    int32_t height = 0;
    std::wstring title;  // the window's title, or "Monitor<n> (<w>*<h>)"
    std::wstring name;   // empty for a window, the device name for a monitor
    platform::HBITMAP thumbnail;  // null when it could not be made
    int32_t thumbnailWidth = 200;
    int32_t thumbnailHeight = 150;
    int32_t kind = kKindWindow;
};

using WindowInfoList = std::vector<std::shared_ptr<WindowInfo>>;

// The monitors, numbered from 1 in enumeration order (a monitor whose mode cannot be
// read is left out and takes no number).
void EnumCaptureMonitors(WindowInfoList& list);
// The windows that can be recorded, topmost first: visible, not minimised, not tool-like
// (docks, desktops, menus, override-redirect), not empty, not of this process nor of a
// shell process; windows that vanish meanwhile are left out.
void GetCaptureWindowList(WindowInfoList& list);

// One window's entry appended to the list, when the window qualifies by its process and
// title and still exists.
void AddCaptureWindow(platform::CScreenConnection& connection, HWND window, WindowInfoList& list);
bool IsCapturableWindow(platform::CScreenConnection& connection, HWND window);
// True when a program name begins (ignoring case) with one of the shell's names.
bool IsShellProcessName(const std::string& processName);

// `source` scaled to 200 x 150 (the aspect ratio is not kept); null on failure.
platform::HBITMAP MakeWindowThumbnail(const platform::CDibSection& source);

}  // namespace zovi::engine
