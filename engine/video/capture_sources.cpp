#include "engine/video/capture_sources.h"

#include <strings.h>

#include "platform/base/wformat.h"
#include "platform/gdi/memory_dc.h"
#include "platform/screen/monitors.h"
#include "platform/screen/screen_grab.h"
#include "platform/screen/top_windows.h"

namespace zovi::engine {

namespace {

// Program names of the shell's own windows; on Linux most never match.
const char* const kShellProcessNames[] = {
    "startmenuexperiencehost", "applicationframehost", "peopleexperiencehost",
    "shellexperiencehost",     "microsoft.notes",      "windowsinternal",
    "systemsettings",          "textinputhost",        "searchapp",
    "video.ui",                "music.ui",             "searchui",
    "lockapp",                 "cortana",              "gamebar",
    "tabtip",                  "time",                 "calculator",
    "PaintStudio.View",        "WinStore.App",         "HxOutlook",
};

}  // namespace

bool IsShellProcessName(const std::string& processName) {
    for (const char* name : kShellProcessNames)
        if (strncasecmp(processName.c_str(), name, std::char_traits<char>::length(name)) == 0)
            return true;
    return false;
}

platform::HBITMAP MakeWindowThumbnail(const platform::CDibSection& source) {
    platform::HBITMAP thumbnail = platform::CDibSection::Create(200, 150);
    if (!thumbnail) return nullptr;
    platform::CMemoryDC dc;
    dc.SelectObject(thumbnail);
    if (!dc.StretchBlt(RECT{0, 0, 200, 150}, source)) return nullptr;
    return thumbnail;
}

void EnumCaptureMonitors(WindowInfoList& list) {
    auto connection = platform::CScreenConnection::Open();
    if (!connection) return;
    std::vector<platform::MonitorInfo> monitors;
    platform::EnumMonitors(*connection, &monitors);
    int number = 1;
    for (const auto& monitor : monitors) {
        platform::DisplayMode mode;
        if (!platform::GetDisplayMode(*connection, monitor.device, &mode)) continue;
        auto entry = std::make_shared<WindowInfo>();
        entry->kind = WindowInfo::kKindMonitor;
        entry->title = platform::FormatWide(L"Monitor%d (%d*%d)", number, mode.width, mode.height);
        entry->name = monitor.device;
        entry->width = mode.width;
        entry->height = mode.height;
        const RECT& rc = monitor.rcMonitor;
        if (auto image = platform::CDibSection::Create(rc.right - rc.left, rc.bottom - rc.top)) {
            if (platform::GrabScreenRect(*connection, rc, *image, POINT{0, 0}))
                entry->thumbnail = MakeWindowThumbnail(*image);
        }
        ++number;
        list.push_back(entry);
    }
}

bool IsCapturableWindow(platform::CScreenConnection& connection, HWND window) {
    SIZE client{};
    return platform::IsWindowVisible(connection, window) && !platform::IsIconic(connection, window) &&
           !platform::IsToolWindow(connection, window) &&
           platform::GetClientSize(connection, window, &client) && client.cx != 0 && client.cy != 0;
}

void AddCaptureWindow(platform::CScreenConnection& connection, HWND window, WindowInfoList& list) {
    const pid_t pid = platform::GetWindowProcessId(connection, window);
    if (pid == platform::GetCurrentProcessId()) return;
    // Many X clients publish no process id; such windows are listed, without the
    // name-based filters.
    std::string processName;
    const bool named = pid > 0 && platform::GetProcessImageName(pid, &processName);
    if (named && IsShellProcessName(processName)) return;
    std::wstring title = platform::GetWindowTitle(connection, window);
    if (named && processName == "explorer.exe" && title.empty()) return;

    RECT rc{};
    if (!platform::GetWindowRect(connection, window, &rc)) return;  // gone meanwhile
    auto entry = std::make_shared<WindowInfo>();
    entry->kind = WindowInfo::kKindWindow;
    entry->window = window;
    entry->title = std::move(title);
    entry->width = rc.right - rc.left;
    entry->height = rc.bottom - rc.top;
    if (platform::HBITMAP image = platform::GrabWindow(connection, window)) {
        entry->width = image->Width();
        entry->height = image->Height();
        entry->thumbnail = MakeWindowThumbnail(*image);
    }
    if (!platform::IsWindow(connection, window)) return;
    list.push_back(entry);
}

void GetCaptureWindowList(WindowInfoList& list) {
    auto connection = platform::CScreenConnection::Open();
    if (!connection) return;
    // Frames that host another program's window ("ApplicationFrameWindow") do not
    // exist on X; every top-level client is its own entry.
    for (HWND window : platform::ListTopLevelWindows(*connection)) {
        if (IsCapturableWindow(*connection, window)) AddCaptureWindow(*connection, window, list);
    }
}

}  // namespace zovi::engine
