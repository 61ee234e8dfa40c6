#include "core/traylink/tray_link.h"

#include <atomic>

#include "core/files/path_string.h"
#include "core/log/logger.h"
#include "platform/fs/folders.h"
#include "platform/process/process.h"
#include "platform/window/window.h"

namespace {

std::atomic<UINT> g_checkListener{0};
std::atomic<UINT> g_showCapture{0};

// Posts the message `name` (its id registered once, in `cache`) to the tray window.
bool PostToTray(std::atomic<UINT>& cache, const wchar_t* name, WPARAM wParam, LPARAM lParam) {
    UINT id = cache.load();
    if (id == 0) cache = id = RegisterWindowMessageW(name);
    const HWND tray = FindWindowW(kTrayWindowClass, nullptr);
    if (id == 0 || tray == 0) return false;
    return PostMessageW(tray, id, wParam, lParam) != FALSE;
}

}  // namespace

void RegisterSharedMessages() {
    UINT ids[8];
    for (int i = 0; i < 8; ++i) ids[i] = RegisterWindowMessageW(kSharedMessageNames[i]);
    g_checkListener = ids[0];
    g_showCapture = ids[1];
}

UINT GetCheckListenerMessage() { return g_checkListener; }
UINT GetShowCaptureMessage() { return g_showCapture; }

bool PostTrayReloadSettings() {
    static std::atomic<UINT> id{0};
    return PostToTray(id, kMsgTrayReloadSettings, 0, 0);
}

bool PostTrayTerminate() {
    static std::atomic<UINT> id{0};
    return PostToTray(id, kMsgTrayTerminate, 0, 0);
}

bool PostTrayIconFlash(UINT recordedSeconds) {
    static std::atomic<UINT> id{0};
    return PostToTray(id, kMsgTrayIconFlash, recordedSeconds, 0);
}

std::wstring CTrayAppletController::GetTrayProgramPath() {
    // Program paths may be longer than MAX_PATH here; a path that does not fit the buffer
    // is not cut into another folder's.
    constexpr DWORD kSize = 4096;
    std::wstring buffer(kSize, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), kSize);
    std::wstring path = length > 0 && length < kSize ? buffer.substr(0, length)
                                                     : std::wstring(kFallbackProgramName);
    path.resize(PathFindFileNamePart(path));  // the folder, with its separator
    if (path.empty() || !IsPathSeparator(path.back())) path += L'/';
    return path + kTrayProgramName;
}

bool CTrayAppletController::StartTrayProgramIfMissing() {
    if (FindWindowW(kTrayWindowClass, nullptr) != 0) return false;
    const std::wstring path = GetTrayProgramPath();
    // In a session of its own: the tray outlives the terminal the recorder was started from.
    if (!zovi::platform::StartDetachedProcess({zovi::platform::ToSystemPath(path)}, nullptr, true)) {
        GetGlobalLogger().Error(L"CTrayAppletController: cannot start %s (%u)\n", path.c_str(),
                                static_cast<unsigned>(GetLastError()));
        return false;
    }
    return true;
}
