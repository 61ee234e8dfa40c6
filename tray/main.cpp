// The tray program "ZoviTray": one instance per user and desktop session, one hidden
// window, one thread.
#include <memory>

#include "platform/base/last_error.h"
#include "platform/fs/handle.h"
#include "platform/window/message_loop.h"
#include "platform/window/named_mutex.h"
#include "tray/tray_main_wnd.h"
#include "tray/tray_messages.h"
#include "tray/tray_settings.h"

namespace {

// Before main: the settings key exists and the shared messages are registered.
struct StaticStart {
    StaticStart() {
        TraySettings();
        GetTrayMessages();
    }
};
StaticStart gStaticStart;

}  // namespace

int main() {
    // The command line is not read. A tray that runs already is left alone.
    HANDLE instance = CreateMutexW(nullptr, TRUE, L"TrayInstanceMutex");
    if (!instance || GetLastError() == ERROR_ALREADY_EXISTS) {
        if (instance) CloseHandle(instance);
        return 0;
    }
    // OLE, the common controls and the rich-edit library need no start-up here.
    CMessageLoop loop;
    zovi::platform::AddMessageLoop(&loop);
    int exitCode = -1;
    {
        std::unique_ptr<ITrayServices> services = MakeTrayServices();
        CTrayMainWnd window(*services);
        if (window.Create()) {
            // The session's end (SIGTERM, SIGHUP, the loss of the X server) ends the loop,
            // so no tray outlives its desktop holding the instance lock.
            zovi::platform::InstallSessionEndHandler();
            exitCode = loop.Run();
            zovi::platform::UninstallSessionEndHandler();
        }
    }
    // The tray queues nothing on an at-exit list, and has no module to terminate.
    zovi::platform::RemoveMessageLoop();
    CloseHandle(instance);
    return exitCode;
}
