// Offscreen windows: the mode switch, their handles, and the pointer they report.
#include <atomic>

#include "platform/screen/monitor_from.h"
#include "platform/window/present.h"
#include "platform/window/window_internal.h"

namespace zovi::platform {

namespace {

constexpr HWND kFirstOffscreenHandle = 0x7E000000;
constexpr HWND kOffscreenHandleEnd = 0x80000000;
constexpr int kVirtualWidth = 1920, kVirtualHeight = 1080;

std::atomic<bool> gOffscreen{false};
std::atomic<HWND> gNextHandle{kFirstOffscreenHandle};
// The last pointer position, x in the high half and y in the low half.
std::atomic<std::uint64_t> gPointer{0};

}  // namespace

void UseOffscreenWindows() {
    // No server, so no monitors: one of the usual size stands in for them.
    MonitorInfo virtualMonitor;
    virtualMonitor.rcMonitor = virtualMonitor.rcWork = RECT{0, 0, kVirtualWidth, kVirtualHeight};
    virtualMonitor.dwFlags = MONITORINFOF_PRIMARY;
    virtualMonitor.device = L"offscreen";
    SetVirtualMonitors({virtualMonitor});
    gOffscreen = true;
}

bool OffscreenWindowsInUse() { return gOffscreen; }

namespace window_detail {

bool IsOffscreenHandle(HWND hwnd) { return hwnd >= kFirstOffscreenHandle && hwnd < kOffscreenHandleEnd; }

HWND NewOffscreenHandle() { return gNextHandle++; }

void NoteOffscreenPointer(const WindowRecord& record, UINT message, LPARAM lParam) {
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (message != WM_MOUSEWHEEL && message != WM_MOUSEHWHEEL) {
        // Client coordinates.
        RECT window{};
        if (!GetWindowRect(record.hwnd, &window)) return;
        point.x += window.left;
        point.y += window.top;
    }
    gPointer = (static_cast<std::uint64_t>(static_cast<std::uint32_t>(point.x)) << 32) |
               static_cast<std::uint32_t>(point.y);
}

POINT OffscreenPointer() {
    const std::uint64_t packed = gPointer;
    return POINT{static_cast<LONG>(static_cast<std::uint32_t>(packed >> 32)),
                 static_cast<LONG>(static_cast<std::uint32_t>(packed))};
}

}  // namespace window_detail

}  // namespace zovi::platform
